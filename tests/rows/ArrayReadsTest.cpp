// A page of array rows costs one read of the debuggee's memory when its elements lie
// evenly spaced: the enumerator fetches the page's whole span before it makes the rows.
#include <gtest/gtest.h>

#include <atomic>

#include "../frontend/WatchSession.h"
#include "platform/ProcessMemory.h"

namespace {

using orvel::ComPtr;

std::atomic<int> g_reads{0};

bool CountRead() {
    ++g_reads;
    return false;
}

class ArrayReads : public orvel::test::WatchSession {
protected:
    void TearDown() override {
        orvel::SetDebuggeeFaultHook(nullptr);
        WatchSession::TearDown();
    }
};

TEST_F(ArrayReads, APageOfRowsIsOneRead) {
    Start("heat.json");
    for (ULONG page : {1u, 3u, 8u}) {
        SCOPED_TRACE("page of " + std::to_string(page));
        ComPtr<IDebugProperty2> u = Evaluate("U");
        ASSERT_TRUE(u);
        ComPtr<IEnumDebugPropertyInfo2> rows;
        ASSERT_EQ(u->EnumChildren(DEBUGPROP_INFO_ALL, 10, GUID{}, 0, nullptr, 0, rows.put()), S_OK);
        ULONG count = 0;
        ASSERT_EQ(rows->GetCount(&count), S_OK);
        ASSERT_EQ(count, 8u);
        std::vector<DEBUG_PROPERTY_INFO> infos(page);
        g_reads = 0;
        orvel::SetDebuggeeFaultHook(&CountRead);
        ULONG fetched = 0;
        EXPECT_EQ(rows->Next(page, infos.data(), &fetched), S_OK);
        orvel::SetDebuggeeFaultHook(nullptr);
        EXPECT_EQ(fetched, page);
        EXPECT_EQ(g_reads.load(), 1);
        for (ULONG i = 0; i < fetched; ++i)
            orvel::test::TakeRow(infos[i]);
    }
}

} // namespace

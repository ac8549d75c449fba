// A host may pass null where an enumerator writes its answer: every kind of row's
// enumerator refuses it with E_INVALIDARG, reports nothing fetched, and still works after.
#include <gtest/gtest.h>

#include "../frontend/WatchSession.h"
#include "host/HostIds.h"

namespace {

using orvel::ComPtr;

class EnumeratorArguments : public orvel::test::WatchSession {
protected:
    ComPtr<IEnumDebugPropertyInfo2> Rows(const char* watch) {
        ComPtr<IEnumDebugPropertyInfo2> rows;
        ComPtr<IDebugProperty2> row = Evaluate(watch);
        EXPECT_TRUE(row) << watch;
        if (row) {
            EXPECT_EQ(row->EnumChildren(DEBUGPROP_INFO_ALL, 10, GUID{}, 0, nullptr, 0, rows.put()),
                      S_OK);
        }
        return rows;
    }
    ComPtr<IEnumDebugPropertyInfo2> Locals(const GUID& filter = guidFilterLocals) {
        ComPtr<IDebugProperty2> method;
        ComPtr<IEnumDebugPropertyInfo2> rows;
        EXPECT_EQ(m_evaluator->GetMethodProperty(m_provider.get(), m_stop.get(), m_binder.get(),
                                                 FALSE, method.put()),
                  S_OK);
        if (method) {
            EXPECT_EQ(
                method->EnumChildren(DEBUGPROP_INFO_ALL, 10, filter, 0, nullptr, 0, rows.put()),
                S_OK);
        }
        return rows;
    }
};

TEST_F(EnumeratorArguments, NullOutPointersAreRefusedByEveryKindOfRow) {
    Start("heat.json");
    const struct {
        const char* what;
        ComPtr<IEnumDebugPropertyInfo2> rows;
    } cases[] = {
        {"array", Rows("U")},         {"derived type", Rows("SENSOR")},
        {"pointer", Rows("CURRENT")}, {".NET object", Rows("log")},
        {"locals", Locals()},         {"locals and arguments", Locals(guidFilterLocalsPlusArgs)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.rows);
        ULONG fetched = 99;
        EXPECT_EQ(c.rows->Next(1, nullptr, &fetched), E_INVALIDARG);
        EXPECT_EQ(fetched, 0u);
        EXPECT_EQ(c.rows->GetCount(nullptr), E_INVALIDARG);
        EXPECT_EQ(c.rows->Clone(nullptr), E_INVALIDARG);
        // Nothing was taken: the first row still comes first.
        ULONG count = 0;
        ASSERT_EQ(c.rows->GetCount(&count), S_OK);
        EXPECT_GT(count, 0u);
        EXPECT_EQ(orvel::test::Drain(c.rows.get()).size(), count);
    }
}

// Null out-pointers given to a row itself: refused alike by a watch row, an error row,
// the method's row and a .NET member's row.
TEST_F(EnumeratorArguments, NullOutPointersAreRefusedByEveryKindOfRowItself) {
    Start("heat.json");
    ComPtr<IDebugProperty2> method;
    ASSERT_EQ(m_evaluator->GetMethodProperty(m_provider.get(), m_stop.get(), m_binder.get(), FALSE,
                                             method.put()),
              S_OK);
    ComPtr<IEnumDebugPropertyInfo2> members = Rows("log");
    ASSERT_TRUE(members);
    DEBUG_PROPERTY_INFO info{};
    ULONG fetched = 0;
    ASSERT_EQ(members->Next(1, &info, &fetched), S_OK);
    const orvel::test::Row member = orvel::test::TakeRow(info);
    const struct {
        const char* what;
        ComPtr<IDebugProperty2> row;
        bool expands; // an error row has no children to refuse a null pointer for
    } cases[] = {
        {"watch", Evaluate("U"), true},
        {"error", Evaluate("NOSUCHNAME"), false},
        {"method", method, true},
        {"member", member.Property, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.row);
        if (c.expands) {
            EXPECT_EQ(c.row->EnumChildren(DEBUGPROP_INFO_ALL, 10, GUID{}, 0, nullptr, 0, nullptr),
                      E_INVALIDARG);
        }
        EXPECT_EQ(c.row->GetPropertyInfo(DEBUGPROP_INFO_ALL, 10, 0, nullptr, 0, nullptr),
                  E_INVALIDARG);
        EXPECT_EQ(c.row->GetMemoryContext(nullptr), E_INVALIDARG);
        EXPECT_EQ(c.row->GetParent(nullptr), E_INVALIDARG);
        EXPECT_EQ(c.row->GetSize(nullptr), E_INVALIDARG);
        EXPECT_EQ(c.row->GetExtendedInfo(GUID{}, nullptr), E_INVALIDARG);
    }
}

} // namespace

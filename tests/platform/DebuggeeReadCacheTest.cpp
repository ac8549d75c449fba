// Reads through a DebuggeeReadCache give exactly what direct reads give, and the copy
// never outlives a write made through the module or the cache's own scope.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DebuggeeReadCache.h"
#include "platform/ProcessMemory.h"
#include "simhost/debuggee/DebuggeeProcess.h"

#if !ORVEL_WINDOWS
#include <sys/uio.h>
#endif

namespace {

using orvel::DebuggeeReadCache;
using orvel::sim::DebuggeeProcess;
using orvel::sim::Region;

// One region that ends where the helper's mapping ends: reads past 0x10010000 fail.
constexpr DebuggeeAddress kStart = 0x1000C000;
constexpr size_t kLength = 0x4000;
constexpr DebuggeeAddress kEnd = kStart + kLength;

Region Filled() {
    Region region{kStart, std::vector<uint8_t>(kLength)};
    for (size_t i = 0; i < kLength; ++i)
        region.bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return region;
}

// A write the module does not see, as a host or the debuggee itself would make.
bool WriteBehindTheModule(DWORD pid, HANDLE process, DebuggeeAddress at, uint8_t byte) {
#if ORVEL_WINDOWS
    (void)pid;
    SIZE_T written = 0;
    return WriteProcessMemory(process, reinterpret_cast<LPVOID>(uintptr_t{at}), &byte, 1,
                              &written) &&
           written == 1;
#else
    (void)process;
    iovec local{&byte, 1};
    iovec remote{reinterpret_cast<void*>(uintptr_t{at}), 1};
    return process_vm_writev(static_cast<pid_t>(pid), &local, 1, &remote, 1, 0) == 1;
#endif
}

class ReadCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_helper = DebuggeeProcess::Start({Filled()}, &error);
        ASSERT_NE(nullptr, m_helper) << error;
        m_process = OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION, FALSE,
                                m_helper->Pid());
        ASSERT_NE(nullptr, m_process);
    }
    void TearDown() override {
        if (m_process) CloseHandle(m_process);
    }

    std::vector<uint8_t> Direct(DebuggeeAddress at, size_t size) const {
        std::vector<uint8_t> bytes(size, 0xEE);
        bytes.resize(orvel::ReadDebuggee(m_process, at, bytes.data(), size));
        return bytes;
    }
    std::vector<uint8_t> Cached(DebuggeeAddress at, size_t size) const {
        std::vector<uint8_t> bytes(size, 0xEE);
        bytes.resize(DebuggeeReadCache::Read(m_process, at, bytes.data(), size));
        return bytes;
    }
    uint8_t Byte(DebuggeeAddress at) const {
        const std::vector<uint8_t> bytes = Cached(at, 1);
        return bytes.empty() ? 0 : bytes[0];
    }

    std::unique_ptr<DebuggeeProcess> m_helper;
    HANDLE m_process = nullptr;
};

struct ReadCase {
    const char* what;
    DebuggeeAddress at;
    size_t size;
};

const ReadCase kReads[] = {
    {"inside", kStart + 0x10, 8},
    {"across_a_page", kStart + 0xFFC, 8},
    {"at_the_last_byte", kEnd - 1, 1},
    {"into_the_unmapped_page", kEnd - 4, 8},
    {"unmapped", kEnd, 4},
    {"wider_than_the_window", kStart, DebuggeeReadCache::WindowSize + 16},
    {"before_the_announced_range", kStart + 0x0FF8, 8},
    {"the_announced_range_whole", kStart + 0x1000, 0x2800},
    {"past_the_announced_window", kStart + 0x1000 + DebuggeeReadCache::WindowSize - 4, 8},
    {"at_the_4_gib_line", 0xFFFFFFFC, 8},
};

TEST_F(ReadCacheTest, ReadsGiveWhatTheDebuggeeGives) {
    for (bool announced : {false, true}) {
        for (const ReadCase& c : kReads) {
            SCOPED_TRACE(std::string(c.what) + (announced ? ", announced" : ""));
            const std::vector<uint8_t> expected = Direct(c.at, c.size);
            DebuggeeReadCache cache;
            if (announced) cache.Prefetch(m_process, kStart + 0x1000, 0x2800);
            EXPECT_EQ(expected, Cached(c.at, c.size));
            EXPECT_EQ(expected, Cached(c.at, c.size)) << "read again";
        }
    }
    EXPECT_EQ(0u, DebuggeeReadCache::Read(nullptr, kStart, nullptr, 4));
}

TEST_F(ReadCacheTest, TheCopyLastsUntilAWriteOrTheEndOfItsScope) {
    const DebuggeeAddress at = kStart + 0x20;
    const uint8_t before = Direct(at, 1)[0];
    {
        DebuggeeReadCache cache;
        cache.Prefetch(m_process, kStart, 0x100);
        ASSERT_TRUE(WriteBehindTheModule(m_helper->Pid(), m_process, at, before ^ 0xFF));
        EXPECT_EQ(before, Byte(at)) << "served from the copy";
        // Any write through the module, anywhere, drops the copy.
        const uint8_t elsewhere = 1;
        ASSERT_TRUE(m_helper->Write(kStart + 0x3000, &elsewhere, 1));
        EXPECT_EQ(before ^ 0xFF, Byte(at));
        {
            DebuggeeReadCache inner;
            EXPECT_EQ(before ^ 0xFF, Byte(at));
            ASSERT_TRUE(WriteBehindTheModule(m_helper->Pid(), m_process, at, before));
        }
        EXPECT_EQ(before ^ 0xFF, Byte(at)) << "the outer copy is in use again";
    }
    EXPECT_EQ(before, Byte(at)) << "no copy outlives its scope";
}

} // namespace

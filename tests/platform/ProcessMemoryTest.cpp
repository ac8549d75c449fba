// Reading and writing a process's memory by process id, on this test's own process:
// pages it maps below 4 GiB stand for a 32-bit debuggee's memory. A separate
// process is read in tests/simhost/DebuggeeProcessTest.cpp.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ProcessMemory.h"

#if !ORVEL_WINDOWS
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

constexpr size_t Page = 0x1000;

DWORD OwnPid() {
#if ORVEL_WINDOWS
    return GetCurrentProcessId();
#else
    return static_cast<DWORD>(getpid());
#endif
}

// pageCount readable pages ending at a fixed 32-bit address, which must be a multiple
// of 64 KiB. Empty when the place is taken.
class LowPages {
public:
    LowPages(uint64_t end, size_t pageCount) : m_size(pageCount * Page) {
        void* want = reinterpret_cast<void*>(static_cast<uintptr_t>(end - m_size));
#if ORVEL_WINDOWS
        // A reservation starts at a 64 KiB boundary; ending on one leaves the next
        // unit free. Memory that is only reserved would not do: Wine reads it as zeros.
        void* unit = reinterpret_cast<void*>(static_cast<uintptr_t>((end - m_size) & ~0xFFFFull));
        void* got = VirtualAlloc(unit, static_cast<size_t>(end - reinterpret_cast<uintptr_t>(unit)),
                                 MEM_RESERVE, PAGE_NOACCESS);
        if (got == unit && VirtualAlloc(want, m_size, MEM_COMMIT, PAGE_READWRITE) == want)
            m_base = static_cast<uint8_t*>(want);
        else if (got)
            VirtualFree(got, 0, MEM_RELEASE);
#else
        void* got = mmap(want, m_size, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
        if (got == want)
            m_base = static_cast<uint8_t*>(got);
        else if (got != MAP_FAILED)
            munmap(got, m_size);
#endif
        if (m_base) std::memset(m_base, 0, m_size);
    }
    ~LowPages() {
        if (!m_base) return;
#if ORVEL_WINDOWS
        VirtualFree(
            reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(m_base) & ~uintptr_t{0xFFFF}), 0,
            MEM_RELEASE);
#else
        munmap(m_base, m_size);
#endif
    }
    LowPages(const LowPages&) = delete;
    LowPages& operator=(const LowPages&) = delete;

    bool ok() const {
        return m_base != nullptr;
    }
    uint8_t* data() const {
        return m_base;
    }
    size_t size() const {
        return m_size;
    }
    DebuggeeAddress address() const {
        return static_cast<DebuggeeAddress>(reinterpret_cast<uintptr_t>(m_base));
    }

private:
    uint8_t* m_base = nullptr;
    size_t m_size;
};

// Free in 64-bit Linux processes (also under AddressSanitizer, whose shadow starts
// near 2 GiB) and outside the low area Wine reserves (up to 0x68000000), where an
// unmapped page would read as zeros.
constexpr uint64_t TestEnd = 0x6A010000;

class ProcessMemory : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pages.ok()) << "the test pages are taken in this process";
        for (size_t i = 0; i < m_pages.size(); ++i)
            m_pages.data()[i] = static_cast<uint8_t>(i * 7 + 1);
        m_handle =
            OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION, FALSE, OwnPid());
        ASSERT_NE(nullptr, m_handle);
    }
    void TearDown() override {
        if (m_handle) CloseHandle(m_handle);
    }

    LowPages m_pages{TestEnd, 2};
    HANDLE m_handle = nullptr;
};

TEST_F(ProcessMemory, ReadsWhatIsThere) {
    const struct {
        size_t offset;
        size_t size;
    } cases[] = {{0, 1}, {0, 4}, {3, 5}, {Page - 2, 4}, {0, 2 * Page}, {17, Page + 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << "+" << c.size);
        std::vector<uint8_t> buffer(c.size, 0xCC);
        EXPECT_EQ(c.size, orvel::ReadDebuggee(m_handle, m_pages.address() + c.offset, buffer.data(),
                                              c.size));
        EXPECT_EQ(0, std::memcmp(m_pages.data() + c.offset, buffer.data(), c.size));

        SIZE_T read = 0;
        std::fill(buffer.begin(), buffer.end(), 0xCC);
        EXPECT_TRUE(
            ReadProcessMemory(m_handle, m_pages.data() + c.offset, buffer.data(), c.size, &read));
        EXPECT_EQ(c.size, read);
        EXPECT_EQ(0, std::memcmp(m_pages.data() + c.offset, buffer.data(), c.size));
    }
}

TEST_F(ProcessMemory, WritesAndReadsBack) {
    const struct {
        size_t offset;
        std::vector<uint8_t> bytes;
    } cases[] = {{0, {0xAB}}, {10, {1, 2, 3, 4}}, {Page - 3, {9, 8, 7, 6, 5, 4}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        EXPECT_EQ(c.bytes.size(), orvel::WriteDebuggee(m_handle, m_pages.address() + c.offset,
                                                       c.bytes.data(), c.bytes.size()));
        EXPECT_EQ(0, std::memcmp(c.bytes.data(), m_pages.data() + c.offset, c.bytes.size()));
    }
}

// The readable part before an unmapped page is delivered, and counted.
TEST_F(ProcessMemory, PartialTransfersStopAtTheUnmappedPage) {
    const size_t end = m_pages.size();
    const struct {
        size_t offset;
        size_t size;
        size_t expected;
    } cases[] = {
        {end - 16, 32, 16},   {end - 1, 2, 1}, {end - Page, Page + 1, Page},
        {0, end + Page, end}, {end, 4, 0},     {end + 8, 4, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << "+" << c.size);
        std::vector<uint8_t> buffer(c.size, 0xCC);
        EXPECT_EQ(c.expected, orvel::ReadDebuggee(m_handle, m_pages.address() + c.offset,
                                                  buffer.data(), c.size));
        EXPECT_EQ(0, std::memcmp(m_pages.data() + c.offset, buffer.data(), c.expected));
        EXPECT_EQ(c.expected, orvel::WriteDebuggee(m_handle, m_pages.address() + c.offset,
                                                   buffer.data(), c.size));

        SIZE_T read = 12345;
        EXPECT_FALSE(
            ReadProcessMemory(m_handle, m_pages.data() + c.offset, buffer.data(), c.size, &read));
#if !ORVEL_WINDOWS
        // Windows may report 0 for a read that fails part way; ours counts.
        EXPECT_EQ(c.expected, read);
#else
        EXPECT_LE(read, c.expected);
#endif
    }
}

TEST_F(ProcessMemory, UnmappedAddressesReadNothing) {
    uint8_t buffer[8] = {};
    for (DebuggeeAddress address : {0x0u, 0x10u, 0xFFF0u, 0xFFFFFFF0u}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(0u, orvel::ReadDebuggee(m_handle, address, buffer, sizeof buffer));
    }
}

TEST_F(ProcessMemory, ZeroBytesAndNullBuffers) {
    uint8_t buffer[4] = {};
    EXPECT_EQ(0u, orvel::ReadDebuggee(m_handle, m_pages.address(), buffer, 0));
    EXPECT_EQ(0u, orvel::ReadDebuggee(m_handle, m_pages.address(), nullptr, 4));
    EXPECT_EQ(0u, orvel::WriteDebuggee(m_handle, m_pages.address(), nullptr, 4));
    SIZE_T read = 99;
    EXPECT_TRUE(ReadProcessMemory(m_handle, m_pages.data(), buffer, 0, &read));
    EXPECT_EQ(0u, read);
}

TEST_F(ProcessMemory, ReadOnlyHandleDoesNotWrite) {
    HANDLE readOnly = OpenProcess(PROCESS_VM_READ, FALSE, OwnPid());
    ASSERT_NE(nullptr, readOnly);
    const uint8_t bytes[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    EXPECT_EQ(0u, orvel::WriteDebuggee(readOnly, m_pages.address(), bytes, sizeof bytes));
    EXPECT_NE(0, std::memcmp(bytes, m_pages.data(), sizeof bytes));
    uint8_t buffer[4] = {};
    EXPECT_EQ(sizeof buffer, orvel::ReadDebuggee(readOnly, m_pages.address(), buffer, 4));
    EXPECT_TRUE(CloseHandle(readOnly));
}

TEST(ProcessHandles, BadHandlesReadNothing) {
    uint8_t buffer[4] = {};
    HANDLE closed = OpenProcess(PROCESS_VM_READ, FALSE, OwnPid());
    ASSERT_NE(nullptr, closed);
    ASSERT_TRUE(CloseHandle(closed));
    int notAHandle = 0;
    for (HANDLE handle : {static_cast<HANDLE>(nullptr), closed, static_cast<HANDLE>(&notAHandle)}) {
        SIZE_T read = 77;
        EXPECT_FALSE(ReadProcessMemory(handle, buffer, buffer, sizeof buffer, &read));
        EXPECT_EQ(0u, read);
        EXPECT_EQ(0u, orvel::ReadDebuggee(handle, 0x10000000, buffer, sizeof buffer));
        EXPECT_EQ(0u, orvel::WriteDebuggee(handle, 0x10000000, buffer, sizeof buffer));
    }
#if !ORVEL_WINDOWS
    // Windows raises an exception for these under a debugger; ours just refuses.
    EXPECT_FALSE(CloseHandle(closed));
    EXPECT_FALSE(CloseHandle(&notAHandle));
    EXPECT_FALSE(CloseHandle(nullptr));
#endif
}

TEST(ProcessHandles, NoHandleForMissingProcesses) {
    for (DWORD pid : {0u, 0x7FFFFFF0u, 0xFFFFFFF0u}) {
        SCOPED_TRACE(pid);
        HANDLE handle = OpenProcess(PROCESS_VM_READ, FALSE, pid);
        EXPECT_EQ(nullptr, handle);
        if (handle) CloseHandle(handle);
    }
}

// A 32-bit debuggee has nothing at or above 4 GiB, even when the host process does.
TEST(ProcessHandles, DebuggeeReadsStopAtFourGiB) {
    LowPages top(0x100000000, 1);
    LowPages above(0x100010000, 16);
    if (!top.ok() || !above.ok()) GTEST_SKIP() << "the pages around 4 GiB are taken";
    HANDLE handle = OpenProcess(PROCESS_VM_READ, FALSE, OwnPid());
    ASSERT_NE(nullptr, handle);
    uint8_t buffer[32] = {};
    EXPECT_EQ(16u, orvel::ReadDebuggee(handle, 0xFFFFFFF0, buffer, sizeof buffer));
    CloseHandle(handle);
}

} // namespace

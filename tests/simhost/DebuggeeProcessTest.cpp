// The debuggee helper process: its memory is read and written by process id through
// the operating system, the way the evaluator reads a real debuggee.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ProcessMemory.h"
#include "simhost/debuggee/DebuggeeProcess.h"
#include "simhost/debuggee/MemoryImage.h"

namespace {

using orvel::sim::DebuggeeProcess;
using orvel::sim::MappingSpan;
using orvel::sim::Region;

Region Bytes(uint32_t address, std::vector<uint8_t> bytes) {
    return {address, std::move(bytes)};
}

Region Filled(uint32_t address, size_t size, uint8_t seed) {
    Region region{address, std::vector<uint8_t>(size)};
    for (size_t i = 0; i < size; ++i)
        region.bytes[i] = static_cast<uint8_t>(seed + i * 13);
    return region;
}

// Two regions in different allocation units, and a third sharing a page with the first.
std::vector<Region> SampleImage() {
    return {Filled(0x10000000, 0x1800, 0x11), Bytes(0x20000010, {1, 2, 3, 4, 5}),
            Bytes(0x10001900, {0xAA, 0xBB})};
}

// An ended process may stay open to others for a while on Windows (Wine keeps it a
// little longer), so there "gone" means "has ended".
bool ProcessGone(DWORD pid) {
#if ORVEL_WINDOWS
    HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!handle) return true;
    const bool ended = WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
#else
    HANDLE handle = OpenProcess(PROCESS_VM_READ, FALSE, pid);
    if (!handle) return true;
    const bool ended = false;
#endif
    CloseHandle(handle);
    return ended;
}

class DebuggeeHelper : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_helper = DebuggeeProcess::Start(SampleImage(), &error);
        ASSERT_NE(nullptr, m_helper) << error;
        m_handle = OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION, FALSE,
                               m_helper->Pid());
        ASSERT_NE(nullptr, m_handle);
    }
    void TearDown() override {
        if (m_handle) CloseHandle(m_handle);
    }

    std::unique_ptr<DebuggeeProcess> m_helper;
    HANDLE m_handle = nullptr;
};

TEST_F(DebuggeeHelper, RegionsReadBackByProcessId) {
    for (const Region& region : SampleImage()) {
        SCOPED_TRACE(testing::Message() << std::hex << region.address);
        std::vector<uint8_t> seen(region.bytes.size(), 0xCC);
        SIZE_T read = 0;
        ASSERT_TRUE(ReadProcessMemory(m_handle,
                                      reinterpret_cast<LPCVOID>(uintptr_t{region.address}),
                                      seen.data(), seen.size(), &read));
        EXPECT_EQ(region.bytes.size(), read);
        EXPECT_EQ(region.bytes, seen);

        std::fill(seen.begin(), seen.end(), 0xCC);
        EXPECT_TRUE(m_helper->Read(region.address, seen.data(), seen.size()));
        EXPECT_EQ(region.bytes, seen);
    }
}

// The mapped unit around a region reads as zeros; past the mapping nothing is read.
TEST_F(DebuggeeHelper, SurroundingsOfRegions) {
    uint8_t gap[0x100] = {};
    ASSERT_EQ(sizeof gap, orvel::ReadDebuggee(m_handle, 0x10001800, gap, sizeof gap));
    for (uint8_t byte : gap)
        EXPECT_EQ(0, byte);
    // Outside the low area Wine reserves, where nothing mapped would read as zeros.
    uint8_t buffer[8] = {};
    EXPECT_EQ(0u, orvel::ReadDebuggee(m_handle, 0x6C000000, buffer, sizeof buffer));
    EXPECT_FALSE(m_helper->Read(0x6C000000, buffer, sizeof buffer));
}

TEST_F(DebuggeeHelper, WritesReadBack) {
    const struct {
        uint32_t address;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {0x10000000, {0xDE, 0xAD}},
        {0x100017FE, {1, 2, 3, 4}}, // runs on past the region, inside its page
        {0x20000010, {9, 9, 9, 9, 9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.address);
        SIZE_T written = 0;
        ASSERT_TRUE(WriteProcessMemory(m_handle, reinterpret_cast<LPVOID>(uintptr_t{c.address}),
                                       c.bytes.data(), c.bytes.size(), &written));
        EXPECT_EQ(c.bytes.size(), written);
        std::vector<uint8_t> seen(c.bytes.size());
        EXPECT_TRUE(m_helper->Read(c.address, seen.data(), seen.size()));
        EXPECT_EQ(c.bytes, seen);
    }
    const uint8_t more[3] = {7, 8, 9};
    EXPECT_TRUE(m_helper->Write(0x10000100, more, sizeof more));
    uint8_t seen[3] = {};
    EXPECT_EQ(sizeof seen, orvel::ReadDebuggee(m_handle, 0x10000100, seen, sizeof seen));
    EXPECT_EQ(0, std::memcmp(more, seen, sizeof seen));
}

TEST(DebuggeeLifetime, HelperEndsWithItsObject) {
    std::string error;
    auto helper = DebuggeeProcess::Start({Bytes(0x30000000, {42})}, &error);
    ASSERT_NE(nullptr, helper) << error;
    const DWORD pid = helper->Pid();
    EXPECT_FALSE(ProcessGone(pid));
    const auto before = std::chrono::steady_clock::now();
    helper.reset();
    // Released helpers leave on their own, well before the forced end.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1500));
    EXPECT_TRUE(ProcessGone(pid));
}

TEST(DebuggeeLifetime, TwoHelpersAtOnceHoldTheirOwnImages) {
    std::string error;
    auto first = DebuggeeProcess::Start({Bytes(0x30000000, {1})}, &error);
    ASSERT_NE(nullptr, first) << error;
    auto second = DebuggeeProcess::Start({Bytes(0x30000000, {2})}, &error);
    ASSERT_NE(nullptr, second) << error;
    EXPECT_NE(first->Pid(), second->Pid());
    uint8_t a = 0, b = 0;
    EXPECT_TRUE(first->Read(0x30000000, &a, 1));
    EXPECT_TRUE(second->Read(0x30000000, &b, 1));
    EXPECT_EQ(1, a);
    EXPECT_EQ(2, b);
    // The first helper's input must not have leaked into the second: it still ends.
    const DWORD pid = first->Pid();
    first.reset();
    EXPECT_TRUE(ProcessGone(pid));
}

#if !ORVEL_WINDOWS
// The image placed in the test process itself: read through the process id like a
// helper's, refused while its addresses are taken, and given back with its object.
TEST(DebuggeeLifetime, ImageInThisProcessIsReadByIdAndGivenBack) {
    std::string error;
    auto image = DebuggeeProcess::InThisProcess(SampleImage(), &error);
    ASSERT_NE(nullptr, image) << error;
    uint8_t tail[2] = {};
    EXPECT_TRUE(image->Read(0x10001900, tail, 2));
    EXPECT_EQ(0xBB, tail[1]);
    EXPECT_TRUE(image->Write(0x20000012, tail, 2));
    HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, image->Pid());
    uint8_t seen[5] = {};
    EXPECT_EQ(5u, orvel::ReadDebuggee(process, 0x20000010, seen, 5));
    EXPECT_EQ(0xAA, seen[2]);
    EXPECT_EQ(nullptr, DebuggeeProcess::InThisProcess(SampleImage(), &error));
    EXPECT_NE(std::string::npos, error.find("0x10000000")) << error;
    image.reset();
    EXPECT_EQ(0u, orvel::ReadDebuggee(process, 0x20000010, seen, 5));
    CloseHandle(process);
    image = DebuggeeProcess::InThisProcess(SampleImage(), &error);
    EXPECT_NE(nullptr, image) << error;
}
#endif

TEST(DebuggeeLifetime, RejectedRegionSetsStartNothing) {
    const struct {
        const char* name;
        std::vector<Region> regions;
        const char* messagePart;
    } cases[] = {
        {"overlap", {Bytes(0x10000000, {1, 2, 3, 4}), Bytes(0x10000003, {5})}, "overlap"},
        {"overlap out of order",
         {Bytes(0x10000010, {1}), Bytes(0x1000000C, {1, 2, 3, 4, 5})},
         "overlap"},
        {"null page", {Bytes(0x00000000, {1})}, "null-pointer"},
        {"below 64 KiB", {Bytes(0x0000FFFF, {1})}, "null-pointer"},
        {"wraps past 4 GiB", {Bytes(0xFFFFFFFE, {1, 2, 3})}, "4 GiB"},
        {"empty region", {Bytes(0x10000000, {})}, "empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_EQ(nullptr, DebuggeeProcess::Start(c.regions, &error));
        EXPECT_NE(std::string::npos, error.find(c.messagePart)) << error;
        EXPECT_EQ(orvel::sim::ValidateRegions(c.regions).empty(), false);
    }
}

TEST(DebuggeeLifetime, MissingHelperIsReported) {
    std::string error;
#if ORVEL_WINDOWS
    SetEnvironmentVariableA("ORVEL_DEBUGGEE", "Z:\\no\\such\\orvel-debuggee.exe");
#else
    const char* previous = std::getenv("ORVEL_DEBUGGEE");
    const std::string saved = previous ? previous : "";
    setenv("ORVEL_DEBUGGEE", "/no/such/orvel-debuggee", 1);
#endif
    EXPECT_EQ(nullptr, DebuggeeProcess::Start({Bytes(0x10000000, {1})}, &error));
    EXPECT_NE(std::string::npos, error.find("ORVEL_DEBUGGEE")) << error;
#if ORVEL_WINDOWS
    SetEnvironmentVariableA("ORVEL_DEBUGGEE", nullptr);
#else
    if (previous)
        setenv("ORVEL_DEBUGGEE", saved.c_str(), 1);
    else
        unsetenv("ORVEL_DEBUGGEE");
#endif
}

TEST(MemoryImageSpans, RegionsShareUnitsAndMerge) {
    const struct {
        const char* name;
        std::vector<Region> regions;
        uint64_t granularity;
        std::vector<std::pair<uint64_t, uint64_t>> spans;
    } cases[] = {
        {"one byte", {Bytes(0x10000010, {1})}, 0x1000, {{0x10000000, 0x10001000}}},
        {"page crossing", {Filled(0x10000FFF, 2, 0)}, 0x1000, {{0x10000000, 0x10002000}}},
        {"same page",
         {Bytes(0x10000000, {1}), Bytes(0x10000800, {1})},
         0x1000,
         {{0x10000000, 0x10001000}}},
        {"adjacent pages merge",
         {Bytes(0x10001000, {1}), Bytes(0x10000000, {1})},
         0x1000,
         {{0x10000000, 0x10002000}}},
        {"apart",
         {Bytes(0x10000000, {1}), Bytes(0x10003000, {1})},
         0x1000,
         {{0x10000000, 0x10001000}, {0x10003000, 0x10004000}}},
        {"same 64 KiB unit",
         {Bytes(0x10000000, {1}), Bytes(0x10003000, {1})},
         0x10000,
         {{0x10000000, 0x10010000}}},
        {"last page", {Bytes(0xFFFFFFFF, {1})}, 0x1000, {{0xFFFFF000, 0x100000000}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::pair<uint64_t, uint64_t>> spans;
        for (const MappingSpan& span : orvel::sim::MappingSpans(c.regions, c.granularity))
            spans.emplace_back(span.begin, span.end);
        EXPECT_EQ(c.spans, spans);
    }
}

// The image travels through a pipe; a short or lying stream must not be trusted.
TEST(MemoryImageWire, ParsesWhatIsSerializedAndRefusesDamage) {
    const std::vector<Region> regions = SampleImage();
    const std::vector<uint8_t> wire = orvel::sim::SerializeImage(regions);
    auto parse = [](const std::vector<uint8_t>& bytes, std::vector<Region>* out,
                    std::string* error) {
        size_t at = 0;
        return orvel::sim::ParseImage(
            [&](void* buffer, size_t size) {
                if (bytes.size() - at < size) return false;
                std::memcpy(buffer, bytes.data() + at, size);
                at += size;
                return true;
            },
            out, error);
    };
    std::vector<Region> parsed;
    std::string error;
    ASSERT_TRUE(parse(wire, &parsed, &error)) << error;
    ASSERT_EQ(regions.size(), parsed.size());
    for (size_t i = 0; i < regions.size(); ++i) {
        EXPECT_EQ(regions[i].address, parsed[i].address);
        EXPECT_EQ(regions[i].bytes, parsed[i].bytes);
    }

    std::vector<uint8_t> hugeCount = {'O', 'R', 'V', 'I', 0xFF, 0xFF, 0xFF, 0x7F};
    std::vector<uint8_t> hugeRegion = {'O', 'R', 'V', 'I',  1,    0,    0,    0,
                                       0,   0,   0,   0x10, 0xFF, 0xFF, 0xFF, 0xFF};
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } damaged[] = {
        {"empty", {}},
        {"wrong magic", {'O', 'R', 'V', 'X', 0, 0, 0, 0}},
        {"cut in the count", {'O', 'R', 'V', 'I', 1, 0}},
        {"cut in the bytes", std::vector<uint8_t>(wire.begin(), wire.end() - 1)},
        {"too many regions", hugeCount},
        {"region larger than allowed", hugeRegion},
    };
    for (const auto& c : damaged) {
        SCOPED_TRACE(c.name);
        error.clear();
        EXPECT_FALSE(parse(c.bytes, &parsed, &error));
        EXPECT_FALSE(error.empty());
    }
}

} // namespace

// The module-wide debug-information cache: keys, address entries, global names, the
// process handle and clearing.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "debuginfo/DebugInfoCache.h"
#include "platform/ProcessMemory.h"

#if ORVEL_WINDOWS
#include <process.h>
#define ORVEL_GETPID _getpid
#else
#include <unistd.h>
#define ORVEL_GETPID getpid
#endif

namespace {

class Cache : public ::testing::Test {
protected:
    void SetUp() override { CacheClear(); }
    void TearDown() override { CacheClear(); }
};

struct BucketCase {
    const char* name;
    CacheTypes type;
    unsigned bucket;
};

// The bucket numbers are fixed by the hash: the type's value plus each byte upper-cased
// and taken as a signed number.
TEST_F(Cache, BucketOfKeyFollowsTheHash) {
    const BucketCase cases[] = {
        {"", CacheAddress, 0},
        {"", CacheDebugInfo, 1},
        {"A", CacheAddress, 65},
        {"a", CacheAddress, 65},
        {"a", CacheDebugInfo, 66},
        {"ABC", CacheAddress, 198},
        {"abc", CacheDebugInfo, 199},
        {"zz", CacheAddress, 180},
        {"{", CacheAddress, 123},    // just past 'z': not upper-cased
        {"\xE9", CacheAddress, 489}, // -23 & 0x1FF
        {"\xE9\xE9", CacheAddress, 466},
        {"module geometry_and_more_stuff", CacheAddress, 2301 & 0x1FF},
    };
    for (const BucketCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.bucket, CacheBucketOf(c.name, c.type));
    }
}

struct LookupCase {
    const char* stored;
    CacheTypes storedType;
    const char* asked;
    CacheTypes askedType;
    bool found;
};

TEST_F(Cache, LookupIgnoresAsciiCaseAndKeepsTypesApart) {
    const LookupCase cases[] = {
        {"ABC", CacheDebugInfo, "abc", CacheDebugInfo, true},
        {"abc", CacheDebugInfo, "ABC", CacheDebugInfo, true},
        {"MixEd_1", CacheAddress, "mIXeD_1", CacheAddress, true},
        {"ABC", CacheDebugInfo, "ABC", CacheAddress, false},
        {"ABC", CacheAddress, "abc", CacheDebugInfo, false},
        {"ABC", CacheDebugInfo, "ABCD", CacheDebugInfo, false},
        {"ABCD", CacheDebugInfo, "ABC", CacheDebugInfo, false},
        // Only A to Z fold: these bytes differ by 0x20 but are not letters.
        {"\xC9", CacheDebugInfo, "\xE9", CacheDebugInfo, false},
        {"[", CacheDebugInfo, "{", CacheDebugInfo, false},
        {"/BLK/14", CacheDebugInfo, "/blk/14", CacheDebugInfo, true},
    };
    for (const LookupCase& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " / " + c.asked);
        CacheClear();
        if (c.storedType == CacheAddress)
            CacheAddAddress(c.stored, 0x1234);
        else
            ASSERT_NE(nullptr, CacheAddDebugInfo(c.stored, "xy", 2));
        CacheEntryRef entry = CacheLookup(c.asked, c.askedType);
        EXPECT_EQ(c.found, entry != nullptr);
        if (entry) {
            EXPECT_EQ(c.stored, entry->Name);
        }
    }
}

TEST_F(Cache, DebugInfoEntryHoldsItsOwnCopy) {
    std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
    CacheEntryRef added = CacheAddDebugInfo("M", bytes.data(), 5);
    ASSERT_NE(nullptr, added);
    bytes.assign(5, 0xEE);
    CacheEntryRef entry = CacheLookup("m", CacheDebugInfo);
    ASSERT_EQ(added, entry);
    EXPECT_EQ(CacheDebugInfo, entry->Type);
    EXPECT_EQ(5u, entry->Value);
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 5}), entry->Data);
}

TEST_F(Cache, FirstAddressOfANameStays) {
    EXPECT_EQ(0u, CacheLookupAddress("NEVER"));
    CacheAddAddress("X", 0x1000);
    CacheAddAddress("x", 0x2000);
    CacheAddAddress("X", 0);
    EXPECT_EQ(0x1000u, CacheLookupAddress("X"));
    EXPECT_EQ(0x1000u, CacheLookupAddress("x"));
    // An address entry does not answer for debug information, nor the other way round.
    EXPECT_EQ(nullptr, CacheLookup("X", CacheDebugInfo));
    CacheAddDebugInfo("Y", "z", 1);
    EXPECT_EQ(0u, CacheLookupAddress("Y"));
    CacheAddAddress("Y", 0x3000);
    EXPECT_EQ(0x3000u, CacheLookupAddress("Y"));
}

TEST_F(Cache, AddressZeroIsStoredButReadsAsUnknown) {
    CacheAddAddress("Z", 0);
    ASSERT_NE(nullptr, CacheLookup("Z", CacheAddress));
    EXPECT_EQ(0u, CacheLookupAddress("Z"));
    CacheAddAddress("Z", 0x44);
    EXPECT_EQ(0u, CacheLookupAddress("Z"));
}

// Names that share a bucket (same letters in another order or case) and names in other
// buckets, looked up in an order that alternates between the last hit and chain walks.
TEST_F(Cache, LastHitAgreesWithTheChainWalk) {
    const char* const names[] = {"AB", "BA", "ab", "Ba", "XYZ", "ZYX", "Q", "/C/", "/c/1"};
    // Distinct names in one bucket: "AB" and "BA" hash alike, so do "ab" and "Ba", but
    // the latter two equal the former ones without regard to case and are not added.
    std::vector<std::string> added;
    DebuggeeAddress next = 0x100;
    for (const char* name : names) {
        if (CacheLookup(name, CacheAddress)) continue;
        CacheAddAddress(name, next);
        next += 0x100;
        added.push_back(name);
    }
    ASSERT_EQ(CacheBucketOf("AB", CacheAddress), CacheBucketOf("BA", CacheAddress));
    ASSERT_EQ((std::vector<std::string>{"AB", "BA", "XYZ", "ZYX", "Q", "/C/", "/c/1"}), added);

    const struct {
        const char* asked;
        DebuggeeAddress expected;
    } lookups[] = {
        {"AB", 0x100},  {"AB", 0x100},   {"ba", 0x200},  {"ab", 0x100}, {"BA", 0x200},
        {"zyx", 0x400}, {"XYZ", 0x300},  {"q", 0x500},   {"nope", 0},   {"q", 0x500},
        {"/c/", 0x600}, {"/C/1", 0x700}, {"/C/", 0x600}, {"Ab", 0x100},
    };
    for (const auto& l : lookups) {
        SCOPED_TRACE(l.asked);
        EXPECT_EQ(l.expected, CacheLookupAddress(l.asked));
        const CacheEntryRef entry = CacheLookup(l.asked, CacheAddress);
        EXPECT_EQ(l.expected != 0, entry != nullptr);
        // Asking for the other type right after a hit never gives the hit.
        EXPECT_EQ(nullptr, CacheLookup(l.asked, CacheDebugInfo));
    }
}

TEST_F(Cache, NewestEntryOfANameIsFoundFirst) {
    CacheAddDebugInfo("R", "1", 1);
    CacheAddDebugInfo("R", "22", 2);
    const CacheEntryRef entry = CacheLookup("r", CacheDebugInfo);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(2u, entry->Value);
}

// The full name the table gives, or "-" for none.
std::string NameByValue(uint32_t value) {
    char out[GlobalNameCapacity];
    return GlobalNameByValue(value, out, sizeof out) ? out : "-";
}
std::string NameByShortName(const char* name) {
    char out[GlobalNameCapacity];
    return GlobalNameByShortName(name, out, sizeof out) ? out : "-";
}

std::vector<GlobalInfoRecord> SampleGlobals() {
    return {
        {7, "GEOM!T~POINT", "POINT"},
        {9, "GEOM!T~LINE", "LINE"},
        {7, "OTHER!T~POINT", "POINT2"},
        {11, "SHAPES!LINE", "LINE"},
    };
}

TEST_F(Cache, GlobalNamesAreFoundInTableOrder) {
    EXPECT_EQ("-", NameByValue(7));
    SetGlobalInfoRecords(SampleGlobals());
    const struct {
        uint32_t value;
        const char* full;
    } byValue[] = {{7, "GEOM!T~POINT"}, {9, "GEOM!T~LINE"}, {11, "SHAPES!LINE"}, {8, "-"}};
    for (const auto& c : byValue) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(c.full, NameByValue(c.value));
    }
    const struct {
        const char* shortName;
        const char* full;
    } byShort[] = {{"POINT", "GEOM!T~POINT"},
                   {"point", "GEOM!T~POINT"},
                   {"Line", "GEOM!T~LINE"},
                   {"POINT2", "OTHER!T~POINT"},
                   {"POIN", "-"},
                   {"GEOM!T~POINT", "-"}};
    for (const auto& c : byShort) {
        SCOPED_TRACE(c.shortName);
        EXPECT_EQ(c.full, NameByShortName(c.shortName));
    }
    // A name longer than the caller's room is cut, still terminated.
    char small[5];
    EXPECT_TRUE(GlobalNameByValue(9, small, sizeof small));
    EXPECT_STREQ("GEOM", small);
}

HANDLE OpenOwnProcess() {
    return OpenProcess(PROCESS_VM_READ, FALSE, static_cast<DWORD>(ORVEL_GETPID()));
}

TEST_F(Cache, ClearForgetsEverythingAndClosesTheHandle) {
    CacheAddAddress("A", 0x10);
    CacheAddDebugInfo("B", "bb", 2);
    ASSERT_NE(nullptr, CacheLookup("B", CacheDebugInfo)); // becomes the last hit
    SetGlobalInfoRecords(SampleGlobals());
    SetGlobalInfoRead(true);
    SetStaticsRead(true);
    HANDLE process = OpenOwnProcess();
    ASSERT_NE(nullptr, process);
    SetDebuggeeProcessHandle(process);
    EXPECT_EQ(process, DebuggeeProcessHandle());

    CacheClear();

    EXPECT_EQ(nullptr, CacheLookup("A", CacheAddress));
    EXPECT_EQ(0u, CacheLookupAddress("A"));
    EXPECT_EQ(nullptr, CacheLookup("B", CacheDebugInfo));
    EXPECT_EQ("-", NameByValue(7));
    EXPECT_EQ("-", NameByShortName("POINT"));
    EXPECT_TRUE(GlobalInfoRecords().empty());
    EXPECT_FALSE(GlobalInfoRead());
    EXPECT_FALSE(StaticsRead());
    EXPECT_EQ(nullptr, DebuggeeProcessHandle());
    // Closed by the clear: a second close is refused.
    EXPECT_FALSE(CloseHandle(process));

    // The store works as before after a clear.
    CacheAddAddress("A", 0x20);
    EXPECT_EQ(0x20u, CacheLookupAddress("a"));
}

TEST_F(Cache, ReplacedProcessHandleIsClosed) {
    HANDLE first = OpenOwnProcess();
    HANDLE second = OpenOwnProcess();
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    SetDebuggeeProcessHandle(first);
    SetDebuggeeProcessHandle(first); // the same handle again stays open
    SetDebuggeeProcessHandle(second);
    EXPECT_EQ(second, DebuggeeProcessHandle());
    EXPECT_FALSE(CloseHandle(first));
    SetDebuggeeProcessHandle(nullptr);
    EXPECT_FALSE(CloseHandle(second));
}

} // namespace

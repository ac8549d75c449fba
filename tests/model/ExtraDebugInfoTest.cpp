// The record reader on hand-written blobs: name decoding, module variables, bounds,
// sections and their padding, malformed records, COMMON descent, counting and finding.
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/LiveObjectCheck.h"
#include "RecordTestSupport.h"
#include "debuginfo/DebugInfoAcquisition.h"
#include "model/ContextDebugInfo.h"
#include "model/LiveCounts.h"
#include "model/ModelAssert.h"
#include "platform/ProcessMemory.h"
#include "platform/TraceSink.h"
#include "simhost/debuggee/DebuggeeProcess.h"

namespace {

using namespace orvel::test;

class Records : public ::testing::Test {
protected:
    void SetUp() override {
        CacheClear();
        m_live.Take();
        m_cxt = NewContext(&m_binder);
    }
    void TearDown() override {
        m_cxt = nullptr;
        CacheClear();
        m_live.ExpectNoneLeft();
    }

    CountingBinder m_binder;
    ContextPtr m_cxt; // made in SetUp, so that it is counted as the test's own
    orvel::test::LiveObjectCheck m_live;
};

// One record read at the start of the blob with the low-level reader.
bool ReadFirst(const Blob& blob, ExpressionContext* cxt, ExtraInfo& ex,
               const char* lookingFor = nullptr) {
    InfoPtr info = NewInfo(blob, cxt);
    const char* cursor = info->Data;
    int32_t left = info->Length;
    return info->Next(&cursor, left, ex, lookingFor, false);
}

struct NameCase {
    const char* raw;
    uint32_t flags;
    const char* name;
    const char* fullName;
    int32_t offset;
    bool mangled;
    bool hidden;
};

TEST_F(Records, NamesAreDecoded) {
    const NameCase cases[] = {
        {"{OUTER,+8}X", RecDecorated, "X", "OUTER", 8, true, false},
        {"{OUTER}X", RecDecorated, "X", "OUTER", 0, true, false},
        {"[OUTER,+12}Y", RecDecoratedToo, "Y", "OUTER", 12, true, false},
        {"{A,B}C", RecDecorated, "C", "A,B", 0, true, false},
        {"{A,+}B", RecDecorated, "B", "A", 0, true, false},
        // A ",+" after the '}' belongs to the member name.
        {"{A}B,+3", RecDecorated, "B,+3", "A", 0, true, false},
        {"}X", RecDecorated, "X", "", 0, true, false},
        {"{A}(T)", RecDecorated, "(T)", "A", 0, true, true},
        {"{OUTER}X", RecLocal, "{OUTER}X", "{OUTER}X", 0, false, false},
        {"Z", RecDecorated, "Z", "Z", 0, false, false},
        {"DIM_of_X", RecOfPrefix, "X", "DIM_of_X", 0, false, false},
        {"A_of_B_of_C", RecOfPrefix, "B_of_C", "A_of_B_of_C", 0, false, false},
        {"NOPREFIX", RecOfPrefix, "NOPREFIX", "NOPREFIX", 0, false, false},
        {"DIM_of_X", RecLocal, "DIM_of_X", "DIM_of_X", 0, false, false},
        {"(R1)", RecLocal, "(R1)", "(R1)", 0, false, true},
        {"_length_of_S_", RecArgument, "_length_of_S_", "_length_of_S_", 0, false, true},
        {"_LENGTH_OF_S_", RecArgument, "_LENGTH_OF_S_", "_LENGTH_OF_S_", 0, false, true},
        {"_length_of_S_", RecLocal, "_length_of_S_", "_length_of_S_", 0, false, false},
        {"_length_of", RecArgument, "_length_of", "_length_of", 0, false, false},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.raw);
        ExtraInfo ex;
        ASSERT_TRUE(ReadFirst(Blob().Record(c.raw, c.flags, KindInteger4, 0, 4), m_cxt.get(), ex));
        EXPECT_STREQ(c.name, ex.Name);
        EXPECT_STREQ(c.fullName, ex.FullName);
        EXPECT_EQ(c.offset, ex.Offset);
        EXPECT_EQ(c.mangled, ex.IsMangled != 0);
        EXPECT_EQ(c.hidden, ex.IsToBeHidden != 0);
    }
}

TEST_F(Records, LongTextsAreCutAtTheirFieldSizeAndTheWalkGoesOn) {
    const std::string longName(300, 'N');
    const std::string longType(200, 'T');
    Blob blob;
    blob.Record(longName, RecLocal, KindInteger4, 0, 4);
    blob.Record("P", RecLocal, KindStructure, 0, 12)
        .Word(0xFFFFFC09)
        .Word(0)
        .Text(longType)
        .Pad(3); // 201 bytes with the NUL, padded to 204
    blob.Record("LAST", RecLocal, KindInteger4, 0, 4);
    InfoPtr info = NewInfo(blob, m_cxt.get());
    const std::vector<ExtraInfo> records = Walk(*info, true, true);
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ(longName.substr(0, 255), records[0].Name);
    EXPECT_EQ(longName.substr(0, 255), records[0].FullName);
    EXPECT_EQ(longType.substr(0, 127), records[1].ExtraTypeInfo);
    EXPECT_STREQ("LAST", records[2].Name);
}

// The padding after a type name and after a constant's bytes, for every remainder.
TEST_F(Records, SectionsArePaddedToWholeWords) {
    for (int length = 0; length <= 8; ++length) {
        SCOPED_TRACE(length);
        const std::string typeName(static_cast<size_t>(length), 'K');
        const std::vector<uint8_t> value(static_cast<size_t>(length), 0x5A);
        Blob blob;
        blob.Record("S", RecLocal, KindStructure, 0, 4)
            .Word(0xFFFFFC09)
            .Word(0x12345678)
            .Text(typeName)
            .Pad(static_cast<size_t>((4 - (length + 1) % 4) % 4));
        const int32_t constAt = blob.Size() + 18 + 4; // after "C", four words, the length
        blob.Record("C", RecConst, KindString, 0, static_cast<uint32_t>(length))
            .Word(static_cast<uint32_t>(length))
            .Bytes(value)
            .Pad(static_cast<size_t>((4 - length % 4) % 4));
        blob.Record("END", RecLocal, KindInteger4, 0, 4);

        InfoPtr info = NewInfo(blob, m_cxt.get());
        const std::vector<ExtraInfo> records = Walk(*info, true, true);
        ASSERT_EQ((std::vector<std::string>{"S", "C", "END"}), Names(records));
        EXPECT_EQ(typeName, records[0].ExtraTypeInfo);
        EXPECT_EQ(length, records[1].ConstLength);
        EXPECT_EQ(static_cast<DebuggeeAddress>(constAt), records[1].Address);
        EXPECT_EQ(reinterpret_cast<const uint8_t*>(info->Data) + constAt, records[1].ConstValue);
        EXPECT_EQ(value,
                  std::vector<uint8_t>(records[1].ConstValue, records[1].ConstValue + length));
    }
}

TEST_F(Records, KindCodesMapToKinds) {
    const ElementType kinds[] = {
        integer_1, logical_1,   integer_2, logical_2,  integer_4,  logical_4,   void_0,
        void_0,    void_0,      object_4,  real_4,     real_8,     real_10,     void_0,
        structure, enumeration, pointer_4, array,      void_0,     reference_4, void_0,
        void_0,    void_0,      complex_8, complex_16, complex_20, string,      void_0,
        string,    array,       void_0,
    };
    Blob blob;
    for (uint32_t code = 0; code < std::size(kinds); ++code) {
        blob.Record("K" + std::to_string(code), RecLocal, code, 0, 4);
        if (kinds[code] == structure) blob.Word(7); // its type number
    }
    blob.Record("BIG", RecLocal, 0xFFFFFFFF, 0, 4);
    InfoPtr info = NewInfo(blob, m_cxt.get());
    const std::vector<ExtraInfo> records = Walk(*info, true, true);
    ASSERT_EQ(std::size(kinds) + 1, records.size());
    for (size_t code = 0; code < std::size(kinds); ++code)
        EXPECT_EQ(kinds[code], records[code].Type) << "code " << code;
    EXPECT_EQ(void_0, records.back().Type);
}

struct BoundCase {
    uint32_t bits;
    std::vector<int32_t> expected; // Base, Size, Stride, BoundSizes, BoundOfset
};

// Items given as names take no look-up here (the context finds nothing) and read as 0;
// the rest are numbers, and the next record must still start in the right place.
TEST_F(Records, BoundItemsComeAsNamesOrNumbers) {
    const BoundCase cases[] = {
        {0x00, {1, 9, 1, 10, 4}}, {0x01, {0, 9, 1, 10, 4}}, {0x02, {1, 0, 1, 10, 4}},
        {0x04, {1, 9, 0, 10, 4}}, {0x08, {1, 9, 1, 10, 4}}, {0x10, {1, 9, 1, 10, 0}},
        {0x1F, {0, 0, 0, 1, 0}},  {0x0A, {1, 0, 1, 1, 4}},  {0xE0, {1, 9, 1, 10, 4}},
    };
    const uint32_t numbers[] = {1, 9, 1, 10, 4};
    for (const BoundCase& c : cases) {
        SCOPED_TRACE(c.bits);
        Blob blob;
        blob.Record("A", RecArray | RecLocal, KindInteger4, 0, 40).Word(1).Word(4).Word(c.bits);
        for (int j = 0; j < 5; ++j) {
            if (c.bits & (1u << j))
                blob.Text("NAME_" + std::to_string(j));
            else
                blob.Word(numbers[j]);
        }
        blob.Record("NEXT", RecLocal, KindInteger4, 0, 4);
        InfoPtr info = NewInfo(blob, m_cxt.get());
        const std::vector<ExtraInfo> records = Walk(*info, true, true);
        ASSERT_EQ((std::vector<std::string>{"A", "NEXT"}), Names(records));
        const ExtraInfo& a = records[0];
        EXPECT_EQ(1, a.Rank);
        EXPECT_EQ(4, a.ElemSize);
        EXPECT_EQ(c.bits, a.Bits[0]);
        EXPECT_EQ(c.expected, (std::vector<int32_t>{a.Base[0], a.DimSize[0], a.Stride[0],
                                                    a.BoundSizes[0], a.BoundOfset[0]}));
    }
}

TEST_F(Records, RankBeyondTheRecordsArraysEndsTheWalk) {
    const struct {
        uint32_t rank;
        bool read;
    } cases[] = {{7, true}, {8, false}, {0xFFFFFFFF, false}, {0x80000000, false}, {0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rank);
        Blob blob;
        blob.Record("A", RecArray | RecLocal, KindInteger4, 0, 4).Word(c.rank).Word(4);
        for (uint32_t d = 0; d < 7 && d < c.rank; ++d)
            blob.Word(0).Word(1).Word(1).Word(1).Word(0).Word(0);
        blob.Record("NEXT", RecLocal, KindInteger4, 0, 4);
        InfoPtr info = NewInfo(blob, m_cxt.get());
        const std::vector<std::string> names = Names(Walk(*info, true, true));
        if (c.read)
            EXPECT_EQ((std::vector<std::string>{"A", "NEXT"}), names);
        else
            EXPECT_TRUE(names.empty());
        EXPECT_EQ(c.read ? 2 : 0, NewInfo(blob, m_cxt.get())->Count(true));
    }
}

TEST_F(Records, RecordsThatClaimMoreBytesThanTheBlobHoldsEndTheWalk) {
    const struct {
        const char* what;
        Blob blob;
    } cases[] = {
        {"huge constant", Blob().Record("C", RecConst, KindString, 0, 4).Word(0x7FFFFFFF).Word(0)},
        {"negative constant",
         Blob().Record("C", RecConst, KindString, 0, 4).Word(0xFFFFFFF0).Word(0)},
        {"constant without its padding",
         Blob().Record("C", RecConst, KindString, 0, 5).Word(5).Bytes({1, 2, 3, 4, 5})},
        {"unterminated name", Blob().Bytes({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'})},
        {"unterminated bound name", Blob()
                                        .Record("A", RecArray | RecLocal, KindInteger4, 0, 4)
                                        .Word(1)
                                        .Word(4)
                                        .Word(0x01)
                                        .Bytes({'N', 'N', 'N'})},
        {"unterminated type name", Blob()
                                       .Record("P", RecLocal, KindStructure, 0, 4)
                                       .Word(0xFFFFFC09)
                                       .Word(0)
                                       .Bytes({'T', 'T', 'T', 'T', 'T', 'T'})},
        {"type name without its padding",
         Blob().Record("P", RecLocal, KindStructure, 0, 4).Word(0xFFFFFC09).Word(0).Text("TT")},
        {"missing type word", Blob().Record("P", RecLocal, KindStructure, 0, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Blob blob = Blob().Record("FIRST", RecLocal, KindInteger4, 0, 4).Append(c.blob);
        InfoPtr info = NewInfo(blob, m_cxt.get());
        EXPECT_EQ((std::vector<std::string>{"FIRST"}), Names(Walk(*info, true, true)));
        EXPECT_EQ(1, info->Count(true));
        ExtraInfo ex;
        EXPECT_FALSE(info->Find("C", ex));
    }
}

TEST_F(Records, FailedReadIsTraced) {
    Blob blob = Blob().Record("BAD", RecArray | RecLocal, KindInteger4, 0, 4).Word(8).Word(4);
    orvel::ScopedTraceCapture trace;
    InfoPtr info = NewInfo(blob, m_cxt.get());
    ExtraInfo ex;
    EXPECT_FALSE(info->Next(ex, true, true, nullptr));
    EXPECT_EQ((std::vector<std::string>{"Orvel EE: ", "**** Error BAD", "\n"}), trace.Lines());
}

TEST_F(Records, EndOfBlobIsNotAnError) {
    Blob blob = Blob().Record("I", RecLocal, KindInteger4, 0, 4).Bytes({0, 0, 0, 0, 0});
    orvel::ScopedTraceCapture trace;
    InfoPtr info = NewInfo(blob, m_cxt.get());
    EXPECT_EQ((std::vector<std::string>{"I"}), Names(Walk(*info, true, true)));
    EXPECT_TRUE(trace.Lines().empty());
}

// --- Module variables ----------------------------------------------------------------

TEST_F(Records, ModuleVariableTakesItsModulesBase) {
    CacheAddAddress("MODULE MOD", 0x20000000);
    ExtraInfo ex;
    ASSERT_TRUE(
        ReadFirst(Blob().Record("MOD!X", RecModule, KindInteger4, 0x10, 4), m_cxt.get(), ex));
    EXPECT_STREQ("X", ex.Name);
    EXPECT_STREQ("MOD!X", ex.FullName);
    EXPECT_TRUE(ex.IsStatic);
    EXPECT_TRUE(ex.AddressKnown);
    EXPECT_EQ(0x20000010u, ex.Address);
    EXPECT_EQ(0x20000000u, ex.ModuleBase);

    // The address word replaces the address the module gave.
    ASSERT_TRUE(ReadFirst(Blob().Record("MOD!Y", RecModule | RecAddress, KindInteger4, 0x30, 4),
                          m_cxt.get(), ex));
    EXPECT_STREQ("Y", ex.Name);
    EXPECT_TRUE(ex.AddressKnown);
    EXPECT_EQ(0x30u, ex.Address);
}

TEST_F(Records, ModuleVariableOfAnUnknownModuleHasNoAddress) {
    CacheAddAddress("MODULE MOD", 0x20000000);
    Blob blob;
    blob.Record("MOD!X", RecModule, KindInteger4, 0x10, 4);
    blob.Record("NOPE!Y", RecModule, KindInteger4, 0x20, 4);
    blob.Record("Z", RecLocal, KindInteger4, 0, 4);
    InfoPtr info = NewInfo(blob, m_cxt.get());
    const std::vector<ExtraInfo> records = Walk(*info, true, true);
    ASSERT_EQ((std::vector<std::string>{"X", "Y", "Z"}), Names(records));
    EXPECT_EQ(0x20000000u, records[0].ModuleBase);
    EXPECT_FALSE(records[1].AddressKnown);
    EXPECT_EQ(0u, records[1].Address);
    EXPECT_EQ(0u, records[1].ModuleBase);
    EXPECT_TRUE(records[1].IsStatic);
    EXPECT_EQ(0xFFFFFFFFu, CacheLookupAddress("MODULE NOPE"));
}

TEST_F(Records, ModuleBaseIsKeptForTheFollowingRecords) {
    CacheAddAddress("MODULE MOD", 0x20000000);
    Blob blob;
    blob.Record("MOD!X", RecModule, KindInteger4, 0x10, 4);
    blob.Record("L", RecLocal, KindInteger4, 0, 4);
    InfoPtr info = NewInfo(blob, m_cxt.get());
    const std::vector<ExtraInfo> records = Walk(*info, true, true);
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(0x20000000u, records[1].ModuleBase);
    EXPECT_FALSE(records[1].AddressKnown);
}

TEST_F(Records, ModuleVariableIsResolvedOnlyForTheNameLookedFor) {
    const Blob blob = Blob().Record("MOD!X", RecModule, KindInteger4, 0x10, 4);
    ExtraInfo ex;
    ASSERT_TRUE(ReadFirst(blob, m_cxt.get(), ex, "OTHER"));
    EXPECT_STREQ("MOD!X", ex.Name);
    EXPECT_FALSE(ex.AddressKnown);
    // The module was not even asked for.
    EXPECT_EQ(nullptr, CacheLookup("MODULE MOD", CacheAddress));

    CacheAddAddress("MODULE MOD", 0x20000000);
    ASSERT_TRUE(ReadFirst(blob, m_cxt.get(), ex, "x"));
    EXPECT_STREQ("X", ex.Name);
    EXPECT_EQ(0x20000010u, ex.Address);
    InfoPtr info = NewInfo(blob, m_cxt.get());
    ASSERT_TRUE(info->Find("X", ex));
    EXPECT_EQ(0x20000010u, ex.Address);
}

// Bounds stored relative to the module: the word at the module's base plus the number.
TEST_F(Records, ModuleRelativeBoundsAreReadFromTheDebuggee) {
    std::string error;
    auto debuggee = orvel::sim::DebuggeeProcess::Start(
        {{0x20000000, {0x11, 0, 0, 0, 0x05, 0, 0, 0, 0x0C, 0, 0, 0}}}, &error);
    ASSERT_NE(nullptr, debuggee) << error;
    SetDebuggeeProcessHandle(OpenProcess(PROCESS_VM_READ, FALSE, debuggee->Pid()));
    ASSERT_NE(nullptr, DebuggeeProcessHandle());
    CacheAddAddress("MODULE MOD", 0x20000000);

    Blob blob;
    // No module base yet: the number is taken as it is.
    blob.Record("FIRST", RecArray | RecLocal, KindInteger4, 0, 4).Word(1).Word(4).Word(0);
    blob.Word(0x80000004).Word(0x80000008).Word(1).Word(0).Word(0);
    blob.Record("MOD!X", RecModule, KindInteger4, 0, 4);
    // The module base found for X serves this record too.
    blob.Record("LATER", RecArray | RecLocal, KindInteger4, 0, 4).Word(1).Word(4).Word(0);
    blob.Word(0x80000004).Word(0x80000008).Word(0x81000000).Word(0).Word(0x800000F0);
    InfoPtr info = NewInfo(blob, m_cxt.get());
    const std::vector<ExtraInfo> records = Walk(*info, true, true);
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ(static_cast<int32_t>(0x80000004), records[0].Base[0]);
    EXPECT_EQ(static_cast<int32_t>(0x80000008), records[0].DimSize[0]);
    const ExtraInfo& later = records[2];
    EXPECT_EQ(5, later.Base[0]);
    EXPECT_EQ(12, later.DimSize[0]);
    EXPECT_EQ(static_cast<int32_t>(0x81000000), later.Stride[0]);
    EXPECT_EQ(13, later.BoundSizes[0]);
    EXPECT_EQ(0, later.BoundOfset[0]); // outside the image
}

// --- Names a search wants ------------------------------------------------------------

TEST_F(Records, TypeNumbersAreNamedOnlyForWantedRecords) {
    SetGlobalInfoRecords({{7, "GEOM!T~POINT", "POINT"}});
    const Blob blob = Blob().Record("Q", RecLocal, KindStructure, 0, 12).Word(7);
    const struct {
        const char* lookingFor;
        bool binder;
        const char* typeInfo;
    } cases[] = {
        {nullptr, false, "GEOM!T~POINT"},
        {nullptr, true, "GEOM!T~POINT"},
        {"q", true, "GEOM!T~POINT"},
        {"Q", false, ""},
        {"OTHER", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lookingFor ? c.lookingFor : "(none)");
        CountingBinder binder;
        ContextPtr cxt = NewContext(c.binder ? &binder : nullptr);
        ExtraInfo ex;
        ASSERT_TRUE(ReadFirst(blob, cxt.get(), ex, c.lookingFor));
        EXPECT_STREQ(c.typeInfo, ex.ExtraTypeInfo);
        EXPECT_STREQ("Q", ex.Name);
    }
}

// --- COMMON blocks ---------------------------------------------------------------------

// I; COMMON BLK (2 members); hidden TMP; J; COMMON WORK instance 3 (1 member);
// COMMON GONE (5 members, no member blob).
Blob RoutineWithCommons() {
    Blob blob;
    blob.Record("I", RecLocal, KindInteger4, 0, 4);
    blob.Record("BLK", RecCommon, 0, 2, 16);
    blob.Record("TMP", RecLocal | RecHidden, KindInteger4, 0, 4);
    blob.Record("J", RecLocal, KindInteger4, 0, 4);
    blob.Record("WORK", RecCommon, 3, 1, 8);
    blob.Record("GONE", RecCommon, 0, 5, 20);
    return blob;
}

void CacheMemberBlobs() {
    Blob blk;
    blk.Record("A", RecStatic | RecAddress, KindInteger4, 0, 4);
    blk.Record("B", RecStatic | RecAddress, KindReal8, 8, 8);
    blk.Record("H", RecStatic | RecAddress | RecHidden, KindInteger4, 12, 4);
    blk.Record("/M/", RecStatic | RecAddress, KindInteger4, 16, 4);
    CacheAddDebugInfo("/BLK/", blk.Get().data(), static_cast<uint32_t>(blk.Size()));
    Blob work = Blob().Record("W", RecStatic | RecAddress, KindInteger4, 4, 4);
    CacheAddDebugInfo("/WORK/3", work.Get().data(), static_cast<uint32_t>(work.Size()));
}

struct WalkCase {
    bool includeHidden;
    bool keepCommons;
    std::vector<std::string> names;
};

TEST_F(Records, WalkDescendsIntoCommonBlocks) {
    CacheMemberBlobs();
    CacheAddAddress("/BLK/", 0x1000);
    const WalkCase cases[] = {
        {false, false, {"I", "A", "B", "/M/", "J", "W"}},
        {true, false, {"I", "A", "B", "H", "/M/", "TMP", "J", "W"}},
        {false, true, {"I", "BLK", "J", "WORK", "GONE"}},
        {true, true, {"I", "BLK", "TMP", "J", "WORK", "GONE"}},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.includeHidden << c.keepCommons);
        InfoPtr info = NewInfo(RoutineWithCommons(), m_cxt.get());
        EXPECT_EQ(c.names, Names(Walk(*info, c.includeHidden, c.keepCommons)));
        // A second walk after Reset gives the same.
        EXPECT_EQ(c.names, Names(Walk(*info, c.includeHidden, c.keepCommons)));
    }
}

TEST_F(Records, CommonMembersGetTheBlocksBase) {
    CacheMemberBlobs();
    CacheAddAddress("/BLK/", 0x1000);
    InfoPtr info = NewInfo(RoutineWithCommons(), m_cxt.get());
    const std::vector<ExtraInfo> records = Walk(*info, true, false);
    ASSERT_EQ(8u, records.size());
    const struct {
        size_t index;
        DebuggeeAddress address;
    } expected[] = {{1, 0x1000}, {2, 0x1008}, {3, 0x100C}, {4, 0x1010}, {7, 4}};
    for (const auto& e : expected) {
        SCOPED_TRACE(records[e.index].Name);
        EXPECT_TRUE(records[e.index].AddressKnown);
        EXPECT_EQ(e.address, records[e.index].Address);
    }
    EXPECT_FALSE(records[0].AddressKnown);
    // WORK's base is unknown (no address entry, no variable): it stays 0 and nothing is
    // stored for it.
    EXPECT_EQ(nullptr, CacheLookup("/WORK/", CacheAddress));
}

TEST_F(Records, NumberedCommonInstanceFindsItsBaseUnderTheBlockName) {
    CacheMemberBlobs();
    CacheAddAddress("/WORK/", 0x2000);
    CacheAddAddress("/WORK/3", 0x9000);
    InfoPtr info = NewInfo(Blob().Record("WORK", RecCommon, 3, 1, 8), m_cxt.get());
    const std::vector<ExtraInfo> records = Walk(*info, false, false);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(0x2004u, records[0].Address);
}

TEST_F(Records, CommonBlockThatNamesItselfIsNotEnteredAgain) {
    Blob self;
    self.Record("SELF", RecCommon, 0, 2, 8);
    self.Record("X", RecStatic | RecAddress, KindInteger4, 4, 4);
    CacheAddDebugInfo("/SELF/", self.Get().data(), static_cast<uint32_t>(self.Size()));
    const Blob routine = Blob().Record("SELF", RecCommon, 0, 2, 8);
    InfoPtr info = NewInfo(routine, m_cxt.get());
    EXPECT_EQ((std::vector<std::string>{"X"}), Names(Walk(*info, true, false)));
    EXPECT_EQ(2, info->Count(true));
    ExtraInfo ex;
    EXPECT_TRUE(info->Find("X", ex));
    EXPECT_FALSE(info->Find("NOPE", ex));
}

struct CountCase {
    bool firstArgument;
    bool secondArgument;
    int32_t first;
    int32_t second;
};

TEST_F(Records, CountIsComputedOnce) {
    const CountCase cases[] = {
        {false, true, 10, 10},
        {true, false, 11, 11},
    };
    for (const CountCase& c : cases) {
        InfoPtr info = NewInfo(RoutineWithCommons(), m_cxt.get());
        EXPECT_EQ(c.first, info->Count(c.firstArgument));
        EXPECT_EQ(c.second, info->Count(c.secondArgument));
    }
}

TEST_F(Records, CountKeepsMemberCountsInRange) {
    const struct {
        const char* what;
        std::vector<uint32_t> memberCounts;
        int32_t count;
    } cases[] = {
        {"negative", {0xFFFFFFFF, 3}, 3},
        {"huge", {0x7FFFFFFF, 0x7FFFFFFF}, INT32_MAX},
        {"most negative", {0x80000000}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Blob blob;
        for (uint32_t members : c.memberCounts)
            blob.Record("C", RecCommon, 0, members, 4);
        EXPECT_EQ(c.count, NewInfo(blob, m_cxt.get())->Count(false));
    }
}

struct FindCase {
    const char* name;
    bool found;
    const char* foundName;
    DebuggeeAddress address;
};

TEST_F(Records, FindLooksThroughCommonsAndHiddenRecords) {
    CacheMemberBlobs();
    CacheAddAddress("/BLK/", 0x1000);
    const FindCase cases[] = {
        {"b", true, "B", 0x1008},
        {"H", true, "H", 0x100C},
        {"tmp", true, "TMP", 0},
        {"W", true, "W", 4},
        {"J", true, "J", 0},
        // A name beginning with '/' keeps the blocks closed.
        {"/M/", false, "", 0},
        {"NOPE", false, "", 0},
        {"", false, "", 0},
    };
    InfoPtr info = NewInfo(RoutineWithCommons(), m_cxt.get());
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExtraInfo ex;
        EXPECT_EQ(c.found, info->Find(c.name, ex));
        if (c.found) {
            EXPECT_STREQ(c.foundName, ex.Name);
            EXPECT_EQ(c.address, ex.Address);
        }
    }
    ExtraInfo ex;
    EXPECT_TRUE(info->Find(OLESTR("j"), ex));
    EXPECT_STREQ("J", ex.Name);
    EXPECT_FALSE(info->Find(static_cast<const char*>(nullptr), ex));
}

TEST_F(Records, FindDoesNotDisturbAWalkUnderWay) {
    CacheMemberBlobs();
    CacheAddAddress("/BLK/", 0x1000);
    InfoPtr info = NewInfo(RoutineWithCommons(), m_cxt.get());
    ExtraInfo ex;
    info->Reset();
    ASSERT_TRUE(info->Next(ex, false, false, nullptr));
    ASSERT_STREQ("I", ex.Name);
    ASSERT_TRUE(info->Next(ex, false, false, nullptr));
    ASSERT_STREQ("A", ex.Name);
    ExtraInfo found;
    EXPECT_TRUE(info->Find("W", found));
    EXPECT_TRUE(info->Find("I", found));
    std::vector<std::string> rest;
    while (info->Next(ex, false, false, nullptr))
        rest.push_back(ex.Name);
    EXPECT_EQ((std::vector<std::string>{"B", "/M/", "J", "W"}), rest);
}

// --- Where iterators come from, and what they hold -----------------------------------

TEST_F(Records, CachedDebugInfoGivesAnIteratorOverItsOwnCopy) {
    const Blob blob = Blob().Record("X", RecStatic, KindInteger4, 0, 4);
    EXPECT_EQ(nullptr, GetOurDebugInfo("/NONE/", m_cxt.get()));
    CacheAddDebugInfo("/X/", blob.Get().data(), static_cast<uint32_t>(blob.Size()));
    InfoPtr info = InfoPtr::Adopt(GetOurDebugInfo("/x/", m_cxt.get()));
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->OwnsData);
    CacheClear();
    EXPECT_EQ((std::vector<std::string>{"X"}), Names(Walk(*info, true, true)));
}

TEST_F(Records, IteratorNeedsAContext) {
    const int failures = orvel::ModelAssertFailures();
    const uint8_t bytes[] = {0, 0};
    EXPECT_EQ(nullptr, ExtraDebugInfo::Create(bytes, 2, nullptr, true));
    EXPECT_EQ(failures + 1, orvel::ModelAssertFailures());
    EXPECT_STREQ("Ctx", orvel::LastModelAssert());
    EXPECT_EQ(nullptr, ExtraDebugInfo::Create(bytes, -1, m_cxt.get(), true));
    EXPECT_EQ(nullptr, ExtraDebugInfo::Create(nullptr, 4, m_cxt.get(), true));
}

TEST_F(Records, IteratorHoldsItsContext) {
    CountingBinder binder;
    InfoPtr info;
    {
        ContextPtr cxt = NewContext(&binder);
        info = NewInfo(Blob().Record("I", RecLocal, KindInteger4, 0, 4), cxt.get());
    }
    EXPECT_EQ(2u, binder.Refs());
    EXPECT_EQ(1u, Walk(*info, true, true).size());
    info = nullptr;
    EXPECT_EQ(1u, binder.Refs());
}

// A context that holds records made over itself: the pair goes when the last outside
// reference does, whoever holds it.
TEST_F(Records, ContextAndItsOwnRecordsGoTogether) {
    CacheMemberBlobs();
    CacheAddAddress("/BLK/", 0x1000);
    for (int midWalk = 0; midWalk < 2; ++midWalk) {
        SCOPED_TRACE(midWalk);
        CountingBinder binder;
        ContextPtr cxt = NewContext(&binder);
        cxt->DebugInfo = NewInfo(RoutineWithCommons(), cxt.get());
        if (midWalk) {
            ExtraInfo ex;
            cxt->DebugInfo->Next(ex, false, false, nullptr);
            cxt->DebugInfo->Next(ex, false, false, nullptr); // inside BLK
            ASSERT_TRUE(cxt->DebugInfo->Members);
        }
        cxt = nullptr;
        EXPECT_EQ(1u, binder.Refs());
    }

    CountingBinder binder;
    ContextPtr cxt = NewContext(&binder);
    InfoPtr held = NewInfo(RoutineWithCommons(), cxt.get());
    cxt->DebugInfo = held;
    cxt = nullptr;
    EXPECT_EQ(2u, binder.Refs());
    EXPECT_EQ(5u, Walk(*held, false, true).size());
    held = nullptr;
    EXPECT_EQ(1u, binder.Refs());
}

TEST_F(Records, ContextGivesItsBinderToRecordsMadeWithoutOne) {
    CountingBinder binder;
    CountingBinder own;
    const Blob blob = Blob().Record("I", RecLocal, KindInteger4, 0, 4);
    const struct {
        CountingBinder* recordsBinder;
        IDebugBinder* expected;
    } cases[] = {{nullptr, &binder}, {&own, &own}};
    for (const auto& c : cases) {
        ContextPtr recordsCxt = NewContext(c.recordsBinder);
        InfoPtr info = NewInfo(blob, recordsCxt.get());
        ContextPtr cxt = ContextPtr::Adopt(
            ExpressionContext::Create(nullptr, &binder, info.get(), nullptr, nullptr));
        ASSERT_TRUE(cxt);
        EXPECT_EQ(info.get(), cxt->DebugInfo.get());
        EXPECT_EQ(c.expected, recordsCxt->Binder.get());
    }
}

// --- The diagnostic dump ---------------------------------------------------------------

std::string DumpOf(const ExtraInfo& ex, int size = 4096) {
    std::vector<char> buf(static_cast<size_t>(size), '#');
    ex.Dump(buf.data(), size);
    return buf.data();
}

ExtraInfo Local(const char* name, ElementType type, int32_t size) {
    ExtraInfo ex;
    std::snprintf(ex.Name, sizeof ex.Name, "%s", name);
    std::snprintf(ex.FullName, sizeof ex.FullName, "%s", name);
    ex.Type = type;
    ex.Size = size;
    ex.IsLocal = 1;
    return ex;
}

TEST(RecordDump, TextNamesEveryFieldSet) {
    ExtraInfo all = Local("ALL", real_8, 8);
    for (uint8_t* flag : {&all.AddressKnown, &all.IsAllocatable, &all.IsArgument, &all.IsArray,
                          &all.IsCommon, &all.IsConst, &all.IsMangled, &all.IsModule,
                          &all.IsPointer, &all.IsStatic, &all.IsTarget, &all.IsToBeHidden})
        *flag = 1;
    ExtraInfo typed = Local("P", structure, 12);
    std::snprintf(typed.FullName, sizeof typed.FullName, "OUTER");
    typed.Offset = -8;
    std::snprintf(typed.ExtraTypeInfo, sizeof typed.ExtraTypeInfo, "POINT");
    ExtraInfo array = Local("A", integer_4, 200);
    array.IsArray = 1;
    array.Rank = 2;
    array.ElemSize = 4;
    array.Bits[1] = 0x1F;
    array.Base[0] = 1;
    array.DimSize[0] = 9;
    array.Stride[0] = 1;
    array.BoundSizes[0] = 10;
    array.Base[1] = -2;
    array.DimSize[1] = 4;
    array.Stride[1] = 10;
    array.BoundSizes[1] = 5;
    array.BoundOfset[1] = 16;
    ExtraInfo unknown = Local("U", static_cast<ElementType>(99), 0);
    unknown.IsLocal = 0;
    ExtraInfo negative = Local("N", static_cast<ElementType>(-1), -4);
    negative.IsLocal = 0;

    const struct {
        const ExtraInfo* ex;
        const char* text;
    } cases[] = {
        {&all, "Name: ALL (ALL), Type: real_8, Size=8 AddressKnown IsAllocatable IsArgument "
               "IsArray IsCommon IsConst IsLocal IsMangled IsModule IsPointer IsStatic IsTarget "
               "IsToBeHidden "},
        {&typed, "Name: P (OUTER), Type: structure, Size=12 IsLocal Offset(-8) "
                 "ExtraTypeInfo(POINT) "},
        {&array, "Name: A (A), Type: integer_4, Size=200 IsArray IsLocal Rank: 2, ElemSize=4 "
                 "Bits[0]=0x00, Base[0]=1, Size[0]=9, Stride[0]=1, BoundSizes[0]=10, "
                 "BoundOfset[0]=0 | Bits[1]=0x1f, Base[1]=-2, Size[1]=4, Stride[1]=10, "
                 "BoundSizes[1]=5, BoundOfset[1]=16 | "},
        {&unknown, "Name: U (U), Type: unknown 99, Size=0 "},
        {&negative, "Name: N (N), Type: unknown -1, Size=-4 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ex->Name);
        EXPECT_EQ(c.text, DumpOf(*c.ex));
    }
}

TEST(RecordDump, TextStaysInsideItsBufferAndItsFields) {
    const ExtraInfo ex = Local("I", integer_4, 4);
    EXPECT_EQ("Name: I (", DumpOf(ex, 10));
    EXPECT_EQ("", DumpOf(ex, 1));

    ExtraInfo unterminated = Local("I", integer_4, 4);
    std::memset(unterminated.Name, 'N', sizeof unterminated.Name);
    std::memset(unterminated.ExtraTypeInfo, 'T', sizeof unterminated.ExtraTypeInfo);
    unterminated.Rank = 100;
    const std::string text = DumpOf(unterminated, 1 << 16);
    EXPECT_EQ(0u, text.find("Name: " + std::string(256, 'N') + " (I)"));
    EXPECT_NE(std::string::npos, text.find("ExtraTypeInfo(" + std::string(128, 'T') + ") "));
    EXPECT_NE(std::string::npos, text.find("Bits[6]"));
    EXPECT_EQ(std::string::npos, text.find("Bits[7]"));
}

} // namespace

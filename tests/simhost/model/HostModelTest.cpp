// The host model's own helpers: the memory image, name rules and look-ups.
#include <gtest/gtest.h>

#include "simhost/model/HostModel.h"

namespace orvel::sim {
namespace {

struct MemoryCase {
    const char* what;
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> writes;
    uint32_t readAt;
    size_t readSize;
    bool complete;
    std::vector<uint8_t> expected; // when complete
    size_t regions;
};

class MemoryImageTest : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(MemoryImageTest, WritesLandInOneImage) {
    const MemoryCase& c = GetParam();
    HostProgram p;
    for (const auto& [address, bytes] : c.writes)
        p.WriteMemory(address, bytes.data(), bytes.size());
    std::vector<uint8_t> out(c.readSize, 0xEE);
    EXPECT_EQ(p.ReadMemory(c.readAt, out.data(), out.size()), c.complete);
    if (c.complete) {
        EXPECT_EQ(out, c.expected);
    }
    EXPECT_EQ(p.memory.size(), c.regions);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoryImageTest,
    ::testing::Values(
        MemoryCase{"one", {{0x1000, {1, 2, 3, 4}}}, 0x1001, 2, true, {2, 3}, 1},
        MemoryCase{"overwrite_inside",
                   {{0x1000, {1, 2, 3, 4}}, {0x1001, {9}}},
                   0x1000,
                   4,
                   true,
                   {1, 9, 3, 4},
                   1},
        MemoryCase{"overlap_extends",
                   {{0x1000, {1, 2}}, {0x1001, {7, 8, 9}}},
                   0x1000,
                   4,
                   true,
                   {1, 7, 8, 9},
                   2},
        MemoryCase{"read_across_a_gap", {{0x1000, {1}}, {0x1002, {3}}}, 0x1000, 3, false, {}, 2},
        MemoryCase{"read_outside", {{0x1000, {1}}}, 0x2000, 1, false, {}, 1},
        MemoryCase{"nothing_written", {}, 0x1000, 0, true, {}, 0}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(HostModelTest, NamesCompareWithoutLetterCase) {
    EXPECT_TRUE(NamesEqual("Program.COUNTER", "program.counter"));
    EXPECT_FALSE(NamesEqual("COUNTER", "COUNTE"));
    EXPECT_FALSE(NamesEqual("A#1", "A#2"));
    NameLess less;
    EXPECT_FALSE(less("abc", "ABC"));
    EXPECT_FALSE(less("ABC", "abc"));
    EXPECT_TRUE(less("ab", "ABC"));
}

TEST(HostModelTest, OperationNamesRoundTrip) {
    for (int i = 0; i < static_cast<int>(HostOp::Count); ++i) {
        HostOp op = static_cast<HostOp>(i);
        ASSERT_NE(HostOpName(op), nullptr);
        EXPECT_EQ(HostOpFromName(HostOpName(op)), op);
    }
    EXPECT_EQ(HostOpFromName("getmemorycontext"), HostOp::GetMemoryContext);
    EXPECT_EQ(HostOpFromName("Evaluate"), HostOp::Count);
    EXPECT_EQ(HostOpName(HostOp::Count), nullptr);
}

TEST(HostModelTest, BuildersLinkFieldsAndNames) {
    HostProgram p;
    FieldId cls = p.AddClass("Outer.Inner");
    FieldId i4 = p.PrimitiveType("int", 4);
    EXPECT_EQ(p.PrimitiveType("int", 4), i4) << "made once";
    FieldId m = p.AddMethod(cls, "RUN");
    FieldId a = p.AddParameter(m, "A", i4);
    FieldId v = p.AddMember(cls, "V", i4, FIELD_MOD_STATIC);

    EXPECT_EQ(p.fields[cls].name, "Inner");
    EXPECT_EQ(p.fields[m].fullName, "Outer.Inner.RUN");
    EXPECT_EQ(p.fields[a].container, m);
    EXPECT_EQ(p.fields[a].size, 4u);
    EXPECT_EQ(p.fields[v].typeName, "int");
    EXPECT_EQ(p.FindClass("outer.inner"), cls);
    EXPECT_EQ(p.FindChild(m, "a"), a);
    EXPECT_EQ(p.FindChild(cls, "run"), m);
    EXPECT_EQ(p.FindMethods("OUTER.INNER.RUN"), std::vector<FieldId>{m});
    EXPECT_EQ(p.fields[m].thisClass, kNoField) << "methods are static unless told otherwise";
}

TEST(HostModelTest, InjectedFailuresPreferTheFullName) {
    HostProgram p;
    FieldId cls = p.AddClass("P");
    FieldId i4 = p.PrimitiveType("int", 4);
    FieldId a = p.AddMember(cls, "A", i4, FIELD_MOD_STATIC);
    FieldId b = p.AddMember(cls, "B", i4, FIELD_MOD_STATIC);
    p.failures = {{"a", HostOp::Bind, E_ACCESSDENIED}, {"p.a", HostOp::Bind, E_FAIL}};
    EXPECT_EQ(p.InjectedResult(a, HostOp::Bind), E_FAIL);
    EXPECT_EQ(p.InjectedResult(a, HostOp::GetValue), S_OK);
    EXPECT_EQ(p.InjectedResult(b, HostOp::Bind), S_OK);
}

} // namespace
} // namespace orvel::sim

// Elements made from the host's fields, with the routine's records.
#include <gtest/gtest.h>

#include "LookupTestSupport.h"
#include "ModelTestSupport.h"
#include "model/ExtraDebugInfo.h"
#include "model/ExtraInfo.h"

namespace orvel::test {
namespace {

std::string Text(BSTR b) {
    return b ? ToString(b, SysStringLen(b)) : "<null>";
}

TEST_F(LookupTest, KindsAndSizesComeFromTheRecords) {
    Start();
    struct Case {
        const char* name;
        ElementType type;
        ElementType subType;
        int32_t size;
        const char* typeName;
    } cases[] = {
        {"IT", integer_4, void_0, 4, "<null>"}, {"NAME", string, void_0, 8, "<null>"},
        {"P", structure, void_0, 8, "POINT"},   {"R", allocatable_4, real_8, 8, "<null>"},
        {"X", array, real_8, 8, "<null>"},
    };
    for (const Case& c : cases) {
        ComPtr<Element> e = Lookup(c.name);
        ASSERT_TRUE(e) << c.name;
        EXPECT_EQ(e->Error, 0) << c.name;
        EXPECT_EQ(e->GetType(), c.type) << c.name;
        EXPECT_EQ(e->SubType, c.subType) << c.name;
        EXPECT_EQ(e->GetSize(), c.size) << c.name;
        EXPECT_EQ(Text(e->TypeName), c.typeName) << c.name;
    }
    ComPtr<Element> x = Lookup("X");
    EXPECT_EQ(x->Array.Rank, 2);
    EXPECT_EQ(x->Array.Lower[1], 0);
    EXPECT_EQ(x->Array.Upper[1], 3);
    EXPECT_EQ(x->Array.Stride[1], 2);
    EXPECT_EQ(x->Array.ElementCount(), 8u);
}

TEST_F(LookupTest, PointersOfTheFrameAreFollowed) {
    Start();
    ComPtr<Element> nullPointer = Lookup("PX");
    ASSERT_TRUE(nullPointer);
    EXPECT_TRUE(nullPointer->HasFlag(AddressKnown));
    EXPECT_EQ(nullPointer->Address, 0u);
    EXPECT_EQ(nullPointer->GetType(), real_8);

    ComPtr<Element> associated = Lookup("PP");
    ASSERT_TRUE(associated);
    EXPECT_EQ(associated->Error, 0);
    EXPECT_TRUE(associated->HasFlag(AddressKnown));
    EXPECT_EQ(associated->GetType(), structure);
    EXPECT_EQ(associated->Address, AddressOfLocal("P"));
    EXPECT_NE(associated->Address, 0u);
}

TEST_F(LookupTest, AllocatableAtKnownAddressIsAnArrayWithSuffix) {
    Start();
    ComPtr<Element> pointer = Lookup("PX");
    ExtraInfo ex;
    std::strcpy(ex.Name, "PX");
    std::strcpy(ex.FullName, "PX");
    ex.Type = real_8;
    ex.Size = 8;
    ex.IsAllocatable = 1;
    ex.IsLocal = 1;
    ComPtr<Element> e = ComPtr<Element>::Adopt(
        new Element(pointer->Field.get(), m_cxt.get(), nullptr, nullptr, &ex));
    EXPECT_EQ(e->GetType(), array);
    EXPECT_EQ(e->SubType, real_8);
    EXPECT_EQ(Text(e->DeclSuffix), ", :: ALLOCATABLE");
}

TEST_F(LookupTest, FieldWithoutRecordHasUnknownKind) {
    Start();
    ComPtr<Element> e = Lookup("GLOBALONLY");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Error, ErrUnknownKind);
    EXPECT_EQ(e->GetType(), void_0);
    EXPECT_NE(Text(e->RawTypeName), "<null>");
    EXPECT_EQ(PrintOf(*e), "UNKNOWN");
}

TEST_F(LookupTest, InjectedHostFailuresLeaveErrors) {
    Start(R"({"failures": [{"field": "N", "op": "GetType", "hresult": "0x80004005"},
                          {"field": "PP", "op": "Bind", "hresult": "0x80004005"}]})");
    struct Case {
        const char* name;
        int32_t error;
    } cases[] = {{"N", ErrBindFailure}, {"PP", ErrBindFailure}, {"IT", 0}};
    for (const Case& c : cases) {
        ComPtr<Element> e = Lookup(c.name);
        ASSERT_TRUE(e) << c.name;
        EXPECT_EQ(e->Error, c.error) << c.name;
    }
}

TEST_F(LookupTest, RoutineRecordsGiveChildren) {
    Start();
    ComPtr<Element> routine = Routine();
    ASSERT_TRUE(routine->ChildCxt && routine->ChildCxt->DebugInfo);
    ExtraInfo ex;
    ASSERT_TRUE(routine->ChildCxt->DebugInfo->Find("NAME", ex));
    ComPtr<Element> name = ComPtr<Element>::Adopt(routine->GetElement(ex));
    EXPECT_EQ(name->GetType(), string);
    EXPECT_TRUE(name->Field) << "a local's record finds its host field";
    EXPECT_TRUE(name->HasFlag(OnFrame));

    ASSERT_TRUE(routine->ChildCxt->DebugInfo->Find("NPTS", ex));
    ComPtr<Element> npts = ComPtr<Element>::Adopt(routine->GetElement(ex));
    EXPECT_EQ(npts->GetType(), integer_4);
    EXPECT_TRUE(npts->HasFlag(AddressKnown));
    EXPECT_NE(npts->Address, 0u);
    EXPECT_EQ(npts->Error, 0);
}

TEST_F(LookupTest, ModuleThatCannotBeFoundLeavesVariableUnlocated) {
    Start(R"({"omit": ["MODULE GEOM"]})");
    ComPtr<Element> routine = Routine();
    ExtraInfo ex;
    ASSERT_TRUE(routine->ChildCxt->DebugInfo->Find("NPTS", ex));
    ComPtr<Element> npts = ComPtr<Element>::Adopt(routine->GetElement(ex));
    EXPECT_FALSE(npts->HasFlag(AddressKnown));
    EXPECT_EQ(npts->Error, ErrNotLocated);
    EXPECT_EQ(PrintOf(*npts), "Variable could not be located.");
}

} // namespace
} // namespace orvel::test

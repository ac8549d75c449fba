// Elements made from debug-information records, without a host.
#include <gtest/gtest.h>

#include <cstring>

#include "ModelTestSupport.h"
#include "model/ExtraInfo.h"

namespace orvel::test {
namespace {

ElementPtr FromRecord(ExtraInfo& ex) {
    return ElementPtr::Adopt(new Element(ex, nullptr));
}

ExtraInfo Record(const char* name, ElementType type, int32_t size) {
    ExtraInfo ex;
    std::strcpy(ex.Name, name);
    std::strcpy(ex.FullName, name);
    ex.Type = type;
    ex.Size = size;
    return ex;
}

TEST(ElementFromRecord, ConstantsKeepTheirBytes) {
    const char shortText[] = "HELLO";
    char longText[29];
    std::memset(longText, 'x', sizeof longText);
    struct Case {
        const char* bytes;
        int32_t length;
        bool big;
    } cases[] = {{shortText, 5, false}, {longText, 20, false}, {longText, 29, true}};
    for (const Case& c : cases) {
        ExtraInfo ex = Record("C", string, 99);
        ex.IsConst = 1;
        ex.ConstLength = c.length;
        ex.ConstValue = reinterpret_cast<const uint8_t*>(c.bytes);
        ElementPtr e = FromRecord(ex);
        EXPECT_TRUE(e->HasFlag(IsConst));
        EXPECT_TRUE(e->HasValue());
        EXPECT_EQ(e->GetSize(), c.length);
        EXPECT_EQ(e->BigData != nullptr, c.big) << c.length;
        EXPECT_EQ(e->BigDataSize, c.big ? c.length : 0);
        EXPECT_EQ(std::memcmp(e->Data, c.bytes, static_cast<size_t>(c.length)), 0);
        EXPECT_FALSE(e->HasFlag(AddressKnown));
    }
}

TEST(ElementFromRecord, AddressAndOffset) {
    ExtraInfo known = Record("A", integer_4, 4);
    known.AddressKnown = 1;
    known.Address = 0x10000000;
    known.Offset = 8;
    ElementPtr a = FromRecord(known);
    EXPECT_TRUE(a->HasFlag(AddressKnown));
    EXPECT_EQ(a->Address, 0x10000008u);
    EXPECT_EQ(a->Offset, 0);

    ExtraInfo later = Record("B", integer_4, 4);
    later.Offset = 12;
    ElementPtr b = FromRecord(later);
    EXPECT_FALSE(b->HasFlag(AddressKnown));
    EXPECT_EQ(b->Offset, 12);
    EXPECT_EQ(b->Error, 0);
}

TEST(ElementFromRecord, KindStackForArraysAndPointers) {
    struct Case {
        bool isArray, isPointer;
        ElementType type, sub, subSub;
    } cases[] = {
        {false, false, real_8, void_0, void_0},
        {true, false, array, real_8, void_0},
        {false, true, pointer_4, real_8, void_0},
        {true, true, pointer_4, array, real_8},
    };
    for (const Case& c : cases) {
        ExtraInfo ex = Record("V", real_8, 8);
        ex.IsArray = c.isArray;
        ex.IsPointer = c.isPointer;
        ex.Rank = c.isArray ? 1 : 0;
        ex.ElemSize = 8;
        ex.Base[0] = 1;
        ex.DimSize[0] = 4;
        ex.Stride[0] = 1;
        ex.BoundSizes[0] = 5;
        ElementPtr e = FromRecord(ex);
        EXPECT_EQ(e->Type, c.type);
        EXPECT_EQ(e->SubType, c.sub);
        EXPECT_EQ(e->SubSubType, c.subSub);
    }
}

TEST(ElementFromRecord, ArrayShapeFoldsLowerExtents) {
    ExtraInfo ex = Record("M", integer_4, 4);
    ex.IsArray = 1;
    ex.Rank = 3;
    ex.ElemSize = 4;
    const int32_t base[] = {1, 0, -2}, size[] = {2, 3, 1}, stride[] = {1, 2, 1},
                  bounds[] = {3, 4, 2}, ofset[] = {8, 0, 0};
    for (int i = 0; i < 3; ++i) {
        ex.Base[i] = base[i];
        ex.DimSize[i] = size[i];
        ex.Stride[i] = stride[i];
        ex.BoundSizes[i] = bounds[i];
        ex.BoundOfset[i] = ofset[i];
    }
    ElementPtr e = FromRecord(ex);
    const ArrayDesc& a = e->Array;
    ASSERT_EQ(a.Rank, 3);
    EXPECT_EQ(a.ElemSize, 4);
    const int32_t upper[] = {3, 3, -1}, strides[] = {1, 6, 12};
    const uint32_t multiplier[] = {1, 3, 12};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.Lower[i], base[i]) << i;
        EXPECT_EQ(a.Upper[i], upper[i]) << i;
        EXPECT_EQ(a.Stride[i], strides[i]) << i;
        EXPECT_EQ(a.BoundSizes[i], bounds[i]) << i;
        EXPECT_EQ(a.BoundOfset[i], ofset[i]) << i;
        EXPECT_EQ(a.Multiplier[i], multiplier[i]) << i;
    }
}

TEST(ElementFromRecord, StructureTakesItsTypeName) {
    ExtraInfo ex = Record("P", structure, 8);
    std::strcpy(ex.ExtraTypeInfo, "GEOM!POINT");
    ElementPtr e = FromRecord(ex);
    ASSERT_NE(e->TypeName, nullptr);
    EXPECT_EQ(ToString(e->TypeName, SysStringLen(e->TypeName)), "GEOM!POINT");
}

TEST(ElementFromRecord, UnresolvedModuleVariableIsNotLocated) {
    ExtraInfo ex = Record("NPTS", integer_4, 4);
    std::strcpy(ex.FullName, "GEOM!NPTS");
    ex.IsStatic = 1;
    ElementPtr e = FromRecord(ex);
    EXPECT_FALSE(e->HasFlag(AddressKnown));
    EXPECT_EQ(e->Error, ErrNotLocated);
    EXPECT_EQ(PrintOf(*e), "Variable could not be located.");
}

} // namespace
} // namespace orvel::test

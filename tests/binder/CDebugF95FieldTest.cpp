// The field wrapper over Elements made in the test: kinds, sizes, modifiers and texts as
// the host's field interface reports them, for the symbol and for its type.
#include <gtest/gtest.h>

#include "../model/ModelTestSupport.h"
#include "../support/LiveObjectCheck.h"
#include "binder/CDebugF95Field.h"
#include "model/LiveCounts.h"

namespace {

using orvel::ComPtr;
using orvel::test::ElementPtr;
using orvel::test::NewElement;
using orvel::test::TakeString;

class FieldWrapper : public ::testing::Test {
protected:
    void SetUp() override { m_live.Take(); }
    void TearDown() override { m_live.ExpectNoneLeft(); }

    static ComPtr<IDebugField> Wrap(Element* e) {
        ComPtr<IDebugField> field;
        EXPECT_EQ(CDebugF95Field::Create(e, false, field.put()), S_OK);
        return field;
    }

    orvel::test::LiveObjectCheck m_live;
};

struct Shape {
    ElementType type;
    uint8_t flags;
    int32_t size;
    FIELD_KIND kind; // of the symbol; its type has FIELD_KIND_TYPE instead
    DWORD fieldSize; // GetSize
    DWORD modifiers;
};

TEST_F(FieldWrapper, KindSizeAndModifiersFollowTheElement) {
    const Shape shapes[] = {
        {integer_4, 0, 4, FIELD_KIND_SYMBOL, 4, 0x2},
        {integer_4, HasValueFlag, 4, FIELD_KIND_SYMBOL, 4, 0x42},
        {pointer_4, 0, 4, FIELD_KIND_SYMBOL | FIELD_TYPE_POINTER, 4, 0x2},
        {array, 0, 40, FIELD_KIND_SYMBOL | FIELD_TYPE_POINTER, 40, 0x2},
        {function, 0, 12, FIELD_KIND_SYMBOL | FIELD_TYPE_METHOD, 0, 0x2},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.type);
        ElementPtr e = NewElement();
        e->Type = s.type;
        e->Flags = s.flags;
        e->Size = s.size;
        ComPtr<IDebugField> field = Wrap(e.get());
        ComPtr<IDebugField> type;
        ASSERT_EQ(field->GetType(type.put()), S_OK);
        FIELD_KIND kind = 0, typeKind = 0;
        DWORD size = 99, typeSize = 99;
        EXPECT_EQ(field->GetKind(&kind), S_OK);
        EXPECT_EQ(type->GetKind(&typeKind), S_OK);
        EXPECT_EQ(kind, s.kind);
        EXPECT_EQ(typeKind, (s.kind & ~FIELD_KIND_SYMBOL) | FIELD_KIND_TYPE);
        EXPECT_EQ(field->GetSize(&size), S_OK);
        EXPECT_EQ(type->GetSize(&typeSize), S_OK);
        EXPECT_EQ(size, s.fieldSize);
        EXPECT_EQ(typeSize, s.fieldSize);
        FIELD_INFO info{};
        EXPECT_EQ(field->GetInfo(FIF_MODIFIERS, &info), S_OK);
        EXPECT_EQ(info.dwFields, FIF_MODIFIERS);
        EXPECT_EQ(info.dwModifiers, s.modifiers);
    }
}

TEST_F(FieldWrapper, TextsComeFromTheElement) {
    ElementPtr e = NewElement();
    e->Type = integer_4;
    e->Size = 4;
    e->SetName("geom!count", "geom!count");
    ComPtr<IDebugField> field = Wrap(e.get());

    FIELD_INFO info{};
    info.dwFields = 0xFF;
    EXPECT_EQ(field->GetInfo(0, &info), S_OK);
    EXPECT_EQ(info.dwFields, 0u);

    ASSERT_EQ(field->GetInfo(FIF_FULLNAME | FIF_NAME | FIF_TYPE, &info), S_OK);
    EXPECT_EQ(info.dwFields, DWORD{FIF_FULLNAME | FIF_NAME | FIF_TYPE});
    EXPECT_EQ(TakeString(info.bstrFullName), "COUNT");
    EXPECT_EQ(TakeString(info.bstrName), "COUNT");
    EXPECT_EQ(TakeString(info.bstrType), "INTEGER*4");
}

TEST_F(FieldWrapper, NeverEqualAndWithoutAddressOutsideAContext) {
    ElementPtr e = NewElement();
    ComPtr<IDebugField> field = Wrap(e.get());
    EXPECT_EQ(field->Equal(field.get()), S_FALSE);
    ComPtr<IDebugAddress> address;
    EXPECT_EQ(field->GetAddress(address.put()), S_OK);
    EXPECT_FALSE(address);
}

} // namespace

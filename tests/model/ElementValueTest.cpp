#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "host/HostSymbols.h"
#include "model/ModelAssert.h"
#include "platform/ComObject.h"

namespace {

using orvel::test::ElementPtr;
using orvel::test::NewElement;
using orvel::test::ValueElement;
using orvel::test::ValueOf;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ElementPtr OfKind(ElementType t) {
    ElementPtr e = NewElement();
    e->SetType(t);
    return e;
}

struct RealRangeCase {
    ElementType type;
    double value;
    int expected;
};

const RealRangeCase kRealRangeCases[] = {
    {real_4, 0.0, 0},
    {real_4, 3.4028234663852886e38, 0},
    {real_4, 3.5e38, ErrOverflow},
    {real_4, -3.5e38, ErrOverflow},
    {real_4, kInf, ErrOverflow},
    {real_4, 1.1754943508222875e-38, 0},
    {real_4, 1e-39, ErrUnderflow},
    {real_4, -1e-39, ErrUnderflow},
    {real_4, kNaN, 0},
    {real_8, 3.5e38, 0},
    {real_8, 1e-39, 0},
    {real_8, 1.7976931348623157e308, 0},
    {real_8, -kInf, ErrOverflow},
    {real_8, 2.2250738585072014e-308, 0},
    {real_8, 1e-310, ErrUnderflow},
    {real_10, kInf, 0},
    {real_10, 1e-320, 0},
    {integer_4, 0.0, 0},
    {integer_4, 1.0, ErrOverflow},
    {logical_4, 1.0, ErrOverflow},
    {complex_8, 1.0, ErrOverflow},
    {void_0, -0.0, 0},
};

TEST(ElementRange, RealValues) {
    for (const RealRangeCase& c : kRealRangeCases) {
        SCOPED_TRACE(std::string(ElementTypeName(c.type)) + " " + std::to_string(c.value));
        EXPECT_EQ(c.expected, OfKind(c.type)->CheckRealRange(&c.value));
    }
}

struct ComplexRangeCase {
    ElementType type;
    double re, im;
    int expected;
};

const ComplexRangeCase kComplexRangeCases[] = {
    {complex_8, 0, 0, 0},
    {complex_8, 1, -1, 0},
    {complex_8, 3.5e38, 0, ErrOverflow},
    {complex_8, 0, -3.5e38, ErrOverflow},
    {complex_8, 1e-39, 0, ErrUnderflow},
    {complex_8, 0, 1e-39, ErrUnderflow},
    // Overflow of either part is found before underflow of the other.
    {complex_8, 1e-39, 3.5e38, ErrOverflow},
    {complex_8, 1, 1e-39, ErrUnderflow},
    {complex_16, 3.5e38, 1e-39, 0},
    {complex_16, kInf, 0, ErrOverflow},
    {complex_16, 1, 1e-310, ErrUnderflow},
    {complex_20, kInf, 1e-320, 0},
    {real_4, 0, 0, ErrOverflow},
    {integer_4, 1, 1, ErrOverflow},
};

TEST(ElementRange, ComplexValues) {
    for (const ComplexRangeCase& c : kComplexRangeCases) {
        SCOPED_TRACE(std::string(ElementTypeName(c.type)) + " (" + std::to_string(c.re) + ", " +
                     std::to_string(c.im) + ")");
        const double pair[2] = {c.re, c.im};
        EXPECT_EQ(c.expected, OfKind(c.type)->CheckComplexRange(pair));
    }
}

TEST(ElementValues, SmallValueLivesInRawData) {
    ElementPtr e = ValueOf<int32_t>(integer_4, -42);
    EXPECT_TRUE(e->HasValue());
    EXPECT_FALSE(e->HasFlag(OwnsAddress));
    EXPECT_EQ(e->RawData, e->Data);
    EXPECT_EQ(4, e->GetSize());
    EXPECT_EQ(-42, e->IntValue());
    EXPECT_EQ(-42.0, e->RealValue());
}

TEST(ElementValues, BigValueGetsOwnedBufferAndGivesItBack) {
    const std::string big(30, 'x');
    ElementPtr e = ValueElement(string, big.data(), 30);
    EXPECT_TRUE(e->HasFlag(OwnsAddress));
    EXPECT_NE(e->RawData, e->Data);
    EXPECT_EQ(0, std::memcmp(big.data(), e->Data, 30));

    // Storing from the Element's own bytes must survive the buffer being replaced.
    e->SetValue(e->Data, 25, string);
    EXPECT_EQ(0, std::memcmp(big.data(), e->Data, 25));
    e->SetValue(e->Data, 3, string);
    EXPECT_FALSE(e->HasFlag(OwnsAddress));
    EXPECT_EQ(e->RawData, e->Data);
    EXPECT_EQ(0, std::memcmp("xxx", e->Data, 3));
    EXPECT_EQ(3, e->GetSize());
}

TEST(ElementValues, SetValueMovesTheValueIntoTheElement) {
    ElementPtr e = NewElement();
    e->Address = 0x1000;
    e->Flags |= AddressKnown;
    const int32_t v = 0x10;
    e->SetValue(&v, sizeof v, pointer_4);
    EXPECT_FALSE(e->HasFlag(AddressKnown));
    EXPECT_EQ(0x10u, e->PointerValue());
}

struct IntStoreCase {
    const char* name;
    ElementType type;
    int32_t size;
    int32_t stored;
    int32_t expected;
};

const IntStoreCase kIntStoreCases[] = {
    {"integer_1 keeps the low byte, signed", integer_1, 1, 0x1FF, -1},
    {"integer_2 keeps the low half", integer_2, 2, 0x12345678, 0x5678},
    {"integer_2 negative", integer_2, 2, -2, -2},
    {"integer_4", integer_4, 4, INT32_MIN, INT32_MIN},
    {"unsigned_1 is not sign-extended", unsigned_1, 1, 0xFF, 0xFF},
    {"logical_2", logical_2, 2, 0x18001, 0x8001},
    {"pointer", pointer_4, 4, 0x00401000, 0x00401000},
};

TEST(ElementValues, SetIntValueStoresInTheElementsOwnWidth) {
    for (const IntStoreCase& c : kIntStoreCases) {
        SCOPED_TRACE(c.name);
        ElementPtr e = OfKind(c.type);
        e->Size = c.size;
        e->SetIntValue(&c.stored);
        EXPECT_TRUE(e->HasValue());
        EXPECT_EQ(c.type, e->GetType());
        EXPECT_EQ(c.size, e->GetSize());
        EXPECT_EQ(c.expected, e->IntValue());
    }
}

TEST(ElementValues, SetIntValueReusesAnOwnedBufferLargeEnough) {
    const std::string first(30, 'a'), second(24, 'b');
    ElementPtr e = ValueElement(string, first.data(), 30);
    uint8_t* buffer = e->Data;
    e->Size = 24;
    e->SetIntValue(second.data());
    EXPECT_EQ(buffer, e->Data);
    EXPECT_EQ(0, std::memcmp(second.data(), e->Data, 24));

    const std::string third(40, 'c');
    e->Size = 40; // larger than the buffer: a new one
    e->SetIntValue(third.data());
    EXPECT_TRUE(e->HasFlag(OwnsAddress));
    EXPECT_EQ(0, std::memcmp(third.data(), e->Data, 40));

    ElementPtr fresh = OfKind(string);
    fresh->Size = 24;
    fresh->SetIntValue(second.data());
    EXPECT_TRUE(fresh->HasFlag(OwnsAddress));
    EXPECT_EQ(0, std::memcmp(second.data(), fresh->Data, 24));
}

struct RealStoreCase {
    ElementType type;
    double in[2];
    int32_t size; // 0: the kind takes no real or complex value
    double out[2];
};

const RealStoreCase kRealStoreCases[] = {
    {real_4, {0.1, 0}, 4, {static_cast<double>(0.1f), 0}},
    {real_8, {0.1, 0}, 8, {0.1, 0}},
    {real_10, {1e-310, 0}, 10, {1e-310, 0}},
    {integer_4, {2.5, 0}, 0, {0, 0}},
    {complex_8, {1.5, -0.1}, 8, {1.5, static_cast<double>(-0.1f)}},
    {complex_16, {0.1, -0.2}, 16, {0.1, -0.2}},
    {complex_20, {1e-320, 3}, 20, {1e-320, 3}},
};

TEST(ElementValues, RealAndComplexStoresFollowTheKind) {
    for (const RealStoreCase& c : kRealStoreCases) {
        SCOPED_TRACE(ElementTypeName(c.type));
        ElementPtr e = OfKind(c.type);
        if (e->IsComplex())
            e->SetComplexValue(c.in);
        else
            e->SetRealValue(c.in);
        EXPECT_EQ(c.size != 0, e->HasValue());
        EXPECT_EQ(c.size, e->GetSize());
        double pair[2];
        e->ComplexValue(pair);
        EXPECT_EQ(c.out[0], pair[0]);
        EXPECT_EQ(c.out[1], pair[1]);
        EXPECT_EQ(c.out[0], e->RealValue());
    }
}

TEST(ElementValues, ReadersByKind) {
    EXPECT_EQ(-1.0, ValueOf<int8_t>(integer_1, -1)->RealValue());
    EXPECT_EQ(4294967295.0, ValueOf<uint32_t>(unsigned_4, 0xFFFFFFFFu)->RealValue());
    EXPECT_EQ(-1, ValueOf<uint32_t>(unsigned_4, 0xFFFFFFFFu)->IntValue());
    EXPECT_EQ(1e15, ValueOf<int64_t>(integer_8, 1000000000000000)->RealValue());
    EXPECT_EQ(2.5, ValueOf<float>(real_4, 2.5f)->RealValue());
    double pair[2];
    ValueOf<int16_t>(integer_2, 7)->ComplexValue(pair);
    EXPECT_EQ(7.0, pair[0]);
    EXPECT_EQ(0.0, pair[1]);
}

TEST(ElementValues, NoValueReadsAsZero) {
    ElementPtr e = OfKind(integer_4);
    e->RawData[0] = 5;
    EXPECT_EQ(0, e->IntValue());
    EXPECT_EQ(0.0, e->RealValue());
    EXPECT_EQ(0u, e->PointerValue());
}

TEST(ElementValues, PointerValueOfUnreadableAddressIsZero) {
    ElementPtr e = ValueOf<int32_t>(pointer_4, 0x1234);
    e->Address = 0x1000;
    e->Flags |= AddressKnown;
    EXPECT_EQ(0u, e->PointerValue());
}

TEST(ElementValues, UndefinedPattern) {
    ElementPtr e = ValueOf<uint32_t>(integer_4, 0x00808080u);
    EXPECT_TRUE(e->IsUndefined(3));
    EXPECT_FALSE(e->IsUndefined(4));
    EXPECT_FALSE(e->IsUndefined(0));
    EXPECT_FALSE(e->IsUndefined(1000)) << "reads stop at the bytes held";
}

TEST(ElementKinds, KindStack) {
    ElementPtr e = OfKind(structure);
    e->PushType(array);
    e->PushType(pointer_4);
    EXPECT_EQ(pointer_4, e->Type);
    EXPECT_EQ(array, e->SubType);
    EXPECT_EQ(structure, e->SubSubType);
    EXPECT_EQ(array, e->PopType());
    EXPECT_EQ(structure, e->SubType);
    EXPECT_EQ(void_0, e->SubSubType);
    EXPECT_EQ(structure, e->PopType());
    EXPECT_EQ(void_0, e->PopType());
    EXPECT_EQ(void_0, e->SubType);
}

enum KindBits : unsigned {
    Int = 1,
    Real = 2,
    Cplx = 4,
    Logi = 8,
    Ptr = 16,
    ArrLike = 32,
};

struct KindCase {
    ElementType type;
    ElementType sub;
    unsigned bits;
};

const KindCase kKindCases[] = {
    {logical_1, void_0, Logi},   {logical_2, void_0, Logi},
    {logical_4, void_0, Logi},   {logical_8, void_0, 0},
    {integer_1, void_0, Int},    {integer_2, void_0, Int},
    {integer_4, void_0, Int},    {integer_8, void_0, Int},
    {unsigned_1, void_0, Int},   {unsigned_2, void_0, Int},
    {unsigned_4, void_0, Int},   {unsigned_8, void_0, 0},
    {enumeration, void_0, Int},  {real_4, void_0, Real},
    {real_8, void_0, Real},      {real_10, void_0, Real},
    {complex_8, void_0, Cplx},   {complex_16, void_0, Cplx},
    {complex_20, void_0, Cplx},  {void_0, void_0, 0},
    {pointer_4, integer_4, Ptr}, {pointer_4, array, Ptr | ArrLike},
    {reference_4, array, 0},     {allocatable_4, integer_4, ArrLike},
    {structure, void_0, 0},      {array, integer_4, Ptr | ArrLike},
    {string, void_0, 0},         {function, void_0, 0},
    {common, void_0, 0},         {module, void_0, 0},
    {object_4, void_0, 0},
};

TEST(ElementKinds, Groups) {
    for (const KindCase& c : kKindCases) {
        SCOPED_TRACE(std::string(ElementTypeName(c.type)) + " over " + ElementTypeName(c.sub));
        ElementPtr e = OfKind(c.sub);
        e->PushType(c.type);
        EXPECT_EQ((c.bits & Int) != 0, e->IsInteger());
        EXPECT_EQ((c.bits & Real) != 0, e->IsReal());
        EXPECT_EQ((c.bits & Cplx) != 0, e->IsComplex());
        EXPECT_EQ((c.bits & Logi) != 0, e->IsLogical());
        EXPECT_EQ((c.bits & (Int | Real | Cplx)) != 0, e->IsNumeric());
        EXPECT_EQ((c.bits & (Int | Real | Cplx | Logi)) != 0, e->IsScalar());
        EXPECT_EQ((c.bits & Ptr) != 0, e->IsPointer());
        EXPECT_EQ((c.bits & ArrLike) != 0, e->IsArrayLike());
        ElementPtr same = OfKind(c.type);
        EXPECT_EQ((c.bits & (Int | Real | Cplx)) != 0, e->IsSameNumericKind(same.get()));
    }
    EXPECT_FALSE(OfKind(integer_4)->IsSameNumericKind(OfKind(integer_2).get()));
    EXPECT_FALSE(OfKind(integer_4)->IsSameNumericKind(nullptr));
}

// A host field that answers the class-field interface only when asked to be a class.
class TestField final : public orvel::ComObject<IDebugClassField> {
public:
    explicit TestField(bool isClass) : m_isClass(isClass) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!m_isClass && riid == IID_IDebugClassField) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return ComObject::QueryInterface(riid, out);
    }
    HRESULT STDMETHODCALLTYPE GetInfo(FIELD_INFO_FIELDS, FIELD_INFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetKind(FIELD_KIND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetType(IDebugField**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IDebugContainerField**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAddress(IDebugAddress**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSize(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExtendedInfo(REFGUID, BYTE**, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Equal(IDebugField*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(TYPE_INFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFields(FIELD_KIND, FIELD_MODIFIERS, LPCOLESTR, NAME_MATCH,
                                         IEnumDebugFields**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumBaseClasses(IEnumDebugFields**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoesInterfaceExist(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumNestedClasses(IEnumDebugFields**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetEnclosingClass(IDebugClassField**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumInterfacesImplemented(IEnumDebugFields**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumConstructors(CONSTRUCTOR_ENUM, IEnumDebugFields**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDefaultIndexer(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumNestedEnums(IEnumDebugFields**) override { return E_NOTIMPL; }

private:
    bool m_isClass;
};

orvel::ComPtr<IDebugField> MakeField(bool isClass) {
    IDebugField* field = nullptr;
    EXPECT_EQ(S_OK, orvel::CreateComObject<TestField>(&field, isClass));
    return orvel::ComPtr<IDebugField>::Adopt(field);
}

struct ExpandCase {
    const char* name;
    ElementType type;
    ElementType sub;
    int32_t error;
    int field; // 0 none, 1 plain field, 2 class field
    bool expected;
};

const ExpandCase kExpandCases[] = {
    {"structure", structure, void_0, 0, 0, true},
    {"structure with error", structure, void_0, ErrNotLocated, 0, false},
    {"pointer to structure", pointer_4, structure, 0, 0, true},
    {"pointer to integer", pointer_4, integer_4, 0, 0, false},
    {"array", array, integer_4, 0, 0, true},
    {"allocatable", allocatable_4, integer_4, 0, 0, true},
    {"allocatable with error", allocatable_4, integer_4, ErrNoTarget, 0, false},
    {"integer", integer_4, void_0, 0, 0, false},
    {"common", common, void_0, 0, 0, false},
    {"object without field", object_4, void_0, 0, 0, false},
    {"object of plain field", object_4, void_0, 0, 1, false},
    {"object of class field", object_4, void_0, 0, 2, true},
    {"object of class field with error", object_4, void_0, ErrHostCall, 2, true},
};

TEST(ElementKinds, Expandable) {
    for (const ExpandCase& c : kExpandCases) {
        SCOPED_TRACE(c.name);
        ElementPtr e = OfKind(c.sub);
        e->PushType(c.type);
        e->Error = c.error;
        if (c.field) e->Field = MakeField(c.field == 2);
        EXPECT_EQ(c.expected, e->IsExpandable());
    }
}

struct NameCase {
    const char* name;
    const char* shown;
};

const NameCase kNameCases[] = {
    {"counter", "COUNTER"},
    {"MOD!counter", "COUNTER"},
    {"a~b!c", "C"},
    {"x!y~z", "Z"},
    {"a~b~c!d!e", "D!E"},
    {"", ""},
    {"!", ""},
    {"~", ""},
    {"Mixed_Case9", "MIXED_CASE9"},
};

TEST(ElementNames, DisplayNameCutsQualifiersAndUpperCases) {
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE(c.name);
        ElementPtr e = NewElement();
        e->SetName(c.name, nullptr);
        EXPECT_EQ(c.name, e->FullName) << "FullName defaults to Name";
        BSTR shown = nullptr;
        ASSERT_EQ(S_OK, e->GetName(&shown));
        EXPECT_EQ(c.shown, orvel::test::TakeString(shown));
    }
    ElementPtr e = NewElement();
    EXPECT_EQ(E_INVALIDARG, e->GetName(nullptr));
    e->SetName("short", "MOD!short$1");
    EXPECT_EQ("MOD!short$1", e->FullName);
    e->SetName(nullptr, nullptr);
    EXPECT_EQ("", e->Name);
}

TEST(ElementLifetime, CountsReferencesAndReportsAReleaseTooMany) {
    Element* e = new Element();
    EXPECT_EQ(1, e->Counter);
    EXPECT_EQ(2, e->AddRef());
    EXPECT_EQ(1, e->Release());

    const int failures = orvel::ModelAssertFailures();
    e->Counter = 0; // as if released once too often
    EXPECT_EQ(0, e->Release());
    EXPECT_EQ(failures + 1, orvel::ModelAssertFailures());
    EXPECT_STREQ("Counter > 0", orvel::LastModelAssert());
    e->Counter = 1;
    EXPECT_EQ(0, e->Release());
    EXPECT_EQ(failures + 1, orvel::ModelAssertFailures());
}

} // namespace

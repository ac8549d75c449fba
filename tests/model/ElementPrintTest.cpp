#include <climits>
#include <cstdint>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "host/HostObjects.h"
#include "model/ElementType.h"
#include "platform/ComObject.h"

namespace {

using orvel::test::ElementPtr;
using orvel::test::NewElement;
using orvel::test::PrintOf;
using orvel::test::ValueElement;
using orvel::test::ValueOf;

struct PrintCase {
    const char* name;
    std::function<ElementPtr()> make;
    const char* expected;
};

ElementPtr Bytes(ElementType t, std::initializer_list<uint8_t> bytes) {
    const std::basic_string<uint8_t> b(bytes);
    return ValueElement(t, b.data(), static_cast<int>(b.size()));
}

ElementPtr Filled(ElementType t, int size, uint8_t byte) {
    const std::basic_string<uint8_t> b(static_cast<size_t>(size), byte);
    return ValueElement(t, b.data(), size);
}

ElementPtr Text(const std::string& s) {
    return ValueElement(string, s.data(), static_cast<int>(s.size()));
}

ElementPtr Complex8(float re, float im) {
    const float pair[2] = {re, im};
    return ValueElement(complex_8, pair, sizeof pair);
}

ElementPtr Complex16(double re, double im) {
    const double pair[2] = {re, im};
    return ValueElement(complex_16, pair, sizeof pair);
}

// A value whose fetch already ran: Print shows it by its kind alone.
ElementPtr Fetched(ElementType t) {
    ElementPtr e = NewElement();
    e->SetType(t);
    e->Flags |= FetchTried;
    return e;
}

ElementPtr AtAddress(ElementType t, DebuggeeAddress at) {
    ElementPtr e = NewElement();
    e->SetType(t);
    e->Address = at;
    e->Flags |= AddressKnown;
    return e;
}

ElementPtr WithError(ElementType t, ElementType sub, int32_t error, HRESULT hr = S_OK) {
    ElementPtr e = NewElement();
    e->SetType(sub);
    e->PushType(t);
    e->Error = error;
    e->HResult = hr;
    return e;
}

const PrintCase kScalarCases[] = {
    {"integer_1 undefined", [] { return Bytes(integer_1, {0x80}); }, "UNDEFINED"},
    {"integer_1 negative", [] { return Bytes(integer_1, {0xFF}); }, "-1"},
    {"integer_1 largest", [] { return Bytes(integer_1, {0x7F}); }, "127"},
    {"integer_2 undefined",
     [] {
         return Bytes(integer_2, {0x80, 0x80});
     },
     "UNDEFINED"},
    {"integer_2 half pattern",
     [] {
         return Bytes(integer_2, {0x81, 0x80});
     },
     "-32639"},
    {"integer_4 undefined", [] { return ValueOf<uint32_t>(integer_4, 0x80808080u); }, "UNDEFINED"},
    {"integer_4 near pattern", [] { return ValueOf<uint32_t>(integer_4, 0x80808081u); },
     "-2139062143"},
    {"integer_4 partial pattern",
     [] {
         return Bytes(integer_4, {0x80, 0x80, 0, 0});
     },
     "32896"},
    {"integer_4 smallest", [] { return ValueOf<int32_t>(integer_4, INT32_MIN); }, "-2147483648"},
    {"logical_1 undefined", [] { return Bytes(logical_1, {0x80}); }, "UNDEFINED"},
    {"logical_2 undefined",
     [] {
         return Bytes(logical_2, {0x80, 0x80});
     },
     "UNDEFINED"},
    {"logical_4 undefined", [] { return ValueOf<uint32_t>(logical_4, 0x80808080u); }, "UNDEFINED"},
    {"logical_4 two", [] { return ValueOf<int32_t>(logical_4, 2); }, ".TRUE."},
    {"logical_4 only second byte", [] { return ValueOf<int32_t>(logical_4, 0x100); }, ".FALSE."},
    {"logical_4 minus one", [] { return ValueOf<int32_t>(logical_4, -1); }, ".TRUE."},
    {"logical_2 partial pattern",
     [] {
         return Bytes(logical_2, {0x80, 0x00});
     },
     ".TRUE."},
    {"real_4 one", [] { return ValueOf<float>(real_4, 1.0f); }, "1.00000"},
    {"real_4 fraction", [] { return ValueOf<float>(real_4, -2.5f); }, "-2.50000"},
    {"real_4 widened, not rounded to double", [] { return ValueOf<float>(real_4, 0.1f); },
     "0.100000"},
    {"real_4 undefined", [] { return Filled(real_4, 4, 0x80); }, "UNDEFINED"},
    {"real_8 tenth", [] { return ValueOf<double>(real_8, 0.1); }, "0.1"},
    {"real_8 fifteen digits", [] { return ValueOf<double>(real_8, 1.0 / 3); }, "0.333333333333333"},
    {"real_8 whole", [] { return ValueOf<double>(real_8, 100.0); }, "100"},
    {"real_4 large", [] { return ValueOf<float>(real_4, 1e20f); }, "1.00000e+20"},
    {"real_8 large", [] { return ValueOf<double>(real_8, -1e20); }, "-1e+20"},
    {"real_8 undefined", [] { return Filled(real_8, 8, 0x80); }, "UNDEFINED"},
    {"complex_8", [] { return Complex8(1, 2); }, "(1.00000, 2.00000)"},
    {"complex_8 undefined", [] { return Filled(complex_8, 8, 0x80); }, "UNDEFINED"},
    {"complex_16", [] { return Complex16(0.1, -0.5); }, "(0.1, -0.5)"},
    {"complex_16 undefined", [] { return Filled(complex_16, 16, 0x80); }, "UNDEFINED"},
    {"integer_8 is not formatted", [] { return ValueOf<int64_t>(integer_8, 5); }, "UNKNOWN TYPE"},
    {"unsigned_4 is not formatted", [] { return ValueOf<uint32_t>(unsigned_4, 5); },
     "UNKNOWN TYPE"},
    {"enumeration is not formatted", [] { return ValueOf<int32_t>(enumeration, 5); },
     "UNKNOWN TYPE"},
    {"logical_8 is not formatted", [] { return ValueOf<int64_t>(logical_8, 1); }, "UNKNOWN TYPE"},
    {"real_10 is not formatted", [] { return Filled(real_10, 10, 0); }, "UNKNOWN TYPE"},
    {"complex_20 is not formatted", [] { return Filled(complex_20, 20, 0); }, "UNKNOWN TYPE"},
};

const PrintCase kStringCases[] = {
    {"plain", [] { return Text("Hello"); }, "'Hello'"},
    {"empty", [] { return Text(""); }, "''"},
    {"control characters", [] { return Text(std::string("AB\0\rC", 5)); }, "'AB??C'"},
    {"tab and line feed", [] { return Text("a\tb\nc"); }, "'a?b?c'"},
    {"other control characters stay",
     [] {
         return Text("a\x01"
                     "b");
     },
     "'a\\u0001b'"},
    {"no value", [] { return Fetched(string); }, "Debugger failure"},
    {"unreadable memory",
     [] {
         ElementPtr e = AtAddress(string, 0x1000);
         e->Size = 5;
         return e;
     },
     "Unable to read memory"},
    {"nothing to read", [] { return AtAddress(string, 0x1000); }, "''"},
    {"length beyond the bytes held",
     [] {
         ElementPtr e = Text("abc");
         e->Size = 150; // a hostile length: only the bytes held may be read
         return e;
     },
     "'abc"
     "?????????????????"
     "'"},
};

const PrintCase kErrorCases[] = {
    {"unknown kind", [] { return WithError(integer_4, void_0, ErrUnknownKind); }, "UNKNOWN"},
    {"host failure",
     [] { return WithError(integer_4, void_0, ErrHostCall, static_cast<HRESULT>(0x80004005)); },
     "Error, HRESULT = 80004005"},
    {"host failure padded", [] { return WithError(integer_4, void_0, ErrHostCall, 0x1234); },
     "Error, HRESULT =     1234"},
    {"not located", [] { return WithError(integer_4, void_0, ErrNotLocated); },
     "Variable could not be located."},
    {"pointer to structure", [] { return WithError(pointer_4, structure, ErrNoTarget); },
     "Not pointing at a target."},
    {"structure itself", [] { return WithError(structure, void_0, ErrNoTarget); },
     "Not pointing at a target."},
    {"pointer to array", [] { return WithError(pointer_4, array, ErrNoTarget); }, "Not allocated."},
    {"allocatable", [] { return WithError(allocatable_4, integer_4, ErrNoTarget); },
     "Not allocated."},
    {"pointer to integer", [] { return WithError(pointer_4, integer_4, ErrNoTarget); },
     "Invalid pointer."},
    {"array under a non-pointer", [] { return WithError(integer_4, array, ErrNoTarget); },
     "Invalid pointer."},
    {"other code", [] { return WithError(integer_4, void_0, 17); }, "Error 17"},
    {"negative code", [] { return WithError(integer_4, void_0, -3); }, "Error -3"},
    {"error wins over a value",
     [] {
         ElementPtr e = ValueOf<int32_t>(integer_4, 7);
         e->Error = ErrBindFailure;
         return e;
     },
     "Error 39"},
};

const PrintCase kCompositeCases[] = {
    {"nothing known", [] { return NewElement(); }, "UNKNOWN"},
    {"integer without value or host",
     [] {
         ElementPtr e = NewElement();
         e->SetType(integer_4);
         return e;
     },
     "UNKNOWN TYPE"},
    {"structure",
     [] {
         ElementPtr e = AtAddress(structure, 0x2000);
         e->TypeName = orvel::test::WideCopy("geom!point");
         return e;
     },
     "TYPE(geom!point)"},
    {"structure at address 0",
     [] {
         ElementPtr e = AtAddress(structure, 0);
         e->TypeName = orvel::test::WideCopy("POINT");
         return e;
     },
     "Null"},
    {"structure without a type name", [] { return AtAddress(structure, 0x2000); }, "TYPE()"},
    {"unreadable pointer to structure",
     [] {
         ElementPtr e = AtAddress(structure, 0x2000);
         e->PushType(pointer_4);
         return e;
     },
     "Null"},
    {"common",
     [] {
         ElementPtr e = NewElement();
         e->SetType(common);
         e->SetName("BLK1", nullptr);
         return e;
     },
     "/BLK1/"},
    {"allocatable without shape", [] { return Fetched(allocatable_4); }, "Unallocated"},
    {"allocatable with shape",
     [] {
         ElementPtr e = Fetched(allocatable_4);
         orvel::test::SetShape(e->Array, 4, {{1, 5}});
         return e;
     },
     "{...}"},
    {"array shows its declaration",
     [] {
         ElementPtr e = AtAddress(integer_4, 0x3000);
         e->PushType(array);
         orvel::test::SetShape(e->Array, 4, {{1, 10}});
         return e;
     },
     "INTEGER*4 (10)"},
    {"unreadable allocatable",
     [] {
         ElementPtr e = AtAddress(integer_4, 0x3000);
         e->PushType(allocatable_4);
         orvel::test::SetShape(e->Array, 4, {{1, 5}});
         return e;
     },
     "INTEGER*4, ALLOCATABLE :: (5)"},
    {"object without a bound object", [] { return Fetched(object_4); }, "{...}"},
    {"pointer without a target kind", [] { return Fetched(pointer_4); }, "UNKNOWN TYPE"},
};

void RunCases(const PrintCase* begin, const PrintCase* end) {
    for (const PrintCase* c = begin; c != end; ++c) {
        SCOPED_TRACE(c->name);
        ElementPtr e = c->make();
        EXPECT_EQ(c->expected, PrintOf(*e));
    }
}

TEST(ElementPrint, Scalars) {
    RunCases(std::begin(kScalarCases), std::end(kScalarCases));
}

TEST(ElementPrint, Strings) {
    RunCases(std::begin(kStringCases), std::end(kStringCases));
}

TEST(ElementPrint, Errors) {
    RunCases(std::begin(kErrorCases), std::end(kErrorCases));
}

TEST(ElementPrint, Composites) {
    RunCases(std::begin(kCompositeCases), std::end(kCompositeCases));
}

TEST(ElementPrint, LongStringShowsFirst200CharactersInQuotes) {
    std::string value;
    for (int i = 0; i < 300; ++i)
        value += static_cast<char>('a' + i % 26);
    ElementPtr e = Text(value);
    EXPECT_EQ("'" + value.substr(0, 200) + "'", PrintOf(*e));
}

TEST(ElementPrint, TextStopsAt255Characters) {
    ElementPtr e = NewElement();
    e->SetType(common);
    e->SetName(std::string(400, 'N').c_str(), nullptr);
    EXPECT_EQ("/" + std::string(254, 'N'), PrintOf(*e));

    ElementPtr s = AtAddress(structure, 0x100);
    s->TypeName = orvel::test::WideCopy(std::string(300, 'T').c_str());
    EXPECT_EQ("TYPE(" + std::string(250, 'T'), PrintOf(*s));
}

// A bound managed object that answers only whether it is a null reference.
class NullTestObject final : public orvel::ComObject<IDebugObject> {
public:
    explicit NullTestObject(BOOL isNull) : m_isNull(isNull) {}
    HRESULT STDMETHODCALLTYPE GetSize(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetValue(BYTE*, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetValue(BYTE*, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetReferenceValue(IDebugObject*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugMemoryContext2**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetManagedDebugObject(IDebugManagedObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsNullReference(BOOL* isNull) override {
        *isNull = m_isNull;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsEqual(IDebugObject*, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsReadOnly(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsProxy(BOOL*) override { return E_NOTIMPL; }

private:
    BOOL m_isNull;
};

TEST(ElementPrint, ManagedObjectNullReference) {
    for (BOOL isNull : {TRUE, FALSE}) {
        ElementPtr e = Fetched(object_4);
        IDebugObject* object = nullptr;
        ASSERT_EQ(S_OK, orvel::CreateComObject<NullTestObject>(&object, isNull));
        e->Object.Attach(object);
        EXPECT_EQ(isNull ? "Null Reference" : "{...}", PrintOf(*e));
    }
}

} // namespace

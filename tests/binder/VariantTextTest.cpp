// Type names and value texts of VARIANTs that need no host: every scalar tag in both
// radixes, the texts from the message table, and the tags that have no text.
#include <gtest/gtest.h>

#include <string>

#include "../model/ModelTestSupport.h"
#include "binder/VariantText.h"

namespace {

using orvel::test::TakeString;

// A VARIANT of tag vt whose value part holds bits from its lowest byte.
VARIANT Bits(VARTYPE vt, int64_t bits) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    v.llVal = bits;
    return v;
}

VARIANT Real(VARTYPE vt, double value) {
    VARIANT v = Bits(vt, 0);
    if (vt == VT_R4)
        v.fltVal = static_cast<float>(value);
    else
        v.dblVal = value;
    return v;
}

// "<fail>" when the operation gives no text.
std::string ValueText(const VARIANT& v, DWORD radix) {
    OLECHAR staleText[] = OLESTR("stale");
    BSTR text = staleText; // the out-value must be cleared whatever happens
    const HRESULT hr = VariantValueText(radix, nullptr, &v, &text);
    if (text == staleText) return "<not cleared>";
    if (FAILED(hr)) {
        EXPECT_EQ(text, nullptr);
        return hr == E_FAIL ? "<fail>" : "<other failure>";
    }
    return TakeString(text);
}

struct Shown {
    VARIANT value;
    const char* decimal; // radix 10 (and 8)
    const char* hex;     // radix 16
};

TEST(VariantValueText, EveryScalarTagInBothRadixes) {
    const Shown cases[] = {
        {Bits(VT_I4, -1), "-1", "0xffffffff"},
        {Bits(VT_I1, 65), "A", "0x41"},
        {Bits(VT_I1, -1), "\\u00ff", "0xffff"}, // the byte as a character; hex sign-extended
        {Bits(VT_I1, 0), "<fail>", "0x0"},      // the NUL character is no text
        {Bits(VT_UI1, 200), "200", "0xc8"},
        {Bits(VT_I2, -2), "-2", "0xfffe"},
        {Bits(VT_UI2, 65535), "65535", "0xffff"},
        {Bits(VT_UI4, 0xFFFFFFFF), "4294967295", "0xffffffff"},
        {Bits(VT_I8, -1), "-1", "0xffffffffffffffff"},
        {Bits(VT_UI8, -1), "18446744073709551615", "0xffffffffffffffff"},
        {Real(VT_R4, 1.5), "1.5", "1.5"},
        {Real(VT_R8, 0.5), "0.5", "0.5"},
        {Bits(VT_BOOL, VARIANT_TRUE), "true", "true"},
        {Bits(VT_BOOL, 1), "true", "true"},
        {Bits(VT_BOOL, 0), "false", "false"},
        {Bits(VT_VOID, 0), "(void)", "(void)"},
        {Bits(VT_EMPTY, 0), "", ""},
        {Bits(VT_DATE, 5), "5 (unknown)", "0x5 (unknown)"},
        {Bits(VT_BYREF | VT_I4, 0x1234), "0x1234 (pointer)", "0x1234 (pointer)"},
        {Bits(VT_UNKNOWN, 0), "<fail>", "<fail>"}, // no field to read
        {Bits(VT_BSTR, 0), "<fail>", "<fail>"},    // no string to copy
    };
    for (const Shown& c : cases) {
        SCOPED_TRACE(c.value.vt);
        EXPECT_EQ(ValueText(c.value, 10), c.decimal);
        EXPECT_EQ(ValueText(c.value, 8), c.decimal);
        EXPECT_EQ(ValueText(c.value, 16), c.hex);
    }
}

// The names of the numeric tags, string and bool are checked with the fields that carry them.
TEST(VariantTypeName, TagsWithoutAField) {
    const std::pair<VARTYPE, const char*> names[] = {
        {VT_EMPTY, ""},      {VT_VOID, "void"},         {VT_BYREF | VT_R8, "(pointer)"},
        {VT_DATE, "<fail>"}, {VT_UNKNOWN, "<invalid>"}, // no field to name
    };
    for (const auto& [vt, name] : names) {
        SCOPED_TRACE(vt);
        const VARIANT type = Bits(vt, 0);
        BSTR text = nullptr;
        const HRESULT hr = VariantTypeName(&type, &text);
        const std::string shown = hr == E_FAIL ? "<fail>" : hr == E_INVALIDARG ? "<invalid>" : "";
        EXPECT_EQ(hr == S_OK ? TakeString(text) : shown, name);
    }
}

} // namespace

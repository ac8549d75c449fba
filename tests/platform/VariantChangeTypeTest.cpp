// One table for both builds: under Wine the system's own conversion answers it, so the
// rows hold only what Windows is known to do.
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "CountingUnknown.h"
#include "platform/SystemMessage.h"
#include "platform/Variant.h"
#include "platform/Win32Error.h"

namespace {

struct Value {
    VARTYPE vt = VT_EMPTY;
    int64_t i = 0;
    uint64_t u = 0;
    double r = 0;
    const OLECHAR* text = nullptr;
};

Value Int(VARTYPE vt, int64_t i) {
    return {vt, i, 0, 0, nullptr};
}
Value Uns(VARTYPE vt, uint64_t u) {
    return {vt, 0, u, 0, nullptr};
}
Value Real(VARTYPE vt, double r) {
    return {vt, 0, 0, r, nullptr};
}
Value Text(const OLECHAR* text) {
    return {VT_BSTR, 0, 0, 0, text};
}
const Value kEmpty{};
const Value kUnchecked{};

VARIANT Make(const Value& value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = value.vt;
    switch (value.vt) {
    case VT_I1:
        v.cVal = static_cast<CHAR>(value.i);
        break;
    case VT_I2:
        v.iVal = static_cast<SHORT>(value.i);
        break;
    case VT_BOOL:
        v.boolVal = static_cast<VARIANT_BOOL>(value.i);
        break;
    case VT_I4:
    case VT_INT:
        v.lVal = static_cast<LONG>(value.i);
        break;
    case VT_I8:
        v.llVal = value.i;
        break;
    case VT_UI1:
        v.bVal = static_cast<BYTE>(value.u);
        break;
    case VT_UI2:
        v.uiVal = static_cast<USHORT>(value.u);
        break;
    case VT_UI4:
    case VT_UINT:
        v.ulVal = static_cast<ULONG>(value.u);
        break;
    case VT_UI8:
        v.ullVal = value.u;
        break;
    case VT_R4:
        v.fltVal = static_cast<FLOAT>(value.r);
        break;
    case VT_R8:
        v.dblVal = value.r;
        break;
    case VT_BSTR:
        v.bstrVal = value.text ? SysAllocString(value.text) : nullptr;
        break;
    default:
        break;
    }
    return v;
}

void ExpectHolds(const Value& expected, const VARIANT& v) {
    ASSERT_EQ(expected.vt, v.vt);
    switch (v.vt) {
    case VT_I1:
        EXPECT_EQ(expected.i, v.cVal);
        break;
    case VT_I2:
        EXPECT_EQ(expected.i, v.iVal);
        break;
    case VT_BOOL:
        EXPECT_EQ(expected.i, v.boolVal);
        break;
    case VT_I4:
    case VT_INT:
        EXPECT_EQ(expected.i, v.lVal);
        break;
    case VT_I8:
        EXPECT_EQ(expected.i, v.llVal);
        break;
    case VT_UI1:
        EXPECT_EQ(expected.u, v.bVal);
        break;
    case VT_UI2:
        EXPECT_EQ(expected.u, v.uiVal);
        break;
    case VT_UI4:
    case VT_UINT:
        EXPECT_EQ(expected.u, v.ulVal);
        break;
    case VT_UI8:
        EXPECT_EQ(expected.u, v.ullVal);
        break;
    case VT_R4:
        EXPECT_EQ(static_cast<FLOAT>(expected.r), v.fltVal);
        break;
    case VT_R8:
        EXPECT_EQ(expected.r, v.dblVal);
        break;
    case VT_BSTR: {
        const std::basic_string<OLECHAR> want = expected.text ? expected.text : OLESTR("");
        const std::basic_string<OLECHAR> got =
            v.bstrVal ? std::basic_string<OLECHAR>(v.bstrVal, SysStringLen(v.bstrVal))
                      : std::basic_string<OLECHAR>();
        EXPECT_TRUE(want == got);
        break;
    }
    default:
        break;
    }
}

struct Conversion {
    Value from;
    VARTYPE to;
    HRESULT hr;
    Value expected;
    USHORT flags;
};

constexpr uint64_t kU64Max = UINT64_MAX;

// clang-format off
const Conversion kConversions[] = {
    // Reals round half to even; the rounded value must fit.
    {Real(VT_R8, 2.5), VT_I4, S_OK, Int(VT_I4, 2), 0},
    {Real(VT_R8, 3.5), VT_I4, S_OK, Int(VT_I4, 4), 0},
    {Real(VT_R8, -2.5), VT_I4, S_OK, Int(VT_I4, -2), 0},
    {Real(VT_R8, -1.5), VT_I2, S_OK, Int(VT_I2, -2), 0},
    {Real(VT_R8, 0.5), VT_UI1, S_OK, Uns(VT_UI1, 0), 0},
    {Real(VT_R8, 2.5000001), VT_I4, S_OK, Int(VT_I4, 3), 0},
    {Real(VT_R8, -2.6), VT_I8, S_OK, Int(VT_I8, -3), 0},
    {Real(VT_R4, 2.5), VT_I4, S_OK, Int(VT_I4, 2), 0},
    {Real(VT_R8, 126.5), VT_I1, S_OK, Int(VT_I1, 126), 0},
    {Real(VT_R8, 127.5), VT_I1, DISP_E_OVERFLOW, kUnchecked, 0},
    {Real(VT_R8, -128.5), VT_I1, S_OK, Int(VT_I1, -128), 0},
    {Real(VT_R8, 254.5), VT_UI1, S_OK, Uns(VT_UI1, 254), 0},
    {Real(VT_R8, 255.5), VT_UI1, DISP_E_OVERFLOW, kUnchecked, 0},
    {Real(VT_R8, -1.5), VT_UI2, DISP_E_OVERFLOW, kUnchecked, 0},
    {Real(VT_R8, 2147483647.5), VT_I4, DISP_E_OVERFLOW, kUnchecked, 0},
    {Real(VT_R8, -2147483648.5), VT_INT, S_OK, Int(VT_INT, INT32_MIN), 0},
    {Real(VT_R8, 4294967295.4), VT_UI4, S_OK, Uns(VT_UI4, UINT32_MAX), 0},
    {Real(VT_R8, 1e18), VT_I8, S_OK, Int(VT_I8, 1000000000000000000), 0},
    {Real(VT_R8, 1e300), VT_UI8, DISP_E_OVERFLOW, kUnchecked, 0},
    {Real(VT_R8, 1e39), VT_R4, DISP_E_OVERFLOW, kUnchecked, 0},
    // Integers must fit, except between tags of one width, which take the bits as they are.
    {Int(VT_I4, 128), VT_I1, DISP_E_OVERFLOW, kUnchecked, 0},
    {Int(VT_I4, -128), VT_I1, S_OK, Int(VT_I1, -128), 0},
    {Int(VT_I4, 256), VT_UI1, DISP_E_OVERFLOW, kUnchecked, 0},
    {Int(VT_I4, -1), VT_UI2, DISP_E_OVERFLOW, kUnchecked, 0},
    {Int(VT_I4, -1), VT_UI8, DISP_E_OVERFLOW, kUnchecked, 0},
    {Int(VT_I8, 2147483648), VT_I4, DISP_E_OVERFLOW, kUnchecked, 0},
    {Int(VT_I8, 2147483648), VT_UI4, S_OK, Uns(VT_UI4, 2147483648u), 0},
    {Int(VT_I8, 4294967296), VT_UINT, DISP_E_OVERFLOW, kUnchecked, 0},
    {Uns(VT_UI4, UINT32_MAX), VT_I4, S_OK, Int(VT_I4, -1), 0},
    {Int(VT_INT, -1), VT_UINT, S_OK, Uns(VT_UINT, UINT32_MAX), 0},
    {Int(VT_I1, -5), VT_UI1, S_OK, Uns(VT_UI1, 251), 0},
    {Uns(VT_UI2, 65535), VT_I2, S_OK, Int(VT_I2, -1), 0},
    {Int(VT_I8, -1), VT_UI8, S_OK, Uns(VT_UI8, kU64Max), 0},
    {Int(VT_I4, 16777217), VT_R4, S_OK, Real(VT_R4, 16777216), 0},
    {Int(VT_I2, -32768), VT_R8, S_OK, Real(VT_R8, -32768), 0},
    // VT_BOOL is 0 or -1, and -1 in every width.
    {Int(VT_I4, 5), VT_BOOL, S_OK, Int(VT_BOOL, VARIANT_TRUE), 0},
    {Int(VT_I4, 0), VT_BOOL, S_OK, Int(VT_BOOL, VARIANT_FALSE), 0},
    {Real(VT_R8, 0.4), VT_BOOL, S_OK, Int(VT_BOOL, VARIANT_TRUE), 0},
    {Uns(VT_UI8, uint64_t{1} << 40), VT_BOOL, S_OK, Int(VT_BOOL, VARIANT_TRUE), 0},
    {Int(VT_BOOL, VARIANT_TRUE), VT_I4, S_OK, Int(VT_I4, -1), 0},
    {Int(VT_BOOL, VARIANT_TRUE), VT_R8, S_OK, Real(VT_R8, -1), 0},
    {Int(VT_BOOL, VARIANT_TRUE), VT_UI1, S_OK, Uns(VT_UI1, 255), 0},
    {Int(VT_BOOL, VARIANT_TRUE), VT_UI2, S_OK, Uns(VT_UI2, 65535), 0},
    {Int(VT_BOOL, VARIANT_TRUE), VT_BSTR, S_OK, Text(OLESTR("-1")), 0},
    {Int(VT_BOOL, VARIANT_FALSE), VT_BSTR, S_OK, Text(OLESTR("0")), 0},
    {Int(VT_BOOL, VARIANT_TRUE), VT_BSTR, S_OK, Text(OLESTR("True")), VARIANT_ALPHABOOL},
    {Int(VT_BOOL, VARIANT_FALSE), VT_BSTR, S_OK, Text(OLESTR("False")), VARIANT_ALPHABOOL},
    {Text(OLESTR("True")), VT_BOOL, S_OK, Int(VT_BOOL, VARIANT_TRUE), 0},
    {Text(OLESTR("FALSE")), VT_BOOL, S_OK, Int(VT_BOOL, VARIANT_FALSE), 0},
    {Text(OLESTR("1")), VT_BOOL, S_OK, Int(VT_BOOL, VARIANT_TRUE), 0},
    {Text(OLESTR("0.0")), VT_BOOL, S_OK, Int(VT_BOOL, VARIANT_FALSE), 0},
    {Text(OLESTR("Yes")), VT_BOOL, DISP_E_TYPEMISMATCH, kUnchecked, 0},
    {Text(OLESTR("True")), VT_I4, DISP_E_TYPEMISMATCH, kUnchecked, 0},
    // VT_EMPTY is zero or empty text; anything but VT_NULL empties.
    {kEmpty, VT_I4, S_OK, Int(VT_I4, 0), 0},
    {kEmpty, VT_UI8, S_OK, Uns(VT_UI8, 0), 0},
    {kEmpty, VT_R8, S_OK, Real(VT_R8, 0), 0},
    {kEmpty, VT_BOOL, S_OK, Int(VT_BOOL, VARIANT_FALSE), 0},
    {kEmpty, VT_BSTR, S_OK, Text(OLESTR("")), 0},
    {Int(VT_I4, 7), VT_EMPTY, S_OK, kEmpty, 0},
    {Text(OLESTR("x")), VT_EMPTY, S_OK, kEmpty, 0},
    // Text to numbers.
    {Text(OLESTR(" 42 ")), VT_I4, S_OK, Int(VT_I4, 42), 0},
    {Text(OLESTR("+42")), VT_UI1, S_OK, Uns(VT_UI1, 42), 0},
    {Text(OLESTR("-42")), VT_I8, S_OK, Int(VT_I8, -42), 0},
    {Text(OLESTR("-42")), VT_UI4, DISP_E_OVERFLOW, kUnchecked, 0},
    {Text(OLESTR("2.5")), VT_I4, S_OK, Int(VT_I4, 2), 0},
    {Text(OLESTR("3.5")), VT_I4, S_OK, Int(VT_I4, 4), 0},
    {Text(OLESTR("-2.5")), VT_I2, S_OK, Int(VT_I2, -2), 0},
    {Text(OLESTR(".5")), VT_R8, S_OK, Real(VT_R8, 0.5), 0},
    {Text(OLESTR("5.")), VT_I4, S_OK, Int(VT_I4, 5), 0},
    {Text(OLESTR("1e3")), VT_I4, S_OK, Int(VT_I4, 1000), 0},
    {Text(OLESTR("1e3")), VT_I1, DISP_E_OVERFLOW, kUnchecked, 0},
    {Text(OLESTR("1.5E+2")), VT_UI1, S_OK, Uns(VT_UI1, 150), 0},
    {Text(OLESTR("128")), VT_I1, DISP_E_OVERFLOW, kUnchecked, 0},
    {Text(OLESTR("-2147483648")), VT_I4, S_OK, Int(VT_I4, INT32_MIN), 0},
    {Text(OLESTR("2147483648")), VT_I4, DISP_E_OVERFLOW, kUnchecked, 0},
    {Text(OLESTR("9223372036854775807")), VT_I8, S_OK, Int(VT_I8, INT64_MAX), 0},
    {Text(OLESTR("9223372036854775808")), VT_I8, DISP_E_OVERFLOW, kUnchecked, 0},
    {Text(OLESTR("-9223372036854775809")), VT_I8, DISP_E_OVERFLOW, kUnchecked, 0},
    {Text(OLESTR("18446744073709551615")), VT_UI8, S_OK, Uns(VT_UI8, kU64Max), 0},
    {Text(OLESTR("18446744073709551616")), VT_UI8, DISP_E_OVERFLOW, kUnchecked, 0},
    {Text(OLESTR("0.1")), VT_R8, S_OK, Real(VT_R8, 0.1), 0},
    {Text(OLESTR("0.1")), VT_R4, S_OK, Real(VT_R4, 0.1), 0},
    {Text(OLESTR("1e39")), VT_R4, DISP_E_OVERFLOW, kUnchecked, 0},
    {Text(OLESTR("1e400")), VT_R8, DISP_E_OVERFLOW, kUnchecked, 0},
    {Text(OLESTR("12345678901234567890123")), VT_R8, S_OK, Real(VT_R8, 1.2345678901234568e22), 0},
    {Text(OLESTR("4 2")), VT_I4, DISP_E_TYPEMISMATCH, kUnchecked, 0},
    {Text(OLESTR("42x")), VT_I4, DISP_E_TYPEMISMATCH, kUnchecked, 0},
    {Text(OLESTR("0x10")), VT_I4, DISP_E_TYPEMISMATCH, kUnchecked, 0},
    {Text(OLESTR("1..2")), VT_R8, DISP_E_TYPEMISMATCH, kUnchecked, 0},
    {Text(OLESTR("-")), VT_R8, DISP_E_TYPEMISMATCH, kUnchecked, 0},
    {Text(OLESTR("   ")), VT_I4, DISP_E_TYPEMISMATCH, kUnchecked, 0},
    {Text(OLESTR("")), VT_R8, DISP_E_TYPEMISMATCH, kUnchecked, 0},
    {Text(nullptr), VT_I4, DISP_E_TYPEMISMATCH, kUnchecked, 0},
    // Numbers to text.
    {Real(VT_R8, 0.1), VT_BSTR, S_OK, Text(OLESTR("0.1")), 0},
    {Real(VT_R8, 1e20), VT_BSTR, S_OK, Text(OLESTR("1E+20")), 0},
    {Real(VT_R8, 1e15), VT_BSTR, S_OK, Text(OLESTR("1E+15")), 0},
    {Real(VT_R8, 1e14), VT_BSTR, S_OK, Text(OLESTR("100000000000000")), 0},
    {Real(VT_R8, 2.0 / 3), VT_BSTR, S_OK, Text(OLESTR("0.666666666666667")), 0},
    {Real(VT_R8, 1234567890123456.0), VT_BSTR, S_OK, Text(OLESTR("1.23456789012346E+15")), 0},
    {Real(VT_R8, -2.5), VT_BSTR, S_OK, Text(OLESTR("-2.5")), 0},
    {Real(VT_R8, -0.0), VT_BSTR, S_OK, Text(OLESTR("0")), 0},
    {Real(VT_R4, 0.1), VT_BSTR, S_OK, Text(OLESTR("0.1")), 0},
    {Real(VT_R4, 1.0 / 3), VT_BSTR, S_OK, Text(OLESTR("0.3333333")), 0},
    {Real(VT_R4, 12345678), VT_BSTR, S_OK, Text(OLESTR("1.234568E+07")), 0},
    {Int(VT_I4, -42), VT_BSTR, S_OK, Text(OLESTR("-42")), 0},
    {Int(VT_I1, -5), VT_BSTR, S_OK, Text(OLESTR("-5")), 0},
    {Uns(VT_UI4, UINT32_MAX), VT_BSTR, S_OK, Text(OLESTR("4294967295")), 0},
    {Uns(VT_UI8, kU64Max), VT_BSTR, S_OK, Text(OLESTR("18446744073709551615")), 0},
    {Int(VT_I8, INT64_MIN), VT_BSTR, S_OK, Text(OLESTR("-9223372036854775808")), 0},
    {Text(OLESTR("x")), VT_BSTR, S_OK, Text(OLESTR("x")), 0},
    {Text(nullptr), VT_BSTR, S_OK, Text(OLESTR("")), 0},
};
// clang-format on

// Each row twice: into another VARIANT, which a failure leaves as it was, and in place.
TEST(VariantChangeType, ConvertsAsWindowsDoes) {
    for (size_t row = 0; row < std::size(kConversions); ++row) {
        const Conversion& c = kConversions[row];
        SCOPED_TRACE(testing::Message()
                     << "row " << row << ": vt " << c.from.vt << " to vt " << c.to);
        VARIANT src = Make(c.from);
        VARIANT dst = Make(Text(OLESTR("untouched")));
        EXPECT_EQ(c.hr, VariantChangeType(&dst, &src, c.flags, c.to));
        ExpectHolds(SUCCEEDED(c.hr) ? c.expected : Text(OLESTR("untouched")), dst);
        ExpectHolds(c.from, src);
        VariantClear(&src);
        VariantClear(&dst);

        VARIANT v = Make(c.from);
        EXPECT_EQ(c.hr, VariantChangeType(&v, &v, c.flags, c.to));
        ExpectHolds(SUCCEEDED(c.hr) ? c.expected : c.from, v);
        VariantClear(&v);
    }
}

TEST(VariantChangeType, InterfaceConvertsOnlyToItselfAndIsCountedOnce) {
    CountingUnknown object;
    VARIANT unknown;
    VariantInit(&unknown);
    unknown.vt = VT_UNKNOWN;
    unknown.punkVal = &object;
    object.AddRef();

    for (VARTYPE to : {VT_I4, VT_BOOL, VT_R8, VT_BSTR}) {
        SCOPED_TRACE(to);
        VARIANT dst;
        VariantInit(&dst);
        EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&dst, &unknown, 0, to));
        EXPECT_EQ(VT_EMPTY, dst.vt);
    }
    VARIANT number = Make(Int(VT_I4, 1));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&number, &number, 0, VT_UNKNOWN));

    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(S_OK, VariantChangeType(&copy, &unknown, 0, VT_UNKNOWN));
    EXPECT_EQ(&object, copy.punkVal);
    EXPECT_EQ(3u, object.Refs());
    ASSERT_EQ(S_OK, VariantChangeType(&copy, &copy, 0, VT_UNKNOWN));
    EXPECT_EQ(3u, object.Refs());
    ASSERT_EQ(S_OK, VariantChangeType(&copy, &copy, 0, VT_EMPTY));
    EXPECT_EQ(2u, object.Refs());
    VariantClear(&unknown);
    EXPECT_EQ(1u, object.Refs());
}

TEST(VariantChangeType, ReadsThroughAReference) {
    LONG number = 77;
    VARIANT inner = Make(Real(VT_R8, 2.5));
    VARIANT refs[3];
    for (VARIANT& r : refs)
        VariantInit(&r);
    refs[0].vt = VT_BYREF | VT_I4;
    refs[0].byref = &number;
    refs[1].vt = VT_BYREF | VT_VARIANT;
    refs[1].pvarVal = &inner;
    refs[2].vt = VT_BYREF | VT_I4;

    VARIANT dst;
    VariantInit(&dst);
    ASSERT_EQ(S_OK, VariantChangeType(&dst, &refs[0], 0, VT_BSTR));
    ExpectHolds(Text(OLESTR("77")), dst);
    ASSERT_EQ(S_OK, VariantChangeType(&dst, &refs[1], 0, VT_I4));
    ExpectHolds(Int(VT_I4, 2), dst);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&dst, &refs[2], 0, VT_I4));
    ExpectHolds(Int(VT_I4, 2), dst);
}

TEST(SystemMessageText, KnownCodesHaveOneLineAndUnknownNone) {
    const HRESULT known[] = {S_OK,      E_FAIL,         E_INVALIDARG, E_OUTOFMEMORY,
                             E_NOTIMPL, E_ACCESSDENIED, E_HANDLE,     HRESULT_FROM_WIN32(2)};
    for (HRESULT code : known) {
        SCOPED_TRACE(testing::Message() << std::hex << code);
        const std::basic_string<OLECHAR> text = orvel::SystemMessageText(code);
        ASSERT_FALSE(text.empty());
        EXPECT_NE(OLECHAR('\n'), text.back());
        EXPECT_NE(OLECHAR('\r'), text.back());
    }
    EXPECT_TRUE(orvel::SystemMessageText(2) == orvel::SystemMessageText(HRESULT_FROM_WIN32(2)));
    EXPECT_TRUE(orvel::SystemMessageText(static_cast<HRESULT>(0x12345678)).empty());
}

} // namespace

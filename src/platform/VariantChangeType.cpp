// VariantChangeType where OLE automation is missing: the conversions between the scalar
// tags, BSTR and IUnknown, with the results Windows gives in its default locale.
#include "platform/Variant.h"

#if !ORVEL_WINDOWS

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <locale.h>
#include <new>
#include <string>

namespace {

// A number on its way between tags: integers exactly, reals as double.
struct Number {
    bool isReal = false;
    double real = 0;
    bool negative = false; // an integer below zero
    uint64_t bits = 0;     // an integer in two's complement
    // An integer goes bit for bit into a tag of this many bytes, with no range check.
    unsigned width = 0;
    // Text of a whole number beyond 64 bits: a real, but never rounded into an integer tag.
    bool pastIntegers = false;
};

// A VT_BOOL goes bit for bit into every integer tag, cut to its width.
constexpr unsigned kAnyWidth = 0xFF;

Number FromSigned(int64_t value, unsigned width) {
    Number n;
    n.negative = value < 0;
    n.bits = static_cast<uint64_t>(value);
    n.width = width;
    return n;
}

Number FromUnsigned(uint64_t value, unsigned width) {
    Number n;
    n.bits = value;
    n.width = width;
    return n;
}

Number FromReal(double value) {
    Number n;
    n.isReal = true;
    n.real = value;
    return n;
}

struct IntegerTag {
    VARTYPE vt;
    unsigned bytes;
    bool isSigned;
};

constexpr IntegerTag kIntegerTags[] = {
    {VT_I1, 1, true}, {VT_UI1, 1, false}, {VT_I2, 2, true},  {VT_UI2, 2, false},
    {VT_I4, 4, true}, {VT_UI4, 4, false}, {VT_INT, 4, true}, {VT_UINT, 4, false},
    {VT_I8, 8, true}, {VT_UI8, 8, false},
};

const IntegerTag* FindIntegerTag(VARTYPE vt) {
    for (const IntegerTag& tag : kIntegerTags)
        if (tag.vt == vt) return &tag;
    return nullptr;
}

// The tags this layer converts from and to.
bool IsCarried(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_R4:
    case VT_R8:
    case VT_BOOL:
    case VT_BSTR:
    case VT_UNKNOWN:
        return true;
    default:
        return FindIntegerTag(vt) != nullptr;
    }
}

// Bytes of a by-reference target; 0 for tags not carried by reference.
size_t ValueSize(VARTYPE vt) {
    if (const IntegerTag* tag = FindIntegerTag(vt)) return tag->bytes;
    switch (vt) {
    case VT_BOOL:
        return sizeof(VARIANT_BOOL);
    case VT_R4:
        return sizeof(FLOAT);
    case VT_R8:
        return sizeof(DOUBLE);
    case VT_BSTR:
        return sizeof(BSTR);
    case VT_UNKNOWN:
        return sizeof(IUnknown*);
    default:
        return 0;
    }
}

// A by-reference source is read through its pointer into a view that owns nothing.
HRESULT Dereference(const VARIANT& src, VARIANT& view) {
    view = src;
    if (!(src.vt & VT_BYREF)) return S_OK;
    if (!src.byref) return DISP_E_TYPEMISMATCH;
    const VARTYPE base = src.vt & static_cast<VARTYPE>(~VT_BYREF);
    if (base == VT_VARIANT) {
        view = *src.pvarVal;
        return (view.vt & VT_BYREF) ? E_INVALIDARG : S_OK;
    }
    const size_t size = ValueSize(base);
    if (!size) return DISP_E_BADVARTYPE;
    VariantInit(&view);
    view.vt = base;
    std::memcpy(&view.llVal, src.byref, size);
    return S_OK;
}

// Numbers are written and read with '.' whatever locale the host process has chosen.
class ClassicNumbers {
public:
    ClassicNumbers() {
        static const locale_t classic = newlocale(LC_NUMERIC_MASK, "C", locale_t{});
        if (classic) m_previous = uselocale(classic);
    }
    ~ClassicNumbers() {
        if (m_previous) uselocale(m_previous);
    }
    ClassicNumbers(const ClassicNumbers&) = delete;
    ClassicNumbers& operator=(const ClassicNumbers&) = delete;

private:
    locale_t m_previous = locale_t{};
};

bool IsBlank(OLECHAR c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(OLECHAR c) {
    return c >= '0' && c <= '9';
}

// Reads [blanks][sign]digits[.digits][E[sign]digits][blanks]. Plain digits stay an exact
// integer when they fit 64 bits; anything else becomes a double.
HRESULT ParseNumber(BSTR text, Number& n) {
    UINT begin = 0;
    UINT end = text ? SysStringLen(text) : 0;
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;

    std::string ascii; // what strtod reads
    ascii.reserve(end - begin);
    UINT i = begin;
    const bool negative = i < end && text[i] == '-';
    if (i < end && (text[i] == '+' || text[i] == '-')) ascii += static_cast<char>(text[i++]);

    bool integral = true;
    bool tooWide = false;
    uint64_t magnitude = 0;
    UINT digits = 0;
    for (; i < end && IsDigit(text[i]); ++i, ++digits) {
        const unsigned digit = text[i] - '0';
        if (magnitude > (UINT64_MAX - digit) / 10) tooWide = true;
        magnitude = magnitude * 10 + digit;
        ascii += static_cast<char>(text[i]);
    }
    if (i < end && text[i] == '.') {
        integral = false;
        ascii += '.';
        for (++i; i < end && IsDigit(text[i]); ++i, ++digits)
            ascii += static_cast<char>(text[i]);
    }
    if (digits == 0) return DISP_E_TYPEMISMATCH;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        integral = false;
        ascii += 'e';
        if (++i < end && (text[i] == '+' || text[i] == '-')) ascii += static_cast<char>(text[i++]);
        UINT exponentDigits = 0;
        for (; i < end && IsDigit(text[i]); ++i, ++exponentDigits)
            ascii += static_cast<char>(text[i]);
        if (exponentDigits == 0) return DISP_E_TYPEMISMATCH;
    }
    if (i != end) return DISP_E_TYPEMISMATCH;

    // "-0" stays a real so that VT_R8 keeps its sign, as on Windows.
    const uint64_t lowest = uint64_t{1} << 63;
    if (integral && !tooWide && magnitude != 0 && negative && magnitude <= lowest) {
        n = FromSigned(static_cast<int64_t>(0 - magnitude), 0);
        return S_OK;
    }
    if (integral && !tooWide && !negative) {
        n = FromUnsigned(magnitude, 0);
        return S_OK;
    }
    ClassicNumbers classic;
    const double value = std::strtod(ascii.c_str(), nullptr);
    if (std::isinf(value)) return DISP_E_OVERFLOW;
    n = FromReal(value);
    n.pastIntegers = integral && (tooWide || magnitude > lowest);
    return S_OK;
}

HRESULT ReadNumber(const VARIANT& v, Number& n) {
    switch (v.vt) {
    case VT_EMPTY:
        n = FromUnsigned(0, 0);
        return S_OK;
    case VT_I1:
        n = FromSigned(v.cVal, 1);
        return S_OK;
    case VT_UI1:
        n = FromUnsigned(v.bVal, 1);
        return S_OK;
    case VT_I2:
        n = FromSigned(v.iVal, 2);
        return S_OK;
    case VT_UI2:
        n = FromUnsigned(v.uiVal, 2);
        return S_OK;
    case VT_I4:
    case VT_INT:
        n = FromSigned(v.lVal, 4);
        return S_OK;
    case VT_UI4:
    case VT_UINT:
        n = FromUnsigned(v.ulVal, 4);
        return S_OK;
    case VT_I8:
        n = FromSigned(v.llVal, 8);
        return S_OK;
    case VT_UI8:
        n = FromUnsigned(v.ullVal, 8);
        return S_OK;
    case VT_BOOL:
        n = FromSigned(v.boolVal, kAnyWidth);
        return S_OK;
    case VT_R4:
        n = FromReal(v.fltVal);
        return S_OK;
    case VT_R8:
        n = FromReal(v.dblVal);
        return S_OK;
    case VT_BSTR:
        return ParseNumber(v.bstrVal, n);
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

bool Fits(const Number& n, const IntegerTag& tag) {
    const unsigned bits = tag.bytes * 8;
    if (n.negative) {
        if (!tag.isSigned) return false;
        return bits == 64 || static_cast<int64_t>(n.bits) >= -(int64_t{1} << (bits - 1));
    }
    const unsigned valueBits = tag.isSigned ? bits - 1 : bits;
    return valueBits == 64 || n.bits < (uint64_t{1} << valueBits);
}

// Half-way values go to the even neighbour, as Windows rounds.
HRESULT RoundToInteger(double x, const IntegerTag& tag, Number& n) {
    if (std::isnan(x)) return DISP_E_OVERFLOW;
    double whole = std::floor(x);
    const double fraction = x - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    const int bits = static_cast<int>(tag.bytes * 8);
    const double limit = std::ldexp(1.0, tag.isSigned ? bits - 1 : bits);
    if (!(whole >= (tag.isSigned ? -limit : 0.0) && whole < limit)) return DISP_E_OVERFLOW;
    n = whole < 0 ? FromSigned(static_cast<int64_t>(whole), tag.bytes)
                  : FromUnsigned(static_cast<uint64_t>(whole), tag.bytes);
    return S_OK;
}

HRESULT StoreInteger(Number n, const IntegerTag& tag, VARIANT& out) {
    if (n.pastIntegers) return DISP_E_OVERFLOW;
    if (n.isReal) {
        const HRESULT hr = RoundToInteger(n.real, tag, n);
        if (FAILED(hr)) return hr;
    } else if (n.width != tag.bytes && n.width != kAnyWidth && !Fits(n, tag)) {
        return DISP_E_OVERFLOW;
    }
    switch (tag.bytes) {
    case 1:
        out.bVal = static_cast<BYTE>(n.bits);
        break;
    case 2:
        out.uiVal = static_cast<USHORT>(n.bits);
        break;
    case 4:
        out.ulVal = static_cast<ULONG>(n.bits);
        break;
    default:
        out.ullVal = n.bits;
        break;
    }
    out.vt = tag.vt;
    return S_OK;
}

HRESULT StoreReal(const Number& n, VARTYPE vt, VARIANT& out) {
    const int64_t asSigned = static_cast<int64_t>(n.bits);
    if (vt == VT_R8) {
        out.dblVal = n.isReal     ? n.real
                     : n.negative ? static_cast<double>(asSigned)
                                  : static_cast<double>(n.bits);
    } else if (n.isReal) {
        if (std::isinf(n.real) || std::fabs(n.real) > FLT_MAX) return DISP_E_OVERFLOW;
        out.fltVal = static_cast<float>(n.real);
    } else {
        // From the integer itself: one rounding, not two through double.
        out.fltVal = n.negative ? static_cast<float>(asSigned) : static_cast<float>(n.bits);
    }
    out.vt = vt;
    return S_OK;
}

HRESULT StoreText(const char* ascii, VARIANT& out) {
    OLECHAR wide[64];
    UINT length = 0;
    for (; ascii[length] && length < std::size(wide); ++length)
        wide[length] = static_cast<OLECHAR>(ascii[length]);
    out.bstrVal = SysAllocStringLen(wide, length);
    if (!out.bstrVal) return E_OUTOFMEMORY;
    out.vt = VT_BSTR;
    return S_OK;
}

// Reals as %G with 15 (VT_R8) or 7 (VT_R4) significant digits; zero never shows a sign.
HRESULT StoreRealText(double value, int digits, VARIANT& out) {
    char text[48];
    ClassicNumbers classic;
    std::snprintf(text, sizeof text, "%.*G", digits, value == 0 ? 0.0 : value);
    return StoreText(text, out);
}

HRESULT ToText(const VARIANT& source, USHORT flags, VARIANT& out) {
    switch (source.vt) {
    case VT_BSTR:
        // By bytes, so that an odd byte count copies exactly; a null BSTR becomes empty.
        out.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source.bstrVal),
                                            SysStringByteLen(source.bstrVal));
        if (!out.bstrVal) return E_OUTOFMEMORY;
        out.vt = VT_BSTR;
        return S_OK;
    case VT_EMPTY:
        return StoreText("", out);
    case VT_R4:
        return StoreRealText(source.fltVal, 7, out);
    case VT_R8:
        return StoreRealText(source.dblVal, 15, out);
    case VT_BOOL:
        if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))
            return StoreText(source.boolVal ? "True" : "False", out);
        break;
    default:
        break;
    }
    Number n;
    const HRESULT hr = ReadNumber(source, n);
    if (FAILED(hr)) return hr;
    char text[24];
    if (n.negative)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(n.bits));
    else
        std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(n.bits));
    return StoreText(text, out);
}

// "True" and "False" in any letter case; 1 for true, 0 for false, -1 for neither.
int BoolName(BSTR text) {
    static const char* const kNames[] = {"false", "true"};
    const UINT length = text ? SysStringLen(text) : 0;
    for (int value = 0; value < 2; ++value) {
        const char* name = kNames[value];
        if (length != std::strlen(name)) continue;
        UINT i = 0;
        while (i < length && (text[i] | 0x20) == name[i])
            ++i;
        if (i == length) return value;
    }
    return -1;
}

HRESULT ToBool(const VARIANT& source, VARIANT& out) {
    int value = source.vt == VT_BSTR ? BoolName(source.bstrVal) : -1;
    if (value < 0) {
        Number n;
        const HRESULT hr = ReadNumber(source, n);
        if (FAILED(hr)) return hr;
        value = n.isReal ? n.real != 0 : n.bits != 0;
    }
    out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    out.vt = VT_BOOL;
    return S_OK;
}

// Fills out (VT_EMPTY on entry), which owns what it holds only when this succeeds.
HRESULT Convert(const VARIANT& source, USHORT flags, VARTYPE vt, VARIANT& out) {
    if (vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
    if (!IsCarried(source.vt) || !IsCarried(vt)) return DISP_E_BADVARTYPE;
    switch (vt) {
    case VT_EMPTY:
        return source.vt == VT_NULL ? DISP_E_TYPEMISMATCH : S_OK;
    case VT_NULL:
        out.vt = VT_NULL;
        return S_OK;
    case VT_UNKNOWN:
        if (source.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
        out = source;
        if (out.punkVal) out.punkVal->AddRef();
        return S_OK;
    case VT_BSTR:
        return ToText(source, flags, out);
    default:
        break;
    }
    // A scalar keeps its value as it is, even a VT_BOOL other than 0 and -1.
    if (source.vt == vt) {
        out = source;
        return S_OK;
    }
    if (vt == VT_BOOL) return ToBool(source, out);
    Number n;
    const HRESULT hr = ReadNumber(source, n);
    if (FAILED(hr)) return hr;
    if (vt == VT_R4 || vt == VT_R8) return StoreReal(n, vt, out);
    return StoreInteger(n, *FindIntegerTag(vt), out);
}

} // namespace

HRESULT VariantChangeType(VARIANTARG* dest, VARIANTARG* src, USHORT flags, VARTYPE vt) {
    if (!dest || !src) return E_INVALIDARG;
    VARIANT source;
    HRESULT hr = Dereference(*src, source);
    if (FAILED(hr)) return hr;

    // The result is built apart, so that a failure leaves dest as it was and dest may be src.
    VARIANT out;
    VariantInit(&out);
    try {
        hr = Convert(source, flags, vt, out);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) return hr;
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&out);
        return hr;
    }
    *dest = out;
    return S_OK;
}

#endif // !ORVEL_WINDOWS

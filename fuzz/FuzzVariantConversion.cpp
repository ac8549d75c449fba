// Converts VARIANTs of arbitrary tags and bytes to arbitrary tags, in place and into a
// second VARIANT, and shows them as text and type names. Input: two bytes of source tag,
// two of target tag, one of radix, then the value part (or the text of a BSTR). Beyond
// the sanitizers' checks: a failed conversion leaves its destination as it was, and a
// successful one gives the tag asked for.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "binder/VariantText.h"
#include "platform/Bstr.h"
#include "platform/Variant.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "FuzzVariantConversion: %s\n", what);
    std::abort();
}

// Tags whose value part holds no pointer: anything else would make the fuzzer's bytes an
// address. BSTR is built from the input instead.
bool PlainTag(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_BOOL:
    case VT_ERROR:
    case VT_CY:
    case VT_DATE:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const VARTYPE from = static_cast<VARTYPE>(data[0] | data[1] << 8);
    const VARTYPE to = static_cast<VARTYPE>(data[2] | data[3] << 8);
    const DWORD radix = data[4];
    data += 5;
    size -= 5;

    VARIANT source;
    VariantInit(&source);
    if (from == VT_BSTR) {
        std::vector<OLECHAR> text(size / 2);
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<OLECHAR>(data[2 * i] | data[2 * i + 1] << 8);
        source.vt = VT_BSTR;
        source.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!source.bstrVal) return 0;
    } else if (PlainTag(from)) {
        source.vt = from;
        std::memcpy(&source.llVal, data, size < 8 ? size : 8);
    } else {
        return 0;
    }

    VARIANT copy;
    VariantInit(&copy);
    copy.vt = VT_I4;
    copy.lVal = 12345;
    const HRESULT hr = VariantChangeType(&copy, &source, 0, to);
    if (FAILED(hr) && (copy.vt != VT_I4 || copy.lVal != 12345))
        Fail("a failed conversion changed its destination");
    if (SUCCEEDED(hr) && copy.vt != to) Fail("the conversion gave another tag");

    BSTR text = nullptr;
    if (SUCCEEDED(VariantValueText(radix, nullptr, &source, &text))) SysFreeString(text);
    if (SUCCEEDED(VariantTypeName(&source, &text))) SysFreeString(text);
    if (SUCCEEDED(hr)) {
        if (SUCCEEDED(VariantValueText(radix, nullptr, &copy, &text))) SysFreeString(text);
    }

    // In place, as the binder layer converts.
    VariantChangeType(&source, &source, 0, to);
    VariantClear(&source);
    VariantClear(&copy);
    return 0;
}

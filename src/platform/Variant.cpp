#include "platform/Variant.h"

#if !ORVEL_WINDOWS

#include <cstring>

namespace {

// Tags whose value is plain bytes (nothing to free or count).
bool IsPlainScalar(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_ERROR:
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
        return true;
    default:
        return false;
    }
}

bool IsOwnedInterface(VARTYPE vt) {
    return vt == VT_UNKNOWN || vt == VT_DISPATCH;
}

bool IsSupported(VARTYPE vt) {
    if (vt & VT_BYREF) {
        // A reference to a VARIANT is fine; to EMPTY or NULL means nothing.
        const VARTYPE base = vt & static_cast<VARTYPE>(~VT_BYREF);
        if (base == VT_VARIANT) return true;
        if (base == VT_EMPTY || base == VT_NULL) return false;
        return IsSupported(base);
    }
    return IsPlainScalar(vt) || vt == VT_BSTR || IsOwnedInterface(vt);
}

} // namespace

void VariantInit(VARIANTARG* v) {
    if (v) std::memset(v, 0, sizeof *v);
}

HRESULT VariantClear(VARIANTARG* v) {
    if (!v) return E_INVALIDARG;
    if (!IsSupported(v->vt)) return DISP_E_BADVARTYPE;
    if (v->vt == VT_BSTR) {
        SysFreeString(v->bstrVal);
    } else if (IsOwnedInterface(v->vt) && v->punkVal) {
        v->punkVal->Release();
    }
    v->vt = VT_EMPTY;
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dst, VARIANTARG* src) {
    if (!dst || !src) return E_INVALIDARG;
    if (dst == src) return S_OK;
    if (!IsSupported(src->vt)) return DISP_E_BADVARTYPE;
    HRESULT hr = VariantClear(dst);
    if (FAILED(hr)) return hr;

    if (src->vt == VT_BSTR) {
        // By bytes, so that a BSTR holding an odd byte count copies exactly. A null BSTR
        // copies as an empty one, as on Windows.
        BSTR copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src->bstrVal),
                                          SysStringByteLen(src->bstrVal));
        if (!copy) return E_OUTOFMEMORY;
        *dst = *src;
        dst->bstrVal = copy;
        return S_OK;
    }
    *dst = *src;
    if (IsOwnedInterface(dst->vt) && dst->punkVal) dst->punkVal->AddRef();
    return S_OK;
}

#endif // !ORVEL_WINDOWS

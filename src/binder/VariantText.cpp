#include "binder/VariantText.h"

#include <cinttypes>
#include <cstdio>

#include "binder/FieldValues.h"
#include "host/HostInterfaces.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/MessageTable.h"

using orvel::ComPtr;
using orvel::NullArg;

namespace {

struct TypeNameRow {
    VARTYPE vt;
    const OLECHAR* name;
};

constexpr TypeNameRow kTypeNames[] = {
    {VT_EMPTY, OLESTR("")},
    {VT_I1, OLESTR("INTEGER*1")},
    {VT_UI1, OLESTR("byte")},
    {VT_I2, OLESTR("INTEGER*2")},
    {VT_UI2, OLESTR("char")},
    {VT_I4, OLESTR("INTEGER*4")},
    {VT_UI4, OLESTR("unsigned int")},
    {VT_I8, OLESTR("INTEGER*8")},
    {VT_UI8, OLESTR("unsigned int64")},
    {VT_R4, OLESTR("REAL*4")},
    {VT_R8, OLESTR("REAL*8")},
    {VT_BSTR, OLESTR("string")},
    {VT_BOOL, OLESTR("bool")},
    {VT_VOID, OLESTR("void")},
};

// A value text: at most Capacity - 1 characters; appends beyond that are cut.
class TextBuffer {
public:
    static constexpr int Capacity = 128;

    // Narrow text in the system code page.
    void AppendNarrow(const char* text, int length = -1) {
        m_length += orvel::NarrowToWide(text, length, m_text + m_length, Capacity - m_length);
    }
    void AppendWide(const OLECHAR* text) {
        for (; text && *text && m_length < Capacity - 1; ++text)
            m_text[m_length++] = *text;
        m_text[m_length] = 0;
    }
    bool Empty() const { return m_length == 0; }
    BSTR ToBstr() const { return SysAllocStringLen(m_text, static_cast<UINT>(m_length)); }

private:
    OLECHAR m_text[Capacity] = {};
    int m_length = 0;
};

void ClearToEmpty(VARIANT* v) {
    // A tag we cannot clear owns nothing we know how to free.
    if (FAILED(VariantClear(v))) VariantInit(v);
}

HRESULT AsField(IUnknown* unknown, ComPtr<IDebugField>& field) {
    HRESULT hr = ComPtr<IUnknown>(unknown).As(IID_IDebugField, field);
    if (SUCCEEDED(hr) && !field) hr = E_NOINTERFACE;
    return hr;
}

// The numeric tags in narrow text; false for a tag that is not one of them.
bool FormatNumber(const VARIANT& v, bool hex, char* out, size_t size) {
    switch (v.vt) {
    case VT_I1:
        if (hex) {
            std::snprintf(out, size, "0x%hx",
                          static_cast<unsigned short>(static_cast<short>(v.cVal)));
        } else {
            out[0] = v.cVal;
            out[1] = '\0';
        }
        return true;
    case VT_UI1:
        std::snprintf(out, size, hex ? "0x%hx" : "%hu", static_cast<unsigned short>(v.bVal));
        return true;
    case VT_I2:
        if (hex)
            std::snprintf(out, size, "0x%hx", static_cast<unsigned short>(v.iVal));
        else
            std::snprintf(out, size, "%hi", static_cast<short>(v.iVal));
        return true;
    case VT_UI2:
        std::snprintf(out, size, hex ? "0x%hx" : "%hu", static_cast<unsigned short>(v.uiVal));
        return true;
    case VT_I4:
        if (hex)
            std::snprintf(out, size, "0x%x", static_cast<unsigned>(v.lVal));
        else
            std::snprintf(out, size, "%i", static_cast<int>(v.lVal));
        return true;
    case VT_UI4:
        std::snprintf(out, size, hex ? "0x%x" : "%u", static_cast<unsigned>(v.ulVal));
        return true;
    case VT_I8:
        if (hex)
            std::snprintf(out, size, "0x%" PRIx64, static_cast<uint64_t>(v.llVal));
        else
            std::snprintf(out, size, "%" PRIi64, static_cast<int64_t>(v.llVal));
        return true;
    case VT_UI8:
        std::snprintf(out, size, hex ? "0x%" PRIx64 : "%" PRIu64, static_cast<uint64_t>(v.ullVal));
        return true;
    case VT_R4:
        std::snprintf(out, size, "%g", static_cast<double>(v.fltVal));
        return true;
    case VT_R8:
        std::snprintf(out, size, "%g", static_cast<double>(v.dblVal));
        return true;
    default:
        return false;
    }
}

// The value text of the field a VT_UNKNOWN VARIANT holds.
HRESULT FieldValueText(DWORD radix, IDebugBinder* binder, IUnknown* unknown, BSTR* out) {
    if (!unknown) return E_FAIL;
    ComPtr<IDebugField> field;
    HRESULT hr = AsField(unknown, field);
    if (FAILED(hr)) return hr;
    VARIANT value;
    hr = GetFieldValue(binder, field.get(), &value, nullptr);
    if (FAILED(hr)) return hr;
    hr = VariantValueText(radix, binder, &value, out);
    ClearToEmpty(&value);
    return hr;
}

} // namespace

HRESULT VariantTypeName(const VARIANT* pvarType, BSTR* pbstrName) {
    if (NullArg(pbstrName, "pbstrName")) return E_INVALIDARG;
    *pbstrName = nullptr;
    if (NullArg(pvarType, "pvarType")) return E_INVALIDARG;
    const OLECHAR* name = nullptr;
    for (const TypeNameRow& row : kTypeNames)
        if (row.vt == pvarType->vt) name = row.name;
    if (pvarType->vt == VT_UNKNOWN) {
        if (!pvarType->punkVal) return E_INVALIDARG;
        ComPtr<IDebugField> field;
        HRESULT hr = AsField(pvarType->punkVal, field);
        if (FAILED(hr)) return hr;
        FIELD_INFO info{};
        hr = field->GetInfo(FIF_NAME, &info);
        orvel::BstrHolder fullName(info.bstrFullName), fieldName(info.bstrName),
            type(info.bstrType);
        if (FAILED(hr)) return hr;
        if (fieldName.get()) {
            *pbstrName = fieldName.Detach();
            return S_OK;
        }
        name = OLESTR("");
    } else if (!name && (pvarType->vt & VT_BYREF)) {
        name = OLESTR("(pointer)");
    }
    if (!name) return E_FAIL;
    *pbstrName = SysAllocString(name);
    return *pbstrName ? S_OK : E_OUTOFMEMORY;
}

HRESULT VariantValueText(DWORD radix, IDebugBinder* binder, const VARIANT* pvarValue,
                         BSTR* pbstrText) {
    if (NullArg(pbstrText, "pbstrText")) return E_INVALIDARG;
    *pbstrText = nullptr;
    if (NullArg(pvarValue, "pvarValue")) return E_INVALIDARG;
    const VARIANT& v = *pvarValue;
    const bool hex = radix == 16;
    switch (v.vt) {
    case VT_EMPTY:
        *pbstrText = SysAllocString(OLESTR(""));
        return *pbstrText ? S_OK : E_OUTOFMEMORY;
    case VT_BSTR:
        if (!v.bstrVal) return E_FAIL;
        *pbstrText = SysAllocStringLen(v.bstrVal, SysStringLen(v.bstrVal));
        return *pbstrText ? S_OK : E_OUTOFMEMORY;
    case VT_UNKNOWN:
        return FieldValueText(radix, binder, v.punkVal, pbstrText);
    default:
        break;
    }

    TextBuffer text;
    char narrow[TextBuffer::Capacity];
    if (FormatNumber(v, hex, narrow, sizeof narrow)) {
        text.AppendNarrow(narrow);
    } else if (v.vt == VT_BOOL) {
        text.AppendWide(orvel::GetMessageText(v.boolVal ? orvel::kMsgTrue : orvel::kMsgFalse));
    } else if (v.vt == VT_VOID) {
        text.AppendNarrow("(void)");
    } else if (v.vt & VT_BYREF) {
        std::snprintf(narrow, sizeof narrow, "0x%x (pointer)", static_cast<unsigned>(v.ulVal));
        text.AppendNarrow(narrow);
    } else {
        if (hex)
            std::snprintf(narrow, sizeof narrow, "0x%x ", static_cast<unsigned>(v.ulVal));
        else
            std::snprintf(narrow, sizeof narrow, "%i ", static_cast<int>(v.lVal));
        text.AppendNarrow(narrow);
        text.AppendWide(orvel::GetMessageText(orvel::kMsgUnknownVariant));
    }
    if (text.Empty()) return E_FAIL;
    *pbstrText = text.ToBstr();
    return *pbstrText ? S_OK : E_OUTOFMEMORY;
}

HRESULT ResolveVariant(IDebugBinder* binder, VARIANT* pvarSource, VARIANT* pvarDest) {
    if (NullArg(pvarDest, "pvarDest")) return E_INVALIDARG;
    const bool inPlace = pvarSource == pvarDest;
    if (!inPlace) VariantInit(pvarDest);
    if (NullArg(pvarSource, "pvarSource")) return E_INVALIDARG;
    if (pvarSource->vt != VT_UNKNOWN || !pvarSource->punkVal) {
        if (inPlace) return S_OK;
        const HRESULT hr = VariantCopy(pvarDest, pvarSource);
        if (FAILED(hr)) ClearToEmpty(pvarDest);
        return hr;
    }
    ComPtr<IDebugField> field;
    const HRESULT hr = AsField(pvarSource->punkVal, field);
    // In place, the VARIANT's own reference goes now: the value replaces it.
    if (inPlace) ClearToEmpty(pvarDest);
    if (FAILED(hr)) return hr;
    return GetFieldValue(binder, field.get(), pvarDest, nullptr);
}

HRESULT ConvertVariant(IDebugBinder* binder, VARTYPE vt, VARIANT* pvarSource, VARIANT* pvarDest) {
    if (NullArg(pvarDest, "pvarDest")) return E_INVALIDARG;
    if (pvarSource != pvarDest) VariantInit(pvarDest);
    HRESULT hr = E_INVALIDARG;
    if (NullArg(pvarSource, "pvarSource") || NullArg(binder, "binder")) {
        hr = E_INVALIDARG;
    } else if (vt == VT_UNKNOWN) {
        hr = VariantChangeType(pvarDest, pvarSource, 0, VT_UNKNOWN);
    } else {
        hr = ResolveVariant(binder, pvarSource, pvarDest);
        if (SUCCEEDED(hr)) hr = VariantChangeType(pvarDest, pvarDest, 0, vt);
    }
    if (FAILED(hr)) ClearToEmpty(pvarDest);
    return hr;
}

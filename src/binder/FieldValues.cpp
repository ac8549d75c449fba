#include "binder/FieldValues.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "binder/VariantText.h"
#include "host/HostInterfaces.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/SystemMessage.h"

using orvel::ComPtr;
using orvel::NullArg;

namespace {

struct FieldTypeRow {
    const OLECHAR* name;
    DWORD size;
    VARTYPE vt;
};

// The first row whose name (letter case counts) and size both match gives the type.
constexpr FieldTypeRow kFieldTypes[] = {
    {OLESTR("string"), 0, VT_BSTR},
    {OLESTR("whole"), 1, VT_I1},
    {OLESTR("whole"), 2, VT_I2},
    {OLESTR("whole"), 4, VT_I4},
    {OLESTR("whole"), 8, VT_I8},
    {OLESTR("uwhole"), 1, VT_UI1},
    {OLESTR("uwhole"), 2, VT_UI2},
    {OLESTR("uwhole"), 4, VT_UI4},
    {OLESTR("uwhole"), 8, VT_UI8},
    {OLESTR("real"), 4, VT_R4},
    {OLESTR("real"), 8, VT_R8},
    {OLESTR("bool"), 1, VT_BOOL},
    {OLESTR("bool"), 2, VT_BOOL},
    {OLESTR("bool"), 4, VT_BOOL},
    {OLESTR("System.String"), 0, VT_BSTR},
    {OLESTR("System.SByte"), 1, VT_I1},
    {OLESTR("System.Int16"), 2, VT_I2},
    {OLESTR("System.Int32"), 4, VT_I4},
    {OLESTR("System.Int64"), 8, VT_I8},
    {OLESTR("System.Byte"), 1, VT_UI1},
    {OLESTR("System.Char"), 1, VT_UI2},
    {OLESTR("System.UInt16"), 2, VT_UI2},
    {OLESTR("System.UInt32"), 4, VT_UI4},
    {OLESTR("System.UInt64"), 8, VT_UI8},
    {OLESTR("System.Single"), 4, VT_R4},
    {OLESTR("System.Double"), 8, VT_R8},
    {OLESTR("System.Boolean"), 1, VT_BOOL},
    {OLESTR("System.Boolean"), 2, VT_BOOL},
    {OLESTR("System.Boolean"), 4, VT_BOOL},
};

// Larger values are refused as if memory had run out: no field shows that much, and a
// hostile size must not make us touch gigabytes.
constexpr UINT kMaxValueSize = 0x04000000;

bool SameText(const OLECHAR* a, const OLECHAR* b) {
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

VARTYPE TypeOfName(const OLECHAR* name, DWORD size) {
    for (const FieldTypeRow& row : kFieldTypes)
        if (row.size == size && SameText(row.name, name)) return row.vt;
    return VT_UNKNOWN;
}

void ClearToEmpty(VARIANT* v) {
    // A tag we cannot clear owns nothing we know how to free.
    if (FAILED(VariantClear(v))) VariantInit(v);
}

// A VARIANT of our own, cleared when it goes.
class OwnedVariant {
public:
    OwnedVariant() { VariantInit(&m_v); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;
    ~OwnedVariant() { ClearToEmpty(&m_v); }
    VARIANT* get() { return &m_v; }
    VARIANT* operator->() { return &m_v; }

private:
    VARIANT m_v;
};

HRESULT AsField(IUnknown* unknown, ComPtr<IDebugField>& field) {
    HRESULT hr = ComPtr<IUnknown>(unknown).As(IID_IDebugField, field);
    if (SUCCEEDED(hr) && !field) hr = E_NOINTERFACE;
    return hr;
}

HRESULT Bind(IDebugBinder* binder, IDebugObject* container, IDebugField* field,
             ComPtr<IDebugObject>& object) {
    const HRESULT hr = binder->Bind(container, field, object.put());
    if (SUCCEEDED(hr) && !object) return E_FAIL;
    return hr;
}

// The raw value of a bound object. Hosts count a string's size in UTF-16 units and write
// two bytes per unit, and the field's type is not known yet: the buffer has room for
// that, zeroed so that a host writing less leaves no stray bytes.
struct ObjectBytes {
    std::unique_ptr<BYTE[]> data;
    UINT size = 0;
};

HRESULT ReadObjectBytes(IDebugObject* object, ObjectBytes& out) {
    UINT size = 0;
    HRESULT hr = object->GetSize(&size);
    if (FAILED(hr)) return hr;
    if (size > kMaxValueSize) return E_OUTOFMEMORY;
    out.data.reset(new (std::nothrow) BYTE[2 * size_t{size} + 2]());
    if (!out.data) return E_OUTOFMEMORY;
    hr = object->GetValue(out.data.get(), size);
    if (FAILED(hr)) return hr;
    out.size = size;
    return S_OK;
}

// Makes target refer to the object that the field held by unknown refers to.
HRESULT WriteReference(IDebugBinder* binder, IUnknown* unknown, IDebugObject* target) {
    if (!unknown) return E_FAIL;
    ComPtr<IDebugField> source;
    HRESULT hr = AsField(unknown, source);
    if (FAILED(hr)) return hr;
    ComPtr<IDebugObject> object;
    hr = Bind(binder, nullptr, source.get(), object);
    if (FAILED(hr)) return hr;
    ObjectBytes bytes;
    hr = ReadObjectBytes(object.get(), bytes);
    if (FAILED(hr)) return hr;
    return target->SetValue(bytes.data.get(), bytes.size);
}

HRESULT WriteValue(IDebugBinder* binder, VARIANT& value, IDebugObject* target) {
    // Scalars go from the lowest bytes of the value part.
    BYTE scalar[sizeof value.llVal];
    std::memcpy(scalar, &value.llVal, sizeof scalar);
    switch (value.vt) {
    case VT_BSTR: {
        if (!value.bstrVal) {
            OLECHAR nul[1] = {0};
            return target->SetValue(reinterpret_cast<BYTE*>(nul), sizeof nul);
        }
        // With the terminating NUL, which every BSTR carries after its text.
        const UINT length = SysStringLen(value.bstrVal);
        if (length > kMaxValueSize) return E_OUTOFMEMORY;
        return target->SetValue(reinterpret_cast<BYTE*>(value.bstrVal),
                                (length + 1) * static_cast<UINT>(sizeof(OLECHAR)));
    }
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
        return target->SetValue(scalar, 1);
    case VT_I2:
    case VT_UI2:
        return target->SetValue(scalar, 2);
    case VT_I4:
    case VT_R4:
    case VT_UI4:
        return target->SetValue(scalar, 4);
    case VT_R8:
    case VT_I8:
    case VT_UI8:
        return target->SetValue(scalar, 8);
    case VT_UNKNOWN:
        return WriteReference(binder, value.punkVal, target);
    default:
        return E_FAIL;
    }
}

// Whether the field held by unknown has the type name of target (a type VARIANT).
HRESULT SameTypeName(IUnknown* unknown, VARIANT* target) {
    ComPtr<IDebugField> field;
    HRESULT hr = AsField(unknown, field);
    if (FAILED(hr)) return hr;
    OwnedVariant type;
    hr = GetFieldType(field.get(), type.get());
    if (FAILED(hr)) return hr;
    orvel::BstrHolder valueName, targetName;
    hr = VariantTypeName(type.get(), valueName.put());
    if (FAILED(hr)) return hr;
    hr = VariantTypeName(target, targetName.put());
    if (FAILED(hr)) return hr;
    const OLECHAR empty[1] = {0};
    return SameText(valueName.get() ? valueName.get() : empty,
                    targetName.get() ? targetName.get() : empty)
               ? S_OK
               : S_FALSE;
}

} // namespace

HRESULT GetFieldType(IDebugField* field, VARIANT* pvarType) {
    if (NullArg(pvarType, "pvarType")) return E_INVALIDARG;
    VariantInit(pvarType);
    if (NullArg(field, "field")) return E_INVALIDARG;
    ComPtr<IDebugField> type;
    HRESULT hr = field->GetType(type.put());
    if (FAILED(hr)) return hr;
    if (!type) return E_FAIL;
    DWORD size = 0;
    hr = type->GetSize(&size);
    if (FAILED(hr)) return hr;
    FIELD_INFO info{};
    hr = type->GetInfo(FIF_NAME, &info);
    orvel::BstrHolder fullName(info.bstrFullName), name(info.bstrName), typeText(info.bstrType);
    if (FAILED(hr)) return hr;
    const OLECHAR empty[1] = {0};
    pvarType->vt = TypeOfName(name.get() ? name.get() : empty, size);
    if (pvarType->vt == VT_UNKNOWN) pvarType->punkVal = type.Detach();
    return S_OK;
}

HRESULT GetFieldValue(IDebugBinder* binder, IDebugField* field, VARIANT* pvarValue,
                      IDebugObject* container) {
    if (NullArg(pvarValue, "pvarValue")) return E_INVALIDARG;
    VariantInit(pvarValue);
    if (NullArg(binder, "binder") || NullArg(field, "field")) return E_INVALIDARG;
    ComPtr<IDebugObject> object;
    HRESULT hr = Bind(binder, container, field, object);
    if (FAILED(hr)) return hr;
    ObjectBytes bytes;
    hr = ReadObjectBytes(object.get(), bytes);
    if (FAILED(hr)) return hr;
    VARTYPE vt;
    {
        OwnedVariant type;
        hr = GetFieldType(field, type.get());
        if (FAILED(hr)) return hr;
        vt = type->vt;
    }
    switch (vt) {
    case VT_EMPTY:
    case VT_VOID:
        break;
    case VT_BSTR:
        pvarValue->bstrVal =
            SysAllocStringLen(reinterpret_cast<const OLECHAR*>(bytes.data.get()), bytes.size);
        if (!pvarValue->bstrVal) return E_OUTOFMEMORY;
        break;
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
        std::memcpy(&pvarValue->llVal, bytes.data.get(),
                    std::min<size_t>(bytes.size, sizeof pvarValue->llVal));
        break;
    default:
        return E_FAIL;
    }
    pvarValue->vt = vt;
    return S_OK;
}

HRESULT ConvertToFieldType(IDebugBinder* binder, IDebugField* field, VARIANT* pvarIn,
                           VARIANT* pvarOut) {
    if (NullArg(pvarOut, "pvarOut")) return E_INVALIDARG;
    // In place, the input moves into a VARIANT of our own first.
    OwnedVariant input;
    if (pvarIn == pvarOut) {
        *input.get() = *pvarIn;
        pvarIn = input.get();
    }
    VariantInit(pvarOut);
    if (NullArg(binder, "binder") || NullArg(field, "field") || NullArg(pvarIn, "pvarIn"))
        return E_INVALIDARG;

    HRESULT hr = ResolveVariant(binder, pvarIn, pvarOut);
    if (FAILED(hr)) {
        hr = VariantCopy(pvarOut, pvarIn);
        if (FAILED(hr)) {
            ClearToEmpty(pvarOut);
            return hr;
        }
    }
    OwnedVariant target;
    hr = GetFieldType(field, target.get());
    if (SUCCEEDED(hr)) {
        if (pvarOut->vt == VT_UNKNOWN && pvarOut->punkVal)
            hr = SameTypeName(pvarOut->punkVal, target.get());
        else
            hr = VariantChangeType(pvarOut, pvarOut, 0, target->vt);
    }
    if (FAILED(hr)) {
        ClearToEmpty(pvarOut);
        return hr;
    }
    return hr == S_FALSE ? S_FALSE : S_OK;
}

HRESULT SetFieldValue(IDebugBinder* binder, IDebugField* field, VARIANT* pvarValue,
                      IDebugObject* container) {
    if (NullArg(binder, "binder") || NullArg(field, "field") || NullArg(pvarValue, "pvarValue"))
        return E_INVALIDARG;
    OwnedVariant converted;
    HRESULT hr = ConvertToFieldType(binder, field, pvarValue, converted.get());
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE) return E_FAIL;
    ComPtr<IDebugObject> target;
    hr = Bind(binder, container, field, target);
    if (FAILED(hr)) return hr;
    return WriteValue(binder, *converted.get(), target.get());
}

HRESULT FieldAsVariant(IDebugField* field, VARIANT* pvarValue) {
    if (NullArg(pvarValue, "pvarValue")) return E_INVALIDARG;
    VariantInit(pvarValue);
    if (NullArg(field, "field")) return E_INVALIDARG;
    pvarValue->vt = VT_UNKNOWN;
    pvarValue->punkVal = ComPtr<IDebugField>(field).Detach();
    return S_OK;
}

BSTR ErrorText(HRESULT hr) {
    const std::basic_string<OLECHAR> text = orvel::SystemMessageText(hr);
    if (!text.empty()) return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    char narrow[32];
    std::snprintf(narrow, sizeof narrow, "Err: 0x%08x", static_cast<unsigned>(hr));
    return orvel::NarrowToBstr(narrow);
}

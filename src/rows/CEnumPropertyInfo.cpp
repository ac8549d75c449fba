#include "rows/CEnumPropertyInfo.h"

#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/ExtraDebugInfo.h"
#include "platform/ArgCheck.h"
#include "rows/CFieldProperty.h"

using orvel::ComPtr;
using orvel::NullArg;

CEnumPropertyInfo::CEnumPropertyInfo(Element* parent, DWORD radix, IEnumDebugFields* fields,
                                     DEBUGPROP_INFO_FLAGS request)
    : m_fields(fields), m_request(request), m_radix(radix), m_OrvelElem(parent) {
    if (ExpressionContext* cxt = parent->Cxt.get()) {
        m_provider = cxt->Provider;
        m_address = cxt->Address;
        m_binder = cxt->Binder;
    }
}

CEnumPropertyInfo::CEnumPropertyInfo(IDebugSymbolProvider* provider, IDebugAddress* address,
                                     IDebugBinder* binder, DWORD radix, IEnumDebugFields* fields,
                                     DEBUGPROP_INFO_FLAGS request, ExtraDebugInfo* debugInfo)
    : m_provider(provider), m_address(address), m_binder(binder), m_fields(fields),
      m_request(request), m_radix(radix), m_debugInfo(debugInfo) {}

CEnumPropertyInfo::~CEnumPropertyInfo() = default;

HRESULT CEnumPropertyInfo::Create(Element* parent, DWORD radix, IEnumDebugFields* fields,
                                  DEBUGPROP_INFO_FLAGS request, IEnumDebugPropertyInfo2** out) {
    if (!parent || !fields) return E_INVALIDARG;
    return orvel::CreateComObject<CEnumPropertyInfo>(out, parent, radix, fields, request);
}

HRESULT CEnumPropertyInfo::Create(IDebugSymbolProvider* provider, IDebugAddress* address,
                                  IDebugBinder* binder, DWORD radix, IEnumDebugFields* fields,
                                  DEBUGPROP_INFO_FLAGS request, ExtraDebugInfo* debugInfo,
                                  IEnumDebugPropertyInfo2** out) {
    if (!provider || !address || !fields) return E_INVALIDARG;
    return orvel::CreateComObject<CEnumPropertyInfo>(out, provider, address, binder, radix, fields,
                                                     request, debugInfo);
}

HRESULT STDMETHODCALLTYPE CEnumPropertyInfo::Next(ULONG celt, DEBUG_PROPERTY_INFO* rgelt,
                                                  ULONG* pceltFetched) {
    if (pceltFetched) *pceltFetched = 0;
    if (NullArg(rgelt, "rgelt")) return E_INVALIDARG;
    for (ULONG i = 0; i < celt; ++i)
        rgelt[i] = DEBUG_PROPERTY_INFO{};
    HRESULT hr = S_OK;
    ULONG taken = 0;
    while (taken < celt) {
        ComPtr<IDebugField> field;
        ULONG one = 0;
        hr = m_fields->Next(1, field.put(), &one);
        if (FAILED(hr) || one != 1) {
            if (hr == S_OK) hr = S_FALSE;
            break;
        }
        DEBUG_PROPERTY_INFO& row = rgelt[taken++];
        ComPtr<IDebugProperty2> property;
        hr = m_OrvelElem ? CFieldProperty::Create(m_OrvelElem.get(), field.get(), property.put())
                         : CFieldProperty::Create(m_provider.get(), m_address.get(), m_binder.get(),
                                                  field.get(), m_debugInfo.get(), property.put());
        // A row whose property could not be made stays cleared but counts as fetched.
        if (FAILED(hr)) break;
        hr = property->GetPropertyInfo(m_request, m_radix, 0, nullptr, 0, &row);
        if (FAILED(hr)) break;
    }
    if (pceltFetched) *pceltFetched = taken;
    return hr;
}

HRESULT STDMETHODCALLTYPE CEnumPropertyInfo::Skip(ULONG celt) {
    return m_fields->Skip(celt);
}

HRESULT STDMETHODCALLTYPE CEnumPropertyInfo::Reset() {
    return m_fields->Reset();
}

HRESULT STDMETHODCALLTYPE CEnumPropertyInfo::GetCount(ULONG* pcelt) {
    return m_fields->GetCount(pcelt);
}

HRESULT STDMETHODCALLTYPE CEnumPropertyInfo::Clone(IEnumDebugPropertyInfo2** ppEnum) {
    if (NullArg(ppEnum, "ppEnum")) return E_INVALIDARG;
    *ppEnum = nullptr;
    ComPtr<IEnumDebugFields> fields;
    const HRESULT hr = m_fields->Clone(fields.put());
    if (FAILED(hr)) return hr;
    if (!fields) return E_FAIL;
    if (m_OrvelElem) return Create(m_OrvelElem.get(), m_radix, fields.get(), m_request, ppEnum);
    return Create(m_provider.get(), m_address.get(), m_binder.get(), m_radix, fields.get(),
                  m_request, m_debugInfo.get(), ppEnum);
}

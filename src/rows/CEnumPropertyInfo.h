// Rows over any field enumeration: each field becomes a field property that fills its
// own row, so a Fortran variable and a plain .NET field come out alike.
#pragma once

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

class Element;
class ExtraDebugInfo;

class CEnumPropertyInfo final : public orvel::ComObject<IEnumDebugPropertyInfo2> {
public:
    // Rows under a parent Element; provider, address and binder are its context's.
    CEnumPropertyInfo(Element* parent, DWORD radix, IEnumDebugFields* fields,
                      DEBUGPROP_INFO_FLAGS request);
    // Rows made from the host's view alone (the method's debug information, if any).
    CEnumPropertyInfo(IDebugSymbolProvider* provider, IDebugAddress* address, IDebugBinder* binder,
                      DWORD radix, IEnumDebugFields* fields, DEBUGPROP_INFO_FLAGS request,
                      ExtraDebugInfo* debugInfo);

    static HRESULT Create(Element* parent, DWORD radix, IEnumDebugFields* fields,
                          DEBUGPROP_INFO_FLAGS request, IEnumDebugPropertyInfo2** out);
    static HRESULT Create(IDebugSymbolProvider* provider, IDebugAddress* address,
                          IDebugBinder* binder, DWORD radix, IEnumDebugFields* fields,
                          DEBUGPROP_INFO_FLAGS request, ExtraDebugInfo* debugInfo,
                          IEnumDebugPropertyInfo2** out);

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, DEBUG_PROPERTY_INFO* rgelt,
                                   ULONG* pceltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumDebugPropertyInfo2** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) override;

private:
    ~CEnumPropertyInfo() override;

    orvel::ComPtr<IDebugSymbolProvider> m_provider;
    orvel::ComPtr<IDebugAddress> m_address;
    orvel::ComPtr<IDebugBinder> m_binder;
    orvel::ComPtr<IEnumDebugFields> m_fields;
    DEBUGPROP_INFO_FLAGS m_request;
    DWORD m_radix;
    orvel::ComPtr<ExtraDebugInfo> m_debugInfo;
    orvel::ComPtr<Element> m_OrvelElem;
};

// The row of a watch expression that failed to evaluate: its text as name, no type, the
// error's message as value. Not expandable and not editable.
#pragma once

#include "host/HostProperties.h"
#include "rows/CPropertyBase.h"

class CPropertyLight final : public CPropertyBase {
public:
    // name and type may be null (empty texts). errorCode outside the message table shows
    // "Illegal error %d".
    CPropertyLight(int errorCode, const char* name, const char* type);

    static HRESULT Create(int errorCode, const char* name, const char* type, IDebugProperty2** out);

    HRESULT STDMETHODCALLTYPE GetPropertyInfo(DEBUGPROP_INFO_FLAGS dwFields, DWORD dwRadix,
                                              DWORD dwTimeout, IDebugReference2** rgpArgs,
                                              DWORD dwArgCount,
                                              DEBUG_PROPERTY_INFO* pPropertyInfo) override;
    HRESULT STDMETHODCALLTYPE SetValueAsString(LPCOLESTR pszValue, DWORD dwRadix,
                                               DWORD dwTimeout) override;
    HRESULT STDMETHODCALLTYPE SetValueAsReference(IDebugReference2** rgpArgs, DWORD dwArgCount,
                                                  IDebugReference2* pValue,
                                                  DWORD dwTimeout) override;
    HRESULT STDMETHODCALLTYPE EnumChildren(DEBUGPROP_INFO_FLAGS dwFields, DWORD dwRadix,
                                           REFGUID guidFilter, DBG_ATTRIB_FLAGS dwAttribFilter,
                                           LPCOLESTR pszNameFilter, DWORD dwTimeout,
                                           IEnumDebugPropertyInfo2** ppEnum) override;

private:
    ~CPropertyLight() override;

    BSTR m_name;
    BSTR m_type;
    BSTR m_value;
};

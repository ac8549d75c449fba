// The row of a Fortran value: a watch result, an array element, a component, a COMMON
// or module member. Shows an Element's name, type and value texts and expands into the
// enumerator that fits the Element.
#pragma once

#include "host/HostProperties.h"
#include "platform/ComPtr.h"
#include "rows/CPropertyBase.h"

class Element;
class ExpressionContext;

class CPropertyGeneral final : public CPropertyBase {
public:
    // Both non-null; a reference is taken on each.
    CPropertyGeneral(Element* element, ExpressionContext* cxt);

    // A new property over element in cxt, handed to *out with the only reference.
    static HRESULT Create(Element* element, ExpressionContext* cxt, IDebugProperty2** out);

    HRESULT STDMETHODCALLTYPE GetPropertyInfo(DEBUGPROP_INFO_FLAGS dwFields, DWORD dwRadix,
                                              DWORD dwTimeout, IDebugReference2** rgpArgs,
                                              DWORD dwArgCount,
                                              DEBUG_PROPERTY_INFO* pPropertyInfo) override;
    HRESULT STDMETHODCALLTYPE SetValueAsString(LPCOLESTR pszValue, DWORD dwRadix,
                                               DWORD dwTimeout) override;
    HRESULT STDMETHODCALLTYPE EnumChildren(DEBUGPROP_INFO_FLAGS dwFields, DWORD dwRadix,
                                           REFGUID guidFilter, DBG_ATTRIB_FLAGS dwAttribFilter,
                                           LPCOLESTR pszNameFilter, DWORD dwTimeout,
                                           IEnumDebugPropertyInfo2** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugMemoryContext2** ppMemory) override;

private:
    ~CPropertyGeneral() override;

    orvel::ComPtr<Element> m_element;
    orvel::ComPtr<ExpressionContext> m_cxt;
};

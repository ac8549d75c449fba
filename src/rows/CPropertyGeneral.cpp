#include "rows/CPropertyGeneral.h"

#include <new>

#include "binder/VariantExpression.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"
#include "rows/ChildEnumerator.h"
#include "rows/ElementTexts.h"

using orvel::NullArg;

CPropertyGeneral::CPropertyGeneral(Element* element, ExpressionContext* cxt)
    : m_element(element), m_cxt(cxt) {}

CPropertyGeneral::~CPropertyGeneral() = default;

HRESULT CPropertyGeneral::Create(Element* element, ExpressionContext* cxt, IDebugProperty2** out) {
    if (!element || !cxt) return E_INVALIDARG;
    return orvel::CreateComObject<CPropertyGeneral>(out, element, cxt);
}

namespace {

// A text the Element produces, or "Dbg failure" when producing it fails in any way.
template <class Producer> BSTR GuardedText(Producer produce) {
    try {
        if (BSTR text = produce()) return text;
    } catch (...) {
    }
    return orvel::FailureText();
}

} // namespace

HRESULT STDMETHODCALLTYPE CPropertyGeneral::GetPropertyInfo(DEBUGPROP_INFO_FLAGS dwFields, DWORD,
                                                            DWORD, IDebugReference2**, DWORD,
                                                            DEBUG_PROPERTY_INFO* pPropertyInfo) {
    if (NullArg(pPropertyInfo, "pPropertyInfo")) return E_INVALIDARG;
    *pPropertyInfo = DEBUG_PROPERTY_INFO{};
    DEBUG_PROPERTY_INFO& info = *pPropertyInfo;
    Element* element = m_element.get();
    if (dwFields & DEBUGPROP_INFO_FULLNAME) {
        info.bstrFullName = orvel::ElementNameText(element);
        info.dwFields |= DEBUGPROP_INFO_FULLNAME;
    }
    if (dwFields & DEBUGPROP_INFO_NAME) {
        info.bstrName = orvel::ElementNameText(element);
        info.dwFields |= DEBUGPROP_INFO_NAME;
    }
    if (dwFields & DEBUGPROP_INFO_TYPE) {
        info.bstrType = GuardedText([element] { return orvel::ElementTypeText(element); });
        info.dwFields |= DEBUGPROP_INFO_TYPE;
    }
    if (dwFields & DEBUGPROP_INFO_PROP) {
        QueryInterface(IID_IDebugProperty2, reinterpret_cast<void**>(&info.pProperty));
        info.dwFields |= DEBUGPROP_INFO_PROP;
    }
    if (dwFields & DEBUGPROP_INFO_VALUE) {
        info.bstrValue = GuardedText([element] { return orvel::ElementValueText(element); });
        info.dwFields |= DEBUGPROP_INFO_VALUE;
    }
    if (dwFields & DEBUGPROP_INFO_ATTRIB) {
        info.dwAttrib = element->IsExpandable() ? DBG_ATTRIB_OBJ_IS_EXPANDABLE : 0;
        info.dwFields |= DEBUGPROP_INFO_ATTRIB;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPropertyGeneral::SetValueAsString(LPCOLESTR pszValue, DWORD, DWORD) {
    // The text is evaluated and its outcome reported; the Element itself is not written.
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = EvaluateVariantExpression(m_cxt->Provider.get(), m_cxt->Address.get(),
                                                 m_cxt->Binder.get(), pszValue, nullptr, &result);
    VariantClear(&result);
    if (FAILED(hr)) return hr;
    return hr == S_FALSE ? E_FAIL : S_OK;
}

HRESULT STDMETHODCALLTYPE CPropertyGeneral::EnumChildren(DEBUGPROP_INFO_FLAGS dwFields, DWORD,
                                                         REFGUID, DBG_ATTRIB_FLAGS, LPCOLESTR,
                                                         DWORD, IEnumDebugPropertyInfo2** ppEnum) {
    if (NullArg(ppEnum, "ppEnum")) return E_INVALIDARG;
    *ppEnum = nullptr;
    return CreateChildEnumerator(m_element.get(), dwFields, ppEnum);
}

HRESULT STDMETHODCALLTYPE CPropertyGeneral::GetMemoryContext(IDebugMemoryContext2** ppMemory) {
    if (NullArg(ppMemory, "ppMemory")) return E_INVALIDARG;
    *ppMemory = nullptr;
    return m_cxt->Binder ? E_NOTIMPL : E_FAIL;
}

#include "rows/CEnumGeneral.h"

#include "model/Element.h"
#include "platform/ArgCheck.h"
#include "rows/ChildRow.h"
#include "rows/ElementTexts.h"

using orvel::NullArg;

CEnumGeneral::CEnumGeneral(Element* element, DEBUGPROP_INFO_FLAGS fields)
    : m_element(orvel::ComPtr<Element>::Adopt(element->ReadyFromEnum())), m_fields(fields) {
    m_count = m_element->ChildCount();
    m_element->ResetNextChild();
}

CEnumGeneral::~CEnumGeneral() = default;

HRESULT CEnumGeneral::Create(Element* element, DEBUGPROP_INFO_FLAGS fields,
                             IEnumDebugPropertyInfo2** out) {
    if (!element) return E_INVALIDARG;
    return orvel::CreateComObject<CEnumGeneral>(out, element, fields);
}

HRESULT STDMETHODCALLTYPE CEnumGeneral::Next(ULONG celt, DEBUG_PROPERTY_INFO* rgelt,
                                             ULONG* pceltFetched) {
    if (pceltFetched) *pceltFetched = 0;
    if (NullArg(rgelt, "rgelt")) return E_INVALIDARG;
    for (ULONG i = 0; i < celt; ++i)
        rgelt[i] = DEBUG_PROPERTY_INFO{};
    if (m_position == 0) m_element->ResetNextChild();
    for (ULONG row = 0; row < celt && m_position < m_count; ++row) {
        orvel::ComPtr<Element> child = orvel::ComPtr<Element>::Adopt(m_element->GetNextChild());
        if (!child) break;
        BSTR fullName = nullptr;
        BSTR name = nullptr;
        if (m_fields & DEBUGPROP_INFO_FULLNAME) fullName = orvel::ElementNameText(child.get());
        if (m_fields & DEBUGPROP_INFO_NAME) name = orvel::ElementNameText(child.get());
        FillChildRow(child.get(), m_fields, fullName, name, rgelt[row]);
        ++m_position;
        if (pceltFetched) ++*pceltFetched;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumGeneral::Skip(ULONG celt) {
    m_position += celt;
    m_element->SkipNextChild(celt);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumGeneral::Reset() {
    m_position = 0;
    m_element->ResetNextChild();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumGeneral::Clone(IEnumDebugPropertyInfo2** ppEnum) {
    if (NullArg(ppEnum, "ppEnum")) return E_INVALIDARG;
    return Create(m_element.get(), m_fields, ppEnum);
}

HRESULT STDMETHODCALLTYPE CEnumGeneral::GetCount(ULONG* pcelt) {
    if (NullArg(pcelt, "pcelt")) return E_INVALIDARG;
    *pcelt = m_count;
    return S_OK;
}

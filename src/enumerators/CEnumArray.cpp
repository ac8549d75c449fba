#include "enumerators/CEnumArray.h"

#include <algorithm>

#include "enumerators/ChildRow.h"
#include "model/Element.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "properties/ElementTexts.h"

using orvel::NullArg;

namespace {

// Full names are formed in a buffer of this many bytes, as the row's name column allows.
constexpr int FullNameSize = 260;

} // namespace

CEnumArray::CEnumArray(Element* element, DEBUGPROP_INFO_FLAGS fields)
    : m_element(orvel::ComPtr<Element>::Adopt(element->ReadyFromEnum())), m_fields(fields) {
    orvel::BstrHolder name(orvel::ElementNameText(m_element.get()));
    char narrow[FullNameSize];
    orvel::WideToNarrow(name.get(), static_cast<int>(name.Length()), narrow, FullNameSize);
    m_name = narrow;
}

CEnumArray::~CEnumArray() = default;

HRESULT CEnumArray::Create(Element* element, DEBUGPROP_INFO_FLAGS fields,
                           IEnumDebugPropertyInfo2** out) {
    if (!element) return E_INVALIDARG;
    return orvel::CreateComObject<CEnumArray>(out, element, fields);
}

ULONG CEnumArray::TakeCount() {
    m_count = std::min<ULONG>(m_element->ChildCount(), MaxRows);
    return m_count;
}

HRESULT STDMETHODCALLTYPE CEnumArray::Next(ULONG celt, DEBUG_PROPERTY_INFO* rgelt,
                                           ULONG* pceltFetched) {
    if (pceltFetched) *pceltFetched = 0;
    if (m_count == 0) TakeCount();
    if (NullArg(rgelt, "rgelt")) return E_INVALIDARG;
    for (ULONG i = 0; i < celt; ++i)
        rgelt[i] = DEBUG_PROPERTY_INFO{};
    const bool wantNames = (m_fields & (DEBUGPROP_INFO_FULLNAME | DEBUGPROP_INFO_NAME)) != 0;
    for (ULONG row = 0; row < celt && m_position < m_count; ++row) {
        orvel::ComPtr<Element> child =
            orvel::ComPtr<Element>::Adopt(m_element->GetChild(m_position));
        if (!child) break;
        BSTR fullName = nullptr;
        BSTR name = nullptr;
        if (wantNames) {
            char text[FullNameSize];
            const int nameLength =
                static_cast<int>(std::min<size_t>(m_name.size(), FullNameSize - 1));
            std::copy_n(m_name.data(), nameLength, text);
            char* subscripts = text + nameLength;
            m_element->Array.SubscriptText(m_position, subscripts, FullNameSize - nameLength);
            if (m_fields & DEBUGPROP_INFO_FULLNAME) fullName = orvel::NarrowToBstr(text);
            if (m_fields & DEBUGPROP_INFO_NAME) name = orvel::NarrowToBstr(subscripts);
        }
        FillChildRow(child.get(), m_fields, fullName, name, rgelt[row]);
        ++m_position;
        if (pceltFetched) ++*pceltFetched;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumArray::Skip(ULONG celt) {
    m_position += celt;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumArray::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumArray::Clone(IEnumDebugPropertyInfo2** ppEnum) {
    if (NullArg(ppEnum, "ppEnum")) return E_INVALIDARG;
    return Create(m_element.get(), m_fields, ppEnum);
}

HRESULT STDMETHODCALLTYPE CEnumArray::GetCount(ULONG* pcelt) {
    if (NullArg(pcelt, "pcelt")) return E_INVALIDARG;
    *pcelt = TakeCount();
    return S_OK;
}

#include "binder/CDebugF95Field.h"

#include <cstring>

#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"

using orvel::NullArg;

CDebugF95Field::CDebugF95Field(Element* element, bool isType)
    : m_element(element), m_isType(isType) {}

CDebugF95Field::~CDebugF95Field() = default;

HRESULT CDebugF95Field::Create(Element* element, bool isType, IDebugField** out) {
    if (NullArg(out, "out")) return E_INVALIDARG;
    *out = nullptr;
    if (NullArg(element, "element")) return E_INVALIDARG;
    return orvel::CreateComObject<CDebugF95Field>(out, element, isType);
}

HRESULT CDebugF95Field::GetInfo(FIELD_INFO_FIELDS dwFields, FIELD_INFO* pFieldInfo) {
    if (NullArg(pFieldInfo, "pFieldInfo")) return E_INVALIDARG;
    FIELD_INFO& info = *pFieldInfo;
    info.dwFields = 0;
    struct Text {
        FIELD_INFO_FIELDS bit;
        BSTR* slot;
    } const texts[] = {
        {FIF_FULLNAME, &info.bstrFullName}, {FIF_NAME, &info.bstrName}, {FIF_TYPE, &info.bstrType}};
    for (const Text& t : texts) {
        if (!(dwFields & t.bit)) continue;
        const HRESULT hr =
            t.bit == FIF_TYPE ? m_element->GetTypeDeclaration(t.slot) : m_element->GetName(t.slot);
        if (FAILED(hr)) {
            // Nothing half-filled goes back: the caller frees only what dwFields names.
            for (const Text& done : texts) {
                if (!(info.dwFields & done.bit)) continue;
                SysFreeString(*done.slot);
                *done.slot = nullptr;
            }
            info.dwFields = 0;
            return hr;
        }
        info.dwFields |= t.bit;
    }
    if (dwFields & FIF_MODIFIERS) {
        info.dwModifiers = FIELD_MOD_ACCESS_PUBLIC;
        if (m_element->HasValue()) info.dwModifiers |= FIELD_MOD_CONSTANT;
        info.dwFields |= FIF_MODIFIERS;
    }
    return S_OK;
}

HRESULT CDebugF95Field::GetKind(FIELD_KIND* pdwKind) {
    if (NullArg(pdwKind, "pdwKind")) return E_INVALIDARG;
    FIELD_KIND kind = m_isType ? FIELD_KIND_TYPE : FIELD_KIND_SYMBOL;
    const ElementType type = m_element->GetType();
    if (type == pointer_4 || type == array) kind |= FIELD_TYPE_POINTER;
    if (type == function) kind |= FIELD_TYPE_METHOD;
    *pdwKind = kind;
    return S_OK;
}

HRESULT CDebugF95Field::GetType(IDebugField** ppType) {
    if (NullArg(ppType, "ppType")) return E_INVALIDARG;
    *ppType = nullptr;
    return Create(m_element.get(), true, ppType);
}

HRESULT CDebugF95Field::GetContainer(IDebugContainerField**) {
    return E_NOTIMPL;
}

HRESULT CDebugF95Field::GetAddress(IDebugAddress** ppAddress) {
    if (NullArg(ppAddress, "ppAddress")) return E_INVALIDARG;
    *ppAddress = nullptr;
    if (ExpressionContext* cxt = m_element->Cxt.get()) cxt->Address.CopyTo(ppAddress);
    return S_OK;
}

HRESULT CDebugF95Field::GetSize(DWORD* pdwSize) {
    if (NullArg(pdwSize, "pdwSize")) return E_INVALIDARG;
    *pdwSize = m_element->GetType() == function ? 0 : static_cast<DWORD>(m_element->GetSize());
    return S_OK;
}

HRESULT CDebugF95Field::GetExtendedInfo(REFGUID, BYTE** prgBuffer, DWORD* pdwLen) {
    if (prgBuffer) *prgBuffer = nullptr;
    if (pdwLen) *pdwLen = 0;
    return E_NOTIMPL;
}

HRESULT CDebugF95Field::Equal(IDebugField*) {
    // Two wrappers are never the same field, not even one and itself.
    return S_FALSE;
}

HRESULT CDebugF95Field::GetTypeInfo(TYPE_INFO* pTypeInfo) {
    if (pTypeInfo) std::memset(static_cast<void*>(pTypeInfo), 0, sizeof *pTypeInfo);
    return E_NOTIMPL;
}

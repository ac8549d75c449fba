#include "simhost/com/CSimSymbolProvider.h"
#include "simhost/com/CallFaults.h"

#include <cstring>

#include "simhost/com/CSimField.h"
#include "simhost/com/CSimFieldEnum.h"
#include "simhost/com/SimIdentity.h"
#include "simhost/com/SimResults.h"
#include "simhost/com/SimText.h"

namespace orvel::sim {

CSimSymbolProvider::CSimSymbolProvider(SimStatePtr state) : m_state(std::move(state)) {}

HRESULT CSimSymbolProvider::Create(const SimStatePtr& state, IDebugSymbolProvider** out) {
    return CreateComObject<CSimSymbolProvider>(out, state);
}

HRESULT CSimSymbolProvider::Initialize(IDebugEngineSymbolProviderServices*) {
    ORVEL_SIM_FAULT_POINT();
    return S_OK;
}

HRESULT CSimSymbolProvider::Uninitialize() {
    ORVEL_SIM_FAULT_POINT();
    return S_OK;
}

HRESULT CSimSymbolProvider::GetContainerField(IDebugAddress* pAddress,
                                              IDebugContainerField** ppContainerField) {
    if (!pAddress || !ppContainerField) return E_INVALIDARG;
    *ppContainerField = nullptr;
    ORVEL_SIM_FAULT_POINT();
    FieldId method = OwnAddressMethod(*m_state, pAddress);
    if (!m_state->program.IsField(method)) return E_SH_INVALID_ADDRESS;
    return CSimField::Make(m_state, method, ppContainerField);
}

HRESULT CSimSymbolProvider::GetField(IDebugAddress* pAddress, IDebugAddress* pAddressCur,
                                     IDebugField** ppField) {
    if (!pAddress || !pAddressCur || !ppField) return E_INVALIDARG;
    *ppField = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimSymbolProvider::GetAddressesFromPosition(IDebugDocumentPosition2* pDocPos, BOOL,
                                                     IEnumDebugAddresses** ppEnumBegAddresses,
                                                     IEnumDebugAddresses** ppEnumEndAddresses) {
    if (!pDocPos || !ppEnumBegAddresses || !ppEnumEndAddresses) return E_INVALIDARG;
    *ppEnumBegAddresses = nullptr;
    *ppEnumEndAddresses = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimSymbolProvider::GetAddressesFromContext(IDebugDocumentContext2* pDocContext, BOOL,
                                                    IEnumDebugAddresses** ppEnumBegAddresses,
                                                    IEnumDebugAddresses** ppEnumEndAddresses) {
    if (!pDocContext || !ppEnumBegAddresses || !ppEnumEndAddresses) return E_INVALIDARG;
    *ppEnumBegAddresses = nullptr;
    *ppEnumEndAddresses = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimSymbolProvider::GetContextFromAddress(IDebugAddress* pAddress,
                                                  IDebugDocumentContext2** ppDocContext) {
    if (!pAddress || !ppDocContext) return E_INVALIDARG;
    *ppDocContext = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimSymbolProvider::GetLanguage(IDebugAddress* pAddress, GUID* pguidLanguage,
                                        GUID* pguidLanguageVendor) {
    if (!pAddress || !pguidLanguage || !pguidLanguageVendor) return E_INVALIDARG;
    std::memset(pguidLanguage, 0, sizeof(*pguidLanguage));
    std::memset(pguidLanguageVendor, 0, sizeof(*pguidLanguageVendor));
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimSymbolProvider::GetGlobalContainer(IDebugContainerField** pField) {
    if (!pField) return E_INVALIDARG;
    *pField = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimSymbolProvider::GetMethodFieldsByName(LPCOLESTR pszFullName, NAME_MATCH nameMatch,
                                                  IEnumDebugFields** ppEnum) {
    if (!pszFullName || !ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Guarded([&] {
        std::string want = ToUtf8(pszFullName);
        std::vector<FieldId> methods;
        for (FieldId id : m_state->program.FindMethods(want))
            if (NameMatches(m_state->program.fields[id].fullName, want, nameMatch))
                methods.push_back(id);
        bool empty = methods.empty();
        HRESULT hr = CSimFieldEnum::Create(m_state, std::move(methods), ppEnum);
        if (FAILED(hr)) return hr;
        return empty ? S_FALSE : S_OK;
    });
}

HRESULT CSimSymbolProvider::GetClassTypeByName(LPCOLESTR pszClassName, NAME_MATCH nameMatch,
                                               IDebugClassField** ppField) {
    if (!pszClassName || !ppField) return E_INVALIDARG;
    *ppField = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Guarded([&] {
        std::string want = ToUtf8(pszClassName);
        FieldId cls = m_state->program.FindClass(want);
        if (cls == kNoField || !NameMatches(m_state->program.fields[cls].fullName, want, nameMatch))
            return E_FAIL;
        return CSimField::Make(m_state, cls, ppField);
    });
}

HRESULT CSimSymbolProvider::GetNamespacesUsedAtAddress(IDebugAddress* pAddress,
                                                       IEnumDebugFields** ppEnum) {
    if (!pAddress || !ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimSymbolProvider::GetTypeByName(LPCOLESTR pszClassName, NAME_MATCH,
                                          IDebugField** ppField) {
    if (!pszClassName || !ppField) return E_INVALIDARG;
    *ppField = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimSymbolProvider::GetNextAddress(IDebugAddress* pAddress, BOOL,
                                           IDebugAddress** ppAddress) {
    if (!pAddress || !ppAddress) return E_INVALIDARG;
    *ppAddress = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

} // namespace orvel::sim

// The symbol provider: the method at a code address, classes and methods by name.
#pragma once

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimState.h"

namespace orvel::sim {

class CSimSymbolProvider final : public ComObject<IDebugSymbolProvider>, private LiveObject {
public:
    explicit CSimSymbolProvider(SimStatePtr state);

    static HRESULT Create(const SimStatePtr& state, IDebugSymbolProvider** out);

    HRESULT STDMETHODCALLTYPE Initialize(IDebugEngineSymbolProviderServices* pServices) override;
    HRESULT STDMETHODCALLTYPE Uninitialize() override;
    HRESULT STDMETHODCALLTYPE GetContainerField(IDebugAddress* pAddress,
                                                IDebugContainerField** ppContainerField) override;
    HRESULT STDMETHODCALLTYPE GetField(IDebugAddress* pAddress, IDebugAddress* pAddressCur,
                                       IDebugField** ppField) override;
    HRESULT STDMETHODCALLTYPE
    GetAddressesFromPosition(IDebugDocumentPosition2* pDocPos, BOOL fStatmentOnly,
                             IEnumDebugAddresses** ppEnumBegAddresses,
                             IEnumDebugAddresses** ppEnumEndAddresses) override;
    HRESULT STDMETHODCALLTYPE
    GetAddressesFromContext(IDebugDocumentContext2* pDocContext, BOOL fStatmentOnly,
                            IEnumDebugAddresses** ppEnumBegAddresses,
                            IEnumDebugAddresses** ppEnumEndAddresses) override;
    HRESULT STDMETHODCALLTYPE GetContextFromAddress(IDebugAddress* pAddress,
                                                    IDebugDocumentContext2** ppDocContext) override;
    HRESULT STDMETHODCALLTYPE GetLanguage(IDebugAddress* pAddress, GUID* pguidLanguage,
                                          GUID* pguidLanguageVendor) override;
    HRESULT STDMETHODCALLTYPE GetGlobalContainer(IDebugContainerField** pField) override;
    HRESULT STDMETHODCALLTYPE GetMethodFieldsByName(LPCOLESTR pszFullName, NAME_MATCH nameMatch,
                                                    IEnumDebugFields** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetClassTypeByName(LPCOLESTR pszClassName, NAME_MATCH nameMatch,
                                                 IDebugClassField** ppField) override;
    HRESULT STDMETHODCALLTYPE GetNamespacesUsedAtAddress(IDebugAddress* pAddress,
                                                         IEnumDebugFields** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetTypeByName(LPCOLESTR pszClassName, NAME_MATCH nameMatch,
                                            IDebugField** ppField) override;
    HRESULT STDMETHODCALLTYPE GetNextAddress(IDebugAddress* pAddress, BOOL fStatmentOnly,
                                             IDebugAddress** ppAddress) override;

private:
    SimStatePtr m_state;
};

} // namespace orvel::sim

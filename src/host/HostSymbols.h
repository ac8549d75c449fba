// The host's symbol interfaces: fields and their enumerator, addresses, the symbol
// provider and custom-attribute queries. The host implements them all; we implement
// IDebugField, its container forms and IEnumDebugFields for our own symbols.
// Declaration order is vtable order and must not change.
#pragma once

#include "host/HostSymbolTypes.h"

struct IDebugField : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInfo(FIELD_INFO_FIELDS dwFields,
                                              FIELD_INFO* pFieldInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetKind(FIELD_KIND* pdwKind) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetType(IDebugField** ppType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetContainer(IDebugContainerField** ppContainerField) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAddress(IDebugAddress** ppAddress) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSize(DWORD* pdwSize) = 0;
    // The callee allocates *prgBuffer; the caller frees it with CoTaskMemFree.
    virtual HRESULT STDMETHODCALLTYPE GetExtendedInfo(REFGUID guidExtendedInfo, BYTE** prgBuffer,
                                                      DWORD* pdwLen) = 0;
    virtual HRESULT STDMETHODCALLTYPE Equal(IDebugField* pField) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(TYPE_INFO* pTypeInfo) = 0;
};

struct IDebugContainerField : IDebugField {
    virtual HRESULT STDMETHODCALLTYPE EnumFields(FIELD_KIND dwKindFilter,
                                                 FIELD_MODIFIERS dwModifiersFilter,
                                                 LPCOLESTR pszNameFilter, NAME_MATCH nameMatch,
                                                 IEnumDebugFields** ppEnum) = 0;
};

struct IDebugClassField : IDebugContainerField {
    virtual HRESULT STDMETHODCALLTYPE EnumBaseClasses(IEnumDebugFields** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesInterfaceExist(LPCOLESTR pszInterfaceName) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumNestedClasses(IEnumDebugFields** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEnclosingClass(IDebugClassField** ppClassField) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumInterfacesImplemented(IEnumDebugFields** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumConstructors(CONSTRUCTOR_ENUM cMatch,
                                                       IEnumDebugFields** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDefaultIndexer(BSTR* pbstrIndexer) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumNestedEnums(IEnumDebugFields** ppEnum) = 0;
};

struct IDebugMethodField : IDebugContainerField {
    virtual HRESULT STDMETHODCALLTYPE EnumParameters(IEnumDebugFields** ppParams) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetThis(IDebugClassField** ppClass) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumAllLocals(IDebugAddress* pAddress,
                                                    IEnumDebugFields** ppLocals) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumLocals(IDebugAddress* pAddress,
                                                 IEnumDebugFields** ppLocals) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    IsCustomAttributeDefined(LPCOLESTR pszCustomAttributeName) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumStaticLocals(IEnumDebugFields** ppLocals) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGlobalContainer(IDebugClassField** ppClass) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumArguments(IEnumDebugFields** ppParams) = 0;
};

struct IDebugPointerField : IDebugContainerField {
    virtual HRESULT STDMETHODCALLTYPE GetDereferencedField(IDebugField** ppField) = 0;
};

struct IDebugArrayField : IDebugContainerField {
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfElements(DWORD* pdwNumElements) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetElementType(IDebugField** ppType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRank(DWORD* pdwRank) = 0;
};

// A field whose type is only known at run time; IDebugBinder::ResolveDynamicType
// resolves it. Adds nothing to IDebugField.
struct IDebugDynamicField : IDebugField {};

struct IEnumDebugFields : IUnknown {
    // pceltFetched is in/out here (unlike IEnumDebugPropertyInfo2::Next); callers pass
    // it initialised.
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, IDebugField** rgelt,
                                           ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumDebugFields** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) = 0;
};

struct IDebugAddress : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetAddress(DEBUG_ADDRESS* pAddress) = 0;
};

struct IDebugEngineSymbolProviderServices : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumCodeContexts(IDebugAddress** rgpAddresses, DWORD celt,
                                                       IEnumDebugCodeContexts2** ppEnum) = 0;
};

// fStatmentOnly keeps the host's spelling.
struct IDebugSymbolProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(IDebugEngineSymbolProviderServices* pServices) = 0;
    virtual HRESULT STDMETHODCALLTYPE Uninitialize() = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetContainerField(IDebugAddress* pAddress, IDebugContainerField** ppContainerField) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetField(IDebugAddress* pAddress, IDebugAddress* pAddressCur,
                                               IDebugField** ppField) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAddressesFromPosition(
        IDebugDocumentPosition2* pDocPos, BOOL fStatmentOnly,
        IEnumDebugAddresses** ppEnumBegAddresses, IEnumDebugAddresses** ppEnumEndAddresses) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAddressesFromContext(
        IDebugDocumentContext2* pDocContext, BOOL fStatmentOnly,
        IEnumDebugAddresses** ppEnumBegAddresses, IEnumDebugAddresses** ppEnumEndAddresses) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetContextFromAddress(IDebugAddress* pAddress, IDebugDocumentContext2** ppDocContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLanguage(IDebugAddress* pAddress, GUID* pguidLanguage,
                                                  GUID* pguidLanguageVendor) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGlobalContainer(IDebugContainerField** pField) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMethodFieldsByName(LPCOLESTR pszFullName,
                                                            NAME_MATCH nameMatch,
                                                            IEnumDebugFields** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClassTypeByName(LPCOLESTR pszClassName,
                                                         NAME_MATCH nameMatch,
                                                         IDebugClassField** ppField) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNamespacesUsedAtAddress(IDebugAddress* pAddress,
                                                                 IEnumDebugFields** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeByName(LPCOLESTR pszClassName, NAME_MATCH nameMatch,
                                                    IDebugField** ppField) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNextAddress(IDebugAddress* pAddress, BOOL fStatmentOnly,
                                                     IDebugAddress** ppAddress) = 0;
};

struct IDebugCustomAttributeQuery : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    IsCustomAttributeDefined(LPCOLESTR pszCustomAttributeName) = 0;
    // Despite its name, ppBlob is a caller-provided buffer of *pdwLen bytes; *pdwLen
    // comes back as the attribute's length.
    virtual HRESULT STDMETHODCALLTYPE GetCustomAttributeByName(LPCOLESTR pszCustomAttributeName,
                                                               BYTE* ppBlob, DWORD* pdwLen) = 0;
};

struct IDebugCustomAttributeQuery2 : IDebugCustomAttributeQuery {
    virtual HRESULT STDMETHODCALLTYPE EnumCustomAttributes(IEnumDebugCustomAttributes** ppEnum) = 0;
};

// Deriving interfaces also answer their bases' IIDs.
ORVEL_INTERFACE_BASE(IDebugContainerField, IDebugField)
ORVEL_INTERFACE_BASE(IDebugDynamicField, IDebugField)
ORVEL_INTERFACE_BASE(IDebugClassField, IDebugContainerField)
ORVEL_INTERFACE_BASE(IDebugMethodField, IDebugContainerField)
ORVEL_INTERFACE_BASE(IDebugPointerField, IDebugContainerField)
ORVEL_INTERFACE_BASE(IDebugArrayField, IDebugContainerField)
ORVEL_INTERFACE_BASE(IDebugCustomAttributeQuery2, IDebugCustomAttributeQuery)

// The row of one host field: the method whose locals are shown, an argument, a local, a
// member of a .NET class. Name and attributes come from the host's field information;
// type and value text from an Element made for the field, so that a Fortran variable
// and a .NET field look alike.
#pragma once

#include "host/HostInterfaces.h"
#include "platform/ComPtr.h"
#include "rows/CPropertyBase.h"

class Element;
class ExpressionContext;
class ExtraDebugInfo;

class CFieldProperty final : public CPropertyBase {
public:
    // provider, address and field are required. Without debugInfo the method at address
    // is asked for its own.
    CFieldProperty(IDebugSymbolProvider* provider, IDebugAddress* address, IDebugBinder* binder,
                   IDebugField* field, ExtraDebugInfo* debugInfo);
    // A field under parent: the parent's context gives provider, address and binder.
    CFieldProperty(Element* parent, IDebugField* field);

    // Makes the property and runs Init; the property is handed out only when Init worked.
    static HRESULT Create(IDebugSymbolProvider* provider, IDebugAddress* address,
                          IDebugBinder* binder, IDebugField* field, ExtraDebugInfo* debugInfo,
                          IDebugProperty2** out);
    static HRESULT Create(Element* parent, IDebugField* field, IDebugProperty2** out);
    // A member row of a .NET object: not initialised until first needed. The member is
    // read and written as bound under container.
    static HRESULT CreateMember(ExpressionContext* cxt, IDebugField* field, IDebugObject* container,
                                IDebugProperty2** out);

    // A member of an object (see CreateMember): no method records apply to it.
    CFieldProperty(ExpressionContext* cxt, IDebugField* field, IDebugObject* container);

    // Reads the field's kind and information and builds its Element.
    HRESULT Init();

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
    HRESULT STDMETHODCALLTYPE GetParent(IDebugProperty2** ppParent) override;
    HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugMemoryContext2** ppMemory) override;
    HRESULT STDMETHODCALLTYPE GetSize(DWORD* pdwSize) override;

private:
    ~CFieldProperty() override;
    void MakeContext();
    // Runs Init once for a property made without it; true when there is an Element.
    bool EnsureElement();
    DBG_ATTRIB_FLAGS Attributes() const;
    HRESULT EnumMethodFields(REFGUID guidFilter, IEnumDebugFields** fields);
    HRESULT EnumFieldsByAttributes(DBG_ATTRIB_FLAGS attribFilter, LPCOLESTR nameFilter,
                                   IEnumDebugFields** fields);

    orvel::ComPtr<IDebugSymbolProvider> m_provider;
    orvel::ComPtr<IDebugAddress> m_address;
    orvel::ComPtr<IDebugBinder> m_binder;
    orvel::ComPtr<ExtraDebugInfo> m_debugInfo;
    orvel::ComPtr<Element> m_elem;
    orvel::ComPtr<Element> m_parentElem;
    orvel::ComPtr<ExpressionContext> m_context;
    orvel::ComPtr<IDebugField> m_field;
    FIELD_INFO m_fieldInfo{};
    FIELD_KIND m_kind = 0;
    // The object a member row belongs to, or none.
    orvel::ComPtr<IDebugObject> m_container;
    bool m_initTried = false;
};

// A Fortran variable known from the compiler's debug information, presented as a host
// field: its name, declaration text, kind and size come from its Element. The operator
// evaluator thus treats Fortran variables and .NET fields alike.
#pragma once

#include "host/HostSymbols.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

class Element;

class CDebugF95Field final : public orvel::ComObject<IDebugField> {
public:
    // isType: the field stands for the Element's type rather than for the Element as a
    // symbol. A reference is taken on element, which must not be null.
    CDebugF95Field(Element* element, bool isType);

    // A new wrapper over element, handed to *out with its only reference.
    static HRESULT Create(Element* element, bool isType, IDebugField** out);

    HRESULT STDMETHODCALLTYPE GetInfo(FIELD_INFO_FIELDS dwFields, FIELD_INFO* pFieldInfo) override;
    HRESULT STDMETHODCALLTYPE GetKind(FIELD_KIND* pdwKind) override;
    HRESULT STDMETHODCALLTYPE GetType(IDebugField** ppType) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IDebugContainerField** ppContainerField) override;
    HRESULT STDMETHODCALLTYPE GetAddress(IDebugAddress** ppAddress) override;
    HRESULT STDMETHODCALLTYPE GetSize(DWORD* pdwSize) override;
    HRESULT STDMETHODCALLTYPE GetExtendedInfo(REFGUID guidExtendedInfo, BYTE** prgBuffer,
                                              DWORD* pdwLen) override;
    HRESULT STDMETHODCALLTYPE Equal(IDebugField* pField) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(TYPE_INFO* pTypeInfo) override;

private:
    ~CDebugF95Field() override;

    orvel::ComPtr<Element> m_element;
    bool m_isType;
};

// One field enumeration made of up to three: the data members of a class (a method's
// global container or its this class), then the method's parameters, then its locals.
#pragma once

#include "host/HostSymbols.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

class CEnumMethodField final : public orvel::ComObject<IEnumDebugFields> {
public:
    // Any of the three may be null and then contributes no field. The counts are taken
    // here, once.
    CEnumMethodField(IDebugField* classField, IEnumDebugFields* parameters,
                     IEnumDebugFields* locals);

    static HRESULT Create(IDebugField* classField, IEnumDebugFields* parameters,
                          IEnumDebugFields* locals, IEnumDebugFields** out);

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, IDebugField** rgelt, ULONG* pceltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumDebugFields** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) override;

private:
    ~CEnumMethodField() override;
    // The enumeration the position is in, or null past the end.
    IEnumDebugFields* Source() const;

    orvel::ComPtr<IDebugClassField> m_fieldThis;
    orvel::ComPtr<IEnumDebugFields> m_members;
    orvel::ComPtr<IEnumDebugFields> m_parameters;
    orvel::ComPtr<IEnumDebugFields> m_locals;
    ULONG m_position = 0;
    ULONG m_memberCount = 0;
    ULONG m_parameterCount = 0;
    ULONG m_localCount = 0;
};

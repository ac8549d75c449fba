// Lists the data members of a .NET object: one row per member of its class, read
// through the host's binder, with a field property for expanding or editing it. A
// member that is itself an object shows "{...}" and expands through another of these.
#pragma once

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

class Element;
class ExpressionContext;

class CEnumObject final : public orvel::ComObject<IEnumDebugPropertyInfo2> {
public:
    // The members of element (an object_4 Element), bound under its container object.
    CEnumObject(Element* element, DEBUGPROP_INFO_FLAGS request);
    // The members of the object field designates, bound with no container.
    CEnumObject(IDebugField* field, ExpressionContext* cxt, DEBUGPROP_INFO_FLAGS request);

    static HRESULT Create(Element* element, DEBUGPROP_INFO_FLAGS request,
                          IEnumDebugPropertyInfo2** out);
    static HRESULT Create(IDebugField* field, ExpressionContext* cxt, DEBUGPROP_INFO_FLAGS request,
                          IEnumDebugPropertyInfo2** out);

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, DEBUG_PROPERTY_INFO* rgelt,
                                   ULONG* pceltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumDebugPropertyInfo2** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) override;

private:
    ~CEnumObject() override;
    void Initialise(IDebugField* field, IDebugObject* parent);

    orvel::ComPtr<IDebugClassField> m_classField;
    orvel::ComPtr<IDebugObject> m_object;
    orvel::ComPtr<IEnumDebugFields> m_Enumerator;
    orvel::ComPtr<ExpressionContext> m_cxt;
    DEBUGPROP_INFO_FLAGS m_request;
    ULONG m_count = 0;
    ULONG m_position = 0;
};

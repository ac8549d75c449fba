// Lists the children of a structure, COMMON block, module or pointer target in the
// Element's own child order. Shares the Element's child walk: two of these over one
// Element disturb each other.
#pragma once

#include "host/HostProperties.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

class Element;

class CEnumGeneral final : public orvel::ComObject<IEnumDebugPropertyInfo2> {
public:
    // Walks element->ReadyFromEnum(); fields is the request applied to every row.
    CEnumGeneral(Element* element, DEBUGPROP_INFO_FLAGS fields);

    static HRESULT Create(Element* element, DEBUGPROP_INFO_FLAGS fields,
                          IEnumDebugPropertyInfo2** out);

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, DEBUG_PROPERTY_INFO* rgelt,
                                   ULONG* pceltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumDebugPropertyInfo2** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) override;

private:
    ~CEnumGeneral() override;

    orvel::ComPtr<Element> m_element;
    DEBUGPROP_INFO_FLAGS m_fields;
    ULONG m_count;
    ULONG m_position = 0;
};

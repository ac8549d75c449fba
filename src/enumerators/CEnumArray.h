// Lists the elements of an array, an allocatable array or a pointer to an array by
// linear index in Fortran column order, each row named by its subscripts. Rows are made
// only when Next reaches them, and one array gives at most MaxRows of them.
#pragma once

#include <string>

#include "host/HostProperties.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

class Element;

class CEnumArray final : public orvel::ComObject<IEnumDebugPropertyInfo2> {
public:
    static constexpr ULONG MaxRows = 1000000;

    // Walks element->ReadyFromEnum(); fields is the request applied to every row.
    CEnumArray(Element* element, DEBUGPROP_INFO_FLAGS fields);

    static HRESULT Create(Element* element, DEBUGPROP_INFO_FLAGS fields,
                          IEnumDebugPropertyInfo2** out);

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, DEBUG_PROPERTY_INFO* rgelt,
                                   ULONG* pceltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumDebugPropertyInfo2** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) override;

private:
    ~CEnumArray() override;
    ULONG TakeCount();

    orvel::ComPtr<Element> m_element;
    DEBUGPROP_INFO_FLAGS m_fields;
    ULONG m_count = 0; // 0: not taken yet
    ULONG m_position = 0;
    // The array's display name in the system code page, the start of every full name.
    std::string m_name;
};

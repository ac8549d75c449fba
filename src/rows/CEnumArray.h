// Lists the elements of an array, an allocatable array or a pointer to an array by
// linear index in Fortran column order, each row named by its subscripts. Rows are made
// only when Next reaches them, and one array gives at most MaxRows of them.
#pragma once

#include <string>

#include "host/HostProperties.h"
#include "platform/Bstr.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

class Element;
namespace orvel {
class DebuggeeReadCache;
}

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
    // Reads the values of the next rows (from the position on) into cache at once.
    void PrefetchRows(orvel::DebuggeeReadCache& cache, ULONG rows);
    // A new copy of the rows' type text, made from child the first time.
    BSTR TypeText(Element* child);

    orvel::ComPtr<Element> m_element;
    DEBUGPROP_INFO_FLAGS m_fields;
    ULONG m_count = 0; // 0: not taken yet
    ULONG m_position = 0;
    // The array's display name, the start of every full name, and its length in the
    // system code page, which bounds the subscripts.
    std::basic_string<OLECHAR> m_name;
    int m_nameBytes = 0;
    orvel::BstrHolder m_type; // the rows' type text, once the first row is made
};

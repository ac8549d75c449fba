#include "PropertyRecords.h"

#include "platform/Bstr.h"
#include "platform/ComPtr.h"

namespace {

OleText TextOf(BSTR text) {
    return text ? OleText(text, SysStringLen(text)) : OleText();
}

void Free(BSTR text) {
    if (text) SysFreeString(text);
}

} // namespace

void PropertyRecords::Reset() {
    for (DEBUG_PROPERTY_INFO& record : m_records) {
        if (record.dwFields == 0 && !record.bstrFullName && !record.bstrName && !record.bstrType &&
            !record.bstrValue && !record.pProperty)
            continue;
        Free(record.bstrFullName);
        Free(record.bstrName);
        Free(record.bstrType);
        Free(record.bstrValue);
        // The record holds a reference of its own; adopting it releases it.
        orvel::ComPtr<IDebugProperty2>::Adopt(record.pProperty);
        record = DEBUG_PROPERTY_INFO{};
    }
}

PropertyRow PropertyRecords::Row(size_t i) const {
    const DEBUG_PROPERTY_INFO& record = m_records[i];
    PropertyRow row;
    row.fullName = TextOf(record.bstrFullName);
    row.name = TextOf(record.bstrName);
    row.type = TextOf(record.bstrType);
    row.value = TextOf(record.bstrValue);
    if (record.dwFields & DEBUGPROP_INFO_ATTRIB) row.attrib = record.dwAttrib;
    return row;
}

void PropertyRecords::HandOver(size_t i, PropertyRecords& other) {
    other.Reset();
    other.m_records.front() = m_records[i];
    m_records[i] = DEBUG_PROPERTY_INFO{};
}

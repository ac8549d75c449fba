// A batch of DEBUG_PROPERTY_INFO records for the evaluator to fill, as one array (the
// enumerator's Next writes many at a time). Reset frees every text and releases every
// property the records carry, so that the batch can be filled again.
#pragma once

#include <vector>

#include "RowSink.h"
#include "host/HostProperties.h"

class PropertyRecords {
public:
    explicit PropertyRecords(size_t count) : m_records(count) {}
    ~PropertyRecords() { Reset(); }
    PropertyRecords(const PropertyRecords&) = delete;
    PropertyRecords& operator=(const PropertyRecords&) = delete;

    void Reset();
    // The empty records, for GetPropertyInfo or Next.
    DEBUG_PROPERTY_INFO* put() {
        Reset();
        return m_records.data();
    }
    size_t size() const { return m_records.size(); }

    // Record i's texts as borrowed views (a text it lacks is empty) and its attributes.
    PropertyRow Row(size_t i) const;
    // Record i's own property, or null.
    IDebugProperty2* Property(size_t i) const { return m_records[i].pProperty; }
    // Moves record i, texts and property, into other's first record (freed first).
    void HandOver(size_t i, PropertyRecords& other);

private:
    std::vector<DEBUG_PROPERTY_INFO> m_records;
};

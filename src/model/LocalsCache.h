// The locals and arguments of one routine by name, filled once from the host so that
// each record of the routine finds its field without walking the host's lists again.
// Names compare regardless of letter case. Nothing here throws.
#pragma once

#include <cstdint>

#include "platform/ComPtr.h"

struct IDebugField;

class LocalsCache {
public:
    static constexpr int BucketCount = 128;

    int32_t Entries = 0;
    int32_t Hits = 0;
    int32_t Misses = 0;

    LocalsCache();
    ~LocalsCache();
    LocalsCache(const LocalsCache&) = delete;
    LocalsCache& operator=(const LocalsCache&) = delete;

    // Keeps a reference on Field under a copy of Name; false when out of memory.
    bool Add(const char* Name, IDebugField* Field);
    // The field under Name (no new reference), or null.
    IDebugField* Find(const char* Name);

    // The bucket of a name: the sum of its upper-cased characters, low 7 bits.
    static unsigned BucketOf(const char* Name);

private:
    struct Node {
        Node* Next;
        char* Name;
        orvel::ComPtr<IDebugField> Field;
    };
    Node* m_buckets[BucketCount];
};

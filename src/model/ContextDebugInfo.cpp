#include "model/ContextDebugInfo.h"

#include "debuginfo/DebugInfoAcquisition.h"
#include "debuginfo/DebugInfoCache.h"
#include "model/ExtraDebugInfo.h"

ExtraDebugInfo* EmptyDebugInfo(ExpressionContext* Context) {
    static const uint8_t kNoRecords[2] = {0, 0};
    return ExtraDebugInfo::Create(kNoRecords, 2, Context, true);
}

namespace orvel::acquisition {

ExtraDebugInfo* DebugInfoOf(const CacheEntry& Entry, ExpressionContext* Context) {
    // Each iterator owns its bytes, so that clearing the cache cannot pull them away.
    return ExtraDebugInfo::Create(Entry.Data.data(), static_cast<int32_t>(Entry.Data.size()),
                                  Context, true);
}

ExtraDebugInfo* CacheAndGive(const char* Key, const uint8_t* Bytes, size_t Length,
                             ExpressionContext* Context) {
    if (Length > kMaxAttributeBlob) return nullptr;
    const CacheEntryRef entry = CacheAddDebugInfo(Key, Bytes, static_cast<uint32_t>(Length));
    return entry ? DebugInfoOf(*entry, Context) : nullptr;
}

} // namespace orvel::acquisition

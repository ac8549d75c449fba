#include "debuginfo/DebugInfoAcquisition.h"

#include "debuginfo/DebugInfoCache.h"
#include "model/ExtraDebugInfo.h"

ExtraDebugInfo* GetOurDebugInfo(const char* StaticName, ExpressionContext* Context) {
    if (!StaticName || !Context) return nullptr;
    if (const CacheEntry* entry = CacheLookup(StaticName, CacheDebugInfo)) {
        // Each iterator owns its bytes, so that clearing the cache cannot pull them away.
        return ExtraDebugInfo::Create(entry->Data.data(), static_cast<int32_t>(entry->Data.size()),
                                      Context, true);
    }
    // Seam: reading the static field's attribute or companion array through the host
    // comes with the acquisition code; until then an item not in the cache has none.
    return nullptr;
}

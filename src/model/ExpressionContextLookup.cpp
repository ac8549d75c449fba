// ExpressionContext: resolving the names that debug-information records refer to.
#include <cstdio>

#include "debuginfo/DebugInfoCache.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "platform/CodePage.h"

Element* ExpressionContext::Lookup(const char* Name) {
    if (!Name) return nullptr;
    OLECHAR wide[512];
    orvel::NarrowToWide(Name, -1, wide, static_cast<int>(sizeof wide / sizeof wide[0]));
    return Lookup(wide);
}

Element* ExpressionContext::Lookup(const OLECHAR* Name) {
    // Seam: the walk through the host's scopes (the method's locals and parameters, then
    // the enclosing classes) replaces this body; until then no name is found.
    (void)Name;
    return nullptr;
}

DebuggeeAddress ExpressionContext::GetModuleAddress(const char* Name) {
    if (!Name) return 0xFFFFFFFF;
    const DebuggeeAddress cached = CacheLookupAddress(Name);
    if (cached != 0) return cached;
    DebuggeeAddress at = 0;
    if (Element* storage = Lookup(Name)) {
        at = storage->GetAddressValue();
        storage->Release();
    }
    // A module that cannot be found is remembered as such, so it is asked for only once.
    if (at == 0) at = 0xFFFFFFFF;
    CacheAddAddress(Name, at);
    return at;
}

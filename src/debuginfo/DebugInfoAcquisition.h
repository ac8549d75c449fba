// Finding the extra debug information of methods and static items in the debuggee's
// metadata, through the cache.
#pragma once

class ExpressionContext;
class ExtraDebugInfo;

// The debug information of the static item (module variable, COMMON block, module)
// named StaticName, as a new iterator bound to Context and owned by the caller; null
// when it has none.
ExtraDebugInfo* GetOurDebugInfo(const char* StaticName, ExpressionContext* Context);

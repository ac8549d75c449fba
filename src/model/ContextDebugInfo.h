// The compiler's extra debug information bound to an evaluation context: the records of
// a method or a static item as a new iterator over the module-wide cache of record bytes,
// and the addresses of the program's static data. Every host failure ends quietly in "no
// debug information" (null) or an address of 0; nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"

class ExpressionContext;
class ExtraDebugInfo;
struct CacheEntry;
struct IDebugField;

// The debug information of a method, as a new iterator bound to Context and owned by
// the caller; null when it has none. Reads the global-name table and the static
// addresses first, once per cache lifetime.
ExtraDebugInfo* GetOurDebugInfo(IDebugField* Method, ExpressionContext* Context);

// The debug information of the static item (module variable, COMMON block, module)
// named StaticName in the class named by Context->ClassName, as a new iterator owned by
// the caller; null when it has none.
ExtraDebugInfo* GetOurDebugInfo(const char* StaticName, ExpressionContext* Context);

// An iterator over no records (the two bytes 00 00), for items without debug
// information. Null only when out of memory.
ExtraDebugInfo* EmptyDebugInfo(ExpressionContext* Context);

// Reads ~DebugInfo~ and ~DebugInfoNames~ of the class around Method: opens the debuggee
// process and stores one address per name. Does its work once per cache lifetime, and
// only when Context has a binder.
void GetStaticAddressInfo(IDebugField* Method, ExpressionContext* Context);

// The debuggee address of the static item Name ("Class.Item"): from the cache, else from
// the debuggee's own lookup method (its answer is cached, 0 included). 0 when unknown.
DebuggeeAddress LookupStaticAddress(ExpressionContext* Cxt, LPCOLESTR Name);

namespace orvel::acquisition {

// A new iterator over a private copy of a CacheDebugInfo entry's bytes.
ExtraDebugInfo* DebugInfoOf(const CacheEntry& Entry, ExpressionContext* Context);
// Caches Length bytes under Key and gives an iterator over a copy; null when out of
// memory.
ExtraDebugInfo* CacheAndGive(const char* Key, const uint8_t* Bytes, size_t Length,
                             ExpressionContext* Context);

} // namespace orvel::acquisition

// The module-wide store of what the evaluator learned about the debuggee's extra debug
// information: the record bytes of methods, statics, COMMON blocks and modules, the
// debuggee addresses of static items, the table of global names, the debuggee process
// handle and two read-once flags. Each costly question to the host is asked once per
// name and cycle of the store.
//
// The host may call from any thread, one call at a time on any one object, so two
// evaluators can use the store at once: every function takes its lock, entries are
// handed out shared so that a clear cannot pull them away, and names are copied out.
// Nothing here throws; an allocation that fails is a miss.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"

// The numeric value takes part in the hash, so it is fixed.
enum CacheTypes : int32_t {
    CacheAddress = 0,   // a debuggee address
    CacheDebugInfo = 1, // raw debug-information bytes
};

struct CacheEntry {
    std::string Name; // the key; compared without regard to ASCII letter case
    CacheTypes Type;
    // CacheAddress: the debuggee address; CacheDebugInfo: the number of bytes in Data.
    uint32_t Value;
    std::vector<uint8_t> Data; // CacheDebugInfo only
};

struct GlobalInfoRecord {
    uint32_t Value;
    std::string FullName;
    std::string ShortName;
};

constexpr int CacheBucketCount = 512;
// Room for any full name of the global-name table, NUL included.
constexpr size_t GlobalNameCapacity = 512;

// The bucket of a key: the type's value plus the upper-cased bytes of the name, each
// taken as a signed 8-bit number, masked to the bucket count.
unsigned CacheBucketOf(const char* Name, CacheTypes Type);

// An entry stays valid for whoever holds it, even after CacheClear.
using CacheEntryRef = std::shared_ptr<const CacheEntry>;

// The entry of that name and type, or null. A hit becomes the last hit, which the next
// look-up tries before walking a chain.
CacheEntryRef CacheLookup(const char* Name, CacheTypes Type);

// A new CacheDebugInfo entry holding a copy of the bytes; callers look first, as an
// existing entry of the name is not replaced. Null when out of memory.
CacheEntryRef CacheAddDebugInfo(const char* Name, const void* Bytes, uint32_t Length);

// A CacheAddress entry, unless the name has one already: the first address stays.
void CacheAddAddress(const char* Name, DebuggeeAddress Address);

// The address stored under the name, or 0 (not known).
DebuggeeAddress CacheLookupAddress(const char* Name);

// The table of global names, installed by whoever read it; replaces the table held.
void SetGlobalInfoRecords(std::vector<GlobalInfoRecord> Records);
// A copy of the table.
std::vector<GlobalInfoRecord> GlobalInfoRecords();

// Copies into Out (Capacity bytes, NUL included, cut to fit) the full name of the first
// record with that value; false, with Out empty, when there is none.
bool GlobalNameByValue(uint32_t Value, char* Out, size_t Capacity);
// The same for the first record whose short name equals Name (letter case ignored).
bool GlobalNameByShortName(const char* Name, char* Out, size_t Capacity);

bool GlobalInfoRead();
void SetGlobalInfoRead(bool Read);
bool StaticsRead();
void SetStaticsRead(bool Read);

// Held by whoever reads a read-once part (the global names, the static addresses), so
// that a second thread waits for the first reader's outcome instead of seeing the flag
// set and the table still empty. Recursive: a reader may look entries up.
std::recursive_mutex& CacheReadOnceLock();

// The debuggee process opened for reading, or null.
HANDLE DebuggeeProcessHandle();
// Stores the handle; a different handle held before is closed, as nobody could reach
// it again.
void SetDebuggeeProcessHandle(HANDLE Process);

// Empties the store: entries, last hit, global names, both flags and the process handle.
void CacheClear();

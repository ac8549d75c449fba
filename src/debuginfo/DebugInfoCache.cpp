#include "debuginfo/DebugInfoCache.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <forward_list>
#include <new>
#include <utility>

#include "platform/ProcessMemory.h"

namespace {

// forward_list keeps the chains' head insertion; entries are shared with whoever looked
// them up, so a clear on another thread leaves their bytes with them.
using Chain = std::forward_list<std::shared_ptr<const CacheEntry>>;

struct CacheState {
    std::mutex Lock; // over everything below
    std::array<Chain, CacheBucketCount> Buckets;
    CacheEntryRef LastHit;
    std::vector<GlobalInfoRecord> GlobalInfo;
    bool GlobalInfoRead = false;
    bool StaticsRead = false;
    HANDLE Process = nullptr;
};

CacheState& State() {
    static CacheState state;
    return state;
}

using Guard = std::lock_guard<std::mutex>;

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (UpperAscii(*a) != UpperAscii(*b)) return false;
        if (*a == '\0') return true;
    }
}

bool Matches(const CacheEntry& entry, const char* name, CacheTypes type) {
    return entry.Type == type && SameName(entry.Name.c_str(), name);
}

// Call with the lock held.
CacheEntryRef LookUp(CacheState& state, const char* name, CacheTypes type) {
    if (state.LastHit && Matches(*state.LastHit, name, type)) return state.LastHit;
    for (const CacheEntryRef& entry : state.Buckets[CacheBucketOf(name, type)]) {
        if (Matches(*entry, name, type)) {
            state.LastHit = entry;
            return entry;
        }
    }
    return nullptr;
}

// Call with the lock held.
CacheEntryRef AddEntry(CacheState& state, const char* name, CacheTypes type, uint32_t value,
                       const void* bytes) {
    try {
        auto entry = std::make_shared<CacheEntry>(CacheEntry{name, type, value, {}});
        if (bytes && value > 0) {
            const auto* first = static_cast<const uint8_t*>(bytes);
            entry->Data.assign(first, first + value);
        }
        state.Buckets[CacheBucketOf(name, type)].push_front(entry);
        return entry;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool CopyName(const std::string& name, char* out, size_t capacity) {
    if (!out || capacity == 0) return false;
    const size_t length = std::min(name.size(), capacity - 1);
    std::memcpy(out, name.data(), length);
    out[length] = '\0';
    return true;
}

void CloseProcess(HANDLE process) {
    if (process) CloseHandle(process);
}

} // namespace

unsigned CacheBucketOf(const char* Name, CacheTypes Type) {
    uint32_t h = static_cast<uint32_t>(Type);
    for (const char* p = Name; p && *p; ++p) {
        int32_t c = static_cast<signed char>(*p);
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        h += static_cast<uint32_t>(c);
    }
    return h & (CacheBucketCount - 1);
}

CacheEntryRef CacheLookup(const char* Name, CacheTypes Type) {
    if (!Name) return nullptr;
    CacheState& state = State();
    Guard guard(state.Lock);
    return LookUp(state, Name, Type);
}

CacheEntryRef CacheAddDebugInfo(const char* Name, const void* Bytes, uint32_t Length) {
    if (!Name || (!Bytes && Length > 0)) return nullptr;
    CacheState& state = State();
    Guard guard(state.Lock);
    return AddEntry(state, Name, CacheDebugInfo, Length, Bytes);
}

void CacheAddAddress(const char* Name, DebuggeeAddress Address) {
    if (!Name) return;
    CacheState& state = State();
    Guard guard(state.Lock);
    if (LookUp(state, Name, CacheAddress)) return;
    AddEntry(state, Name, CacheAddress, Address, nullptr);
}

DebuggeeAddress CacheLookupAddress(const char* Name) {
    const CacheEntryRef entry = CacheLookup(Name, CacheAddress);
    return entry ? entry->Value : 0;
}

void SetGlobalInfoRecords(std::vector<GlobalInfoRecord> Records) {
    CacheState& state = State();
    std::vector<GlobalInfoRecord> old;
    {
        Guard guard(state.Lock);
        old.swap(state.GlobalInfo);
        state.GlobalInfo = std::move(Records);
    }
}

std::vector<GlobalInfoRecord> GlobalInfoRecords() {
    CacheState& state = State();
    Guard guard(state.Lock);
    return state.GlobalInfo;
}

bool GlobalNameByValue(uint32_t Value, char* Out, size_t Capacity) {
    if (Out && Capacity) Out[0] = '\0';
    CacheState& state = State();
    Guard guard(state.Lock);
    for (const GlobalInfoRecord& record : state.GlobalInfo)
        if (record.Value == Value) return CopyName(record.FullName, Out, Capacity);
    return false;
}

bool GlobalNameByShortName(const char* Name, char* Out, size_t Capacity) {
    if (Out && Capacity) Out[0] = '\0';
    if (!Name) return false;
    CacheState& state = State();
    Guard guard(state.Lock);
    for (const GlobalInfoRecord& record : state.GlobalInfo)
        if (SameName(record.ShortName.c_str(), Name))
            return CopyName(record.FullName, Out, Capacity);
    return false;
}

bool GlobalInfoRead() {
    CacheState& state = State();
    Guard guard(state.Lock);
    return state.GlobalInfoRead;
}
void SetGlobalInfoRead(bool Read) {
    CacheState& state = State();
    Guard guard(state.Lock);
    state.GlobalInfoRead = Read;
}
bool StaticsRead() {
    CacheState& state = State();
    Guard guard(state.Lock);
    return state.StaticsRead;
}
void SetStaticsRead(bool Read) {
    CacheState& state = State();
    Guard guard(state.Lock);
    state.StaticsRead = Read;
}

std::recursive_mutex& CacheReadOnceLock() {
    static std::recursive_mutex lock;
    return lock;
}

HANDLE DebuggeeProcessHandle() {
    CacheState& state = State();
    Guard guard(state.Lock);
    return state.Process;
}

void SetDebuggeeProcessHandle(HANDLE Process) {
    CacheState& state = State();
    HANDLE replaced = nullptr;
    {
        Guard guard(state.Lock);
        // Opening the process again (a statics read that failed after opening it is
        // retried) would otherwise leave the first handle open with nobody able to close it.
        if (state.Process != Process) replaced = state.Process;
        state.Process = Process;
    }
    CloseProcess(replaced);
}

void CacheClear() {
    CacheState& state = State();
    std::array<Chain, CacheBucketCount> buckets;
    std::vector<GlobalInfoRecord> globals;
    HANDLE process = nullptr;
    {
        Guard guard(state.Lock);
        state.StaticsRead = false;
        state.LastHit = nullptr;
        buckets.swap(state.Buckets);
        globals.swap(state.GlobalInfo);
        state.GlobalInfoRead = false;
        process = state.Process;
        state.Process = nullptr;
    }
    // Nobody can reach the handle once it is forgotten, so keeping it open would only
    // leak it; readers take the handle from here for every read.
    CloseProcess(process);
}

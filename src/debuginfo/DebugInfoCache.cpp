#include "debuginfo/DebugInfoCache.h"

#include <array>
#include <cstring>
#include <forward_list>
#include <new>
#include <utility>

#include "platform/ProcessMemory.h"

namespace {

// forward_list keeps the chains' head insertion and gives entries stable addresses, so
// the last hit and the pointers handed out stay valid until CacheClear.
using Chain = std::forward_list<CacheEntry>;

struct CacheState {
    std::array<Chain, CacheBucketCount> Buckets;
    CacheEntry* LastHit = nullptr;
    std::vector<GlobalInfoRecord> GlobalInfo;
    bool GlobalInfoRead = false;
    bool StaticsRead = false;
    HANDLE Process = nullptr;
};

CacheState& State() {
    static CacheState state;
    return state;
}

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

CacheEntry* AddEntry(const char* name, CacheTypes type, uint32_t value, const void* bytes) {
    try {
        CacheEntry entry{name, type, value, {}};
        if (bytes && value > 0) {
            const auto* first = static_cast<const uint8_t*>(bytes);
            entry.Data.assign(first, first + value);
        }
        Chain& chain = State().Buckets[CacheBucketOf(name, type)];
        chain.push_front(std::move(entry));
        return &chain.front();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
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

CacheEntry* CacheLookup(const char* Name, CacheTypes Type) {
    if (!Name) return nullptr;
    CacheState& state = State();
    if (state.LastHit && Matches(*state.LastHit, Name, Type)) return state.LastHit;
    for (CacheEntry& entry : state.Buckets[CacheBucketOf(Name, Type)]) {
        if (Matches(entry, Name, Type)) {
            state.LastHit = &entry;
            return &entry;
        }
    }
    return nullptr;
}

CacheEntry* CacheAddDebugInfo(const char* Name, const void* Bytes, uint32_t Length) {
    if (!Name || (!Bytes && Length > 0)) return nullptr;
    return AddEntry(Name, CacheDebugInfo, Length, Bytes);
}

void CacheAddAddress(const char* Name, DebuggeeAddress Address) {
    if (!Name || CacheLookup(Name, CacheAddress)) return;
    AddEntry(Name, CacheAddress, Address, nullptr);
}

DebuggeeAddress CacheLookupAddress(const char* Name) {
    const CacheEntry* entry = CacheLookup(Name, CacheAddress);
    return entry ? entry->Value : 0;
}

void SetGlobalInfoRecords(std::vector<GlobalInfoRecord> Records) {
    State().GlobalInfo = std::move(Records);
}

const std::vector<GlobalInfoRecord>& GlobalInfoRecords() {
    return State().GlobalInfo;
}

const char* GlobalNameByValue(uint32_t Value) {
    for (const GlobalInfoRecord& record : State().GlobalInfo)
        if (record.Value == Value) return record.FullName.c_str();
    return nullptr;
}

const char* GlobalNameByShortName(const char* Name) {
    if (!Name) return nullptr;
    for (const GlobalInfoRecord& record : State().GlobalInfo)
        if (SameName(record.ShortName.c_str(), Name)) return record.FullName.c_str();
    return nullptr;
}

bool GlobalInfoRead() {
    return State().GlobalInfoRead;
}
void SetGlobalInfoRead(bool Read) {
    State().GlobalInfoRead = Read;
}
bool StaticsRead() {
    return State().StaticsRead;
}
void SetStaticsRead(bool Read) {
    State().StaticsRead = Read;
}

HANDLE DebuggeeProcessHandle() {
    return State().Process;
}

void SetDebuggeeProcessHandle(HANDLE Process) {
    CacheState& state = State();
    // Opening the process again (a statics read that failed after opening it is retried)
    // would otherwise leave the first handle open with nobody able to close it.
    if (state.Process != Process) CloseProcess(state.Process);
    state.Process = Process;
}

void CacheClear() {
    CacheState& state = State();
    state.StaticsRead = false;
    state.LastHit = nullptr;
    for (Chain& chain : state.Buckets)
        chain.clear();
    state.GlobalInfo.clear();
    state.GlobalInfo.shrink_to_fit();
    state.GlobalInfoRead = false;
    // Nobody can reach the handle once it is forgotten, so keeping it open would only
    // leak it; readers take the handle from here for every read.
    CloseProcess(state.Process);
    state.Process = nullptr;
}

#include "platform/DebuggeeReadCache.h"

#include <algorithm>
#include <cstring>

#include "platform/ProcessMemory.h"

namespace orvel {

namespace {

constexpr uint64_t PageSize = 0x1000;

// The cache the reads of this thread go through, or none.
thread_local DebuggeeReadCache* t_active = nullptr;

} // namespace

DebuggeeReadCache::DebuggeeReadCache() : m_outer(t_active) {
    t_active = this;
}

DebuggeeReadCache::~DebuggeeReadCache() {
    t_active = m_outer;
}

void DebuggeeReadCache::Prefetch(HANDLE process, DebuggeeAddress addr, size_t size) {
    if (!process || size == 0) return;
    m_wantStart = addr;
    m_wantEnd = uint64_t{addr} + size;
    m_process = process;
    Fill(process, m_wantStart, std::min(m_wantEnd, m_wantStart + WindowSize));
}

void DebuggeeReadCache::Fill(HANDLE process, uint64_t start, uint64_t end) {
    // Taken before the read: a write that comes during it makes the copy stale.
    m_writes = DebuggeeWriteCount();
    m_process = process;
    m_start = start;
    m_length = ReadDebuggee(process, static_cast<DebuggeeAddress>(start), m_bytes,
                            static_cast<size_t>(end - start));
}

// A window for a read that missed: inside the announced range, from the read on to the
// range's end; elsewhere, the pages the read touches.
void DebuggeeReadCache::FillFor(HANDLE process, DebuggeeAddress addr, size_t size) {
    const uint64_t end = uint64_t{addr} + size;
    if (process == m_process && addr >= m_wantStart && end <= m_wantEnd) {
        Fill(process, addr, std::min(m_wantEnd, uint64_t{addr} + WindowSize));
        return;
    }
    const uint64_t first = addr & ~(PageSize - 1);
    const uint64_t last = (end + PageSize - 1) & ~(PageSize - 1);
    if (last - first <= WindowSize) Fill(process, first, last);
}

bool DebuggeeReadCache::Holds(HANDLE process, DebuggeeAddress addr, size_t size) const {
    return m_length > 0 && process == m_process && m_writes == DebuggeeWriteCount() &&
           addr >= m_start && addr + uint64_t{size} <= m_start + m_length;
}

size_t DebuggeeReadCache::Read(HANDLE process, DebuggeeAddress addr, void* buffer, size_t size) {
    DebuggeeReadCache* cache = t_active;
    if (!cache || !process || !buffer || size == 0 || size > WindowSize)
        return ReadDebuggee(process, addr, buffer, size);
    if (!cache->Holds(process, addr, size)) {
        cache->FillFor(process, addr, size);
        // What the window could not hold, past an unreadable page or its own end: the
        // debuggee itself says how much of the request it can give.
        if (!cache->Holds(process, addr, size)) return ReadDebuggee(process, addr, buffer, size);
    }
    std::memcpy(buffer, cache->m_bytes + (addr - cache->m_start), size);
    return size;
}

} // namespace orvel

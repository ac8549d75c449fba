// A short-lived copy of debuggee memory. Listing a big array reads each element on its
// own, a system call apiece; with a cache in scope those reads are served from one read
// of the whole batch instead.
//
// A cache is made on the stack around one batch of work (one Next of an enumerator)
// and is the thread's active cache until it goes out of scope. The debuggee is stopped
// while the host asks for rows, so its memory can only change through a write, and any
// write made through WriteDebuggee (ours or the substitute host's binder) empties every
// cache: a read after a write always goes to the debuggee. Nothing outlives the batch,
// so a debuggee that runs between two batches is read afresh.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"

namespace orvel {

class DebuggeeReadCache {
public:
    // The most one read brings in; small enough to live on any thread's stack.
    static constexpr size_t WindowSize = 16 * 1024;

    DebuggeeReadCache();
    ~DebuggeeReadCache();
    DebuggeeReadCache(const DebuggeeReadCache&) = delete;
    DebuggeeReadCache& operator=(const DebuggeeReadCache&) = delete;

    // Announces that the batch will read [addr, addr + size) and reads its start now.
    // Later misses inside the range read on to its end, a window at a time, and never
    // past it.
    void Prefetch(HANDLE process, DebuggeeAddress addr, size_t size);

    // ReadDebuggee, served from the thread's active cache where one holds the bytes.
    static size_t Read(HANDLE process, DebuggeeAddress addr, void* buffer, size_t size);

private:
    void Fill(HANDLE process, uint64_t start, uint64_t end);
    void FillFor(HANDLE process, DebuggeeAddress addr, size_t size);
    bool Holds(HANDLE process, DebuggeeAddress addr, size_t size) const;

    DebuggeeReadCache* m_outer; // the cache this one hides, restored on destruction
    HANDLE m_process = nullptr;
    uint64_t m_start = 0;
    size_t m_length = 0;   // bytes at m_start that were read
    uint32_t m_writes = 0; // DebuggeeWriteCount() when they were read
    // The announced range, [m_wantStart, m_wantEnd), of m_process.
    uint64_t m_wantStart = 0;
    uint64_t m_wantEnd = 0;
    uint8_t m_bytes[WindowSize];
};

} // namespace orvel

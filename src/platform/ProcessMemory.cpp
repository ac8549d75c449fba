#include "platform/ProcessMemory.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#if !ORVEL_WINDOWS
#include <cerrno>
#include <climits>
#include <mutex>
#include <string>
#include <unordered_set>

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace {

// Reads are retried page by page after a failure, so that the readable part before
// an unmapped page is still delivered. x86 pages are 4 KiB on both platforms.
constexpr uintptr_t PageSize = 0x1000;

size_t BytesToPageEnd(uintptr_t address) {
    return PageSize - (address % PageSize);
}

std::atomic<uint32_t>& WriteCounter() {
    static std::atomic<uint32_t> writes{0};
    return writes;
}

// Counted before the bytes move, so that no read cache can be taken in between.
void CountWrite() {
    WriteCounter().fetch_add(1, std::memory_order_relaxed);
}

} // namespace

#if !ORVEL_WINDOWS

namespace {

struct ProcessHandle {
    pid_t pid;
    DWORD access;
};

// Every live handle, so that a stale or made-up one is refused without touching it.
std::mutex& HandleMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unordered_set<ProcessHandle*>& LiveHandles() {
    static std::unordered_set<ProcessHandle*> handles;
    return handles;
}

bool LookUp(HANDLE handle, ProcessHandle* copy) {
    std::lock_guard<std::mutex> lock(HandleMutex());
    auto it = LiveHandles().find(static_cast<ProcessHandle*>(handle));
    if (it == LiveHandles().end()) return false;
    *copy = **it;
    return true;
}

enum class Direction { Read, Write };

// One remote iovec per page: the kernel stops at the first element it cannot
// transfer, which makes a partial transfer end exactly at the bad page. *batch gets
// the bytes this call asked for (at most 1024 pages).
ssize_t VmTransfer(pid_t pid, uintptr_t remote, uint8_t* local, size_t size, Direction dir,
                   size_t* batch) {
    constexpr size_t MaxPieces = IOV_MAX < 1024 ? IOV_MAX : 1024;
    iovec pieces[MaxPieces];
    size_t count = 0;
    size_t covered = 0;
    while (covered < size && count < MaxPieces) {
        const size_t length = std::min(size - covered, BytesToPageEnd(remote + covered));
        pieces[count].iov_base = reinterpret_cast<void*>(remote + covered);
        pieces[count].iov_len = length;
        covered += length;
        ++count;
    }
    *batch = covered;
    iovec localPiece{local, covered};
    return dir == Direction::Read ? process_vm_readv(pid, &localPiece, 1, pieces, count, 0)
                                  : process_vm_writev(pid, &localPiece, 1, pieces, count, 0);
}

// /proc/pid/mem, for kernels or sandboxes that refuse the process_vm calls.
size_t ProcMemTransfer(pid_t pid, uintptr_t remote, uint8_t* local, size_t size, Direction dir) {
    const std::string path = "/proc/" + std::to_string(pid) + "/mem";
    const int fd = open(path.c_str(), (dir == Direction::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd < 0) return 0;
    size_t done = 0;
    while (done < size) {
        const size_t length = std::min(size - done, BytesToPageEnd(remote + done));
        const off_t offset = static_cast<off_t>(remote + done);
        const ssize_t moved = dir == Direction::Read ? pread(fd, local + done, length, offset)
                                                     : pwrite(fd, local + done, length, offset);
        if (moved <= 0) break;
        done += static_cast<size_t>(moved);
        if (static_cast<size_t>(moved) < length) break;
    }
    close(fd);
    return done;
}

size_t Transfer(pid_t pid, uintptr_t remote, uint8_t* local, size_t size, Direction dir) {
    size_t done = 0;
    while (done < size) {
        size_t batch = 0;
        const ssize_t moved =
            VmTransfer(pid, remote + done, local + done, size - done, dir, &batch);
        if (moved < 0) {
            if (done == 0 && (errno == ENOSYS || errno == EPERM))
                return ProcMemTransfer(pid, remote, local, size, dir);
            break;
        }
        done += static_cast<size_t>(moved);
        if (static_cast<size_t>(moved) < batch) break;
    }
    return done;
}

BOOL Move(HANDLE process, uintptr_t remote, uint8_t* local, SIZE_T size, SIZE_T* moved,
          Direction dir) {
    if (moved) *moved = 0;
    ProcessHandle target;
    if (!LookUp(process, &target)) return FALSE;
    const DWORD needed =
        dir == Direction::Read ? PROCESS_VM_READ : PROCESS_VM_WRITE | PROCESS_VM_OPERATION;
    if ((target.access & needed) != needed) return FALSE;
    if (size == 0) return TRUE;
    if (!local) return FALSE;
    // Stay inside the address space rather than wrap around.
    const SIZE_T room = UINTPTR_MAX - remote;
    const SIZE_T wanted = std::min(size, room);
    const size_t done = Transfer(target.pid, remote, local, wanted, dir);
    if (moved) *moved = done;
    return done == size ? TRUE : FALSE;
}

} // namespace

HANDLE OpenProcess(DWORD access, BOOL /*inherit*/, DWORD pid) {
    // pid_t is signed and kill() treats 0 and negative values as process groups.
    if (pid == 0 || pid > static_cast<DWORD>(INT_MAX)) return nullptr;
    if (kill(static_cast<pid_t>(pid), 0) != 0) return nullptr;
    auto* handle = new ProcessHandle{static_cast<pid_t>(pid), access};
    std::lock_guard<std::mutex> lock(HandleMutex());
    LiveHandles().insert(handle);
    return handle;
}

BOOL ReadProcessMemory(HANDLE process, LPCVOID base, LPVOID buffer, SIZE_T size, SIZE_T* read) {
    return Move(process, reinterpret_cast<uintptr_t>(base), static_cast<uint8_t*>(buffer), size,
                read, Direction::Read);
}

BOOL WriteProcessMemory(HANDLE process, LPVOID base, LPCVOID buffer, SIZE_T size, SIZE_T* written) {
    CountWrite();
    // process_vm_writev takes a non-const local iovec but only reads from it.
    return Move(process, reinterpret_cast<uintptr_t>(base),
                static_cast<uint8_t*>(const_cast<void*>(buffer)), size, written, Direction::Write);
}

BOOL CloseHandle(HANDLE handle) {
    auto* process = static_cast<ProcessHandle*>(handle);
    {
        std::lock_guard<std::mutex> lock(HandleMutex());
        if (LiveHandles().erase(process) == 0) return FALSE;
    }
    delete process;
    return TRUE;
}

#endif // !ORVEL_WINDOWS

namespace orvel {

namespace {

void* HostPointer(uint64_t address) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(address));
}

std::atomic<DebuggeeFaultHook> g_faultHook{nullptr};

bool FaultInjected() {
    const DebuggeeFaultHook hook = g_faultHook.load(std::memory_order_relaxed);
    return hook && hook();
}

// The debuggee's address space ends at 4 GiB: never let a host read run past it.
size_t ClampToDebuggee(DebuggeeAddress addr, size_t size) {
    const uint64_t room = (uint64_t{1} << 32) - addr;
    return static_cast<size_t>(std::min<uint64_t>(size, room));
}

} // namespace

void SetDebuggeeFaultHook(DebuggeeFaultHook hook) {
    g_faultHook.store(hook);
}

size_t ReadDebuggee(HANDLE process, DebuggeeAddress addr, void* buffer, size_t size) {
    if (!process || !buffer || FaultInjected()) return 0;
    size = ClampToDebuggee(addr, size);
    auto* out = static_cast<uint8_t*>(buffer);
    SIZE_T got = 0;
    if (ReadProcessMemory(process, HostPointer(addr), out, size, &got)) return size;
    // Some systems report nothing for a read that fails part way: retry page by page
    // from what was delivered, to hand back the readable prefix.
    size_t done = std::min<size_t>(got, size);
    while (done < size) {
        const uint64_t at = uint64_t{addr} + done;
        const size_t chunk = std::min<size_t>(size - done, BytesToPageEnd(at));
        got = 0;
        const BOOL ok = ReadProcessMemory(process, HostPointer(at), out + done, chunk, &got);
        done += std::min<size_t>(got, chunk);
        if (!ok) break;
    }
    return done;
}

size_t WriteDebuggee(HANDLE process, DebuggeeAddress addr, const void* buffer, size_t size) {
    if (!process || !buffer || FaultInjected()) return 0;
    CountWrite();
    size = ClampToDebuggee(addr, size);
    const auto* in = static_cast<const uint8_t*>(buffer);
    SIZE_T put = 0;
    if (WriteProcessMemory(process, HostPointer(addr), in, size, &put)) return size;
    size_t done = std::min<size_t>(put, size);
    while (done < size) {
        const uint64_t at = uint64_t{addr} + done;
        const size_t chunk = std::min<size_t>(size - done, BytesToPageEnd(at));
        put = 0;
        const BOOL ok = WriteProcessMemory(process, HostPointer(at), in + done, chunk, &put);
        done += std::min<size_t>(put, chunk);
        if (!ok) break;
    }
    return done;
}

uint32_t DebuggeeWriteCount() {
    return WriteCounter().load(std::memory_order_relaxed);
}

} // namespace orvel

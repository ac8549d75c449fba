// Access to another process's memory. Windows supplies OpenProcess, ReadProcessMemory,
// WriteProcessMemory and CloseHandle; elsewhere we provide them for process handles
// with the same contract, so that the evaluator reads the debuggee the same way on
// both. ReadDebuggee and WriteDebuggee are ours, on both platforms.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"

#if !ORVEL_WINDOWS

typedef const void* LPCVOID;

#define PROCESS_VM_OPERATION 0x0008
#define PROCESS_VM_READ 0x0010
#define PROCESS_VM_WRITE 0x0020

// A handle on process pid, or null when no such process exists (pid 0 included).
// The handle keeps only the pid and the rights asked for; nothing is attached.
HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD pid);

// Copies size bytes from the process's address base. TRUE only when all of them were
// copied; otherwise FALSE, with the bytes copied before the first unreadable page in
// *read. Needs PROCESS_VM_READ. read may be null.
BOOL ReadProcessMemory(HANDLE process, LPCVOID base, LPVOID buffer, SIZE_T size, SIZE_T* read);

// The same in the other direction; needs PROCESS_VM_WRITE and PROCESS_VM_OPERATION.
BOOL WriteProcessMemory(HANDLE process, LPVOID base, LPCVOID buffer, SIZE_T size, SIZE_T* written);

// Ends a handle from OpenProcess. FALSE for anything else, including a handle that
// was closed already; such a handle is never dereferenced.
BOOL CloseHandle(HANDLE handle);

#endif // !ORVEL_WINDOWS

namespace orvel {

// Reads size bytes at the 32-bit debuggee address addr. Returns how many bytes were
// read, in order from addr, stopping at the first unreadable page; 0 when nothing
// could be read or the handle is null. Never reads past the 4 GiB line.
size_t ReadDebuggee(HANDLE process, DebuggeeAddress addr, void* buffer, size_t size);

// The same for writing.
size_t WriteDebuggee(HANDLE process, DebuggeeAddress addr, const void* buffer, size_t size);

// For tests of a failing host: when set, asked before every ReadDebuggee and
// WriteDebuggee; true makes that call move nothing.
using DebuggeeFaultHook = bool (*)();
void SetDebuggeeFaultHook(DebuggeeFaultHook hook);

// How many writes to any process this module has made (or tried) so far; a copy of
// debuggee memory read before the count last changed may be stale.
uint32_t DebuggeeWriteCount();

} // namespace orvel

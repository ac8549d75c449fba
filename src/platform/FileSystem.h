// The few file-system and module facts the module needs: which file a loaded module
// came from, whether a file exists, and what a directory holds. Paths are wide text on
// both platforms (UTF-8 is used only at the system call outside Windows), so that the
// code that builds them is the same everywhere.
#pragma once

#include <string>
#include <vector>

#include "platform/PlatformTypes.h"

namespace orvel {

using PathString = std::basic_string<WCHAR>;

constexpr WCHAR kPathSeparator = ORVEL_WINDOWS ? WCHAR('\\') : WCHAR('/');

// Room for a path and its NUL, as the Windows file functions count it. We keep to it
// on every platform so that a path that works here also works there.
constexpr size_t kMaxPath = 260;

// True when path names an existing file (a directory does not count).
bool FileExists(const PathString& path);

// The names in directory dir, without "." and "..", in code-unit order (so that a
// search over them finds the same file on every file system). False when dir cannot
// be listed.
bool ListDirectory(const PathString& dir, std::vector<PathString>* names);

// The module (executable or shared library) that contains address, or null.
HMODULE ModuleFromAddress(const void* address);

// The full file path of module; the main program for a null module. Paths of kMaxPath
// characters or more fail with HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), as a
// MAX_PATH buffer would.
HRESULT GetModulePath(HMODULE module, PathString* path);

// Wide text as decimal digits, for path components such as locale ids.
PathString DecimalText(uint32_t value);

#if !ORVEL_WINDOWS
// The UTF-8 form the system calls take, and back.
std::string NativePath(const PathString& path);
PathString FromNativePath(const std::string& path);

// The Win32 code closest to an errno value, for failures reported as HRESULTs.
LONG Win32ErrorFromErrno(int error);
#endif

} // namespace orvel

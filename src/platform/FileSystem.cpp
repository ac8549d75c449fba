#include "platform/FileSystem.h"

#include <algorithm>

#include "platform/Win32Error.h"

#if ORVEL_WINDOWS
#else
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Utf8.h"
#endif

namespace orvel {

PathString DecimalText(uint32_t value) {
    PathString digits;
    do {
        digits.insert(digits.begin(), static_cast<WCHAR>('0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

#if ORVEL_WINDOWS

bool FileExists(const PathString& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ListDirectory(const PathString& dir, std::vector<PathString>* names) {
    names->clear();
    WIN32_FIND_DATAW entry;
    const PathString pattern = dir + L"\\*.*";
    HANDLE find = FindFirstFileW(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        const PathString name = entry.cFileName;
        if (name != L"." && name != L"..") names->push_back(name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    std::sort(names->begin(), names->end());
    return true;
}

HMODULE ModuleFromAddress(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module))
        return nullptr;
    return module;
}

HRESULT GetModulePath(HMODULE module, PathString* path) {
    path->clear();
    WCHAR buffer[kMaxPath];
    const DWORD length = GetModuleFileNameW(module, buffer, kMaxPath);
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    // A full buffer means the name was cut.
    if (length >= kMaxPath) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    path->assign(buffer, length);
    return S_OK;
}

#else // !ORVEL_WINDOWS

std::string NativePath(const PathString& path) {
    return Utf16ToUtf8(path);
}

PathString FromNativePath(const std::string& path) {
    return Utf8ToUtf16(path);
}

LONG Win32ErrorFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    default:
        return ERROR_CANTOPEN;
    }
}

bool FileExists(const PathString& path) {
    struct stat info;
    return stat(NativePath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool ListDirectory(const PathString& dir, std::vector<PathString>* names) {
    names->clear();
    DIR* stream = opendir(NativePath(dir).c_str());
    if (!stream) return false;
    while (const dirent* entry = readdir(stream)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names->push_back(FromNativePath(name));
    }
    closedir(stream);
    std::sort(names->begin(), names->end());
    return true;
}

HMODULE ModuleFromAddress(const void* address) {
    Dl_info info;
    if (!address || dladdr(address, &info) == 0) return nullptr;
    return static_cast<HMODULE>(info.dli_fbase);
}

HRESULT GetModulePath(HMODULE module, PathString* path) {
    path->clear();
    std::string file = "/proc/self/exe";
    if (module) {
        Dl_info info;
        if (dladdr(module, &info) == 0 || !info.dli_fname)
            return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        file = info.dli_fname;
    }
    // The loader keeps the name it was given, which may be relative.
    char* full = realpath(file.c_str(), nullptr);
    if (!full) return HRESULT_FROM_WIN32(Win32ErrorFromErrno(errno));
    const PathString wide = FromNativePath(full);
    std::free(full);
    if (wide.size() >= kMaxPath) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    *path = wide;
    return S_OK;
}

#endif

} // namespace orvel

// The registry functions the module uses. Windows has them. Elsewhere a small store of
// our own serves them from one text file, so that registration, the satellite lookup
// and class activation run the same code on both:
//
// - The file is ORVEL_EE_REGISTRY when set, else $XDG_CONFIG_HOME/orvel-ee/registry,
//   else ~/.config/orvel-ee/registry. It is read afresh by every call, so several
//   processes (and several copies of the code in one process) see one registry.
// - A change is written to a temporary file that then replaces the old one, under a
//   lock on "<file>.lock": readers never see half a file and writers never lose each
//   other's changes. Reading never creates anything.
// - A missing or unreadable file, or one that is not entirely well formed, reads as an
//   empty registry.
// - Three roots: HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, each kept
//   on its own. HKEY_CLASSES_ROOT\CLSID always exists, as on any Windows system.
// - Key and value names compare without regard to ASCII letter case; values keep the
//   bytes they were given and their type. There are no access rights: the desired
//   access is accepted and not checked.
// - The narrow (A) functions take UTF-8.
#pragma once

#include <string>

#include "platform/PlatformTypes.h"
#include "platform/Win32Error.h"

#if !ORVEL_WINDOWS
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
typedef DWORD* LPDWORD;
typedef BYTE* LPBYTE;
typedef LONG LSTATUS;

#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_OPTION_NON_VOLATILE 0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                        REGSAM desired, const void* security, PHKEY result, LPDWORD disposition);
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                        REGSAM desired, const void* security, PHKEY result, LPDWORD disposition);
LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LSTATUS RegCloseKey(HKEY key);

LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD size);
LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD size);
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD size);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD size);
LSTATUS RegDeleteValueW(HKEY key, LPCWSTR name);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR name);

// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED otherwise).
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Deletes subKey with everything below it; with a null or empty subKey, empties key
// of its values and subkeys and keeps it.
LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey);
LSTATUS RegDeleteTreeA(HKEY key, LPCSTR subKey);

namespace orvel {
// The file the store reads and writes now (the environment is read on every call).
std::string RegistryStorePath();
} // namespace orvel
#endif // !ORVEL_WINDOWS

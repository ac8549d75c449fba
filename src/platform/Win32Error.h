// Win32 error codes and their HRESULT form. Windows declares them; elsewhere we define
// the ones the registry store, the file helpers and module loading report, with the
// same values, so that callers compare and convert them the same way on both.
#pragma once

#include "platform/PlatformTypes.h"

#if !ORVEL_WINDOWS
#ifndef ERROR_SUCCESS
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_MORE_DATA 234L
#define ERROR_BADDB 1009L
#define ERROR_CANTOPEN 1011L
#define ERROR_CANTREAD 1012L
#define ERROR_CANTWRITE 1013L
#define ERROR_KEY_DELETED 1018L
#endif

#ifndef HRESULT_FROM_WIN32
// Win32 codes go into the low 16 bits of a failure of facility 7; 0 and values that
// already look like HRESULTs pass through unchanged.
inline HRESULT OrvelHresultFromWin32(LONG code) {
    return code <= 0 ? static_cast<HRESULT>(code)
                     : static_cast<HRESULT>((static_cast<uint32_t>(code) & 0xFFFFu) | (7u << 16) |
                                            0x80000000u);
}
#define HRESULT_FROM_WIN32(code) OrvelHresultFromWin32(code)
#endif
#endif // !ORVEL_WINDOWS

// The class's module was found but could not serve it.
#ifndef CO_E_ERRORINDLL
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9)
#endif

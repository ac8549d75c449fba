#include "platform/SystemMessage.h"

#include <new>

namespace orvel {

#if ORVEL_WINDOWS

std::basic_string<OLECHAR> SystemMessageText(HRESULT code) {
    LPWSTR buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::basic_string<OLECHAR> text;
    if (length && buffer) {
        try {
            text.assign(buffer, length);
        } catch (const std::bad_alloc&) {
            text.clear();
        }
    }
    if (buffer) LocalFree(buffer);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, OLESTR("\r\n")) == 0)
        text.resize(text.size() - 2);
    return text;
}

#else // !ORVEL_WINDOWS

namespace {

struct Message {
    uint32_t code;
    const OLECHAR* text;
};

// Win32 codes; their HRESULT form (0x8007xxxx) finds the same row.
constexpr Message kWin32Messages[] = {
    {0, OLESTR("The operation completed successfully.")},
    {1, OLESTR("Incorrect function.")},
    {2, OLESTR("The system cannot find the file specified.")},
    {3, OLESTR("The system cannot find the path specified.")},
    {5, OLESTR("Access is denied.")},
    {6, OLESTR("The handle is invalid.")},
    {8, OLESTR("Not enough memory resources are available to process this command.")},
    {14, OLESTR("Not enough memory resources are available to complete this operation.")},
    {87, OLESTR("The parameter is incorrect.")},
    {122, OLESTR("The data area passed to a system call is too small.")},
    {126, OLESTR("The specified module could not be found.")},
    {127, OLESTR("The specified procedure could not be found.")},
    {161, OLESTR("The specified path is invalid.")},
    {206, OLESTR("The filename or extension is too long.")},
    {234, OLESTR("More data is available.")},
    {299, OLESTR("Only part of a ReadProcessMemory or WriteProcessMemory request was completed.")},
    {1009, OLESTR("The configuration registry database is corrupt.")},
    {1011, OLESTR("The configuration registry key could not be opened.")},
    {1012, OLESTR("The configuration registry key could not be read.")},
    {1013, OLESTR("The configuration registry key could not be written.")},
    {1018, OLESTR("Illegal operation attempted on a registry key that has been marked for "
                  "deletion.")},
    {1780, OLESTR("A null reference pointer was passed to the stub.")},
};

constexpr Message kComMessages[] = {
    {0x8000FFFFu, OLESTR("Catastrophic failure")},
    {0x80004001u, OLESTR("Not implemented")},
    {0x80004002u, OLESTR("No such interface supported")},
    {0x80004003u, OLESTR("Invalid pointer")},
    {0x80004004u, OLESTR("Operation aborted")},
    {0x80004005u, OLESTR("Unspecified error")},
    {0x80020005u, OLESTR("Type mismatch.")},
    {0x80020008u, OLESTR("Bad variable type.")},
    {0x8002000Au, OLESTR("Out of present range.")},
    {0x80040110u, OLESTR("Class does not support aggregation (or class object is remote)")},
    {0x80040111u, OLESTR("ClassFactory cannot supply requested class")},
    {0x80040154u, OLESTR("Class not registered")},
    {0x800401F9u, OLESTR("Error in the DLL")},
};

template <size_t N> const OLECHAR* Find(const Message (&table)[N], uint32_t code) {
    for (const Message& row : table)
        if (row.code == code) return row.text;
    return nullptr;
}

} // namespace

std::basic_string<OLECHAR> SystemMessageText(HRESULT code) {
    const uint32_t value = static_cast<uint32_t>(code);
    const OLECHAR* text = nullptr;
    if (value <= 0xFFFFu)
        text = Find(kWin32Messages, value);
    else if ((value & 0xFFFF0000u) == 0x80070000u)
        text = Find(kWin32Messages, value & 0xFFFFu);
    else
        text = Find(kComMessages, value);
    try {
        return text ? std::basic_string<OLECHAR>(text) : std::basic_string<OLECHAR>();
    } catch (const std::bad_alloc&) {
        return {};
    }
}

#endif // ORVEL_WINDOWS

} // namespace orvel

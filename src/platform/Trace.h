// The trace log: one line per call of interest, always on, to the debugger's output
// channel (orvel::TraceOutput). Each line goes out in three pieces: "Orvel EE: ", the
// text, "\n".
#pragma once

#include <cstdarg>
#include <cstdint>

namespace orvel {

// printf-style formatting with one addition: "%S" (and "%ls") takes a wide OLE string
// (const OLECHAR*), written in the system code page, on every platform. Output beyond
// 1023 bytes is cut.
void Trace(const char* format, ...);
void TraceV(const char* format, va_list args);

// Trace lines show an object by the low 32 bits of its address ("0x%x").
inline unsigned TraceAddress(const void* object) {
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(object));
}

} // namespace orvel

// Conversions between 8-bit text in the system code page and UTF-16. On Windows the
// code page is the system's ANSI code page; elsewhere it is Windows-1252.
#pragma once

#include "platform/PlatformTypes.h"

namespace orvel {

// Converts srcLen bytes (or up to the NUL when srcLen < 0) into dst, which holds
// dstCap units. At most dstCap - 1 units are written, then a NUL. Returns the number
// of units written before the NUL. Never writes past dst[dstCap - 1].
int NarrowToWide(const char* src, int srcLen, OLECHAR* dst, int dstCap);

// Converts UTF-16 text into the code page. Characters with no 8-bit form become '?'
// and set *lossy (when given). At most dstCap - 1 bytes are written, then a NUL.
// Returns the number of bytes written before the NUL.
int WideToNarrow(const OLECHAR* src, int srcLen, char* dst, int dstCap, bool* lossy = nullptr);

// A new BSTR holding the narrow text converted (at most maxChars characters);
// null only when out of memory.
BSTR NarrowToBstr(const char* src, int srcLen = -1, int maxChars = 0x7FFFFFFF);

} // namespace orvel

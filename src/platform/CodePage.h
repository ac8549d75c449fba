// Conversions between 8-bit text in the system code page and UTF-16. On Windows the
// code page is the system's ANSI code page; elsewhere it is Windows-1252.
#pragma once

#include "platform/PlatformTypes.h"

namespace orvel {

// Converts srcLen bytes (or up to the NUL when srcLen < 0) into dst, which holds
// dstCap units. At most dstCap - 1 units are written, then a NUL. Returns the number
// of units written before the NUL. Never writes past dst[dstCap - 1]; writes nothing
// when dstCap <= 0. A null src converts as empty text.
int NarrowToWide(const char* src, int srcLen, OLECHAR* dst, int dstCap);

// Converts UTF-16 text into the code page. Characters with no 8-bit form become '?'
// (a surrogate pair is one character, so one '?') and set *lossy (when given); *lossy
// covers the whole source, also the part cut off by a small buffer. No best-fit
// substitutes are used. At most dstCap - 1 bytes are written, then a NUL, and a
// double-byte character is never cut in half. Returns the bytes written before the NUL.
int WideToNarrow(const OLECHAR* src, int srcLen, char* dst, int dstCap, bool* lossy = nullptr);

// A new BSTR holding the narrow text converted (at most maxChars characters);
// null only when out of memory. A null src gives an empty BSTR.
BSTR NarrowToBstr(const char* src, int srcLen = -1, int maxChars = 0x7FFFFFFF);

} // namespace orvel

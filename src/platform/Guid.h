// GUID text. Windows supplies StringFromGUID2 and the IID constants; elsewhere we
// provide them with the same output. GuidFromString and GuidToString are ours, on
// both platforms, for tools, tests and trace lines.
#pragma once

#include <string>

#include "platform/PlatformTypes.h"

#if !ORVEL_WINDOWS
// Writes "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex) and a NUL. Returns
// the characters written including the NUL (39), or 0 when cchMax is below 39.
int StringFromGUID2(REFGUID guid, LPOLESTR text, int cchMax);
#endif

namespace orvel {

// Characters in the braced text form, without the NUL.
constexpr int GuidTextLength = 38;

// Parses the 36-character hyphenated form, with or without the surrounding braces,
// hex digits in either case. On failure returns false and leaves *out unchanged.
bool GuidFromString(const char* text, GUID* out);

// The braced upper-case form, as StringFromGUID2 writes it.
std::string GuidToString(REFGUID guid);

} // namespace orvel

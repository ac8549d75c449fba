// Text at the host boundary: the model keeps UTF-8, the interfaces speak UTF-16.
#pragma once

#include <string>
#include <string_view>

#include "platform/PlatformTypes.h"

namespace orvel::sim {

// UTF-16 (NUL-terminated, may be null) to UTF-8; unpaired surrogates become U+FFFD.
std::string ToUtf8(LPCOLESTR text);
std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);
// A new BSTR; null only when out of memory (never throws).
BSTR AllocBstr(std::string_view text);
// The same name rule as the model, for text coming in from the host: nameMatch 2
// ignores ASCII letter case, anything else compares exactly.
bool NameMatches(std::string_view have, std::string_view want, int nameMatch);

} // namespace orvel::sim

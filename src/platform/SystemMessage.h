// The operating system's message text for a failure or Win32 code.
#pragma once

#include <string>

#include "platform/PlatformTypes.h"

namespace orvel {

// The system's text for code in the default language, without the trailing line break;
// empty when the system has none. Windows asks FormatMessageW; elsewhere a table holds
// the English texts Windows gives for the codes this system meets. A Win32 code and its
// HRESULT form (facility 7) give the same text.
std::basic_string<OLECHAR> SystemMessageText(HRESULT code);

} // namespace orvel

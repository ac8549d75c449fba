// An HRESULT as people read it in messages and tables: "0x%08X".
#pragma once

#include <cstdio>
#include <string>

#include "platform/PlatformTypes.h"

inline std::string HresultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

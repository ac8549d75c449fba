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

namespace detail {
constexpr unsigned HexValue(char c) {
    return c >= '0' && c <= '9'   ? static_cast<unsigned>(c - '0')
           : c >= 'a' && c <= 'f' ? static_cast<unsigned>(c - 'a' + 10)
           : c >= 'A' && c <= 'F' ? static_cast<unsigned>(c - 'A' + 10)
                                  : 16;
}
constexpr unsigned long HexField(const char* text, int at, int digits) {
    unsigned long value = 0;
    for (int i = 0; i < digits; ++i)
        value = value << 4 | HexValue(text[at + i]);
    return value;
}
} // namespace detail

// Whether text is the braced form with hex digits and hyphens where they belong.
constexpr bool IsGuidText(const char (&text)[GuidTextLength + 1]) {
    for (int i = 0; i < GuidTextLength; ++i) {
        const char c = text[i];
        const bool ok = i == 0                                    ? c == '{'
                        : i == GuidTextLength - 1                 ? c == '}'
                        : i == 9 || i == 14 || i == 19 || i == 24 ? c == '-'
                                                                  : detail::HexValue(c) < 16;
        if (!ok) return false;
    }
    return true;
}

// The GUID written as braced text, at compile time: identifiers are defined once, in the
// form they are published in. Use it with IsGuidText in a static_assert, or in a
// constant expression that checks it.
constexpr GUID GuidOf(const char (&text)[GuidTextLength + 1]) {
    GUID g{};
    g.Data1 = static_cast<decltype(g.Data1)>(detail::HexField(text, 1, 8));
    g.Data2 = static_cast<decltype(g.Data2)>(detail::HexField(text, 10, 4));
    g.Data3 = static_cast<decltype(g.Data3)>(detail::HexField(text, 15, 4));
    constexpr int kBytes[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = static_cast<unsigned char>(detail::HexField(text, kBytes[i], 2));
    return g;
}

} // namespace orvel

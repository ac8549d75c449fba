// Locale ids (Windows LCIDs) of the user's and the system's language settings. Windows
// answers directly; elsewhere the POSIX locale names are mapped through a table of
// common languages.
#pragma once

#include "platform/PlatformTypes.h"

namespace orvel {

constexpr LCID kLocaleEnglishUS = 1033;

// The locale for messages: GetUserDefaultLCID on Windows; elsewhere the first set of
// LC_ALL, LC_MESSAGES and LANG. 0 when unknown.
LCID UserDefaultLocaleId();

// The machine's locale: GetSystemDefaultLCID on Windows; elsewhere the LANG setting of
// /etc/locale.conf or /etc/default/locale. 0 when unknown.
LCID SystemDefaultLocaleId();

// Maps a POSIX locale name ("de_DE.UTF-8", "pt_BR", "fr", "sr_RS@latin") to its LCID.
// A known language with an unknown or missing territory gives its most widely used
// locale; "C", "POSIX", empty and unknown names give 0.
LCID LocaleIdFromName(const char* name);

// The primary-language form of id: the language (low 10 bits) with sublanguage 1, the
// sort id (bits 16 to 19) kept.
constexpr LCID PrimaryLanguageLocaleId(LCID id) {
    return (id & 0x3FFu) | 0x400u | (id & 0xF0000u);
}

} // namespace orvel

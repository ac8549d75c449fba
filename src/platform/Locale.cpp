#include "platform/Locale.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>

namespace orvel {
namespace {

// Locales by language and territory. A row without a territory is what the language
// alone, or with a territory not listed, stands for: its most widely used locale.
struct LocaleName {
    const char* language;
    const char* territory; // null: the language's primary locale
    LCID id;
};

constexpr LocaleName kLocales[] = {
    {"ar", nullptr, 0x0401}, {"ar", "SA", 0x0401},    {"ar", "EG", 0x0C01},
    {"bg", nullptr, 0x0402}, {"ca", nullptr, 0x0403}, {"zh", nullptr, 0x0804},
    {"zh", "TW", 0x0404},    {"zh", "CN", 0x0804},    {"zh", "HK", 0x0C04},
    {"zh", "SG", 0x1004},    {"cs", nullptr, 0x0405}, {"da", nullptr, 0x0406},
    {"de", nullptr, 0x0407}, {"de", "DE", 0x0407},    {"de", "CH", 0x0807},
    {"de", "AT", 0x0C07},    {"de", "LU", 0x1007},    {"el", nullptr, 0x0408},
    {"en", nullptr, 0x0409}, {"en", "US", 0x0409},    {"en", "GB", 0x0809},
    {"en", "AU", 0x0C09},    {"en", "CA", 0x1009},    {"en", "NZ", 0x1409},
    {"en", "IE", 0x1809},    {"en", "ZA", 0x1C09},    {"en", "IN", 0x4009},
    {"es", nullptr, 0x0C0A}, {"es", "ES", 0x0C0A},    {"es", "MX", 0x080A},
    {"es", "AR", 0x2C0A},    {"fi", nullptr, 0x040B}, {"fr", nullptr, 0x040C},
    {"fr", "FR", 0x040C},    {"fr", "BE", 0x080C},    {"fr", "CA", 0x0C0C},
    {"fr", "CH", 0x100C},    {"fr", "LU", 0x140C},    {"he", nullptr, 0x040D},
    {"hu", nullptr, 0x040E}, {"is", nullptr, 0x040F}, {"it", nullptr, 0x0410},
    {"it", "IT", 0x0410},    {"it", "CH", 0x0810},    {"ja", nullptr, 0x0411},
    {"ko", nullptr, 0x0412}, {"nl", nullptr, 0x0413}, {"nl", "NL", 0x0413},
    {"nl", "BE", 0x0813},    {"nb", nullptr, 0x0414}, {"no", nullptr, 0x0414},
    {"nn", nullptr, 0x0814}, {"pl", nullptr, 0x0415}, {"pt", nullptr, 0x0416},
    {"pt", "BR", 0x0416},    {"pt", "PT", 0x0816},    {"ro", nullptr, 0x0418},
    {"ru", nullptr, 0x0419}, {"hr", nullptr, 0x041A}, {"sk", nullptr, 0x041B},
    {"sq", nullptr, 0x041C}, {"sv", nullptr, 0x041D}, {"sv", "SE", 0x041D},
    {"sv", "FI", 0x081D},    {"th", nullptr, 0x041E}, {"tr", nullptr, 0x041F},
    {"id", nullptr, 0x0421}, {"uk", nullptr, 0x0422}, {"sl", nullptr, 0x0424},
    {"et", nullptr, 0x0425}, {"lv", nullptr, 0x0426}, {"lt", nullptr, 0x0427},
    {"vi", nullptr, 0x042A}, {"hi", nullptr, 0x0439}, {"ms", nullptr, 0x043E},
};

bool SameText(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

#if !ORVEL_WINDOWS
const char* FirstSet(std::initializer_list<const char*> variables) {
    for (const char* name : variables) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return nullptr;
}

// The LANG= line of a shell-style locale file, quotes removed.
std::string LangFromFile(const char* path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 5, "LANG=") != 0) continue;
        std::string value = line.substr(start + 5);
        while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())))
            value.pop_back();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return {};
}
#endif

} // namespace

LCID LocaleIdFromName(const char* name) {
    if (!name) return 0;
    // language[_territory][.codeset][@modifier]
    const std::string text = name;
    const size_t languageEnd = text.find_first_of("_.@");
    const std::string language = text.substr(0, languageEnd);
    std::string territory;
    if (languageEnd != std::string::npos && text[languageEnd] == '_') {
        const size_t territoryEnd = text.find_first_of(".@", languageEnd + 1);
        territory = text.substr(languageEnd + 1, territoryEnd == std::string::npos
                                                     ? std::string::npos
                                                     : territoryEnd - languageEnd - 1);
    }
    LCID primary = 0;
    for (const LocaleName& entry : kLocales) {
        if (!SameText(language, entry.language)) continue;
        if (!entry.territory) {
            primary = entry.id;
        } else if (SameText(territory, entry.territory)) {
            return entry.id;
        }
    }
    return primary;
}

#if ORVEL_WINDOWS

LCID UserDefaultLocaleId() {
    return GetUserDefaultLCID();
}

LCID SystemDefaultLocaleId() {
    return GetSystemDefaultLCID();
}

#else

LCID UserDefaultLocaleId() {
    return LocaleIdFromName(FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"}));
}

LCID SystemDefaultLocaleId() {
    for (const char* path : {"/etc/locale.conf", "/etc/default/locale"}) {
        const std::string lang = LangFromFile(path);
        if (!lang.empty()) return LocaleIdFromName(lang.c_str());
    }
    return 0;
}

#endif

} // namespace orvel

// Locale ids from locale names, and their primary-language forms.
#include "platform/Locale.h"
#include "ModuleTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NameCase {
    const char* name;
    const char* locale;
    LCID id;
};

class LocaleNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(LocaleNameTest, MapsToLocaleId) {
    EXPECT_EQ(orvel::LocaleIdFromName(GetParam().locale), GetParam().id) << GetParam().locale;
}

const NameCase kNameCases[] = {
    {"GermanGermany", "de_DE.UTF-8", 0x0407},
    {"GermanAustria", "de_AT.UTF-8", 0x0C07},
    {"GermanSwitzerland", "de_CH", 0x0807},
    {"GermanUnknownTerritory", "de_XX.UTF-8", 0x0407},
    {"GermanAlone", "de", 0x0407},
    {"LetterCaseIgnored", "DE_at", 0x0C07},
    {"EnglishUS", "en_US.UTF-8", 1033},
    {"EnglishBritain", "en_GB.ISO-8859-1", 0x0809},
    {"FrenchWithModifier", "fr_FR@euro", 0x040C},
    {"FrenchCanada", "fr_CA.UTF-8", 0x0C0C},
    {"PortugueseBrazil", "pt_BR.utf8", 0x0416},
    {"PortuguesePortugal", "pt_PT", 0x0816},
    {"SpanishModernSort", "es_ES.UTF-8", 0x0C0A},
    {"ChineseTaiwan", "zh_TW.Big5", 0x0404},
    {"Japanese", "ja_JP.eucJP", 0x0411},
    {"CLocale", "C", 0},
    {"CUtf8", "C.UTF-8", 0},
    {"Posix", "POSIX", 0},
    {"Empty", "", 0},
    {"Unknown", "xx_YY.UTF-8", 0},
    {"Null", nullptr, 0},
};

INSTANTIATE_TEST_SUITE_P(Names, LocaleNameTest, ::testing::ValuesIn(kNameCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct PrimaryCase {
    LCID id;
    LCID primary;
};

class PrimaryLanguageTest : public ::testing::TestWithParam<PrimaryCase> {};

TEST_P(PrimaryLanguageTest, KeepsLanguageAndSortId) {
    EXPECT_EQ(orvel::PrimaryLanguageLocaleId(GetParam().id), GetParam().primary);
}

INSTANTIATE_TEST_SUITE_P(Ids, PrimaryLanguageTest,
                         ::testing::Values(PrimaryCase{0x0407, 0x0407}, PrimaryCase{0x0C07, 0x0407},
                                           PrimaryCase{0x0809, 0x0409}, PrimaryCase{0x0C0A, 0x040A},
                                           PrimaryCase{0x0804, 0x0404},
                                           PrimaryCase{0x10407, 0x10407},
                                           PrimaryCase{0x20C04, 0x20404}));

#if !ORVEL_WINDOWS
struct EnvironmentCase {
    const char* name;
    std::optional<std::string> lcAll, lcMessages, lang;
    LCID id;
};

class UserLocaleTest : public ::testing::TestWithParam<EnvironmentCase> {};

TEST_P(UserLocaleTest, ReadsMessageLocaleInPosixOrder) {
    const EnvironmentCase& c = GetParam();
    orvel::test::ScopedEnv all("LC_ALL", c.lcAll);
    orvel::test::ScopedEnv messages("LC_MESSAGES", c.lcMessages);
    orvel::test::ScopedEnv lang("LANG", c.lang);
    EXPECT_EQ(orvel::UserDefaultLocaleId(), c.id);
}

const EnvironmentCase kEnvironmentCases[] = {
    {"LangOnly", std::nullopt, std::nullopt, "de_DE.UTF-8", 0x0407},
    {"MessagesOverLang", std::nullopt, "fr_FR.UTF-8", "de_DE.UTF-8", 0x040C},
    {"AllOverEverything", "it_IT.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8", 0x0410},
    {"EmptyCountsAsUnset", "", "", "ja_JP.UTF-8", 0x0411},
    {"NothingSet", std::nullopt, std::nullopt, std::nullopt, 0},
    {"CLocale", std::nullopt, std::nullopt, "C.UTF-8", 0},
};

INSTANTIATE_TEST_SUITE_P(Variables, UserLocaleTest, ::testing::ValuesIn(kEnvironmentCases),
                         [](const auto& info) { return std::string(info.param.name); });
#endif

} // namespace

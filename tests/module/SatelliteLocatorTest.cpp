// The order in which locales are tried and where the satellite file is looked for.
#include "platform/SatelliteLocator.h"
#include "ModuleTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace orvel::test;

struct OrderCase {
    const char* name;
    LCID user;
    LCID system;
    std::vector<LCID> order;
};

class LocaleOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(LocaleOrderTest, TriesUserThenSystemThenEnglish) {
    EXPECT_EQ(orvel::SatelliteLocaleOrder(GetParam().user, GetParam().system), GetParam().order);
}

const OrderCase kOrderCases[] = {
    {"PrimaryLocales", 0x0407, 0x0409, {0x0407, 0x0407, 0x0409, 0x0409, 1033}},
    {"RegionalLocales", 0x0C07, 0x0C0A, {0x0C07, 0x0407, 0x0C0A, 0x040A, 1033}},
    {"SortIdKept", 0x10407, 0x0809, {0x10407, 0x10407, 0x0809, 0x0409, 1033}},
    {"UnknownUser", 0, 0x040C, {0x040C, 0x040C, 1033}},
    {"NothingKnown", 0, 0, {1033}},
};

INSTANTIATE_TEST_SUITE_P(Locales, LocaleOrderTest, ::testing::ValuesIn(kOrderCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct SearchCase {
    const char* name;
    std::vector<std::string> files; // relative to the root; a trailing "/" makes a directory
    std::vector<LCID> locales;
    const char* found; // relative to the root; null: nothing found
};

class SatelliteSearchTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(SatelliteSearchTest, FindsFirstExistingFile) {
    const SearchCase& c = GetParam();
    TempDir root;
    for (const std::string& file : c.files) {
        if (file.back() == '/')
            fs::create_directories(root.path() / file);
        else
            WriteFile(root.path() / file, "");
    }
    orvel::PathString found;
    const HRESULT hr = orvel::FindSatelliteFile(ToPathString(root.path()), ToPathString("sat.dll"),
                                                c.locales, &found);
    if (c.found) {
        ASSERT_EQ(hr, S_OK);
        EXPECT_EQ(ComparablePath(found), ComparablePath(root.path() / c.found));
    } else {
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_TRUE(found.empty());
    }
}

const SearchCase kSearchCases[] = {
    {"FirstLocaleWins", {"1031/sat.dll", "1033/sat.dll"}, {1031, 1033}, "1031/sat.dll"},
    {"LaterLocale", {"1033/sat.dll"}, {1036, 1031, 1033}, "1033/sat.dll"},
    {"LocalesBeforeListing", {"0000/sat.dll", "1033/sat.dll"}, {1031, 1033}, "1033/sat.dll"},
    {"AnySubdirectoryLast", {"german/sat.dll"}, {1031, 1033}, "german/sat.dll"},
    {"ListingInNameOrder", {"b/sat.dll", "a/sat.dll", "c/sat.dll"}, {1033}, "a/sat.dll"},
    {"DirectoryNamedLikeFileIsSkipped", {"1031/sat.dll/", "x/sat.dll"}, {1031}, "x/sat.dll"},
    {"OtherFileNamesIgnored", {"1033/other.dll", "1033/sat.dll.bak"}, {1033}, nullptr},
    {"RootItselfNotSearched", {"sat.dll"}, {1033}, nullptr},
    {"NothingThere", {}, {1031, 1033}, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Layouts, SatelliteSearchTest, ::testing::ValuesIn(kSearchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SatelliteSearch, MissingRootFindsNothing) {
    TempDir dir;
    orvel::PathString found;
    EXPECT_EQ(orvel::FindSatelliteFile(ToPathString(dir.path() / "absent"), ToPathString("sat.dll"),
                                       {1033}, &found),
              E_FAIL);
}

TEST(SatelliteSearch, OverlongPathsAreNotTried) {
    TempDir root;
    // root/1033/name of 265 characters: a file system takes it, a MAX_PATH buffer not.
    const std::string longName(265 - root.path().string().size() - 6, 'n');
    WriteFile(root.path() / "1033" / longName, "");
    if (!fs::exists(root.path() / "1033" / longName)) GTEST_SKIP() << "no long paths here";
    orvel::PathString found;
    EXPECT_EQ(
        orvel::FindSatelliteFile(ToPathString(root.path()), ToPathString(longName), {1033}, &found),
        E_FAIL);
}

} // namespace

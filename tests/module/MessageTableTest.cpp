// The message table: built-in texts, and texts loaded from a satellite found for a
// module (a copy of the built one, in a directory laid out by each test).
#include "platform/MessageTable.h"
#include "ModuleTestSupport.h"
#include "host/HostIds.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace orvel::test;
using WideString = std::basic_string<OLECHAR>;

WideString Text(int number) {
    return orvel::GetMessageText(number);
}

struct BuiltInCase {
    int number;
    const char* text;
};

class BuiltInMessageTest : public ::testing::TestWithParam<BuiltInCase> {
protected:
    void SetUp() override { orvel::FreeMessages(); }
};

TEST_P(BuiltInMessageTest, HasItsText) {
    EXPECT_EQ(Text(GetParam().number), Wide(GetParam().text)) << GetParam().number;
}

const BuiltInCase kBuiltInCases[] = {
    {1, "Orvel Expression Evaluator"},
    {3, "Software\\Microsoft\\VisualStudio\\7.1exp"},
    {4, ""},
    {5, "(unknown)"},
    {6, "(unknown)"},
    {7, "false"},
    {8, "true"},
    {9, "invalid expression (at '%s')"},
    {10, "invalid expression (at '%s')"},
    {11, "ambiguous use of '%s'"},
    {12, "illegal operand types for '%s'"},
    {13, "illegal operand type for '%s'"},
    {14, "unbalanced parenthesis"},
    {15, "expecting hexadecimal number (at '%s')"},
    {16, "symbol '%s' is not defined"},
    {17, "divide by zero"},
    // Numbers without a row.
    {2, ""},
    {0, ""},
    {18, ""},
    {-1, ""},
    {1000, ""},
};

INSTANTIATE_TEST_SUITE_P(Numbers, BuiltInMessageTest, ::testing::ValuesIn(kBuiltInCases));

class SatelliteMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ORVEL_REQUIRE_BUILT_MODULE();
        orvel::FreeMessages();
        registry_ = std::make_unique<ScopedTestRegistry>();
        // The locales are other languages, so only the fallbacks can find a satellite
        // under 1033.
        lang_ = std::make_unique<ScopedEnv>("LANG", "fr_FR.UTF-8");
        all_ = std::make_unique<ScopedEnv>("LC_ALL", std::nullopt);
        messages_ = std::make_unique<ScopedEnv>("LC_MESSAGES", std::nullopt);
        modulePath_ = CopyBuiltModule(dir_.path() / "bin");
        module_ = std::make_unique<LoadedModule>(modulePath_);
        ASSERT_TRUE(module_->loaded()) << module_->error();
    }
    void TearDown() override {
        orvel::FreeMessages();
        module_.reset();
    }

    HRESULT Load() {
        return orvel::LoadMessages(module_->handle(), CLSID_OrvelExpressionEvaluator);
    }

    fs::path ModuleDir() const { return modulePath_.parent_path(); }
    fs::path SatelliteName() const { return SatelliteNameFor(modulePath_); }

    void SetSatelliteKey(const char* name, const fs::path& value) {
        WriteText(HKEY_CLASSES_ROOT, "CLSID\\{EC7B2BEF-97F8-40EE-8A6C-45E35ADC9DC4}\\SatelliteDll",
                  name, ToPathString(value));
    }

    void ExpectGerman() {
        EXPECT_EQ(Text(1), Wide(kGermanEvaluatorName));
        EXPECT_EQ(Text(7), Wide(kGermanFalse));
        EXPECT_EQ(Text(12), Wide(kGermanIllegalOperands));
        EXPECT_EQ(Text(17), Wide(kGermanDivideByZero));
        // Missing from the satellite: built in.
        EXPECT_EQ(Text(3), Wide("Software\\Microsoft\\VisualStudio\\7.1exp"));
        EXPECT_EQ(Text(16), Wide("symbol '%s' is not defined"));
    }

    TempDir dir_;
    std::unique_ptr<ScopedTestRegistry> registry_;
    std::unique_ptr<ScopedEnv> lang_, all_, messages_;
    fs::path modulePath_;
    std::unique_ptr<LoadedModule> module_;
};

TEST_F(SatelliteMessageTest, WithoutSatelliteBuiltInTextsStay) {
    EXPECT_EQ(Load(), E_FAIL);
    EXPECT_EQ(Text(17), Wide("divide by zero"));
    EXPECT_EQ(Text(2), Wide(""));
}

TEST_F(SatelliteMessageTest, EnglishSubdirectoryServesOtherLocales) {
    InstallGermanSatellite(ModuleDir() / "1033" / SatelliteName());
    ASSERT_EQ(Load(), S_OK);
    ExpectGerman();
}

TEST_F(SatelliteMessageTest, AnySubdirectoryIsTheLastResort) {
    InstallGermanSatellite(ModuleDir() / "resources" / SatelliteName());
    ASSERT_EQ(Load(), S_OK);
    ExpectGerman();
}

TEST_F(SatelliteMessageTest, FreeingRestoresBuiltInTexts) {
    InstallGermanSatellite(ModuleDir() / "1033" / SatelliteName());
    ASSERT_EQ(Load(), S_OK);
    orvel::FreeMessages();
    EXPECT_EQ(Text(1), Wide("Orvel Expression Evaluator"));
    EXPECT_EQ(Text(17), Wide("divide by zero"));
}

TEST_F(SatelliteMessageTest, FailedReloadLeavesBuiltInTexts) {
    InstallGermanSatellite(ModuleDir() / "1033" / SatelliteName());
    ASSERT_EQ(Load(), S_OK);
    fs::remove(ModuleDir() / "1033" / SatelliteName());
    EXPECT_EQ(Load(), E_FAIL);
    EXPECT_EQ(Text(1), Wide("Orvel Expression Evaluator"));
}

TEST_F(SatelliteMessageTest, RegisteredRootWithDerivedFileName) {
    const fs::path root = dir_.path() / "languages";
    InstallGermanSatellite(root / "1033" / SatelliteName());
    SetSatelliteKey("path", root);
    ASSERT_EQ(Load(), S_OK);
    ExpectGerman();
}

TEST_F(SatelliteMessageTest, RegisteredRootAndFileName) {
    const fs::path root = dir_.path() / "languages";
    InstallGermanSatellite(root / "1033" / "custom.bin");
    // A satellite of the derived name beside the module must not be taken instead.
    WriteFile(ModuleDir() / "1033" / SatelliteName(), "not a satellite");
    SetSatelliteKey("path", root);
    SetSatelliteKey("dllName", "custom.bin");
    ASSERT_EQ(Load(), S_OK);
    ExpectGerman();
}

TEST_F(SatelliteMessageTest, RegisteredFileNameUnderModuleDirectory) {
    InstallGermanSatellite(ModuleDir() / "1033" / "custom.bin");
    SetSatelliteKey("dllName", "custom.bin");
    ASSERT_EQ(Load(), S_OK);
    ExpectGerman();
}

TEST_F(SatelliteMessageTest, ValueOfAnotherTypeCountsAsMissing) {
    InstallGermanSatellite(ModuleDir() / "1033" / SatelliteName());
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CLASSES_ROOT,
                        Wide("CLSID\\{EC7B2BEF-97F8-40EE-8A6C-45E35ADC9DC4}\\SatelliteDll").c_str(),
                        0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const WideString bogus = ToPathString(dir_.path() / "nowhere");
    EXPECT_EQ(RegSetValueExW(key, Wide("path").c_str(), 0, REG_EXPAND_SZ,
                             reinterpret_cast<const BYTE*>(bogus.c_str()),
                             static_cast<DWORD>((bogus.size() + 1) * sizeof(OLECHAR))),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(Load(), S_OK);
    ExpectGerman();
}

#if !ORVEL_WINDOWS
// The user's locale picks its own directory over English; the system's settings cannot
// be steered from here, and English comes after both.
TEST_F(SatelliteMessageTest, UserLocaleDirectoryComesFirst) {
    WriteFile(ModuleDir() / "1033" / SatelliteName(), "17\tdivide by zero (en)\n");
    WriteFile(ModuleDir() / "1031" / SatelliteName(), "17\tDivision durch Null\n");
    ScopedEnv german("LANG", "de_AT.UTF-8"); // its primary form, 1031, is tried second
    ASSERT_EQ(Load(), S_OK);
    EXPECT_EQ(Text(17), Wide("Division durch Null"));
}

TEST_F(SatelliteMessageTest, MessageFileFormat) {
    WriteFile(ModuleDir() / "1033" / SatelliteName(),
              "\xEF\xBB\xBF" // byte-order mark
              "# comment\r\n"
              "\r\n"
              "1\tfirst\\tline\\nsecond \\\\ end\r\n" // escapes, CRLF
              "1\tduplicate: the first one stays\n"
              "7\t\n" // empty: no string
              "x8\tnot a number\n"
              "8 no tab\n"
              "14\t" +
                  std::string(300, 'p') +
                  "\n" // longer than a string resource holds
                  "17\tnull \\q stays\n");
    ASSERT_EQ(Load(), S_OK);
    EXPECT_EQ(Text(1), Wide("first\tline\nsecond \\ end"));
    EXPECT_EQ(Text(7), Wide("false"));
    EXPECT_EQ(Text(8), Wide("true"));
    EXPECT_EQ(Text(14), Wide(std::string(259, 'p')));
    EXPECT_EQ(Text(17), Wide("null \\q stays"));
}
#endif

} // namespace

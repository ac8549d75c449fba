// Registration through the built module's exported entry points, on a registry of the
// test's own, read back key by key.
#include "ModuleTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace {

using namespace orvel::test;

const std::string kClassKey = "CLSID\\{EC7B2BEF-97F8-40EE-8A6C-45E35ADC9DC4}";
const std::string kServerKey = kClassKey + "\\InprocServer32";
const std::string kDefaultVsRoot = "Software\\Microsoft\\VisualStudio\\7.1exp";
const HRESULT kMissingKey = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

std::string Narrow(const std::optional<std::basic_string<OLECHAR>>& text) {
    if (!text) return "<missing>";
    std::string narrow;
    for (OLECHAR c : *text)
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ORVEL_REQUIRE_BUILT_MODULE();
        registry_ = std::make_unique<ScopedTestRegistry>();
        Load(BuiltModulePath());
    }

    void Load(const fs::path& path) {
        module_ = std::make_unique<LoadedModule>(path);
        ASSERT_TRUE(module_->loaded()) << path << ": " << module_->error();
        modulePath_ = path;
    }

    HRESULT Register() { return module_->entry<NoArgumentFn>("DllRegisterServer")(); }
    HRESULT Unregister() { return module_->entry<NoArgumentFn>("DllUnregisterServer")(); }
    HRESULT VsRegister(LPCOLESTR root) {
        return module_->entry<RegisterUnderRootFn>("VSDllRegisterServer")(root);
    }
    HRESULT VsUnregister(LPCOLESTR root) {
        return module_->entry<RegisterUnderRootFn>("VSDllUnregisterServer")(root);
    }

    // The module's path as a registry value names it, compared loosely.
    std::string ExpectedModulePath() const {
        return ComparablePath(ORVEL_WINDOWS ? modulePath_ : fs::canonical(modulePath_));
    }
    std::string RegisteredPath(HKEY root, const std::string& key, const char* name) const {
        const auto text = ReadText(root, key, name);
        return text ? ComparablePath(*text) : "<missing>";
    }

    std::unique_ptr<ScopedTestRegistry> registry_;
    std::unique_ptr<LoadedModule> module_;
    fs::path modulePath_;
};

// --- HKEY_CLASSES_ROOT -----------------------------------------------------------------

TEST_F(RegistrationTest, RegisterWritesClassKeyAndServerKey) {
    ASSERT_EQ(Register(), S_OK);
    EXPECT_EQ(Narrow(ReadText(HKEY_CLASSES_ROOT, kClassKey, nullptr)),
              "Orvel Expression Evaluator");
    EXPECT_EQ(RegisteredPath(HKEY_CLASSES_ROOT, kServerKey, nullptr), ExpectedModulePath());
    EXPECT_EQ(Narrow(ReadText(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel")), "both");
    // The server path is the subkey's, not a value of the class key.
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kClassKey, "InprocServer32"), std::nullopt);
}

TEST_F(RegistrationTest, RegisteringAgainChangesNothing) {
    ASSERT_EQ(Register(), S_OK);
    ASSERT_EQ(Register(), S_OK);
    EXPECT_EQ(Narrow(ReadText(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel")), "both");
    EXPECT_EQ(RegisteredPath(HKEY_CLASSES_ROOT, kServerKey, nullptr), ExpectedModulePath());
}

TEST_F(RegistrationTest, UnregisterRemovesClassKeyWithItsSubkey) {
    ASSERT_EQ(Register(), S_OK);
    CreateKey(HKEY_CLASSES_ROOT, kServerKey + "\\Deeper\\Still");
    EXPECT_EQ(Unregister(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kServerKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
}

TEST_F(RegistrationTest, UnregisterWithoutRegistrationReportsMissingKey) {
    EXPECT_EQ(Unregister(), kMissingKey);
}

// --- A Visual Studio root ----------------------------------------------------------------

struct VsRootCase {
    const char* name;
    const char* root;      // passed to the entry point; null for the default
    const char* writtenAt; // where the entries land
};

class VsRegistrationTest : public RegistrationTest,
                           public ::testing::WithParamInterface<VsRootCase> {};

TEST_P(VsRegistrationTest, WritesClassKeyWithModuleValueUnderRoot) {
    const VsRootCase& c = GetParam();
    const std::string classKey = std::string(c.writtenAt) + "\\" + kClassKey;
    CreateKey(HKEY_LOCAL_MACHINE, std::string(c.writtenAt) + "\\CLSID");
    const auto root = c.root ? std::optional(Wide(c.root)) : std::nullopt;

    ASSERT_EQ(VsRegister(root ? root->c_str() : nullptr), S_OK);
    EXPECT_EQ(Narrow(ReadText(HKEY_LOCAL_MACHINE, classKey, nullptr)),
              "Orvel Expression Evaluator");
    EXPECT_EQ(RegisteredPath(HKEY_LOCAL_MACHINE, classKey, "InprocServer32"), ExpectedModulePath());
    // Under this root the path is a value: no subkey, no threading model.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, classKey + "\\InprocServer32"));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, classKey, "ThreadingModel"), std::nullopt);
    // COM's registration comes with it.
    EXPECT_EQ(RegisteredPath(HKEY_CLASSES_ROOT, kServerKey, nullptr), ExpectedModulePath());

    ASSERT_EQ(VsUnregister(root ? root->c_str() : nullptr), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, classKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(c.writtenAt) + "\\CLSID"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

const VsRootCase kVsRootCases[] = {
    {"DefaultRoot", nullptr, "Software\\Microsoft\\VisualStudio\\7.1exp"},
    {"GivenRoot", "Software\\Microsoft\\VisualStudio\\8.0",
     "Software\\Microsoft\\VisualStudio\\8.0"},
};

INSTANTIATE_TEST_SUITE_P(Roots, VsRegistrationTest, ::testing::ValuesIn(kVsRootCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistrationTest, VsRegisterWithoutRootKeyFailsAfterComRegistration) {
    EXPECT_EQ(VsRegister(nullptr), kMissingKey);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDefaultVsRoot));
    // The HKEY_CLASSES_ROOT part comes first and stays.
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kServerKey));
}

TEST_F(RegistrationTest, VsRegisterNeedsClsidKeyUnderRoot) {
    CreateKey(HKEY_LOCAL_MACHINE, kDefaultVsRoot);
    EXPECT_EQ(VsRegister(nullptr), kMissingKey);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDefaultVsRoot + "\\CLSID"));
}

TEST_F(RegistrationTest, VsRegisterWritesOnlyUnderTheGivenRoot) {
    CreateKey(HKEY_LOCAL_MACHINE, kDefaultVsRoot + "\\CLSID");
    CreateKey(HKEY_LOCAL_MACHINE, "Software\\Other\\CLSID");
    ASSERT_EQ(VsRegister(Wide("Software\\Other").c_str()), S_OK);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Other\\" + kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDefaultVsRoot + "\\" + kClassKey));
}

TEST_F(RegistrationTest, VsUnregisterRemovesComRegistrationEvenWithoutRootKey) {
    ASSERT_EQ(Register(), S_OK);
    EXPECT_EQ(VsUnregister(nullptr), kMissingKey);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

TEST_F(RegistrationTest, VsUnregisterReportsMissingClassKeyUnderRoot) {
    CreateKey(HKEY_LOCAL_MACHINE, kDefaultVsRoot + "\\CLSID");
    ASSERT_EQ(Register(), S_OK);
    EXPECT_EQ(VsUnregister(nullptr), kMissingKey);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

// --- With a satellite -----------------------------------------------------------------------

TEST_F(RegistrationTest, ClassKeyTakesNameFromSatellite) {
    TempDir dir;
    const fs::path copy = CopyBuiltModule(dir.path() / "bin");
    InstallGermanSatellite(dir.path() / "bin" / "1033" / SatelliteNameFor(copy));
    Load(copy);
    CreateKey(HKEY_LOCAL_MACHINE, kDefaultVsRoot + "\\CLSID");

    ASSERT_EQ(VsRegister(nullptr), S_OK);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kClassKey, nullptr), Wide(kGermanEvaluatorName));
    // The satellite lacks message 3: the default root is still the built-in one.
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kDefaultVsRoot + "\\" + kClassKey, nullptr),
              Wide(kGermanEvaluatorName));
    EXPECT_EQ(RegisteredPath(HKEY_CLASSES_ROOT, kServerKey, nullptr), ExpectedModulePath());
    module_.reset();
}

} // namespace

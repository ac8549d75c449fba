// Activation of a registered class through the registry, as a host does it.
#include "platform/Activation.h"
#include "ModuleTestSupport.h"
#include "host/HostIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

using namespace orvel::test;

const std::string kServerKey = "CLSID\\{EC7B2BEF-97F8-40EE-8A6C-45E35ADC9DC4}\\InprocServer32";

int g_sentinel = 0;

class ActivationTest : public ::testing::Test {
protected:
    HRESULT Activate() {
        out_ = &g_sentinel;
        return orvel::ActivateClass(CLSID_OrvelExpressionEvaluator, IID_IDebugExpressionEvaluator,
                                    &out_);
    }
    void RegisterServerPath(const std::string& path) {
        WriteText(HKEY_CLASSES_ROOT, kServerKey, nullptr, Wide(path));
    }

    ScopedTestRegistry registry_;
    void* out_ = nullptr;
};

TEST_F(ActivationTest, NullOutPointerIsRejected) {
    EXPECT_EQ(orvel::ActivateClass(CLSID_OrvelExpressionEvaluator, IID_IUnknown, nullptr),
              E_INVALIDARG);
}

struct FailureCase {
    const char* name;
    const char* serverPath; // null: no InprocServer32 key at all; "": key without path
    HRESULT expected;
};

class ActivationFailureTest : public ActivationTest,
                              public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ActivationFailureTest, ReportsWhyAndClearsOutValue) {
    const FailureCase& c = GetParam();
    if (c.serverPath && *c.serverPath)
        RegisterServerPath(c.serverPath);
    else if (c.serverPath)
        CreateKey(HKEY_CLASSES_ROOT, kServerKey);
    EXPECT_EQ(Activate(), c.expected);
    EXPECT_EQ(out_, nullptr);
}

const FailureCase kFailureCases[] = {
    {"ClassNotRegistered", nullptr, REGDB_E_CLASSNOTREG},
    {"NoModulePath", "", REGDB_E_CLASSNOTREG},
    {"ModuleFileMissing", ORVEL_WINDOWS ? "C:\\nowhere\\orveldbg.dll" : "/nowhere/liborveldbg.so",
     HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
    // A library that loads but serves no classes.
    {"NoClassObjectEntry", ORVEL_WINDOWS ? "kernel32.dll" : "libc.so.6", CO_E_ERRORINDLL},
};

INSTANTIATE_TEST_SUITE_P(Registrations, ActivationFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The registered module is loaded and its factory asked for an evaluator. The module
// reports that in its own trace log, which the environment sends to a file.
TEST_F(ActivationTest, AsksRegisteredModulesFactory) {
    ORVEL_REQUIRE_BUILT_MODULE();
    // The module stays loaded and keeps its log open: a fixed directory, cleared next time.
    // One per build tree, as builds may run their tests side by side.
    TempDir dir("orvel-module-test-activation-" +
                std::to_string(std::hash<std::string>()(BuiltModulePath().string())));
    const fs::path module = CopyBuiltModule(dir.path() / "bin");
    const fs::path log = dir.path() / "trace.log";
    ScopedEnv trace("ORVEL_EE_TRACE", log.string());
    RegisterServerPath(module.u8string());

    ASSERT_EQ(Activate(), S_OK);
    ASSERT_NE(out_, nullptr);
    static_cast<IUnknown*>(out_)->Release();
    std::string text = ReadFile(log);
    // The log is a text file: line breaks are CR LF on Windows.
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    const size_t load = text.find("Orvel EE: load dll\n");
    const size_t create = text.find("Orvel EE: create CEEFactory: 0x");
    const size_t instance = text.find("Orvel EE: CEEFactory::CreateInstance\n");
    const size_t destroy = text.find("Orvel EE: destroy CEEFactory: 0x");
    ASSERT_NE(load, std::string::npos) << text;
    ASSERT_NE(create, std::string::npos) << text;
    ASSERT_NE(instance, std::string::npos) << text;
    ASSERT_NE(destroy, std::string::npos) << text;
    EXPECT_LT(load, create);
    EXPECT_LT(create, instance);
    EXPECT_LT(instance, destroy);
}

} // namespace

// The Windows module as COM sees it: registered with regsvr32, created with
// CoCreateInstance, and asked for a watch against the substitute host.
#include "platform/PlatformTypes.h"

#if ORVEL_WINDOWS

#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdlib>
#include <string>

#include "../frontend/WatchSession.h"
#include "ModuleTestSupport.h"
#include "host/HostIds.h"

namespace {

using orvel::ComPtr;

int RunRegsvr32(const std::wstring& arguments) {
    const std::wstring command = L"regsvr32 /s " + arguments;
    return _wsystem(command.c_str());
}

class ComRegistration : public orvel::test::WatchSession {};

TEST_F(ComRegistration, Regsvr32ThenCoCreateInstanceEvaluatesAWatch) {
    ORVEL_REQUIRE_BUILT_MODULE();
    const std::wstring module = L"\"" + orvel::test::BuiltModulePath().wstring() + L"\"";
    ASSERT_EQ(RunRegsvr32(module), 0);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    {
        ComPtr<IDebugExpressionEvaluator> evaluator;
        ASSERT_EQ(CoCreateInstance(CLSID_OrvelExpressionEvaluator, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IDebugExpressionEvaluator,
                                   reinterpret_cast<void**>(evaluator.put())),
                  S_OK);
        Start("heat.json");
        // The registered module's evaluator is the one asked.
        m_evaluator = evaluator;
        const orvel::test::Row row = Watch("N + 1");
        EXPECT_EQ(row.Hr, S_OK);
        EXPECT_EQ(row.Name, "N + 1");
        EXPECT_EQ(row.Value, "9");
    }
    CoUninitialize();
    EXPECT_EQ(RunRegsvr32(L"/u " + module), 0);
}

} // namespace

#endif

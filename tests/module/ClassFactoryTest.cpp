// The class object, DllGetClassObject's work and the module's load and unload work,
// driven through the hosting code the entry points forward to.
#include "debuginfo/DebugInfoCache.h"
#include "host/HostIds.h"
#include "module/ModuleLifetime.h"
#include "platform/ComPtr.h"
#include "platform/TraceSink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using orvel::ComPtr;

constexpr CLSID kOtherClsid = {
    0x0b5c7e21, 0x4d2a, 0x4f3e, {0x9a, 0x11, 0x6c, 0x50, 0x2d, 0x8e, 0x73, 0x04}};
constexpr IID kOtherIid = {
    0x6f1d2a90, 0x3b7c, 0x4e55, {0x8d, 0x21, 0x40, 0x9e, 0x7a, 0x11, 0xc3, 0x5b}};

// A live object at a recognisable address, for the identity checks.
int g_sentinel = 0;

// Trace lines as the log shows them: each Trace call gives the prefix, the text and a
// line break as three pieces.
std::vector<std::string> TraceLines(const orvel::ScopedTraceCapture& capture) {
    std::vector<std::string> lines;
    std::string current;
    for (const std::string& piece : capture.Lines()) {
        current += piece;
        if (!current.empty() && current.back() == '\n') {
            current.pop_back();
            lines.push_back(current);
            current.clear();
        }
    }
    return lines;
}

std::string AddressLine(const char* what, const void* object) {
    char text[64];
    std::snprintf(text, sizeof text, "Orvel EE: %s: 0x%x", what,
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(object)));
    return text;
}

ComPtr<IClassFactory> NewFactory() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(orvel::GetClassObject(CLSID_OrvelExpressionEvaluator, IID_IClassFactory,
                                    reinterpret_cast<void**>(factory.put())),
              S_OK);
    return factory;
}

// --- DllGetClassObject ---------------------------------------------------------------

struct ClassObjectCase {
    const char* name;
    const CLSID* clsid;
    const IID* iid;
    HRESULT expected;
};

class ClassObjectTest : public ::testing::TestWithParam<ClassObjectCase> {
protected:
    void SetUp() override { CacheClear(); }
    void TearDown() override { CacheClear(); }
};

TEST_P(ClassObjectTest, AnswersAndClearsOutValue) {
    const ClassObjectCase& c = GetParam();
    void* out = &g_sentinel;
    EXPECT_EQ(orvel::GetClassObject(*c.clsid, *c.iid, &out), c.expected);
    if (FAILED(c.expected)) {
        EXPECT_EQ(out, nullptr);
    } else {
        ASSERT_NE(out, nullptr);
        static_cast<IUnknown*>(out)->Release();
    }
}

const ClassObjectCase kClassObjectCases[] = {
    {"FactoryInterface", &CLSID_OrvelExpressionEvaluator, &IID_IClassFactory, S_OK},
    {"Unknown", &CLSID_OrvelExpressionEvaluator, &IID_IUnknown, S_OK},
    {"InterfaceTheFactoryLacks", &CLSID_OrvelExpressionEvaluator, &kOtherIid, E_NOINTERFACE},
    {"EvaluatorInterfaceIsNotTheFactorys", &CLSID_OrvelExpressionEvaluator,
     &IID_IDebugExpressionEvaluator, E_NOINTERFACE},
    {"OtherClass", &kOtherClsid, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
};

INSTANTIATE_TEST_SUITE_P(Requests, ClassObjectTest, ::testing::ValuesIn(kClassObjectCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClassObject, NullOutPointerIsRejected) {
    EXPECT_EQ(orvel::GetClassObject(CLSID_OrvelExpressionEvaluator, IID_IClassFactory, nullptr),
              E_INVALIDARG);
}

// Which requests empty the debug-information cache: those for our class that made a
// factory, whatever the interface query then answered.
struct CacheCase {
    const char* name;
    const CLSID* clsid;
    const IID* iid;
    bool clears;
};

class ClassObjectCacheTest : public ::testing::TestWithParam<CacheCase> {
protected:
    void SetUp() override { CacheClear(); }
    void TearDown() override { CacheClear(); }
};

TEST_P(ClassObjectCacheTest, EmptiesCacheOnlyForOurClass) {
    const CacheCase& c = GetParam();
    CacheAddAddress("COUNTER", 0x00402000);
    const char bytes[] = {1, 2, 3};
    ASSERT_NE(CacheAddDebugInfo("MAIN", bytes, sizeof bytes), nullptr);
    SetStaticsRead(true);

    void* out = nullptr;
    orvel::GetClassObject(*c.clsid, *c.iid, &out);
    if (out) static_cast<IUnknown*>(out)->Release();

    if (c.clears) {
        EXPECT_EQ(CacheLookupAddress("COUNTER"), 0u);
        EXPECT_EQ(CacheLookup("MAIN", CacheDebugInfo), nullptr);
        EXPECT_FALSE(StaticsRead());
    } else {
        EXPECT_EQ(CacheLookupAddress("COUNTER"), 0x00402000u);
        EXPECT_NE(CacheLookup("MAIN", CacheDebugInfo), nullptr);
        EXPECT_TRUE(StaticsRead());
    }
}

const CacheCase kCacheCases[] = {
    {"FactoryMade", &CLSID_OrvelExpressionEvaluator, &IID_IClassFactory, true},
    {"FactoryMadeButQueryFailed", &CLSID_OrvelExpressionEvaluator, &kOtherIid, true},
    {"OtherClass", &kOtherClsid, &IID_IClassFactory, false},
};

INSTANTIATE_TEST_SUITE_P(Requests, ClassObjectCacheTest, ::testing::ValuesIn(kCacheCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The factory -------------------------------------------------------------------------

struct QueryCase {
    const char* name;
    const IID* iid;
    HRESULT expected;
};

class FactoryQueryTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(FactoryQueryTest, AnswersItsTwoInterfacesOnly) {
    const QueryCase& c = GetParam();
    ComPtr<IClassFactory> factory = NewFactory();
    ASSERT_TRUE(factory);
    void* out = &g_sentinel;
    EXPECT_EQ(factory->QueryInterface(*c.iid, &out), c.expected);
    if (SUCCEEDED(c.expected)) {
        EXPECT_EQ(out, static_cast<void*>(factory.get()));
        // The answer holds a reference of its own: two now, one after its release.
        EXPECT_EQ(static_cast<IUnknown*>(out)->Release(), 1u);
    } else {
        EXPECT_EQ(out, nullptr);
    }
}

const QueryCase kQueryCases[] = {
    {"Unknown", &IID_IUnknown, S_OK},
    {"ClassFactory", &IID_IClassFactory, S_OK},
    {"ExpressionEvaluator", &IID_IDebugExpressionEvaluator, E_NOINTERFACE},
    {"Other", &kOtherIid, E_NOINTERFACE},
};

INSTANTIATE_TEST_SUITE_P(Interfaces, FactoryQueryTest, ::testing::ValuesIn(kQueryCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Factory, QueryWithoutOutPointerIsRejected) {
    ComPtr<IClassFactory> factory = NewFactory();
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
}

TEST(Factory, RefusesAggregation) {
    ComPtr<IClassFactory> factory = NewFactory();
    ComPtr<IClassFactory> outer = NewFactory(); // any live IUnknown serves as an outer
    void* out = &g_sentinel;
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
}

TEST(Factory, CreateInstanceWithoutOutPointerIsRejected) {
    ComPtr<IClassFactory> factory = NewFactory();
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDebugExpressionEvaluator, nullptr),
              E_INVALIDARG);
}

TEST(Factory, CreatesEvaluatorWithOneReference) {
    ComPtr<IClassFactory> factory = NewFactory();
    void* out = &g_sentinel;
    const HRESULT hr = factory->CreateInstance(nullptr, IID_IDebugExpressionEvaluator, &out);
    ASSERT_EQ(hr, S_OK);
    auto* evaluator = static_cast<IUnknown*>(out);
    EXPECT_EQ(evaluator->AddRef(), 2u);
    EXPECT_EQ(evaluator->Release(), 1u);
    EXPECT_EQ(evaluator->Release(), 0u);
}

// LockServer moves the count both ways; the module stays loaded whatever it is.
TEST(Factory, LockServerCountsAndModuleStaysLoaded) {
    ComPtr<IClassFactory> factory = NewFactory();
    const LONG before = orvel::ServerLockCount();
    EXPECT_EQ(orvel::CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(orvel::ServerLockCount(), before + 2);
    EXPECT_EQ(orvel::CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(orvel::ServerLockCount(), before);
    EXPECT_EQ(orvel::CanUnloadNow(), S_FALSE);
}

// --- Trace lines -------------------------------------------------------------------------

TEST(FactoryTrace, CreationAndDestructionNameTheFactory) {
    orvel::ScopedTraceCapture capture;
    ComPtr<IClassFactory> factory = NewFactory();
    const void* address = factory.get();
    factory.Reset();
    EXPECT_EQ(TraceLines(capture), (std::vector<std::string>{
                                       AddressLine("create CEEFactory", address),
                                       AddressLine("destroy CEEFactory", address),
                                   }));
}

TEST(FactoryTrace, FailedQueryStillCreatesAndDestroys) {
    orvel::ScopedTraceCapture capture;
    void* out = nullptr;
    EXPECT_EQ(orvel::GetClassObject(CLSID_OrvelExpressionEvaluator, kOtherIid, &out),
              E_NOINTERFACE);
    const std::vector<std::string> lines = TraceLines(capture);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("Orvel EE: create CEEFactory: 0x", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("Orvel EE: destroy CEEFactory: 0x", 0), 0u) << lines[1];
}

TEST(FactoryTrace, CreateInstanceTracesBeforeCheckingArguments) {
    ComPtr<IClassFactory> factory = NewFactory();
    orvel::ScopedTraceCapture capture;
    factory->CreateInstance(nullptr, IID_IUnknown, nullptr);
    EXPECT_EQ(TraceLines(capture),
              (std::vector<std::string>{"Orvel EE: CEEFactory::CreateInstance"}));
}

// --- Loading and unloading ----------------------------------------------------------------

struct ReasonCase {
    const char* name;
    DWORD reason;
    std::vector<std::string> lines;
};

class ModuleMainTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(ModuleMainTest, TracesAttachAndDetachOnly) {
    const ReasonCase& c = GetParam();
    orvel::ScopedTraceCapture capture;
    // The test program as the module: it has no satellite, so the built-in texts stay.
    EXPECT_EQ(orvel::ModuleMain(orvel::ModuleInstance(), c.reason, nullptr), TRUE);
    EXPECT_EQ(TraceLines(capture), c.lines);
}

const ReasonCase kReasonCases[] = {
    {"ProcessAttach", DLL_PROCESS_ATTACH, {"Orvel EE: load dll"}},
    {"ProcessDetach", DLL_PROCESS_DETACH, {"Orvel EE: unload dll"}},
    {"ThreadAttach", DLL_THREAD_ATTACH, {}},
    {"ThreadDetach", DLL_THREAD_DETACH, {}},
};

INSTANTIATE_TEST_SUITE_P(Reasons, ModuleMainTest, ::testing::ValuesIn(kReasonCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ModuleMain, AttachKeepsInstanceAndResetsLockCount) {
    const HINSTANCE previous = orvel::ModuleInstance();
    orvel::LockServer(true);
    const auto instance = reinterpret_cast<HINSTANCE>(&g_sentinel);
    orvel::ModuleMain(instance, DLL_PROCESS_ATTACH, nullptr);
    EXPECT_EQ(orvel::ModuleInstance(), instance);
    EXPECT_EQ(orvel::ServerLockCount(), 0);
    EXPECT_EQ(orvel::CanUnloadNow(), S_FALSE);
    orvel::ModuleMain(previous, DLL_PROCESS_ATTACH, nullptr);
}

} // namespace

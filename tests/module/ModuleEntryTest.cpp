// Loads the built module by path, as a debugger host does, and drives it through its
// exported entry points only.
#include "ModuleTestSupport.h"
#include "host/HostIds.h"
#include "platform/ComPtr.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace orvel::test;
using orvel::ComPtr;

constexpr CLSID kUnknownClsid = {
    0x0b5c7e21, 0x4d2a, 0x4f3e, {0x9a, 0x11, 0x6c, 0x50, 0x2d, 0x8e, 0x73, 0x04}};

int g_sentinel = 0;

class ModuleEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ORVEL_REQUIRE_BUILT_MODULE();
        module_ = std::make_unique<LoadedModule>(BuiltModulePath());
        ASSERT_TRUE(module_->loaded()) << BuiltModulePath() << ": " << module_->error();
        getClassObject_ = module_->entry<GetClassObjectFn>("DllGetClassObject");
        canUnloadNow_ = module_->entry<NoArgumentFn>("DllCanUnloadNow");
        ASSERT_NE(getClassObject_, nullptr);
        ASSERT_NE(canUnloadNow_, nullptr);
    }

    ComPtr<IClassFactory> Factory() {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject_(CLSID_OrvelExpressionEvaluator, IID_IClassFactory,
                                  reinterpret_cast<void**>(factory.put())),
                  S_OK);
        return factory;
    }

    std::unique_ptr<LoadedModule> module_;
    GetClassObjectFn getClassObject_ = nullptr;
    NoArgumentFn canUnloadNow_ = nullptr;
};

TEST_F(ModuleEntryTest, EveryHostEntryPointIsExportedUndecorated) {
    const char* const names[] = {"DllGetClassObject",   "DllCanUnloadNow",
                                 "DllRegisterServer",   "DllUnregisterServer",
                                 "VSDllRegisterServer", "VSDllUnregisterServer"};
    for (const char* name : names)
        EXPECT_NE(module_->entry<void (*)()>(name), nullptr) << name;
}

TEST_F(ModuleEntryTest, GetClassObjectRejectsMissingOutPointer) {
    EXPECT_EQ(getClassObject_(CLSID_OrvelExpressionEvaluator, IID_IClassFactory, nullptr),
              E_INVALIDARG);
}

TEST_F(ModuleEntryTest, GetClassObjectClearsOutPointerForUnknownClass) {
    void* out = &g_sentinel;
    EXPECT_EQ(getClassObject_(kUnknownClsid, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
}

TEST_F(ModuleEntryTest, FactoryRefusesAggregation) {
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    ComPtr<IClassFactory> outer = Factory();
    void* out = &g_sentinel;
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IDebugExpressionEvaluator, &out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
}

TEST_F(ModuleEntryTest, StaysLoadedWithAndWithoutServerLocks) {
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
}

} // namespace

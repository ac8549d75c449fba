#include "module/ModuleLifetime.h"

#include "debuginfo/DebugInfoCache.h"
#include "host/HostIds.h"
#include "module/CEEFactory.h"
#include "platform/ComPtr.h"
#include "platform/Interlocked.h"
#include "platform/MessageTable.h"
#include "platform/Trace.h"

namespace orvel {
namespace {

// Plain data, constant-initialised: the load hook may run before any dynamic
// initialisation of the module.
HINSTANCE g_instance = nullptr;
volatile LONG g_lockCount = 0;

} // namespace

BOOL ModuleMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        Trace("load dll");
        g_instance = instance;
        g_lockCount = 0;
        // Without a satellite the built-in texts serve; that is no reason to refuse loading.
        LoadMessages(instance, CLSID_OrvelExpressionEvaluator);
        break;
    case DLL_PROCESS_DETACH:
        Trace("unload dll");
        FreeMessages();
        break;
    default:
        break;
    }
    return TRUE;
}

HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    if (rclsid != CLSID_OrvelExpressionEvaluator) return CLASS_E_CLASSNOTAVAILABLE;
    ComPtr<IClassFactory> factory;
    HRESULT hr = CEEFactory::Create(factory.put());
    if (FAILED(hr)) return hr;
    hr = factory->QueryInterface(riid, ppv);
    factory.Reset();
    CacheClear();
    return hr;
}

HRESULT CanUnloadNow() {
    return S_FALSE;
}

HINSTANCE ModuleInstance() {
    return g_instance;
}

LONG ServerLockCount() {
    return __atomic_load_n(&g_lockCount, __ATOMIC_SEQ_CST);
}

void LockServer(bool lock) {
    if (lock)
        InterlockedIncrement32(&g_lockCount);
    else
        InterlockedDecrement32(&g_lockCount);
}

} // namespace orvel

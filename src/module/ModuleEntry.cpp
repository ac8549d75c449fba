// The module's exported entry points. Each forwards to the hosting code in the core
// library and keeps anything thrown there from crossing into the host.
#include <new>

#include "module/ModuleLifetime.h"
#include "module/Registration.h"
#include "platform/FileSystem.h"
#include "platform/PlatformTypes.h"
#include "platform/Unknown.h"

// Windows takes the export list from orveldbg.def; elsewhere the library is built with
// hidden visibility and these are the only symbols it shows.
#if ORVEL_WINDOWS
#define ORVEL_MODULE_ENTRY extern "C"
#else
#define ORVEL_MODULE_ENTRY extern "C" __attribute__((visibility("default")))
#endif

namespace {

template <class Call> HRESULT Boundary(Call call) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace

ORVEL_MODULE_ENTRY HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid,
                                                            LPVOID* ppv) {
    return Boundary([&] { return orvel::GetClassObject(rclsid, riid, ppv); });
}

ORVEL_MODULE_ENTRY HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return orvel::CanUnloadNow();
}

ORVEL_MODULE_ENTRY HRESULT STDAPICALLTYPE DllRegisterServer() {
    return Boundary([] { return orvel::RegisterServer(); });
}

ORVEL_MODULE_ENTRY HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return Boundary([] { return orvel::UnregisterServer(); });
}

// The host's registration tool passes the registry root to write under, or null.
ORVEL_MODULE_ENTRY HRESULT STDAPICALLTYPE VSDllRegisterServer(LPCOLESTR strRegRoot) {
    return Boundary([&] { return orvel::VSRegisterServer(strRegRoot); });
}

ORVEL_MODULE_ENTRY HRESULT STDAPICALLTYPE VSDllUnregisterServer(LPCOLESTR strRegRoot) {
    return Boundary([&] { return orvel::VSUnregisterServer(strRegRoot); });
}

#if ORVEL_WINDOWS
// The loader calls it by the image's entry point, not by name: it is not exported.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    try {
        return orvel::ModuleMain(instance, reason, reserved);
    } catch (...) {
        return TRUE;
    }
}
#else
// The shared library's load and unload hooks do DllMain's work. They may run before the
// initialisation of the library's globals, so what they touch is constant-initialised.
namespace {

void LoadHook() __attribute__((constructor));
void UnloadHook() __attribute__((destructor));

void LoadHook() {
    try {
        orvel::ModuleMain(orvel::ModuleFromAddress(reinterpret_cast<const void*>(&LoadHook)),
                          DLL_PROCESS_ATTACH, nullptr);
    } catch (...) {
    }
}

void UnloadHook() {
    try {
        orvel::ModuleMain(orvel::ModuleInstance(), DLL_PROCESS_DETACH, nullptr);
    } catch (...) {
    }
}

} // namespace
#endif

// The module's own life: what loading and unloading do, the class object entry point,
// and the module-wide instance handle and server lock count. The exported entry points
// (module/ModuleEntry.cpp) only forward here.
#pragma once

#include "platform/PlatformTypes.h"

#if !ORVEL_WINDOWS
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#endif

namespace orvel {

// DllMain's work. Attach: trace "load dll", keep instance, reset the lock count, load
// the localized messages. Detach: trace "unload dll", free the messages. Other reasons
// do nothing. Always TRUE.
BOOL ModuleMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

// DllGetClassObject: a new class factory for the evaluator's class, queried for riid.
// Every such request empties the debug-information cache, so a new evaluator starts
// without what an earlier debugging run left there.
HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);

// DllCanUnloadNow: always S_FALSE. The module stays loaded: nothing tracks whether an
// evaluator or one of its objects still lives in a host.
HRESULT CanUnloadNow();

// The instance handle kept at attach (null before).
HINSTANCE ModuleInstance();

// The server lock count, as IClassFactory::LockServer changes it.
LONG ServerLockCount();
void LockServer(bool lock);

} // namespace orvel

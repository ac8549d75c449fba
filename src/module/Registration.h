// Registration of the evaluator's class, under HKEY_CLASSES_ROOT for COM and under a
// Visual Studio registry root of HKEY_LOCAL_MACHINE for the debugger. Each returns S_OK
// or the first failure, registry errors as HRESULTs of the Win32 facility.
#pragma once

#include "platform/PlatformTypes.h"

namespace orvel {

// HKEY_CLASSES_ROOT\CLSID\{class}: default value "Orvel Expression Evaluator" (message
// 1); subkey InprocServer32 with the module path as default value and ThreadingModel
// "both". Unregistering deletes the class key with everything below it.
HRESULT RegisterServer();
HRESULT UnregisterServer();

// Registers under HKEY_CLASSES_ROOT first, then under HKEY_LOCAL_MACHINE\root (message 3,
// "Software\Microsoft\VisualStudio\7.1exp", when root is null), whose CLSID key must
// exist: CLSID\{class} with the default value and a value "InprocServer32" naming the
// module. Unregistering removes what registering wrote, the Visual Studio root's entries
// first and then those under HKEY_CLASSES_ROOT, and reports the first failure.
HRESULT VSRegisterServer(LPCOLESTR root);
HRESULT VSUnregisterServer(LPCOLESTR root);

} // namespace orvel

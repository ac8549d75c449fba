// Creates an object of a registered in-process class the way COM does: the class id is
// looked up under HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32, whose default value
// names the module; the module is loaded, asked for its class object, and the class
// object creates the instance. The same walk runs on every platform, over the Windows
// registry or the store of platform/Registry.h.
//
// Modules loaded here stay loaded for the life of the process, as a COM module whose
// DllCanUnloadNow never agrees would.
#pragma once

#include "platform/PlatformTypes.h"
#include "platform/Unknown.h"

namespace orvel {

// E_INVALIDARG for a null ppv (cleared otherwise); REGDB_E_CLASSNOTREG when the class
// or its module path is not registered; the converted system error when the module
// does not load; CO_E_ERRORINDLL when it has no DllGetClassObject; otherwise what the
// class object and its CreateInstance answer.
HRESULT ActivateClass(REFCLSID clsid, REFIID riid, void** ppv);

} // namespace orvel

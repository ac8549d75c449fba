#include "platform/Activation.h"

#include "platform/ComPtr.h"
#include "platform/FileSystem.h"
#include "platform/Guid.h"
#include "platform/Registry.h"

#if !ORVEL_WINDOWS
#include <dlfcn.h>
#endif

namespace orvel {
namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// The default value of the class's InprocServer32 key.
HRESULT RegisteredModulePath(REFCLSID clsid, PathString* path) {
    WCHAR classText[GuidTextLength + 1];
    if (StringFromGUID2(clsid, classText, GuidTextLength + 1) == 0) return E_INVALIDARG;
    const PathString keyName =
        PathString(OLESTR("CLSID\\")) + classText + OLESTR("\\InprocServer32");
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyName.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return REGDB_E_CLASSNOTREG;
    WCHAR buffer[kMaxPath] = {};
    DWORD size = sizeof buffer - sizeof(WCHAR); // room for a NUL the value may lack
    DWORD type = 0;
    const LONG rc =
        RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return REGDB_E_CLASSNOTREG;
    *path = buffer;
    return path->empty() ? REGDB_E_CLASSNOTREG : S_OK;
}

HRESULT LoadClassObjectEntry(const PathString& path, GetClassObjectFn* entry) {
#if ORVEL_WINDOWS
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    // Through void(*)(): the one cast between function types that is not a warning.
    *entry = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
#else
    void* module = dlopen(NativePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    *entry = reinterpret_cast<GetClassObjectFn>(dlsym(module, "DllGetClassObject"));
#endif
    return *entry ? S_OK : CO_E_ERRORINDLL;
}

} // namespace

HRESULT ActivateClass(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    PathString path;
    HRESULT hr = RegisteredModulePath(clsid, &path);
    if (FAILED(hr)) return hr;
    GetClassObjectFn getClassObject = nullptr;
    hr = LoadClassObjectEntry(path, &getClassObject);
    if (FAILED(hr)) return hr;
    ComPtr<IClassFactory> factory;
    hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.put()));
    if (FAILED(hr)) return hr;
    if (!factory) return E_UNEXPECTED;
    return factory->CreateInstance(nullptr, riid, ppv);
}

} // namespace orvel

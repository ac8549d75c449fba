#include "module/Registration.h"

#include "host/HostIds.h"
#include "module/ModuleLifetime.h"
#include "platform/FileSystem.h"
#include "platform/Guid.h"
#include "platform/MessageTable.h"
#include "platform/Registry.h"

namespace orvel {
namespace {

// Closes the key it holds when it goes.
class KeyHolder {
public:
    KeyHolder() = default;
    ~KeyHolder() {
        if (m_key) RegCloseKey(m_key);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;

    HKEY* put() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Sets a REG_SZ value, its NUL included. The result is not needed: registration
// reports the key operations only.
void SetText(HKEY key, LPCOLESTR name, LPCOLESTR text) {
    size_t length = 0;
    while (text[length])
        ++length;
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((length + 1) * sizeof(OLECHAR)));
}

HRESULT RegisterUnder(bool registering, HKEY root) {
    OLECHAR classText[GuidTextLength + 1];
    if (StringFromGUID2(CLSID_OrvelExpressionEvaluator, classText, GuidTextLength + 1) == 0)
        return E_FAIL;
    PathString modulePath;
    HRESULT hr = GetModulePath(ModuleInstance(), &modulePath);
    if (FAILED(hr)) return hr;

    KeyHolder classes;
    LONG rc = RegOpenKeyExW(root, OLESTR("CLSID"), 0, KEY_ALL_ACCESS, classes.put());
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    if (!registering) {
        rc = RegDeleteTreeW(classes.get(), classText);
        return HRESULT_FROM_WIN32(rc);
    }

    KeyHolder classKey;
    rc = RegCreateKeyExW(classes.get(), classText, 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_ALL_ACCESS, nullptr, classKey.put(), nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    SetText(classKey.get(), nullptr, GetMessageText(kMsgEvaluatorName));
    if (root == HKEY_CLASSES_ROOT) {
        KeyHolder server;
        rc = RegCreateKeyExW(classKey.get(), OLESTR("InprocServer32"), 0, nullptr,
                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, server.put(),
                             nullptr);
        if (rc == ERROR_SUCCESS) {
            SetText(server.get(), nullptr, modulePath.c_str());
            SetText(server.get(), OLESTR("ThreadingModel"), OLESTR("both"));
        }
    } else {
        // The debugger reads the module path as a value of the class key itself.
        SetText(classKey.get(), OLESTR("InprocServer32"), modulePath.c_str());
    }
    return HRESULT_FROM_WIN32(rc);
}

HRESULT UnderVisualStudioRoot(bool registering, LPCOLESTR root) {
    KeyHolder rootKey;
    const LONG rc =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, root ? root : GetMessageText(kMsgRegistryRoot), 0,
                      KEY_ALL_ACCESS, rootKey.put());
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    return RegisterUnder(registering, rootKey.get());
}

} // namespace

HRESULT RegisterServer() {
    return RegisterUnder(true, HKEY_CLASSES_ROOT);
}

HRESULT UnregisterServer() {
    return RegisterUnder(false, HKEY_CLASSES_ROOT);
}

HRESULT VSRegisterServer(LPCOLESTR root) {
    const HRESULT hr = RegisterServer();
    if (FAILED(hr)) return hr;
    return UnderVisualStudioRoot(true, root);
}

HRESULT VSUnregisterServer(LPCOLESTR root) {
    // Both removals run, so that one entry already gone does not keep the other.
    const HRESULT fromRoot = UnderVisualStudioRoot(false, root);
    const HRESULT fromClasses = UnregisterServer();
    return FAILED(fromRoot) ? fromRoot : fromClasses;
}

} // namespace orvel

#include "platform/SatelliteLocator.h"

#include "platform/Guid.h"
#include "platform/Locale.h"
#include "platform/Registry.h"

namespace orvel {

const WCHAR* const kSatelliteSuffix = ORVEL_WINDOWS ? OLESTR("ui.dll") : OLESTR("ui.msg");

namespace {

PathString Join(const PathString& a, const PathString& b, const PathString& c) {
    return a + kPathSeparator + b + kPathSeparator + c;
}

bool Usable(const PathString& candidate) {
    return candidate.size() < kMaxPath && FileExists(candidate);
}

// A REG_SZ of at most kMaxPath characters; empty when missing or of another type.
PathString ReadSatelliteValue(HKEY key, const WCHAR* name) {
    WCHAR buffer[kMaxPath] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return PathString();
    PathString value(buffer, size / sizeof(WCHAR));
    while (!value.empty() && value.back() == 0)
        value.pop_back();
    return value;
}

void ReadSatelliteKey(const GUID& classId, PathString* root, PathString* fileName) {
    WCHAR classText[GuidTextLength + 1];
    if (StringFromGUID2(classId, classText, GuidTextLength + 1) == 0) return;
    const PathString keyName = PathString(OLESTR("CLSID\\")) + classText + OLESTR("\\SatelliteDll");
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyName.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    *root = ReadSatelliteValue(key, OLESTR("path"));
    *fileName = ReadSatelliteValue(key, OLESTR("dllName"));
    RegCloseKey(key);
}

// Fills whichever of root and fileName is empty from the module's own path.
HRESULT DeriveFromModule(HMODULE module, PathString* root, PathString* fileName) {
    PathString modulePath;
    const HRESULT hr = GetModulePath(module, &modulePath);
    if (FAILED(hr)) return hr;
    const size_t separator = modulePath.rfind(kPathSeparator);
    if (separator == PathString::npos) return E_FAIL;
    const PathString moduleName = modulePath.substr(separator + 1);
    const size_t dot = moduleName.rfind(WCHAR('.'));
    if (dot == PathString::npos) return E_FAIL;
    if (root->empty()) *root = modulePath.substr(0, separator);
    if (fileName->empty()) *fileName = moduleName.substr(0, dot) + kSatelliteSuffix;
    return S_OK;
}

} // namespace

std::vector<LCID> SatelliteLocaleOrder(LCID user, LCID system) {
    std::vector<LCID> order;
    for (LCID id : {user, user ? PrimaryLanguageLocaleId(user) : 0, system,
                    system ? PrimaryLanguageLocaleId(system) : 0, kLocaleEnglishUS})
        if (id != 0) order.push_back(id);
    return order;
}

HRESULT FindSatelliteFile(const PathString& root, const PathString& fileName,
                          const std::vector<LCID>& locales, PathString* found) {
    found->clear();
    for (LCID id : locales) {
        const PathString candidate = Join(root, DecimalText(id), fileName);
        if (Usable(candidate)) {
            *found = candidate;
            return S_OK;
        }
    }
    std::vector<PathString> entries;
    if (!ListDirectory(root, &entries)) return E_FAIL;
    for (const PathString& entry : entries) {
        const PathString candidate = Join(root, entry, fileName);
        if (Usable(candidate)) {
            *found = candidate;
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT LocateSatellite(HMODULE module, const GUID& classId, PathString* found) {
    found->clear();
    PathString root;
    PathString fileName;
    ReadSatelliteKey(classId, &root, &fileName);
    if (root.empty() || fileName.empty()) {
        const HRESULT hr = DeriveFromModule(module, &root, &fileName);
        if (FAILED(hr)) return hr;
    }
    return FindSatelliteFile(root, fileName,
                             SatelliteLocaleOrder(UserDefaultLocaleId(), SystemDefaultLocaleId()),
                             found);
}

} // namespace orvel

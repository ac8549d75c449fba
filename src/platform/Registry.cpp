#include "platform/Registry.h"

#if !ORVEL_WINDOWS
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <set>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

#include "platform/RegistryStore.h"
#include "platform/Utf8.h"

// An open key: which root and the names below it, as the store spelled them when the
// key was opened. The key is looked up again by every call, so a key deleted in the
// meantime (by this process or another) gives ERROR_KEY_DELETED.
struct HKEY__ {
    int root;
    std::vector<std::u16string> path;
};

namespace orvel {
namespace {

constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;

struct Handles {
    std::mutex mutex; // also serialises every read-modify-write of the file in this process
    std::set<const HKEY__*> open;
};

Handles& OpenHandles() {
    static Handles handles;
    return handles;
}

// The predefined roots, or a copy of an open key. Called with the lock held.
LONG Resolve(HKEY key, HKEY__* out) {
    out->path.clear();
    if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        out->root = static_cast<int>(reinterpret_cast<uintptr_t>(key) - 0x80000000u);
        return ERROR_SUCCESS;
    }
    if (!key || !OpenHandles().open.count(key)) return ERROR_INVALID_HANDLE;
    *out = *key;
    return ERROR_SUCCESS;
}

std::u16string_view WideText(LPCWSTR text) {
    return text ? std::u16string_view(text) : std::u16string_view();
}

// "a\b\c" into its names. A leading backslash or an empty name inside is an error; a
// trailing backslash is allowed.
LONG SplitPath(std::u16string_view text, std::vector<std::u16string>* names) {
    names->clear();
    if (text.empty()) return ERROR_SUCCESS;
    if (text[0] == u'\\') return ERROR_BAD_PATHNAME;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\\', start);
        if (end == std::u16string_view::npos) end = text.size();
        if (end == start) return ERROR_BAD_PATHNAME;
        if (end - start > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
        names->emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return ERROR_SUCCESS;
}

RegistryKey* Walk(RegistryTree& tree, const HKEY__& key) {
    RegistryKey* node = &tree.roots[key.root];
    for (const std::u16string& name : key.path) {
        node = node->FindSubkey(name);
        if (!node) return nullptr;
    }
    return node;
}

// Holds an exclusive lock on "<store>.lock" for one change, so that writers in other
// processes do not overwrite each other's changes.
class FileLock {
public:
    explicit FileLock(const std::string& store) {
        m_fd = open((store + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd >= 0) flock(m_fd, LOCK_EX);
    }
    ~FileLock() {
        if (m_fd >= 0) close(m_fd); // also releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd = -1;
};

// Runs op on the store's current contents; when op succeeds and says it changed
// something, the tree is written back. op(tree, changed) returns a Win32 code.
template <class Op> LONG WithStore(bool mayChange, Op op) {
    try {
        std::lock_guard<std::mutex> lock(OpenHandles().mutex);
        const std::string path = RegistryStorePath();
        std::unique_ptr<FileLock> fileLock;
        // A failed lock still lets the change go ahead: losing a concurrent change
        // is better than refusing every one on a read-only lock directory.
        if (mayChange) fileLock = std::make_unique<FileLock>(path);
        RegistryTree tree = LoadRegistry(path);
        bool changed = false;
        LONG rc = op(tree, changed);
        if (rc == ERROR_SUCCESS && changed) rc = SaveRegistry(path, tree);
        return rc;
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    } catch (...) {
        return ERROR_BADDB;
    }
}

LONG NewHandle(const HKEY__& key, PHKEY result) {
    auto handle = std::make_unique<HKEY__>(key);
    OpenHandles().open.insert(handle.get());
    *result = handle.release();
    return ERROR_SUCCESS;
}

LONG CreateKey(HKEY key, std::u16string_view subKey, PHKEY result, LPDWORD disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::u16string> names;
    LONG rc = SplitPath(subKey, &names);
    if (rc != ERROR_SUCCESS) return rc;
    return WithStore(true, [&](RegistryTree& tree, bool& changed) {
        HKEY__ target;
        LONG status = Resolve(key, &target);
        if (status != ERROR_SUCCESS) return status;
        RegistryKey* node = Walk(tree, target);
        if (!node) return LONG(ERROR_KEY_DELETED);
        for (const std::u16string& name : names) {
            RegistryKey* child = node->FindSubkey(name);
            if (!child) {
                child = node->AddSubkey(name);
                changed = true;
            }
            target.path.push_back(child->name);
            node = child;
        }
        if (disposition) *disposition = changed ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return NewHandle(target, result);
    });
}

LONG OpenKey(HKEY key, std::u16string_view subKey, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::u16string> names;
    LONG rc = SplitPath(subKey, &names);
    if (rc != ERROR_SUCCESS) return rc;
    return WithStore(false, [&](RegistryTree& tree, bool&) {
        HKEY__ target;
        LONG status = Resolve(key, &target);
        if (status != ERROR_SUCCESS) return status;
        RegistryKey* node = Walk(tree, target);
        if (!node) return LONG(ERROR_KEY_DELETED);
        for (const std::u16string& name : names) {
            node = node->FindSubkey(name);
            if (!node) return LONG(ERROR_FILE_NOT_FOUND);
            target.path.push_back(node->name);
        }
        return NewHandle(target, result);
    });
}

LONG SetValue(HKEY key, std::u16string_view name, DWORD type, const BYTE* data, DWORD size) {
    if (name.size() > kMaxValueNameLength || (!data && size != 0)) return ERROR_INVALID_PARAMETER;
    return WithStore(true, [&](RegistryTree& tree, bool& changed) {
        HKEY__ target;
        LONG status = Resolve(key, &target);
        if (status != ERROR_SUCCESS) return status;
        RegistryKey* node = Walk(tree, target);
        if (!node) return LONG(ERROR_KEY_DELETED);
        RegistryValue* value = node->FindValue(name);
        if (!value) {
            node->values.emplace_back();
            value = &node->values.back();
            value->name = std::u16string(name);
        }
        value->type = type;
        value->data.assign(data, data + size);
        changed = true;
        return LONG(ERROR_SUCCESS);
    });
}

// Copies the value's type and bytes out; *stored receives them for the caller to shape
// (the narrow functions convert strings first).
LONG GetValue(HKEY key, std::u16string_view name, DWORD* type, std::vector<uint8_t>* stored) {
    return WithStore(false, [&](RegistryTree& tree, bool&) {
        HKEY__ target;
        LONG status = Resolve(key, &target);
        if (status != ERROR_SUCCESS) return status;
        RegistryKey* node = Walk(tree, target);
        if (!node) return LONG(ERROR_KEY_DELETED);
        const RegistryValue* value = node->FindValue(name);
        if (!value) return LONG(ERROR_FILE_NOT_FOUND);
        *type = value->type;
        *stored = value->data;
        return LONG(ERROR_SUCCESS);
    });
}

// The size query and copy-out rules of RegQueryValueEx.
LONG DeliverValue(DWORD storedType, const std::vector<uint8_t>& bytes, LPDWORD type, LPBYTE data,
                  LPDWORD size) {
    if (type) *type = storedType;
    if (!size) return ERROR_SUCCESS;
    const DWORD needed = static_cast<DWORD>(bytes.size());
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed) std::memcpy(data, bytes.data(), needed);
    }
    *size = needed;
    return ERROR_SUCCESS;
}

LONG QueryValue(HKEY key, std::u16string_view name, LPDWORD type, LPBYTE data, LPDWORD size,
                bool narrow) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    DWORD storedType = 0;
    std::vector<uint8_t> bytes;
    LONG rc = GetValue(key, name, &storedType, &bytes);
    if (rc != ERROR_SUCCESS) return rc;
    if (narrow &&
        (storedType == REG_SZ || storedType == REG_EXPAND_SZ || storedType == REG_MULTI_SZ)) {
        std::u16string units(bytes.size() / 2, u'\0');
        if (!units.empty()) std::memcpy(&units[0], bytes.data(), units.size() * 2);
        const std::string text = Utf16ToUtf8(units);
        bytes.assign(text.begin(), text.end());
    }
    return DeliverValue(storedType, bytes, type, data, size);
}

LONG DeleteValue(HKEY key, std::u16string_view name) {
    return WithStore(true, [&](RegistryTree& tree, bool& changed) {
        HKEY__ target;
        LONG status = Resolve(key, &target);
        if (status != ERROR_SUCCESS) return status;
        RegistryKey* node = Walk(tree, target);
        if (!node) return LONG(ERROR_KEY_DELETED);
        for (auto it = node->values.begin(); it != node->values.end(); ++it) {
            if (SameRegistryName(it->name, name)) {
                node->values.erase(it);
                changed = true;
                return LONG(ERROR_SUCCESS);
            }
        }
        return LONG(ERROR_FILE_NOT_FOUND);
    });
}

// Deletes key\subKey: only when it has no subkeys, or with everything below it when
// whole is set. A whole delete with no subKey empties key instead.
LONG DeleteKey(HKEY key, std::u16string_view subKey, bool whole) {
    std::vector<std::u16string> names;
    LONG rc = SplitPath(subKey, &names);
    if (rc != ERROR_SUCCESS) return rc;
    return WithStore(true, [&](RegistryTree& tree, bool& changed) {
        HKEY__ target;
        LONG status = Resolve(key, &target);
        if (status != ERROR_SUCCESS) return status;
        RegistryKey* parent = nullptr;
        RegistryKey* node = Walk(tree, target);
        if (!node) return LONG(ERROR_KEY_DELETED);
        for (const std::u16string& name : names) {
            parent = node;
            node = node->FindSubkey(name);
            if (!node) return LONG(ERROR_FILE_NOT_FOUND);
        }
        if (whole && names.empty()) {
            node->values.clear();
            node->subkeys.clear();
        } else {
            if (!whole && !node->subkeys.empty()) return LONG(ERROR_ACCESS_DENIED);
            // The key itself through its handle: find its parent.
            if (!parent) {
                if (target.path.empty()) return LONG(ERROR_ACCESS_DENIED); // a root
                HKEY__ above = target;
                above.path.pop_back();
                parent = Walk(tree, above);
            }
            parent->RemoveSubkey(node);
        }
        changed = true;
        return LONG(ERROR_SUCCESS);
    });
}

std::u16string FromNarrow(LPCSTR text) {
    return text ? Utf8ToUtf16(text) : std::u16string();
}

} // namespace

std::string RegistryStorePath() {
    const char* chosen = std::getenv("ORVEL_EE_REGISTRY");
    if (chosen && *chosen) return chosen;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* user = getpwuid(getuid());
            home = user && user->pw_dir ? user->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.config";
    }
    return base + "/orvel-ee/registry";
}

} // namespace orvel

using orvel::FromNarrow;
using orvel::WideText;

LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, const void*,
                        PHKEY result, LPDWORD disposition) {
    return orvel::CreateKey(key, WideText(subKey), result, disposition);
}

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, const void*,
                        PHKEY result, LPDWORD disposition) {
    return orvel::CreateKey(key, FromNarrow(subKey), result, disposition);
}

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
    return orvel::OpenKey(key, WideText(subKey), result);
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    return orvel::OpenKey(key, FromNarrow(subKey), result);
}

LSTATUS RegCloseKey(HKEY key) {
    if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    orvel::Handles& handles = orvel::OpenHandles();
    std::lock_guard<std::mutex> lock(handles.mutex);
    if (!key || handles.open.erase(key) == 0) return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    return orvel::SetValue(key, WideText(name), type, data, size);
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    if (data && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
        const std::u16string wide =
            orvel::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
        return orvel::SetValue(key, FromNarrow(name), type,
                               reinterpret_cast<const BYTE*>(wide.data()),
                               static_cast<DWORD>(wide.size() * 2));
    }
    return orvel::SetValue(key, FromNarrow(name), type, data, size);
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    return orvel::QueryValue(key, WideText(name), type, data, size, false);
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    return orvel::QueryValue(key, FromNarrow(name), type, data, size, true);
}

LSTATUS RegDeleteValueW(HKEY key, LPCWSTR name) {
    return orvel::DeleteValue(key, WideText(name));
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR name) {
    return orvel::DeleteValue(key, FromNarrow(name));
}

LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    if (!subKey) return ERROR_INVALID_PARAMETER;
    return orvel::DeleteKey(key, WideText(subKey), false);
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    if (!subKey) return ERROR_INVALID_PARAMETER;
    return orvel::DeleteKey(key, FromNarrow(subKey), false);
}

LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
    return orvel::DeleteKey(key, WideText(subKey), true);
}

LSTATUS RegDeleteTreeA(HKEY key, LPCSTR subKey) {
    return orvel::DeleteKey(key, FromNarrow(subKey), true);
}
#endif // !ORVEL_WINDOWS

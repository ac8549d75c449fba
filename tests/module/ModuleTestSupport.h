// Shared pieces of the module tests: temporary directories, environment variables, a
// registry of their own, and the built module loaded by path as a host loads it.
#pragma once

#include "platform/FileSystem.h"
#include "platform/PlatformTypes.h"
#include "platform/Registry.h"
#include "platform/Unknown.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#if !ORVEL_WINDOWS
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace orvel::test {

namespace fs = std::filesystem;

inline PathString ToPathString(const fs::path& path) {
#if ORVEL_WINDOWS
    return path.wstring();
#else
    return path.u16string();
#endif
}

// UTF-8 text as wide OLE text, NULs and all.
inline std::basic_string<OLECHAR> Wide(const std::string& text) {
    const std::u16string units = Utf8ToUtf16(text);
    return std::basic_string<OLECHAR>(units.begin(), units.end());
}

inline int ProcessId() {
#if ORVEL_WINDOWS
    return static_cast<int>(GetCurrentProcessId());
#else
    return static_cast<int>(getpid());
#endif
}

// A fresh directory, removed with everything in it at the end. A fixed name serves a
// directory whose files this process may keep open to its end: the next run clears it.
class TempDir {
public:
    explicit TempDir(const std::string& fixedName = std::string()) {
        static std::atomic<int> counter{0};
        m_path = fs::temp_directory_path() /
                 (fixedName.empty() ? "orvel-module-test-" + std::to_string(ProcessId()) + "-" +
                                          std::to_string(counter++)
                                    : fixedName);
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
        fs::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

inline void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets (or, with nullopt, removes) an environment variable and puts it back at the end.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        Set(value);
    }
    ~ScopedEnv() { Set(m_old); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
#if ORVEL_WINDOWS
        _putenv_s(m_name.c_str(), value ? value->c_str() : "");
#else
        if (value)
            setenv(m_name.c_str(), value->c_str(), 1);
        else
            unsetenv(m_name.c_str());
#endif
    }
    std::string m_name;
    std::optional<std::string> m_old;
};

// A registry of the test's own: on Windows HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE are
// redirected, for this process, to fresh keys under HKEY_CURRENT_USER; elsewhere the
// store is a file in a temporary directory. Either way it starts as a new system's
// does, with HKEY_CLASSES_ROOT\CLSID and nothing of ours.
class ScopedTestRegistry {
public:
    ScopedTestRegistry()
#if !ORVEL_WINDOWS
        : m_env("ORVEL_EE_REGISTRY", (m_dir.path() / "registry").string())
#endif
    {
#if ORVEL_WINDOWS
        static std::atomic<int> counter{0};
        // No parent key shared between test processes: one process deleting an emptied
        // parent while another creates below it fails the create with ERROR_KEY_DELETED.
        m_base = L"Software\\OrvelEETests_" + std::to_wstring(ProcessId()) + L"_" +
                 std::to_wstring(counter++);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_base.c_str());
        Redirect(HKEY_CLASSES_ROOT, L"\\HKCR");
        Redirect(HKEY_LOCAL_MACHINE, L"\\HKLM");
#endif
        HKEY classes = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, Wide("CLSID").c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &classes, nullptr),
                  ERROR_SUCCESS);
        if (classes) RegCloseKey(classes);
    }
    ~ScopedTestRegistry() {
#if ORVEL_WINDOWS
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_base.c_str());
#endif
    }
    ScopedTestRegistry(const ScopedTestRegistry&) = delete;
    ScopedTestRegistry& operator=(const ScopedTestRegistry&) = delete;

#if !ORVEL_WINDOWS
    // The store's file.
    fs::path file() const {
        return m_dir.path() / "registry";
    }
#endif

private:
#if ORVEL_WINDOWS
    void Redirect(HKEY root, const std::wstring& name) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (m_base + name).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(root, key), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    std::wstring m_base;
#else
    TempDir m_dir;
    ScopedEnv m_env;
#endif
};

inline bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Creates root\path (and its parents).
inline void CreateKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, Wide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS)
        << path;
    RegCloseKey(key);
}

// A REG_SZ value's text without its NUL; nullopt when the key or value is missing or
// of another type.
inline std::optional<std::basic_string<OLECHAR>> ReadText(HKEY root, const std::string& path,
                                                          const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    OLECHAR buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(OLECHAR);
    DWORD type = 0;
    const std::basic_string<OLECHAR> valueName = name ? Wide(name) : std::basic_string<OLECHAR>();
    const LONG rc = RegQueryValueExW(key, name ? valueName.c_str() : nullptr, nullptr, &type,
                                     reinterpret_cast<LPBYTE>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::basic_string<OLECHAR>(buffer);
}

inline void WriteText(HKEY root, const std::string& path, const char* name,
                      const std::basic_string<OLECHAR>& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, Wide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const std::basic_string<OLECHAR> valueName = name ? Wide(name) : std::basic_string<OLECHAR>();
    EXPECT_EQ(RegSetValueExW(key, name ? valueName.c_str() : nullptr, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(OLECHAR))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The built module, from ORVEL_MODULE_PATH; empty when the test run does not name it.
inline fs::path BuiltModulePath() {
    const char* path = std::getenv("ORVEL_MODULE_PATH");
    return path && *path ? fs::path(path) : fs::path();
}

#define ORVEL_REQUIRE_BUILT_MODULE()                                                               \
    do {                                                                                           \
        if (::orvel::test::BuiltModulePath().empty()) GTEST_SKIP() << "ORVEL_MODULE_PATH not set"; \
    } while (0)

// The same file name with its case folded and separators unified, for comparing paths
// the system may spell differently.
inline std::string ComparablePath(const fs::path& path) {
    std::string text = path.lexically_normal().generic_string();
#if ORVEL_WINDOWS
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
    return text;
}

inline std::string ComparablePath(const std::basic_string<OLECHAR>& path) {
#if ORVEL_WINDOWS
    return ComparablePath(fs::path(path));
#else
    return ComparablePath(fs::path(std::u16string(path)));
#endif
}

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using NoArgumentFn = HRESULT(STDAPICALLTYPE*)();
using RegisterUnderRootFn = HRESULT(STDAPICALLTYPE*)(LPCOLESTR);

// A module loaded by path, as a host loads it, and released at the end.
class LoadedModule {
public:
    explicit LoadedModule(const fs::path& path) {
#if ORVEL_WINDOWS
        m_handle = LoadLibraryW(path.wstring().c_str());
        if (!m_handle) m_error = "error " + std::to_string(GetLastError());
#else
        // Kept mapped after dlclose, as a COM host that never frees a module keeps it:
        // what the module holds for its lifetime stays reachable for leak checkers.
        m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!m_handle) m_error = dlerror();
#endif
    }
    ~LoadedModule() {
        if (!m_handle) return;
#if ORVEL_WINDOWS
        FreeLibrary(m_handle);
#else
        dlclose(m_handle);
#endif
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool loaded() const {
        return m_handle != nullptr;
    }
    const std::string& error() const {
        return m_error;
    }

    template <typename Fn> Fn entry(const char* name) const {
#if ORVEL_WINDOWS
        // Through void(*)(): the one cast between function types that is not a warning.
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m_handle, name)));
#else
        return reinterpret_cast<Fn>(dlsym(m_handle, name));
#endif
    }

    // The handle the module's own code knows itself by.
    HMODULE handle() const {
#if ORVEL_WINDOWS
        return m_handle;
#else
        return ModuleFromAddress(dlsym(m_handle, "DllGetClassObject"));
#endif
    }

private:
#if ORVEL_WINDOWS
    HMODULE m_handle = nullptr;
#else
    void* m_handle = nullptr;
#endif
    std::string m_error;
};

// The built module copied into dir under its own file name, so that loading the copy
// runs its load hook afresh and its own directory is dir.
inline fs::path CopyBuiltModule(const fs::path& dir) {
    const fs::path source = BuiltModulePath();
    const fs::path target = dir / source.filename();
    fs::create_directories(dir);
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    return target;
}

// The German satellite's texts: the ones tests/module/satellite-1031.rc builds into the
// Windows satellite, and the same in the text format elsewhere. Messages 3 and 4 are
// left out.
constexpr const char* kGermanEvaluatorName = "Orvel Ausdrucksauswerter";
constexpr const char* kGermanFalse = "falsch";
constexpr const char* kGermanIllegalOperands = "unzulässige Operandentypen für '%s'";
constexpr const char* kGermanDivideByZero = "Division durch Null";

// The satellite file name the module at modulePath looks for.
inline fs::path SatelliteNameFor(const fs::path& modulePath) {
    return modulePath.stem().string() + (ORVEL_WINDOWS ? "ui.dll" : "ui.msg");
}

// Puts the German satellite at file (made with its directories).
inline void InstallGermanSatellite(const fs::path& file) {
    fs::create_directories(file.parent_path());
#if ORVEL_WINDOWS
    fs::copy_file(BuiltModulePath().parent_path() / "orveldbg-test-satellite.dll", file,
                  fs::copy_options::overwrite_existing);
#else
    WriteFile(file, std::string("1\t") + kGermanEvaluatorName + "\n7\t" + kGermanFalse +
                        "\n8\twahr\n12\t" + kGermanIllegalOperands + "\n17\t" +
                        kGermanDivideByZero + "\n");
#endif
}

} // namespace orvel::test

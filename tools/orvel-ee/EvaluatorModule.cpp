#include "EvaluatorModule.h"

#include <cstdlib>

#include "HresultText.h"
#include "platform/Activation.h"
#include "platform/FileSystem.h"
#include "platform/Guid.h"
#include "platform/Utf8.h"
#include "platform/Win32Error.h"

#if !ORVEL_WINDOWS
#include <dlfcn.h>
#endif

// The module's file name, as the build names it (liborveldbg.so, orveldbg.dll).
#ifndef ORVEL_MODULE_FILE_NAME
#define ORVEL_MODULE_FILE_NAME "orveldbg"
#endif

namespace {

using orvel::ComPtr;
using orvel::PathString;
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

std::string Utf8Of(const PathString& path) {
    return orvel::Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(path.data()), path.size()));
}

PathString PathOf(const std::string& utf8) {
    const std::u16string units = orvel::Utf8ToUtf16(utf8);
    return PathString(units.begin(), units.end());
}

// The module file in the tool's own directory.
PathString ModuleBesideTool() {
    PathString tool;
    if (FAILED(orvel::GetModulePath(nullptr, &tool))) return PathString();
    const size_t slash = tool.find_last_of(PathString(ORVEL_WINDOWS ? OLESTR("\\/") : OLESTR("/")));
    if (slash == PathString::npos) return PathString();
    return tool.substr(0, slash + 1) + PathOf(ORVEL_MODULE_FILE_NAME);
}

// Loads the module and finds its DllGetClassObject; on failure *error says why.
GetClassObjectFn LoadClassObjectEntry(const PathString& path, std::string* error) {
#if ORVEL_WINDOWS
    // The altered search path finds the module's own dependencies beside it.
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        *error = "cannot load the evaluator module " + Utf8Of(path) + ": " +
                 HresultText(HRESULT_FROM_WIN32(GetLastError()));
        return nullptr;
    }
    // Through void(*)(): the one cast between function types that is not a warning.
    auto entry = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
#else
    void* module = dlopen(Utf8Of(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = dlerror();
        *error = "cannot load the evaluator module " + Utf8Of(path) + ": " +
                 (why ? why : "unknown reason");
        return nullptr;
    }
    auto entry = reinterpret_cast<GetClassObjectFn>(dlsym(module, "DllGetClassObject"));
#endif
    if (!entry) *error = "the evaluator module " + Utf8Of(path) + " has no DllGetClassObject";
    return entry;
}

std::string ClassText() {
    return orvel::GuidToString(CLSID_OrvelExpressionEvaluator);
}

} // namespace

EvaluatorModule::~EvaluatorModule() {
#if ORVEL_WINDOWS
    if (m_comInitialized) CoUninitialize();
#endif
}

void EvaluatorModule::TraceToStandardError() {
#if ORVEL_WINDOWS
    _putenv_s("ORVEL_EE_TRACE", "stderr");
#else
    setenv("ORVEL_EE_TRACE", "stderr", 1);
#endif
}

HRESULT EvaluatorModule::Activate(Activation how, ComPtr<IDebugExpressionEvaluator>* evaluator,
                                  std::string* error) {
    *evaluator = nullptr;
    const HRESULT hr = how == Activation::Registry ? ActivateRegistered(evaluator, error)
                                                   : ActivateBeside(evaluator, error);
    if (SUCCEEDED(hr) && !*evaluator) {
        *error = "the evaluator class " + ClassText() + " gave no evaluator";
        return E_UNEXPECTED;
    }
    return hr;
}

HRESULT EvaluatorModule::ActivateBeside(ComPtr<IDebugExpressionEvaluator>* evaluator,
                                        std::string* error) {
    // The module next to the tool is the one built with it; ORVEL_MODULE_PATH serves a
    // tool that was copied away from its module.
    PathString path = ModuleBesideTool();
    if (path.empty() || !orvel::FileExists(path)) {
        const char* variable = std::getenv("ORVEL_MODULE_PATH");
        if (!variable || !*variable) {
            *error = "no evaluator module: " +
                     (path.empty() ? std::string("the tool's directory is unknown")
                                   : Utf8Of(path) + " does not exist") +
                     " and ORVEL_MODULE_PATH is not set";
            return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        }
        path = PathOf(variable);
    }
    const GetClassObjectFn getClassObject = LoadClassObjectEntry(path, error);
    if (!getClassObject) return CO_E_ERRORINDLL;
    ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(CLSID_OrvelExpressionEvaluator, IID_IClassFactory,
                                reinterpret_cast<void**>(factory.put()));
    if (FAILED(hr) || !factory) {
        *error = "the evaluator module " + Utf8Of(path) +
                 " gave no class factory: " + HresultText(FAILED(hr) ? hr : E_UNEXPECTED);
        return FAILED(hr) ? hr : E_UNEXPECTED;
    }
    hr = factory->CreateInstance(nullptr, IID_IDebugExpressionEvaluator,
                                 reinterpret_cast<void**>(evaluator->put()));
    if (FAILED(hr))
        *error = "the evaluator module " + Utf8Of(path) +
                 " could not create an evaluator: " + HresultText(hr);
    return hr;
}

HRESULT EvaluatorModule::ActivateRegistered(ComPtr<IDebugExpressionEvaluator>* evaluator,
                                            std::string* error) {
#if ORVEL_WINDOWS
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) {
        *error = "cannot start COM: " + HresultText(hr);
        return hr;
    }
    m_comInitialized = true;
    hr =
        CoCreateInstance(CLSID_OrvelExpressionEvaluator, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IDebugExpressionEvaluator, reinterpret_cast<void**>(evaluator->put()));
#else
    const HRESULT hr =
        orvel::ActivateClass(CLSID_OrvelExpressionEvaluator, IID_IDebugExpressionEvaluator,
                             reinterpret_cast<void**>(evaluator->put()));
#endif
    if (hr == REGDB_E_CLASSNOTREG)
        *error = "the evaluator class " + ClassText() + " is not registered";
    else if (FAILED(hr))
        *error =
            "cannot create the registered evaluator class " + ClassText() + ": " + HresultText(hr);
    return hr;
}

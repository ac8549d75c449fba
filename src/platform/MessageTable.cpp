#include "platform/MessageTable.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <mutex>
#include <new>

#include "platform/Bstr.h"
#include "platform/SatelliteLocator.h"
#include "platform/Win32Error.h"

#if !ORVEL_WINDOWS
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "platform/Utf8.h"
#endif

namespace orvel {
namespace {

struct MessageRow {
    int number;
    const OLECHAR* builtIn;
};

constexpr MessageRow kMessages[] = {
    {kMsgEvaluatorName, OLESTR("Orvel Expression Evaluator")},
    {kMsgRegistryRoot, OLESTR("Software\\Microsoft\\VisualStudio\\7.1exp")},
    {kMsgEmpty, OLESTR("")},
    {kMsgUnknown, OLESTR("(unknown)")},
    {kMsgUnknownVariant, OLESTR("(unknown)")},
    {kMsgFalse, OLESTR("false")},
    {kMsgTrue, OLESTR("true")},
    {kMsgInvalidExpression, OLESTR("invalid expression (at '%s')")},
    {kMsgInvalidExpressionAt, OLESTR("invalid expression (at '%s')")},
    {kMsgAmbiguousUse, OLESTR("ambiguous use of '%s'")},
    {kMsgIllegalOperandTypes, OLESTR("illegal operand types for '%s'")},
    {kMsgIllegalOperandType, OLESTR("illegal operand type for '%s'")},
    {kMsgUnbalancedParenthesis, OLESTR("unbalanced parenthesis")},
    {kMsgExpectingHexNumber, OLESTR("expecting hexadecimal number (at '%s')")},
    {kMsgSymbolNotDefined, OLESTR("symbol '%s' is not defined")},
    {kMsgDivideByZero, OLESTR("divide by zero")},
};
static_assert(std::size(kMessages) == kMessageCount, "a row for every message number");

// Owned texts from the satellite, parallel to kMessages. Constant-initialised, so the
// module's load hook may fill it before any dynamic initialisation has run. Readers on
// any thread see a whole text or none; loading and freeing take g_loading. A text is
// freed only when the table is loaded again or the module unloads, never while the
// evaluator is in use.
std::atomic<BSTR> g_loaded[kMessageCount] = {};
std::mutex g_loading;

// A satellite string is at most this long, its NUL included.
constexpr int kMaxMessageLength = 260;

void ReportMissing(int number) {
#ifndef NDEBUG
    std::fprintf(stderr, "Orvel EE: assertion failed: satellite has no message %d\n", number);
#else
    (void)number;
#endif
}

#if ORVEL_WINDOWS

HRESULT LoadFromSatellite(const PathString& path) {
    HMODULE satellite = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!satellite) return HRESULT_FROM_WIN32(GetLastError());
    for (int row = 0; row < kMessageCount; ++row) {
        WCHAR text[kMaxMessageLength];
        const int length = LoadStringW(satellite, kMessages[row].number, text, kMaxMessageLength);
        if (length > 0)
            g_loaded[row].store(SysAllocStringLen(text, static_cast<UINT>(length)));
        else
            ReportMissing(kMessages[row].number);
    }
    FreeLibrary(satellite);
    return S_OK;
}

#else

// "\n", "\t" and "\\" stand for a line break, a tab and a backslash.
std::u16string UnescapeMessage(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                plain += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
                ++i;
                continue;
            }
        }
        plain += text[i];
    }
    return Utf8ToUtf16(plain);
}

// Number-tab-text lines; a line of any other shape is skipped, the first text of a
// number is kept.
void ParseMessageFile(std::istream& in, std::map<int, std::u16string>* texts) {
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        first = false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == 0 || tab == std::string::npos || tab > 9)
            continue;
        int number = 0;
        bool digits = true;
        for (size_t i = 0; i < tab; ++i) {
            if (line[i] < '0' || line[i] > '9')
                digits = false;
            else
                number = number * 10 + (line[i] - '0');
        }
        if (digits) texts->emplace(number, UnescapeMessage(line.substr(tab + 1)));
    }
}

HRESULT LoadFromSatellite(const PathString& path) {
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in) return HRESULT_FROM_WIN32(Win32ErrorFromErrno(errno));
    std::map<int, std::u16string> texts;
    ParseMessageFile(in, &texts);
    for (int row = 0; row < kMessageCount; ++row) {
        const auto found = texts.find(kMessages[row].number);
        // An empty string is no string, as with a string resource.
        if (found == texts.end() || found->second.empty()) {
            ReportMissing(kMessages[row].number);
            continue;
        }
        const std::u16string& text = found->second;
        const size_t length = std::min<size_t>(text.size(), kMaxMessageLength - 1);
        g_loaded[row].store(SysAllocStringLen(text.data(), static_cast<UINT>(length)));
    }
    return S_OK;
}

#endif

} // namespace

LPCOLESTR GetMessageText(int number) {
    for (int row = 0; row < kMessageCount; ++row) {
        if (kMessages[row].number != number) continue;
        const BSTR loaded = g_loaded[row].load();
        return loaded ? loaded : kMessages[row].builtIn;
    }
    return OLESTR("");
}

namespace {
void FreeLoaded() {
    for (std::atomic<BSTR>& text : g_loaded)
        SysFreeString(text.exchange(nullptr));
}
} // namespace

HRESULT LoadMessages(HMODULE module, const GUID& classId) {
    std::lock_guard<std::mutex> lock(g_loading);
    FreeLoaded();
    try {
        PathString path;
        const HRESULT hr = LocateSatellite(module, classId, &path);
        if (FAILED(hr)) return hr;
        return LoadFromSatellite(path);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

void FreeMessages() {
    std::lock_guard<std::mutex> lock(g_loading);
    FreeLoaded();
}

} // namespace orvel

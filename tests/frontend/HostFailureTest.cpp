// A host whose calls fail: for each step a debugger's windows take over the demo
// program, every call the step makes to the host is made to fail in turn. The step must
// come back, give back every object, and show the failure where it mattered.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "WatchSession.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostIds.h"
#include "model/LiveCounts.h"
#include "platform/ComObject.h"
#include "simhost/com/CallFaults.h"
#include "simhost/com/LiveObjects.h"

namespace {

using orvel::ComPtr;
using orvel::sim::CallFaults;
using orvel::test::Row;
using orvel::test::Scope;

// What a step shows, one line per answer: results of calls and the rows' texts.
using Step = std::function<std::string(const Scope&)>;

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(hr));
    return text;
}

ComPtr<IDebugProperty2> Evaluate(const Scope& scope, const char* text, std::string& out) {
    ComPtr<IDebugParsedExpression> parsed;
    BSTR error = nullptr;
    UINT at = 0;
    ComPtr<IDebugProperty2> result;
    const std::basic_string<OLECHAR> wide = orvel::test::Wide(text);
    HRESULT hr = scope.Evaluator->Parse(wide.c_str(), 0, 10, &error, &at, parsed.put());
    SysFreeString(error);
    if (hr == S_OK)
        hr = parsed->EvaluateSync(0, 0, scope.Provider.get(), scope.Stop.get(), scope.Binder.get(),
                                  nullptr, result.put());
    if (hr != S_OK) out += "evaluate " + Hex(hr) + "\n";
    return result;
}

void Info(IDebugProperty2* property, std::string& out) {
    if (!property) return;
    DEBUG_PROPERTY_INFO info{};
    const HRESULT hr = property->GetPropertyInfo(DEBUGPROP_INFO_ALL, 10, 0, nullptr, 0, &info);
    if (hr != S_OK) {
        out += "info " + Hex(hr) + "\n";
        return;
    }
    const Row row = orvel::test::TakeRow(info);
    out += row.FullName + "|" + row.Type + "|" + row.Value + "\n";
}

void Rows(IDebugProperty2* property, const GUID& filter, std::string& out) {
    if (!property) return;
    ComPtr<IEnumDebugPropertyInfo2> children;
    const HRESULT hr =
        property->EnumChildren(DEBUGPROP_INFO_ALL, 10, filter, 0, nullptr, 0, children.put());
    if (hr != S_OK) {
        out += "children " + Hex(hr) + "\n";
        return;
    }
    for (const Row& row : orvel::test::Drain(children.get()))
        out += row.FullName + "|" + row.Type + "|" + row.Value + "\n";
}

Step Watches(std::vector<const char*> texts) {
    return [texts](const Scope& scope) {
        std::string out;
        for (const char* text : texts)
            Info(Evaluate(scope, text, out).get(), out);
        return out;
    };
}

Step Expand(const char* text) {
    return [text](const Scope& scope) {
        std::string out;
        Rows(Evaluate(scope, text, out).get(), GUID{}, out);
        return out;
    };
}

Step View(const GUID& filter) {
    return [filter](const Scope& scope) {
        std::string out;
        ComPtr<IDebugProperty2> method;
        const HRESULT hr = scope.Evaluator->GetMethodProperty(
            scope.Provider.get(), scope.Stop.get(), scope.Binder.get(), FALSE, method.put());
        if (hr != S_OK) return "method " + Hex(hr) + "\n";
        Rows(method.get(), filter, out);
        return out;
    };
}

// Sets the argument N to the value it has, so that every run starts alike.
std::string EditN(const Scope& scope) {
    std::string out;
    ComPtr<IDebugProperty2> method;
    HRESULT hr = scope.Evaluator->GetMethodProperty(scope.Provider.get(), scope.Stop.get(),
                                                    scope.Binder.get(), FALSE, method.put());
    if (hr != S_OK) return "method " + Hex(hr) + "\n";
    ComPtr<IEnumDebugPropertyInfo2> children;
    hr =
        method->EnumChildren(DEBUGPROP_INFO_ALL, 10, guidFilterArgs, 0, nullptr, 0, children.put());
    if (hr != S_OK) return "children " + Hex(hr) + "\n";
    for (const Row& row : orvel::test::Drain(children.get()))
        if (row.Name == "N" && row.Property)
            out += "set " + Hex(row.Property->SetValueAsString(OLESTR("4 * 2"), 10, 0)) + "\n";
    Info(Evaluate(scope, "N", out).get(), out);
    return out;
}

// A line that shows a failure: a call's failure code, an error row (the evaluator's
// error rows have no type), or a text of its error messages.
bool ShowsFailure(const std::string& line) {
    if (line.find("||") != std::string::npos) return true;
    for (const char* mark : {"evaluate ", "info ", "children ", "method ", "set ", "rror",
                             "could not", "UNKNOWN", "Unknown", "Unspecified", "nvalid"})
        if (line.find(mark) != std::string::npos) return true;
    return false;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// Where the answers differ from those of a host that never failed, a failure shows: on
// each line that changed, or somewhere when the rows themselves differ.
bool FailureShowsWhereItMattered(const std::string& shown, const std::string& clean) {
    const std::vector<std::string> got = Lines(shown), want = Lines(clean);
    if (got.size() != want.size()) {
        for (const std::string& line : got)
            if (ShowsFailure(line)) return true;
        return false;
    }
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i] != want[i] && !ShowsFailure(got[i])) return false;
    return true;
}

class HostFailure : public orvel::test::WatchSession {
protected:
    // Runs the step once with the nth call failing (0: none); its lines, and how many
    // calls it made.
    std::string Run(const Step& step, uint64_t n, HRESULT result, uint64_t* calls) {
        CacheClear();
        std::string shown;
        {
            Scope scope = NewScope();
            CallFaults::FailNth(n, result);
            shown = step(scope);
            *calls = CallFaults::Calls();
            m_firedAt = CallFaults::FiredAt() ? CallFaults::FiredAt() : "";
            CallFaults::Disarm();
        }
        CacheClear();
        return shown;
    }
    std::string m_firedAt;
};

TEST_F(HostFailure, EveryFailingCallOfEveryStepIsSurvived) {
    Start("heat.json");
    orvel::test::LiveObjectCheck live;
    live.Take();

    const struct {
        const char* name;
        Step step;
    } steps[] = {
        {"watches", Watches({"N", "U(3) * 2", "TITLE", "MESH%NX", "NCELLS + NSTEPS", "CALLS",
                             "CURRENT%READING", "HOTTEST", "log"})},
        {"locals", View(guidFilterLocalsPlusArgs)},
        {"locals only", View(guidFilterLocals)},
        {"arguments", View(guidFilterArgs)},
        {"this", View(guidFilterThis)},
        {"array", Expand("U")},
        {"derived type", Expand("SENSOR")},
        {"pointer", Expand("CURRENT")},
        {"allocatable", Expand("WORK")},
        {"object", Expand("log")},
        {"edit", EditN},
    };
    // A different failure in turn, as hosts fail differently.
    const HRESULT results[] = {E_FAIL, E_OUTOFMEMORY, E_NOTIMPL, static_cast<HRESULT>(0x800706BA)};
    const bool kReportSilent = std::getenv("ORVEL_HOST_FAILURE_REPORT") != nullptr;
    uint64_t runs = 0, silent = 0;
    std::map<std::string, int> silentBy;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        uint64_t total = 0;
        const std::string clean = Run(s.step, 0, S_OK, &total);
        ASSERT_GT(total, 0u);
        for (uint64_t n = 1; n <= total; ++n) {
            SCOPED_TRACE("call " + std::to_string(n));
            const HRESULT result = results[n % std::size(results)];
            uint64_t calls = 0;
            const std::string shown = Run(s.step, n, result, &calls);
            ++runs;
            EXPECT_TRUE(calls >= n) << "the failing call never came";
            live.ExpectNoneLeft();
            // Not yet asserted: many runs still answer otherwise without showing why
            // (ORVEL_HOST_FAILURE_REPORT=1 stops at the first and shows it).
            if (shown != clean && !FailureShowsWhereItMattered(shown, clean)) ++silent;
            if (kReportSilent && shown != clean && !FailureShowsWhereItMattered(shown, clean)) {
                if (!silentBy[m_firedAt]++)
                    std::printf("a wrong answer without an error (%s failed, %s):\n%s\ninstead "
                                "of\n%s\n\n",
                                m_firedAt.c_str(), s.name, shown.c_str(), clean.c_str());
            }
            if (HasFailure()) return;
        }
    }
    for (const auto& [where, count] : silentBy)
        std::printf("%6d silent runs where %s failed\n", count, where.c_str());
    RecordProperty("runs", static_cast<int>(runs));
    RecordProperty("silent", static_cast<int>(silent));
}

} // namespace

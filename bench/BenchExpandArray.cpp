// Expanding a million-element array as a host does: evaluate the array's name through
// the evaluator's COM surface, ask for its children with every field, and read the
// rows in batches of 100, freeing each row's texts and releasing its property. The
// program is examples/big.json under the substitute host: BIG is REAL*8 (1000000) and
// IBIG is INTEGER*4 (1000,1000).
//
// Counters: rows per second (items_per_second); peak_rss_growth_kb, the most resident
// memory rose above where it stood before the expansion; late_rss_growth_kb, how much it
// rose between the first tenth of the rows and the last, which stays near zero unless
// delivered rows leave something behind. A run that delivers the wrong rows, leaves a
// property or Element alive, or grows with the rows delivered is reported as an error.
#include <benchmark/benchmark.h>

#ifdef ORVEL_EXAMPLES_DIR

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "model/LiveCounts.h"
#include "module/CEEFactory.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "simhost/com/SimHost.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace {

constexpr ULONG kBatch = 100;
constexpr ULONG kRows = 1000000;
// Rows may hold a little memory while they are read, never keep it: 4 MiB is far below
// what a leak of anything per row would show over 900,000 rows.
constexpr long kLateGrowthLimitKb = 4096;

// A field of /proc/self/status in kB, or -1 where there is none.
long StatusKb(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kb = -1;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            std::sscanf(line + length + 1, "%ld", &kb);
            break;
        }
    }
    std::fclose(status);
    return kb;
}

// Makes VmHWM restart from the current resident size; false where the kernel refuses.
bool ResetPeakRss() {
    std::FILE* refs = std::fopen("/proc/self/clear_refs", "w");
    if (!refs) return false;
    const bool written = std::fputs("5", refs) >= 0;
    return std::fclose(refs) == 0 && written;
}

class BigProgram {
public:
    bool Start(std::string& error) {
        orvel::sim::HostProgram program;
        if (!orvel::sim::LoadSnapshotFile(std::string(ORVEL_EXAMPLES_DIR) + "/big.json", &program,
                                          &error))
            return false;
        if (FAILED(orvel::sim::SimHost::Start(std::move(program), &m_host, &error))) return false;
        orvel::ComPtr<IClassFactory> factory;
        if (FAILED(m_host->GetSymbolProvider(m_provider.put())) ||
            FAILED(m_host->GetBinder(m_binder.put())) ||
            FAILED(m_host->GetStopAddress(m_stop.put())) ||
            FAILED(orvel::CEEFactory::Create(factory.put())) ||
            FAILED(factory->CreateInstance(nullptr, IID_IDebugExpressionEvaluator,
                                           reinterpret_cast<void**>(m_evaluator.put())))) {
            error = "the host or the evaluator could not be made";
            return false;
        }
        return true;
    }

    // The children of the watch text, every field requested; null when it fails.
    orvel::ComPtr<IEnumDebugPropertyInfo2> Expand(const OLECHAR* text) const {
        orvel::ComPtr<IEnumDebugPropertyInfo2> rows;
        orvel::ComPtr<IDebugParsedExpression> parsed;
        orvel::ComPtr<IDebugProperty2> result;
        BSTR error = nullptr;
        UINT at = 0;
        if (m_evaluator->Parse(text, 0, 10, &error, &at, parsed.put()) != S_OK) {
            SysFreeString(error);
            return rows;
        }
        if (parsed->EvaluateSync(0, 0, m_provider.get(), m_stop.get(), m_binder.get(), nullptr,
                                 result.put()) != S_OK ||
            !result)
            return rows;
        result->EnumChildren(DEBUGPROP_INFO_ALL, 10, GUID{}, 0, nullptr, 0, rows.put());
        return rows;
    }

    void Stop() {
        m_evaluator = nullptr;
        m_stop = nullptr;
        m_binder = nullptr;
        m_provider = nullptr;
        m_host.reset();
    }

private:
    std::unique_ptr<orvel::sim::SimHost> m_host;
    orvel::ComPtr<IDebugSymbolProvider> m_provider;
    orvel::ComPtr<IDebugBinder> m_binder;
    orvel::ComPtr<IDebugAddress> m_stop;
    orvel::ComPtr<IDebugExpressionEvaluator> m_evaluator;
};

// What the host keeps of a row: nothing. The last row's full name and value are kept
// so that the run can be checked against what the array holds.
void DropRow(DEBUG_PROPERTY_INFO& row, bool keep, std::string& fullName, std::string& value) {
    if (keep) {
        char narrow[64];
        orvel::WideToNarrow(row.bstrFullName, static_cast<int>(SysStringLen(row.bstrFullName)),
                            narrow, sizeof narrow);
        fullName = narrow;
        orvel::WideToNarrow(row.bstrValue, static_cast<int>(SysStringLen(row.bstrValue)), narrow,
                            sizeof narrow);
        value = narrow;
    }
    SysFreeString(row.bstrFullName);
    SysFreeString(row.bstrName);
    SysFreeString(row.bstrType);
    SysFreeString(row.bstrValue);
    if (row.pProperty) row.pProperty->Release();
    row = DEBUG_PROPERTY_INFO{};
}

void Run(benchmark::State& State, const OLECHAR* Watch, const char* LastName,
         const char* LastValue) {
    BigProgram program;
    std::string error;
    CacheClear();
    if (!program.Start(error)) {
        State.SkipWithError(error.c_str());
        return;
    }
    const long objectsBefore = orvel::ObjectCount().load();
    const int elementsBefore = orvel::model::LiveElements();
    DEBUG_PROPERTY_INFO batch[kBatch] = {};
    long peakGrowthKb = 0;
    long lateGrowthKb = 0;
    uint64_t delivered = 0;
    std::string lastName;
    std::string lastValue;
    for (auto _ : State) {
        orvel::ComPtr<IEnumDebugPropertyInfo2> rows = program.Expand(Watch);
        if (!rows) {
            State.SkipWithError("the array could not be expanded");
            break;
        }
        const bool peakKnown = ResetPeakRss();
        const long startKb = StatusKb("VmRSS");
        long tenthKb = startKb;
        ULONG seen = 0;
        for (;;) {
            ULONG fetched = 0;
            if (rows->Next(kBatch, batch, &fetched) != S_OK || fetched == 0) break;
            for (ULONG i = 0; i < fetched; ++i)
                DropRow(batch[i], seen + i + 1 == kRows, lastName, lastValue);
            seen += fetched;
            if (seen == kRows / 10) tenthKb = StatusKb("VmRSS");
            if (fetched < kBatch) break;
        }
        const long endKb = StatusKb("VmRSS");
        const long peakKb = peakKnown ? StatusKb("VmHWM") : endKb;
        peakGrowthKb = std::max(peakGrowthKb, std::max(peakKb, endKb) - startKb);
        lateGrowthKb = std::max(lateGrowthKb, endKb - tenthKb);
        delivered += seen;
        if (seen != kRows || lastName != LastName || lastValue != LastValue) {
            State.SkipWithError(("unexpected rows: " + std::to_string(seen) + ", last " + lastName +
                                 " = " + lastValue)
                                    .c_str());
            break;
        }
    }
    State.SetItemsProcessed(static_cast<int64_t>(delivered));
    State.counters["peak_rss_growth_kb"] = static_cast<double>(peakGrowthKb);
    State.counters["late_rss_growth_kb"] = static_cast<double>(lateGrowthKb);
    if (lateGrowthKb > kLateGrowthLimitKb)
        State.SkipWithError("memory grew with the rows already delivered");
    if (orvel::ObjectCount().load() != objectsBefore ||
        orvel::model::LiveElements() != elementsBefore)
        State.SkipWithError("a row's property or Element was not destroyed");
    program.Stop();
    CacheClear();
}

void BM_ExpandReal8Million(benchmark::State& State) {
    Run(State, OLESTR("BIG"), "BIG(1000000)", "499999.5");
}

void BM_ExpandInteger4Million(benchmark::State& State) {
    Run(State, OLESTR("IBIG"), "IBIG(1000,1000)", "1000000");
}

} // namespace

BENCHMARK(BM_ExpandReal8Million)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExpandInteger4Million)->Unit(benchmark::kMillisecond)->UseRealTime();

#endif // ORVEL_EXAMPLES_DIR

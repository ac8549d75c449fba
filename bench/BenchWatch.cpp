// Throughput of watch expressions against a stopped program: the demonstration snapshot
// served by the substitute host, with `FLUX(2,0) * 2 + N` (a local array element and an
// integer argument). Cold: the module-wide cache is cleared and the routine's scope made
// again for every evaluation, so the debug information, the static table and the
// debuggee process are found again. Warm: the scope is made per evaluation, as the
// engine does, over a filled cache. Reused: one scope for every evaluation.
#include <benchmark/benchmark.h>

#ifdef ORVEL_EXAMPLES_DIR

#include <memory>
#include <string>

#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "language/FortranEvaluator.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "platform/Bstr.h"
#include "simhost/com/SimHost.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace {

constexpr const char* kWatch = "FLUX(2,0) * 2 + N";

class StoppedProgram {
public:
    bool Start(std::string& error) {
        orvel::sim::HostProgram program;
        if (!orvel::sim::LoadSnapshotFile(std::string(ORVEL_EXAMPLES_DIR) + "/heat.json", &program,
                                          &error))
            return false;
        if (FAILED(orvel::sim::SimHost::Start(std::move(program), &m_host, &error))) return false;
        if (FAILED(m_host->GetSymbolProvider(m_provider.put())) ||
            FAILED(m_host->GetBinder(m_binder.put())) ||
            FAILED(m_host->GetStopAddress(m_stop.put())) ||
            FAILED(m_provider->GetContainerField(m_stop.get(), m_method.put()))) {
            error = "the host gave no stop routine";
            return false;
        }
        FIELD_INFO info{};
        if (FAILED(m_method->GetInfo(FIF_NAME, &info))) return false;
        m_name.Reset(info.bstrName);
        return true;
    }

    // The stop routine's scope Element, with one reference for the caller.
    Element* MakeScope() const {
        orvel::ComPtr<ExpressionContext> cxt = orvel::ComPtr<ExpressionContext>::Adopt(
            ExpressionContext::Create(m_provider.get(), m_binder.get(), m_stop.get(), nullptr));
        return new Element(m_method.get(), cxt.get(), m_name.get(), nullptr, nullptr);
    }

    void Stop() {
        m_method = nullptr;
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
    orvel::ComPtr<IDebugContainerField> m_method;
    orvel::BstrHolder m_name;
};

enum class Mode { Cold, Warm, Reused };

void Run(benchmark::State& State, Mode How) {
    StoppedProgram program;
    std::string error;
    CacheClear();
    if (!program.Start(error)) {
        State.SkipWithError(error.c_str());
        return;
    }
    Element* reused = How == Mode::Reused ? program.MakeScope() : nullptr;
    for (auto _ : State) {
        if (How == Mode::Cold) CacheClear();
        Element* scope = reused ? reused : program.MakeScope();
        {
            FortranEvaluator engine(kWatch, scope);
            engine.Evaluate();
            benchmark::DoNotOptimize(engine.GetResult());
            if (engine.HasError()) State.SkipWithError("the watch expression failed");
        }
        if (!reused) scope->Release();
    }
    State.SetItemsProcessed(State.iterations());
    if (reused) reused->Release();
    program.Stop();
    CacheClear();
}

void BM_WatchCold(benchmark::State& State) {
    Run(State, Mode::Cold);
}
void BM_WatchWarm(benchmark::State& State) {
    Run(State, Mode::Warm);
}
void BM_WatchReusedScope(benchmark::State& State) {
    Run(State, Mode::Reused);
}

} // namespace

BENCHMARK(BM_WatchCold);
BENCHMARK(BM_WatchWarm);
BENCHMARK(BM_WatchReusedScope);

#endif // ORVEL_EXAMPLES_DIR

// Throughput of the expression engine over typical watch expressions: the syntax check
// that every typed text goes through, and full evaluation of constant expressions with
// an empty Element as the scope (names then fail at once, which costs no lookup).
#include <benchmark/benchmark.h>

#include <iterator>

#include "language/FortranEvaluator.h"
#include "model/Element.h"

namespace {

const char* const kWatchTexts[] = {
    "I + 1",        "A(3,4)",       "X .GT. 2.5 .AND. N /= 0",
    "S%FIELD",      "'text'",       "(1 + 2) * 3 - 4 / 5",
    "0x7FFF & 255", "1.5E10 * 2.0",
};

const char* const kConstantTexts[] = {
    "(1 + 2) * 3 - 4 / 5", "0x7FFF & 255",  "1.5E10 * 2.0", "'text'",
    "7 / 2 .EQ. 3",        "-8 >> 1 | 017", "2 + 3.5",      ".NOT. 0 .OR. 1 .AND. 0",
};

void Run(benchmark::State& State, const char* const* Texts, size_t Count, bool WithScope) {
    Element* Scope = WithScope ? new Element() : nullptr;
    size_t Next = 0;
    for (auto _ : State) {
        FortranEvaluator Engine(Texts[Next], Scope);
        Engine.Evaluate();
        benchmark::DoNotOptimize(Engine.GetError());
        benchmark::DoNotOptimize(Engine.GetResult());
        if (++Next == Count) Next = 0;
    }
    State.SetItemsProcessed(State.iterations());
    if (Scope) Scope->Release();
}

void BM_SyntaxCheck(benchmark::State& State) {
    Run(State, kWatchTexts, std::size(kWatchTexts), false);
}

void BM_EvaluateWatchTexts(benchmark::State& State) {
    Run(State, kWatchTexts, std::size(kWatchTexts), true);
}

void BM_EvaluateConstants(benchmark::State& State) {
    Run(State, kConstantTexts, std::size(kConstantTexts), true);
}

} // namespace

BENCHMARK(BM_SyntaxCheck);
BENCHMARK(BM_EvaluateWatchTexts);
BENCHMARK(BM_EvaluateConstants);

// Evaluators on several threads at once over one program: each thread has its own
// evaluator and host objects, and every answer is the one a lone evaluator gives.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "WatchSession.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostIds.h"

namespace {

using orvel::ComPtr;
using orvel::test::Row;
using orvel::test::Scope;

// One round of what a debugger's windows ask, as texts: watches, expansions of each
// kind of row, and the locals view.
std::string Round(const Scope& scope) {
    std::string out;
    auto evaluate = [&](const char* text) {
        ComPtr<IDebugParsedExpression> parsed;
        BSTR error = nullptr;
        UINT at = 0;
        ComPtr<IDebugProperty2> result;
        const std::basic_string<OLECHAR> wide = orvel::test::Wide(text);
        if (scope.Evaluator->Parse(wide.c_str(), 0, 10, &error, &at, parsed.put()) == S_OK)
            parsed->EvaluateSync(0, 0, scope.Provider.get(), scope.Stop.get(), scope.Binder.get(),
                                 nullptr, result.put());
        SysFreeString(error);
        return result;
    };
    auto rows = [&](IDebugProperty2* property, const GUID& filter) {
        ComPtr<IEnumDebugPropertyInfo2> children;
        if (property && property->EnumChildren(DEBUGPROP_INFO_ALL, 10, filter, 0, nullptr, 0,
                                               children.put()) == S_OK)
            for (const Row& row : orvel::test::Drain(children.get()))
                out += row.FullName + "|" + row.Type + "|" + row.Value + "\n";
    };
    for (const char* text : {"N", "U(3) * 2", "TITLE", "MESH%NX", "NCELLS + NSTEPS", "CALLS",
                             "SENSOR%POS(1)", "CURRENT%READING", "HOTTEST", "log", "STEP"}) {
        ComPtr<IDebugProperty2> property = evaluate(text);
        DEBUG_PROPERTY_INFO info{};
        if (property &&
            property->GetPropertyInfo(DEBUGPROP_INFO_ALL, 10, 0, nullptr, 0, &info) == S_OK)
            out += orvel::test::TakeRow(info).Value + "\n";
    }
    for (const char* text : {"U", "MESH", "SENSOR", "FLUX", "log", "WORK"})
        rows(evaluate(text).get(), GUID{});
    ComPtr<IDebugProperty2> method;
    if (scope.Evaluator->GetMethodProperty(scope.Provider.get(), scope.Stop.get(),
                                           scope.Binder.get(), FALSE, method.put()) == S_OK) {
        rows(method.get(), guidFilterLocalsPlusArgs);
        rows(method.get(), guidFilterArgs);
    }
    return out;
}

class ThreadedEvaluation : public orvel::test::WatchSession {};

TEST_F(ThreadedEvaluation, FourEvaluatorsAtOnceAnswerAsOneAlone) {
    Start("heat.json");
    const std::string expected = Round(NewScope());
    ASSERT_GT(expected.size(), 500u);
    // From a cold store, so that the threads race for the first reads as well.
    CacheClear();

    constexpr int kThreads = 4;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    std::vector<Scope> scopes;
    for (int i = 0; i < kThreads; ++i)
        scopes.push_back(NewScope());
    std::atomic<int> rounds{0}, wrong{0};
    std::vector<std::string> firstWrong(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            do {
                const std::string got = Round(scopes[i]);
                ++rounds;
                if (got != expected && wrong++ == 0) firstWrong[i] = got;
            } while (std::chrono::steady_clock::now() < until);
        });
    for (std::thread& t : threads)
        t.join();
    scopes.clear();
    EXPECT_EQ(wrong.load(), 0) << "of " << rounds.load() << " rounds";
    for (const std::string& got : firstWrong)
        if (!got.empty()) {
            EXPECT_EQ(expected, got);
        }
}

} // namespace

#include "simhost/com/CallFaults.h"

#include <atomic>

#include "platform/ProcessMemory.h"

namespace orvel::sim {

namespace {
std::atomic<bool> g_armed{false};
std::atomic<uint64_t> g_calls{0};
std::atomic<uint64_t> g_failAt{0};
std::atomic<HRESULT> g_result{E_FAIL};
std::atomic<const char*> g_firedAt{nullptr};

bool MemoryFails() {
    return FAILED(CallFaults::Take("debuggee memory"));
}
} // namespace

void CallFaults::FailNth(uint64_t n, HRESULT result) {
    g_calls = 0;
    g_failAt = n;
    g_result = result;
    g_firedAt = nullptr;
    g_armed = true;
    orvel::SetDebuggeeFaultHook(&MemoryFails);
}

void CallFaults::Disarm() {
    g_armed = false;
    orvel::SetDebuggeeFaultHook(nullptr);
}

uint64_t CallFaults::Calls() {
    return g_calls.load();
}

bool CallFaults::Fired() {
    const uint64_t at = g_failAt.load();
    return at != 0 && g_calls.load() >= at;
}

const char* CallFaults::FiredAt() {
    return g_firedAt.load();
}

HRESULT CallFaults::Take(const char* where) {
    if (!g_armed.load(std::memory_order_relaxed)) return S_OK;
    const uint64_t call = ++g_calls;
    if (call != g_failAt.load()) return S_OK;
    g_firedAt = where;
    return g_result.load();
}

} // namespace orvel::sim

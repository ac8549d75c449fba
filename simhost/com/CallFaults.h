// Makes one call into the substitute host fail, for tests that walk every call a
// scenario makes: the Nth call counted after arming gives the chosen result instead of
// its answer. Every COM method of the host counts, after its argument checks (so that
// out-values are cleared as on any failure), and so does every read or write of the
// debuggee's memory by the evaluator. Disarmed, nothing is counted.
#pragma once

#include <cstdint>

#include "platform/PlatformTypes.h"

namespace orvel::sim {

class CallFaults {
public:
    // Counts calls from now on; the nth (1-based) fails with result. n = 0 only counts.
    static void FailNth(uint64_t n, HRESULT result);
    // Stops counting and failing.
    static void Disarm();
    // Calls counted since arming.
    static uint64_t Calls();
    // Whether the failing call has come.
    static bool Fired();
    // The method that failed (its full signature, or "debuggee memory" for a read or
    // write of the debuggee), or null before the failure.
    static const char* FiredAt();
    // S_OK, or the result the current call, made in the method where, must give.
    static HRESULT Take(const char* where);
};

} // namespace orvel::sim

// At the top of a host method, after its argument checks.
#define ORVEL_SIM_FAULT_POINT()                                                                    \
    do {                                                                                           \
        const HRESULT injected_ = ::orvel::sim::CallFaults::Take(__PRETTY_FUNCTION__);             \
        if (FAILED(injected_)) return injected_;                                                   \
    } while (0)

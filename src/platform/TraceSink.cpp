#include "platform/TraceSink.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

struct TraceState {
    std::mutex mutex;
    orvel::TraceListener listener;
    bool environmentRead = false;
};

TraceState& State() {
    // Never destroyed, so that tracing from other static destructors stays safe. It lives
    // in static storage rather than on the heap: when the module is unloaded its storage
    // goes with it, instead of leaving an unreachable heap block behind.
    alignas(TraceState) static unsigned char storage[sizeof(TraceState)];
    static TraceState* state = new (storage) TraceState;
    return *state;
}

// Set while this thread runs the listener: text traced from inside it is dropped.
thread_local bool t_inListener = false;

// Called with the lock held, once.
void ReadEnvironment(TraceState& state) {
    state.environmentRead = true;
    const char* target = std::getenv("ORVEL_EE_TRACE");
    if (!target || !*target) return;
    std::FILE* out = std::strcmp(target, "stderr") == 0 ? stderr : std::fopen(target, "a");
    // The file stays open for the life of the process.
    if (!out) return;
    state.listener = [out](const char* text) {
        std::fputs(text, out);
        std::fflush(out);
    };
}

void Deliver(const char* text) {
    if (!text || t_inListener) return;
    TraceState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.environmentRead) ReadEnvironment(state);
    if (!state.listener) return;
    t_inListener = true;
    try {
        state.listener(text);
    } catch (...) {
        // A failing listener must not take the traced code down with it.
    }
    t_inListener = false;
}

} // namespace

#if !ORVEL_WINDOWS
void OutputDebugStringA(LPCSTR text) {
    Deliver(text);
}
#endif

namespace orvel {

TraceListener SetTraceListener(TraceListener listener) {
    TraceState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    // Read it now, so that a listener set by a test is not replaced by it later.
    if (!state.environmentRead) ReadEnvironment(state);
    TraceListener previous = std::move(state.listener);
    state.listener = std::move(listener);
    return previous;
}

void TraceOutput(const char* text) {
    if (!text) return;
#if ORVEL_WINDOWS
    Deliver(text);
    ::OutputDebugStringA(text);
#else
    ::OutputDebugStringA(text);
#endif
}

ScopedTraceCapture::ScopedTraceCapture() {
    m_previous = SetTraceListener([this](const char* text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.emplace_back(text);
    });
}

ScopedTraceCapture::~ScopedTraceCapture() {
    SetTraceListener(std::move(m_previous));
}

std::vector<std::string> ScopedTraceCapture::Lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

} // namespace orvel

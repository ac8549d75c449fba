// Diagnostic trace text.
//
// Product code calls orvel::TraceOutput. Where the text goes:
// - Windows: always to the real OutputDebugStringA (a debugger or DebugView shows it),
//   and also to the listener when one is set.
// - Elsewhere: OutputDebugStringA is ours, a process-wide sink that hands the text to
//   the listener and otherwise drops it, as Windows does with no debugger attached.
//
// A listener is set by a test (SetTraceListener or ScopedTraceCapture) or, at the
// first trace, from the environment: ORVEL_EE_TRACE=stderr writes to standard error,
// any other value names a file that the text is appended to.
//
// Calls are serialised by one lock, so a listener sees one message at a time and is
// never called after it has been replaced. Trace text written from inside a listener
// is dropped rather than deadlocking.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"

#if !ORVEL_WINDOWS
void OutputDebugStringA(LPCSTR text);
#endif

namespace orvel {

using TraceListener = std::function<void(const char*)>;

// Installs listener (an empty one removes it) and returns the previous one.
TraceListener SetTraceListener(TraceListener listener);

// Sends text to the trace; a null text is ignored.
void TraceOutput(const char* text);

// Collects every message traced while it lives, each as it was given (one entry per
// call), and puts the previous listener back on destruction. Not nestable across
// threads: meant for one test at a time.
class ScopedTraceCapture {
public:
    ScopedTraceCapture();
    ~ScopedTraceCapture();
    ScopedTraceCapture(const ScopedTraceCapture&) = delete;
    ScopedTraceCapture& operator=(const ScopedTraceCapture&) = delete;

    std::vector<std::string> Lines() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    TraceListener m_previous;
};

} // namespace orvel

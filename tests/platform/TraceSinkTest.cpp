#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/TraceSink.h"

namespace {

using Lines = std::vector<std::string>;

// Clears whatever listener is set (ORVEL_EE_TRACE's included) for one test.
class TraceSinkTest : public ::testing::Test {
protected:
    void SetUp() override { m_saved = orvel::SetTraceListener({}); }
    void TearDown() override { orvel::SetTraceListener(std::move(m_saved)); }

private:
    orvel::TraceListener m_saved;
};

TEST_F(TraceSinkTest, CaptureReceivesEachMessageVerbatim) {
    orvel::ScopedTraceCapture capture;
    orvel::TraceOutput("first\n");
    orvel::TraceOutput("");
    orvel::TraceOutput("no newline");
    orvel::TraceOutput(nullptr);
    EXPECT_EQ((Lines{"first\n", "", "no newline"}), capture.Lines());
}

#if !ORVEL_WINDOWS
// Elsewhere OutputDebugStringA is our sink; on Windows it is the system's.
TEST_F(TraceSinkTest, OutputDebugStringReachesTheListener) {
    orvel::ScopedTraceCapture capture;
    OutputDebugStringA("direct");
    EXPECT_EQ((Lines{"direct"}), capture.Lines());
}
#endif

TEST_F(TraceSinkTest, WithoutListenerTextIsDropped) {
    orvel::TraceOutput("nobody hears this");
    orvel::ScopedTraceCapture capture;
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(TraceSinkTest, CaptureRestoresPreviousListener) {
    Lines outer;
    EXPECT_FALSE(orvel::SetTraceListener([&outer](const char* text) { outer.emplace_back(text); }));
    {
        orvel::ScopedTraceCapture capture;
        orvel::TraceOutput("inner");
        EXPECT_EQ((Lines{"inner"}), capture.Lines());
    }
    orvel::TraceOutput("outer");
    EXPECT_EQ((Lines{"outer"}), outer);
    EXPECT_TRUE(orvel::SetTraceListener({})) << "the listener set above comes back";
}

TEST_F(TraceSinkTest, TracingFromInsideListenerDoesNotDeadlock) {
    Lines seen;
    orvel::SetTraceListener([&seen](const char* text) {
        seen.emplace_back(text);
        orvel::TraceOutput("nested");
    });
    orvel::TraceOutput("outer");
    orvel::SetTraceListener({});
    EXPECT_EQ((Lines{"outer"}), seen);
}

TEST_F(TraceSinkTest, ThrowingListenerDoesNotEscape) {
    orvel::SetTraceListener([](const char*) { throw 1; });
    EXPECT_NO_THROW(orvel::TraceOutput("boom"));
    orvel::SetTraceListener({});
}

TEST_F(TraceSinkTest, ConcurrentTracesAllArrive) {
    constexpr int kThreads = 4;
    constexpr int kEach = 200;
    orvel::ScopedTraceCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < kEach; ++i)
                orvel::TraceOutput("tick");
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(static_cast<size_t>(kThreads * kEach), capture.Lines().size());
}

} // namespace

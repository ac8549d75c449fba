// The trace log's lines: prefix, formatting, wide strings and the length limit.
#include "platform/Trace.h"
#include "platform/PlatformTypes.h"
#include "platform/TraceSink.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct TraceCase {
    const char* name;
    std::function<void()> trace;
    std::string text;
};

class TraceFormatTest : public ::testing::TestWithParam<TraceCase> {};

TEST_P(TraceFormatTest, SendsPrefixTextAndLineBreak) {
    orvel::ScopedTraceCapture capture;
    GetParam().trace();
    EXPECT_EQ(capture.Lines(), (std::vector<std::string>{"Orvel EE: ", GetParam().text, "\n"}));
}

const OLECHAR kExpression[] = OLESTR("A(1) + B%C");

const TraceCase kTraceCases[] = {
    {"Plain", [] { orvel::Trace("load dll"); }, "load dll"},
    {"Address", [] { orvel::Trace("create CEEFactory: 0x%x", 0x7fe0a10u); },
     "create CEEFactory: 0x7fe0a10"},
    {"WideString", [] { orvel::Trace("ExprEval::Parse %S", kExpression); },
     "ExprEval::Parse A(1) + B%C"},
    {"TwoWideStrings",
     [] {
         orvel::Trace("CParsedExpression::EvaluateSync: '%S', bstrResultType: '%S'", kExpression,
                      OLESTR(""));
     },
     "CParsedExpression::EvaluateSync: 'A(1) + B%C', bstrResultType: ''"},
    {"LongWideForm", [] { orvel::Trace("[%ls]", kExpression); }, "[A(1) + B%C]"},
    {"NullWideString", [] { orvel::Trace("'%S'", static_cast<const OLECHAR*>(nullptr)); },
     "'(null)'"},
    {"WideStringWidthAndPrecision", [] { orvel::Trace("[%6.3S]", kExpression); }, "[   A(1]"},
    {"NarrowString", [] { orvel::Trace("GetMethodLocationProperty '%s'", "MAIN"); },
     "GetMethodLocationProperty 'MAIN'"},
    {"NullNarrowString", [] { orvel::Trace("%s", static_cast<const char*>(nullptr)); }, "(null)"},
    {"Integers",
     [] { orvel::Trace("%d %i %u %ld %lld %zu", -1, 42, 7u, -5L, -6000000000LL, size_t(9)); },
     "-1 42 7 -5 -6000000000 9"},
    {"FlagsAndWidths", [] { orvel::Trace("[%-4d|%04X|%+d|%#o]", 7, 0xab, 3, 8); },
     "[7   |00AB|+3|010]"},
    {"StarWidthAndPrecision", [] { orvel::Trace("[%*d|%.*s]", 5, 42, 2, "abcdef"); }, "[   42|ab]"},
    {"CharacterAndPercent", [] { orvel::Trace("%c%% done", 'x'); }, "x% done"},
    {"Floating", [] { orvel::Trace("%.2f %g", 3.14159, 0.5); }, "3.14 0.5"},
    {"UnknownConversionStays", [] { orvel::Trace("odd %y here"); }, "odd %y here"},
    {"TrailingPercent", [] { orvel::Trace("100%"); }, "100%"},
    {"LongArgumentIsCut", [] { orvel::Trace("%s", std::string(2000, 'x').c_str()); },
     std::string(1023, 'x')},
    {"LongFormatIsCut", [] { orvel::Trace(std::string(1500, 'y').c_str()); },
     std::string(1023, 'y')},
    {"CutAfterPrefix", [] { orvel::Trace("%s%d", std::string(1020, 'z').c_str(), 123456); },
     std::string(1020, 'z') + "123"},
};

INSTANTIATE_TEST_SUITE_P(Formats, TraceFormatTest, ::testing::ValuesIn(kTraceCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Trace, CountConversionWritesNothing) {
    orvel::ScopedTraceCapture capture;
    int count = -1;
    orvel::Trace("abc%n", &count);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(capture.Lines()[1], "abc");
}

TEST(Trace, NullFormatTracesNothing) {
    orvel::ScopedTraceCapture capture;
    orvel::Trace(nullptr);
    EXPECT_TRUE(capture.Lines().empty());
}

} // namespace

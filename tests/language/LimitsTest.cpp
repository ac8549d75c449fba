// Texts at and beyond the engine's limits: 20 bracket levels, 255-character tokens and
// 511-character texts. Beyond a limit the text is refused with a syntax error.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EvaluatorTestSupport.h"

using orvel::test::Checked;
using orvel::test::Evaluated;

namespace {

std::string Nested(int Levels) {
    return std::string(Levels, '(') + "1" + std::string(Levels, ')');
}

std::string Subscripted(int Levels) { // A(A(...A(1)...))
    std::string Text;
    for (int i = 0; i < Levels; ++i)
        Text += "A(";
    return Text + "1" + std::string(Levels, ')');
}

std::string Sum(int Length) { // "1+1+...+1" of the given odd length
    std::string Text = "1";
    while (static_cast<int>(Text.size()) + 2 <= Length)
        Text += "+1";
    return Text;
}

struct LimitCase {
    const char* What;
    std::string Text;
    int Error;      // with an empty scope
    int CheckError; // syntax check
};

std::vector<LimitCase> Cases() {
    return {
        {"20 levels", Nested(20), 0, 0},
        {"21 levels", Nested(21), 4, 4},
        {"20 subscript levels", Subscripted(20), 11, 0},
        {"21 subscript levels", Subscripted(21), 4, 4},
        {"21 intrinsic levels",
         [] {
             std::string t;
             for (int i = 0; i < 21; ++i)
                 t += "leng(";
             return t;
         }(),
         4, 4},
        {"255-character name", std::string(255, 'N'), 11, 0},
        {"256-character name", std::string(256, 'N'), 4, 4},
        {"255-character string", "'" + std::string(255, 's') + "'", 0, 0},
        {"256-character string", "'" + std::string(256, 's') + "'", 4, 4},
        {"254 doubled quotes", "'" + std::string(508, '\'') + "'", 0, 0},
        {"255 digits", std::string(255, '1'), 0, 0},
        {"256 digits", std::string(256, '1'), 4, 4},
        {"256 octal digits", "0" + std::string(256, '7'), 4, 4},
        {"256 hex digits", "0x" + std::string(256, 'F'), 4, 4},
        {"real of 256 characters", std::string(200, '1') + "." + std::string(55, '2'), 4, 4},
        {"real of 255 characters", std::string(200, '1') + "." + std::string(54, '2'), 0, 0},
        {"exponent past 255 characters", std::string(250, '1') + ".5E+123", 4, 4},
        {"511-character text", Sum(511), 0, 0},
        {"512-character text", Sum(511) + " ", 4, 4},
        {"600-character text", Sum(599), 4, 4},
        {"huge text", std::string(100000, '('), 4, 4},
        {"many prefix operators", std::string(400, '-') + "1", 0, 0},
        {"many operands", std::string(250, '1') + std::string(250, ' '), 0, 0},
    };
}

TEST(Limits, BeyondALimitIsASyntaxErrorAndNothingBreaks) {
    for (const LimitCase& c : Cases()) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(c.Error, Evaluated(c.Text.c_str()).Error);
        EXPECT_EQ(c.CheckError, Checked(c.Text.c_str()).Error);
    }
}

TEST(Limits, LongestStringKeepsEveryCharacter) {
    const auto Out = Evaluated(("'" + std::string(255, 's') + "'").c_str());
    ASSERT_EQ(0, Out.Error);
    EXPECT_EQ(string, Out.Kind);
    EXPECT_EQ(255, Out.Size);
}

TEST(Limits, LongestDigitRunIsAReal8) {
    const auto Out = Evaluated(std::string(255, '9').c_str());
    ASSERT_EQ(0, Out.Error);
    EXPECT_EQ(real_8, Out.Kind);
    EXPECT_EQ("1e+255", Out.Shown);
}

} // namespace

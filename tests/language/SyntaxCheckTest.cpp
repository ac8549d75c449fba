// The syntax check: the same pass without a scope. No name is looked up, and the check
// ends without an error at the first subscript bracket or comma.
#include <gtest/gtest.h>

#include "EvaluatorTestSupport.h"

using orvel::test::Checked;

namespace {

struct CheckCase {
    const char* Text;
    int Error;
};

const CheckCase kChecks[] = {
    {"A", 0},
    {"NOSUCH + 1", 0},
    {"A + B * C", 0},
    {"S%X", 0},
    {"S.X", 0},
    {"P -> X", 0},
    {"-A", 0},
    {"A - - B", 0},
    {".NOT. A .AND. B", 0},
    {"*P", 0},
    {"&X", 0},
    {"leng(S)", 0},
    {"1 + leng(S)", 0},
    {"loc(X)", 0},
    {"X = 5", 0},
    {"I + 1", 0},
    {"X .GT. 2.5 .AND. N .NE. 0", 0},
    // The check ends at the first subscript's closing bracket or at the first comma.
    {"A(1) + + +", 0},
    {"A(1,2)", 0},
    {"A[1] * )", 0},
    {"A, )))", 0},
    {"A(I + 1, J) .EQ. B(2)", 0},
    {"(1 + 2, ))", 0},
    // What comes before still counts.
    {"", 4},
    {"A B", 4},
    {"2 ** 3 **", 4},
    {"A .NOT. B", 4},
    {"A # B", 4},
    {"A + * )", 6},
    {"A)", 6},
    {"(A", 18},
    {"leng(S", 18},
    {"0x", 5},
    {"A(", 18},
    {"A(1 +", 18},
    {"A .AND. (B", 4},
    // "/=" is the Fortran "not equal"; "/ =" is a divide ended by a lone "=".
    {"N /= 0", 0},
    {"N / = 0", 4},
};

TEST(SyntaxCheck, OutcomeOfEachText) {
    for (const CheckCase& c : kChecks) {
        SCOPED_TRACE(c.Text);
        const auto Out = Checked(c.Text);
        EXPECT_EQ(c.Error, Out.Error);
        EXPECT_FALSE(Out.HasResult); // the check never produces a value
    }
}

} // namespace

// Operators on constants: arithmetic and its wrap-around, promotion of mixed kinds,
// bitwise operators, logic, comparisons and precedence.
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "EvaluatorTestSupport.h"

using orvel::test::Evaluated;

namespace {

struct ValueCase {
    const char* Text;
    ElementType Kind;
    const char* Shown;
};

void ExpectValues(const ValueCase* Begin, const ValueCase* End) {
    for (const ValueCase* c = Begin; c != End; ++c) {
        SCOPED_TRACE(c->Text);
        const auto Out = Evaluated(c->Text);
        ASSERT_EQ(0, Out.Error);
        ASSERT_TRUE(Out.HasResult);
        EXPECT_EQ(c->Kind, Out.Kind);
        EXPECT_EQ(c->Shown, Out.Shown);
    }
}

const ValueCase kIntegerArithmetic[] = {
    {"7/2", integer_4, "3"},
    {"-7/2", integer_4, "-3"},
    {"7/-2", integer_4, "-3"},
    {"1 + 2 * 3", integer_4, "7"},
    {"(1 + 2) * 3", integer_4, "9"},
    {"10 - 4 - 3", integer_4, "3"},
    {"100 / 10 / 5", integer_4, "2"},
    {"(1 + 2) * 3 - 4 / 5", integer_4, "9"},
    {"((((((((((1))))))))))", integer_4, "1"},
    {"+5", integer_4, "5"},
    {"-5", integer_4, "-5"},
    {"--5", integer_4, "5"},
    {"- - -5", integer_4, "-5"},
    {"1 - -1", integer_4, "2"},
    // 32-bit results wrap silently.
    {"2147483647 + 1", integer_4, "-2147483648"},
    {"-2147483647 - 2", integer_4, "2147483647"},
    {"65536 * 65536", integer_4, "0"},
    {"(-2147483647 - 1) / -1", integer_4, "-2147483648"},
    {"-(-2147483647 - 1)", integer_4, "-2147483648"},
    // The left operand's kind is kept when the sizes agree.
    {"3000000000 + 1", unsigned_4, "3000000001"},
    {"1 + 3000000000", integer_4, "-1294967295"},
};

const ValueCase kRealArithmetic[] = {
    {"2 + 3.5", real_4, "5.50000"},
    {"3.5 + 2", real_4, "5.50000"},
    {"7 / 2.0", real_4, "3.50000"},
    {"1.5E10 * 2.0", real_4, "3.00000e+10"},
    {"0.5 - 0.25", real_4, "0.250000"},
    {"-(2.5)", real_4, "-2.50000"},
    {"-1.5 * 2", real_4, "-3.00000"},
    {"1E40 * 2", real_8, "2e+40"},
    {"1.5 + 1E40", real_8, "1e+40"},
    {"1E40 / 1E40", real_8, "1"},
    {"3000000000 * 1.0", real_4, "3.00000e+09"},
    {"5000000000 + 1", real_8, "5000000001"},
    {"1E400 - 1", real_10, "inf"},
};

const ValueCase kBitwise[] = {
    {"~1", integer_4, "-2"},
    {"~0", integer_4, "-1"},
    {"1 << 33", integer_4, "2"},
    {"1 << 31", integer_4, "-2147483648"},
    {"1 << -1", integer_4, "-2147483648"},
    {"-8 >> 1", integer_4, "-4"},
    {"-1 >> 40", integer_4, "-1"},
    {"256 >> 4", integer_4, "16"},
    {"6 | 9", integer_4, "15"},
    {"6 ^ 3", integer_4, "5"},
    {"1 & 3", integer_4, "1"},
    {"3 & 5 | 8 ^ 1", integer_4, "9"},
    {"0x7FFF & 255", unsigned_4, "255"},
    {"1 + 1 << 2", integer_4, "8"},
};

const ValueCase kLogic[] = {
    {".NOT. 0", integer_4, "1"},
    {".NOT. 5", integer_4, "0"},
    {"!0", integer_4, "1"},
    {"!0.0", real_4, "1.00000"},
    {"!2.5", real_4, "0.00000"},
    {".NOT. .TRUE.", logical_4, ".FALSE."},
    {".NOT. .NOT. 7", integer_4, "1"},
    {"1 .AND. 2", logical_4, ".TRUE."},
    {"1 && 0", logical_4, ".FALSE."},
    {"0 .OR. 0", logical_4, ".FALSE."},
    {"0 || 3", logical_4, ".TRUE."},
    {"2.5 .AND. 1", logical_4, ".TRUE."},
    {"0.0 .OR. 0", logical_4, ".FALSE."},
    // .AND. binds tighter than .OR.
    {"1 .OR. 1 .AND. 0", logical_4, ".TRUE."},
    {"0 .AND. 1 .OR. 1", logical_4, ".TRUE."},
    // The side that decides keeps the other from being looked at.
    {"0 .AND. 'text'", logical_4, ".FALSE."},
    {"1 .OR. 'text'", logical_4, ".TRUE."},
};

const ValueCase kComparisons[] = {
    {"1.EQ.2", logical_4, ".FALSE."},      {"1 .LT. 2", logical_4, ".TRUE."},
    {"2 .GT. 2", logical_4, ".FALSE."},    {"2 >= 2", logical_4, ".TRUE."},
    {"2 <= 1", logical_4, ".FALSE."},      {"1 .LE. 1", logical_4, ".TRUE."},
    {"3 .GE. 4", logical_4, ".FALSE."},    {"1 < 2", logical_4, ".TRUE."},
    {"2 > 1", logical_4, ".TRUE."},        {"1 == 1.0", logical_4, ".TRUE."},
    {"1 != 1.0", logical_4, ".FALSE."},    {"1 .NE. 2", logical_4, ".TRUE."},
    {"2.5 > 2", logical_4, ".TRUE."},      {"3000000000 > 1", logical_4, ".TRUE."},
    {".TRUE. == 1", logical_4, ".TRUE."},  {".TRUE. == .FALSE.", logical_4, ".FALSE."},
    {"1 + 2 .EQ. 3", logical_4, ".TRUE."}, {"1 < 2 == 1", logical_4, ".TRUE."},
};

const ValueCase kEndOfText[] = {
    // A lone "=" ends the expression; trailing blanks are allowed.
    {"5 = 3", integer_4, "5"},
    {"1 = = 2", integer_4, "1"},
    {"1 + 2   \t\r\n", integer_4, "3"},
};

TEST(IntegerArithmetic, ComputesAndWraps) {
    ExpectValues(std::begin(kIntegerArithmetic), std::end(kIntegerArithmetic));
}

TEST(RealArithmetic, PromotesAndComputesInDouble) {
    ExpectValues(std::begin(kRealArithmetic), std::end(kRealArithmetic));
}

TEST(BitwiseOperators, ShiftsAndCombines) {
    ExpectValues(std::begin(kBitwise), std::end(kBitwise));
}

TEST(LogicalOperators, TruthAndPrecedence) {
    ExpectValues(std::begin(kLogic), std::end(kLogic));
}

TEST(Comparisons, CompareValuesAsDoubles) {
    ExpectValues(std::begin(kComparisons), std::end(kComparisons));
}

TEST(EndOfText, LoneEqualsAndBlanksEndTheExpression) {
    ExpectValues(std::begin(kEndOfText), std::end(kEndOfText));
}

} // namespace

// The Fortran forms of the language on constants: operators in any letter case, "/=",
// powers and the literal forms with a kind. Each case also states what the syntax check
// says, which must accept whatever the evaluation can compute.
#include <gtest/gtest.h>

#include "EvaluatorTestSupport.h"
#include "language/EvalError.h"

using orvel::test::Checked;
using orvel::test::Evaluated;

namespace {

struct Case {
    const char* Text;
    int Error; // 0: a value of Kind showing Shown
    ElementType Kind;
    const char* Shown;
    bool Parses;
};

void Expect(const Case* Begin, const Case* End) {
    for (const Case* c = Begin; c != End; ++c) {
        SCOPED_TRACE(c->Text);
        EXPECT_EQ(c->Parses, Checked(c->Text).Error == 0);
        const auto Out = Evaluated(c->Text);
        ASSERT_EQ(c->Error, Out.Error);
        if (c->Error != 0) continue;
        ASSERT_TRUE(Out.HasResult);
        EXPECT_EQ(c->Kind, Out.Kind);
        EXPECT_EQ(c->Shown, Out.Shown);
    }
}

TEST(ExtendedSyntax, DottedOperatorsInAnyCase) {
    const Case cases[] = {
        {"1 .eq. 1", 0, logical_4, ".TRUE.", true},
        {"1.eq.2", 0, logical_4, ".FALSE.", true},
        {"2 .Gt. 1 .and. .true.", 0, logical_4, ".TRUE.", true},
        {".false. .Or. .not. .False.", 0, logical_4, ".TRUE.", true},
        {"3 .le. 2", 0, logical_4, ".FALSE.", true},
        {"3 /= 2", 0, logical_4, ".TRUE.", true},
        {"3/=3", 0, logical_4, ".FALSE.", true},
        {"3 / 2", 0, integer_4, "1", true},
    };
    Expect(std::begin(cases), std::end(cases));
}

TEST(ExtendedSyntax, PowersFollowFortran) {
    const Case cases[] = {
        {"2**10", 0, integer_4, "1024", true},
        {"2**3**2", 0, integer_4, "512", true},
        {"-2**2", 0, integer_4, "-4", true},
        {"(-2)**2", 0, integer_4, "4", true},
        {"2*3**2", 0, integer_4, "18", true},
        {"2**-1", 0, integer_4, "0", true},
        {"1**-5", 0, integer_4, "1", true},
        {"(-1)**-3", 0, integer_4, "-1", true},
        {"(-1)**4", 0, integer_4, "1", true},
        {"0**0", 0, integer_4, "1", true},
        {"0**-1", EvalDivideByZero, void_0, "", true},
        {"2**31", 0, integer_4, "-2147483648", true},
        {"2.0**0.5", 0, real_4, "1.41421", true},
        {"4**0.5", 0, real_4, "2.00000", true},
        {"1E30**2", EvalOverflow, void_0, "", true},
        {"(-8.0)**0.5", EvalBadFloat, void_0, "", true},
        {"0.0**-1", EvalDivideByZero, void_0, "", true},
        {"'a'**2", EvalBadArithmeticType, void_0, "", true},
        {"2**", EvalSyntax, void_0, "", false},
    };
    Expect(std::begin(cases), std::end(cases));
}

TEST(ExtendedSyntax, LiteralsWithAKind) {
    const Case cases[] = {
        {"1.5D0", 0, real_8, "1.5", true},
        {"1D-3", 0, real_8, "0.001", true},
        {"1.d0", 0, real_8, "1", true},
        {"2.5_8", 0, real_8, "2.5", true},
        {"1E3_8", 0, real_8, "1000", true},
        {"1.5_4", 0, real_4, "1.50000", true},
        {"7_1", 0, integer_1, "7", true},
        {"-7_2", 0, integer_2, "-7", true},
        {"7_4 + 1", 0, integer_4, "8", true},
        {"1.5D0 + 1.5", 0, real_8, "3", true},
        {"127_1", 0, integer_1, "127", true},
        {"128_1", EvalBadConstant, void_0, "", false},
        {"40000_2", EvalBadConstant, void_0, "", false},
        {"3_8", EvalBadConstant, void_0, "", false},
        {"3_3", EvalBadConstant, void_0, "", false},
        {"1E40_4", EvalBadConstant, void_0, "", false},
        {"1.5D0_8", EvalBadConstant, void_0, "", false},
        {"1.5D", EvalSyntax, void_0, "", false},
        {"3_K", EvalSyntax, void_0, "", false},
    };
    Expect(std::begin(cases), std::end(cases));
}

TEST(ExtendedSyntax, CharacterOperands) {
    const Case cases[] = {
        {"'ab' // 'cd'", 0, string, "'abcd'", true},
        {"'a' // '' // 'b'", 0, string, "'ab'", true},
        {"'ab' // 'c' == 'abc'", 0, logical_4, ".TRUE.", true},
        {"'a' == 'a  '", 0, logical_4, ".TRUE.", true},
        {"'a' .lt. 'a '", 0, logical_4, ".FALSE.", true},
        {"'ab' < 'b'", 0, logical_4, ".TRUE.", true},
        {"'b' .GE. 'ab'", 0, logical_4, ".TRUE.", true},
        {"'a' /= 'A'", 0, logical_4, ".TRUE.", true},
        {"'a' // 1", EvalStringExpected, void_0, "", true},
        {"'a' == 1", EvalBadArithmeticType, void_0, "", true},
        {"'a' //", EvalSyntax, void_0, "", false},
    };
    Expect(std::begin(cases), std::end(cases));
}

TEST(ExtendedSyntax, CharacterLengths) {
    const Case cases[] = {
        {"leng('abc')", 0, integer_4, "3", true},
        {"LEN('abc  ')", 0, integer_4, "5", true},
        {"len_trim('abc  ')", 0, integer_4, "3", true},
        {"LEN_TRIM('  ')", 0, integer_4, "0", true},
        {"1 + leng('ab')", 0, integer_4, "3", true},
        {"-LEN('ab') * 2", 0, integer_4, "-4", true},
        {"LEN('ab' // 'c')", 0, integer_4, "3", true},
        {"LEN(3)", EvalStringExpected, void_0, "", true},
        {"LEN()", EvalSyntax, void_0, "", true},
        {"loc(1 + 2)", EvalNoAddress, void_0, "", true},
    };
    Expect(std::begin(cases), std::end(cases));
}

TEST(ExtendedSyntax, NumericIntrinsics) {
    const Case cases[] = {
        {"ABS(-3)", 0, integer_4, "3", true},
        {"abs(-2.5)", 0, real_4, "2.50000", true},
        {"-ABS(-2)**2", 0, integer_4, "-4", true},
        {"MOD(7, 3)", 0, integer_4, "1", true},
        {"MOD(-7, 3)", 0, integer_4, "-1", true},
        {"MOD(7.5, 2)", 0, real_4, "1.50000", true},
        {"MOD(7, 0)", EvalDivideByZero, void_0, "", true},
        {"MIN(3, 1, 2)", 0, integer_4, "1", true},
        {"MAX(1, 2.5)", 0, real_4, "2.50000", true},
        {"1 + MAX(MIN(4, 9), 2) * 2", 0, integer_4, "9", true},
        {"MOD(1)", EvalArgumentCount, void_0, "", true},
        {"MAX(1)", EvalArgumentCount, void_0, "", true},
        {"ABS(1, 2)", EvalArgumentCount, void_0, "", true},
        {"leng('a', 'b')", EvalArgumentCount, void_0, "", true},
        {"ABS('a')", EvalBadArithmeticType, void_0, "", true},
        {"MIN(1,)", EvalSyntax, void_0, "", true},
        {"SIZE(3)", EvalArrayExpected, void_0, "", true},
    };
    Expect(std::begin(cases), std::end(cases));
}

} // namespace

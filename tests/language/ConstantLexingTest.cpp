// Number and character constants: the kind and value each spelling gives.
#include <string>

#include <gtest/gtest.h>

#include "EvaluatorTestSupport.h"

using orvel::test::Evaluated;

namespace {

struct ConstantCase {
    const char* Text;
    ElementType Kind;
    const char* Shown;
};

const ConstantCase kNumbers[] = {
    // Decimal integers take the smallest of integer_4, unsigned_4 and real_8.
    {"0", integer_4, "0"},
    {"42", integer_4, "42"},
    {"2147483647", integer_4, "2147483647"},
    {"2147483648", unsigned_4, "2147483648"},
    {"3000000000", unsigned_4, "3000000000"},
    {"4294967295", unsigned_4, "4294967295"},
    {"4294967296", real_8, "4294967296"},
    {"5000000000", real_8, "5000000000"},
    {"12L", integer_4, "12"},
    {"12l", integer_4, "12"},
    // Octal and hexadecimal constants are unsigned and saturate.
    {"017", unsigned_4, "15"},
    {"0777", unsigned_4, "511"},
    {"00", unsigned_4, "0"},
    {"037777777777", unsigned_4, "4294967295"},
    {"07777777777777777", unsigned_4, "4294967295"},
    {"0x1F", unsigned_4, "31"},
    {"0XfF", unsigned_4, "255"},
    {"0xFFFFFFFF", unsigned_4, "4294967295"},
    {"0x123456789ABCDEF", unsigned_4, "4294967295"},
    // Reals take the narrowest kind whose normal range holds the value.
    {"1.5", real_4, "1.50000"},
    {"0.1", real_4, "0.100000"},
    {".5", real_4, "0.500000"},
    {"1.", real_4, "1.00000"},
    {"1.E5", real_4, "100000."},
    {"1.e5", real_4, "100000."},
    {"1.E+2", real_4, "100.000"},
    {"1E5", real_4, "100000."},
    {"25e-1", real_4, "2.50000"},
    {"0.0", real_4, "0.00000"},
    {"0E0", real_4, "0.00000"},
    {"3.4E38", real_4, "3.40000e+38"},
    {"3.5E38", real_8, "3.5e+38"},
    {"1E40", real_8, "1e+40"},
    {"1E-38", real_8, "1e-38"},
    {"1E-40", real_8, "1e-40"},
    {"1.2345678901234567", real_4, "1.23457"},
    {"1E-320", real_10, "9.99989e-321"},
    {"1E400", real_10, "inf"},
    {"1E-400", real_4, "0.00000"},
    {"0.000000000000000000000000000000000000000000000001E-400", real_4, "0.00000"},
    // A dotted operator right after the digits leaves an integer.
    {"1.EQ.1", logical_4, ".TRUE."},
    {"1.EQ.2", logical_4, ".FALSE."},
    {"1.AND.0", logical_4, ".FALSE."},
    {"2.GT.1", logical_4, ".TRUE."},
    {".TRUE.", logical_4, ".TRUE."},
    {".FALSE.", logical_4, ".FALSE."},
};

const ConstantCase kStrings[] = {
    {"'abc'", string, "'abc'"},  {"'it''s'", string, "'it's'"}, {"''''", string, "'''"},
    {"''", string, "''"},        {"'a b'", string, "'a b'"},    {"'unclosed", string, "'unclosed'"},
    {"'A\tB'", string, "'A?B'"},
};

void ExpectConstant(const ConstantCase& c) {
    SCOPED_TRACE(c.Text);
    const auto Out = Evaluated(c.Text);
    ASSERT_EQ(0, Out.Error);
    ASSERT_TRUE(Out.HasResult);
    EXPECT_EQ(c.Kind, Out.Kind);
    EXPECT_EQ(c.Shown, Out.Shown);
}

TEST(ConstantLexing, NumbersTakeTheirKindFromSpellingAndValue) {
    for (const ConstantCase& c : kNumbers)
        ExpectConstant(c);
}

TEST(ConstantLexing, CharacterConstants) {
    for (const ConstantCase& c : kStrings)
        ExpectConstant(c);
}

TEST(ConstantLexing, StringSizeCountsDoubledQuoteOnce) {
    EXPECT_EQ(4, Evaluated("'it''s'").Size);
    EXPECT_EQ(0, Evaluated("''").Size);
}

TEST(ConstantLexing, RealConstantsHaveTheirKindsSize) {
    EXPECT_EQ(4, Evaluated("1.5").Size);
    EXPECT_EQ(8, Evaluated("1E40").Size);
    EXPECT_EQ(10, Evaluated("1E400").Size);
}

} // namespace

// Texts that must fail with a particular error code, and the rule that a failed pass
// leaves no result.
#include <gtest/gtest.h>

#include "EvaluatorTestSupport.h"

using orvel::test::Evaluated;

namespace {

struct ErrorCase {
    const char* Text;
    int Error;
};

const ErrorCase kSyntaxErrors[] = {
    {"", 4},
    {"   ", 4},
    {"1 2", 4},
    {"'a' 'b'", 4},
    {"09", 4},
    {"2 ** 3 **", 4},
    {".true .", 4},
    {"1 +", 4},
    {"-", 4},
    {"* ", 4},
    {"1 .NOT. 2", 4},
    {"1 ~ 2", 4},
    {"[1]", 4},
    {"1 @ 2", 4},
    {"#", 4},
    {"$X", 4},
    {"\x80", 4},
    {",", 4},
    {"1, 2", 4},
    {"(1, 2)", 4},
    {"(1]", 4},
    {"1 == = 2", 4},
    {"leng()", 4},
    {"1 + leng()", 4}, // the intrinsic takes no operand from outside its brackets
    {"2 leng('ab')", 4},
    {"loc(X) + 1", 11},
};

const ErrorCase kBracketErrors[] = {
    {"(1", 18}, {"((1", 18}, {"leng(1", 18}, {"1)", 6}, {"1]", 6}, {")(", 6}, {"(1))", 6},
};

const ErrorCase kConstantErrors[] = {
    {"0x", 5},
    {"0X", 5},
    {"0xG", 5},
    {"1 + 0x", 5},
};

const ErrorCase kArithmeticErrors[] = {
    {"7/0", 17},
    {"1.0/0.0", 17},
    {"7/0.0", 17},
    {"0.0/0.0", 17},
    {"0 .AND. (1/0)", 17},
    {"1.0E30 * 1.0E30", 15},
    {"-1.0E30 * 1.0E30", 15},
    {"3.0E38 + 3.0E38", 15},
    {"1.0E-30 * 1.0E-30", 16},
    {"1E300 * 1E300", 15},
    {"1E-200 * 1E-110", 16},
    {"1 + 'a'", 10},
    {"'a' * 2", 10},
    {"'a' / 2", 10},
    {"'a' - 1", 10},
    {"~1.5", 10},
    {"-'a'", 10},
    {"!'a'", 10},
    {"-.TRUE.", 10},
    {"'a' .AND. 1", 10},
    {"1 .AND. 'a'", 10},
    {"'a' == 1", 10},
    {"1 == 'a'", 10},
    {"'a' < 1", 10},
    {"1.5 & 1", 21},
    {"1 << 1.5", 21},
    {"'a' ^ 1", 21},
    {".TRUE. | 1", 21},
};

const ErrorCase kAccessErrors[] = {
    {"NOSUCH", 11}, {"NOSUCH + 1", 11}, {"1 + NOSUCH", 11},  {"X = 5", 11}, {"5(1)", 27},
    {"5[1]", 27},   {"'abc'(1)", 27},   {"5%X", 24},         {"5.X", 24},   {"1.E", 24},
    {"1 % 2", 23},  {"1 -> X", 26},     {"*5", 19},          {"&5", 22},    {"&'a'", 22},
    {"loc(1)", 22}, {"leng(1)", 36},    {"strlen(2.5)", 36},
};

void ExpectErrors(const ErrorCase* Begin, const ErrorCase* End) {
    for (const ErrorCase* c = Begin; c != End; ++c) {
        SCOPED_TRACE(c->Text);
        const auto Out = Evaluated(c->Text);
        EXPECT_EQ(c->Error, Out.Error);
        EXPECT_FALSE(Out.HasResult);
    }
}

TEST(EvaluationErrors, Syntax) {
    ExpectErrors(std::begin(kSyntaxErrors), std::end(kSyntaxErrors));
}

TEST(EvaluationErrors, Brackets) {
    ExpectErrors(std::begin(kBracketErrors), std::end(kBracketErrors));
}

TEST(EvaluationErrors, Constants) {
    ExpectErrors(std::begin(kConstantErrors), std::end(kConstantErrors));
}

TEST(EvaluationErrors, Arithmetic) {
    ExpectErrors(std::begin(kArithmeticErrors), std::end(kArithmeticErrors));
}

TEST(EvaluationErrors, NamesComponentsAndAddresses) {
    ExpectErrors(std::begin(kAccessErrors), std::end(kAccessErrors));
}

TEST(EvaluationErrors, NullTextDoesNothing) {
    Element* Scope = new Element();
    {
        FortranEvaluator Engine(nullptr, Scope);
        Engine.Evaluate();
        EXPECT_FALSE(Engine.HasError());
        EXPECT_EQ(nullptr, Engine.GetResult());
    }
    Scope->Release();
}

TEST(EvaluationErrors, EvaluatingAgainGivesTheSameOutcome) {
    Element* Scope = new Element();
    {
        FortranEvaluator Engine("6 * 7", Scope);
        Engine.Evaluate();
        Engine.Evaluate();
        ASSERT_NE(nullptr, Engine.GetResult());
        EXPECT_EQ(42, Engine.GetResult()->IntValue());
    }
    {
        FortranEvaluator Engine("(1", Scope);
        Engine.Evaluate();
        Engine.Evaluate();
        EXPECT_EQ(18, Engine.GetError());
    }
    Scope->Release();
}

TEST(EvaluationErrors, TheResultOutlivesTheEngineWhenKept) {
    Element* Scope = new Element();
    Element* Kept = nullptr;
    {
        FortranEvaluator Engine("'kept'", Scope);
        Engine.Evaluate();
        Kept = Engine.GetResult();
        ASSERT_NE(nullptr, Kept);
        Kept->AddRef();
    }
    EXPECT_EQ(1, Kept->Counter);
    EXPECT_EQ("'kept'", orvel::test::ShownValue(Kept));
    Kept->Release();
    Scope->Release();
}

} // namespace

#include "language/OperatorTable.h"

#include <iterator>

// Row order matters to the lexer: two-character spellings come before their one-character
// prefixes, ".TRUE." and the dotted operators before the lone ".". The lexer matches
// letters in any case; spellings are upper case here.
constexpr OperatorRow OperatorRows[] = {
    {"(", 0, OpOpenParen, 0},
    {")", 0, OpCloseParen, 0},
    {"&&", 150, OpLogicalAnd, 0},
    {"||", 100, OpLogicalOr, 0},
    {">=", 400, OpGreaterEqual, 0},
    {"<=", 400, OpLessEqual, 0},
    {"!=", 350, OpNotEqual, 0},
    {"==", 350, OpEqual, 0},
    {"**", 800, OpPower, RightBinding},
    {"->", 1000, OpArrow, 0},
    {">>", 500, OpShiftRight, 0},
    {"<<", 500, OpShiftLeft, 0},
    {"+", 600, OpAdd, 0},
    {"-", 600, OpSubtract, 0},
    {"*", 700, OpMultiply, 0},
    {"/", 700, OpDivide, 0},
    {"%", 700, OpPercent, 0},
    {"&", 300, OpBitAnd, 0},
    {"|", 200, OpBitOr, 0},
    {"^", 250, OpBitXor, 0},
    {"~", 900, OpComplement, RightBinding | PrefixOnly},
    {"!", 900, OpLogicalNot, RightBinding | PrefixOnly},
    {"[", 950, OpOpenSquare, 0},
    {"]", 950, OpCloseSquare, 0},
    {">", 400, OpGreater, 0},
    {"<", 400, OpLess, 0},
    {"*", 900, OpDereference, RightBinding | PrefixOnly},
    {"-", 900, OpNegate, RightBinding | PrefixOnly},
    {"&", 900, OpAddressOf, RightBinding | PrefixOnly},
    {"(", 1000, OpSubscript, 0},
    {"", 1000, OpComponent, 0},
    {",", 1, OpComma, 0},
    {".TRUE.", 0, OpTrue, 0},
    {".FALSE.", 0, OpFalse, 0},
    {"", 0, OpLength, Intrinsic},
    {"", 0, OpLocation, Intrinsic},
    {"", 550, OpConcatenate, 0}, // "//", lexed before the rows
    {"", 0, OpTrimmedLength, Intrinsic},
    {"", 0, OpAbs, Intrinsic},
    {"", 0, OpMod, Intrinsic},
    {"", 0, OpMin, Intrinsic},
    {"", 0, OpMax, Intrinsic},
    {"", 0, OpSize, Intrinsic},
    {"", 0, OpLowerBound, Intrinsic},
    {"", 0, OpUpperBound, Intrinsic},
    // Alternative spellings: only the id counts, the parser reads precedence by id.
    {".GE.", 200, OpGreaterEqual, 0},
    {".LE.", 200, OpLessEqual, 0},
    {".GT.", 200, OpGreater, 0},
    {".LT.", 200, OpLess, 0},
    {".EQ.", 200, OpEqual, 0},
    {".NE.", 200, OpNotEqual, 0},
    {".NOT.", 900, OpLogicalNot, RightBinding | PrefixOnly},
    {".AND.", 100, OpLogicalAnd, 0},
    {".OR.", 100, OpLogicalOr, 0},
    {".", 950, OpComponent, 0},
};
static_assert(std::size(OperatorRows) == OperatorRowCount, "operator rows");
static_assert(sizeof(OperatorRow) == 20, "an operator row is 20 bytes");

namespace {
constexpr bool RowsIndexedById() {
    for (int i = 0; i < OperatorIdCount; ++i)
        if (OperatorRows[i].Id != i) return false;
    return true;
}
} // namespace
static_assert(RowsIndexedById(), "rows 0..OperatorIdCount-1 must be indexed by their id");

constexpr IntrinsicRow IntrinsicRows[] = {
    {"leng", OpLength, false},
    {"strlen", OpLength, false},
    {"loc", OpLocation, false},
    {"len", OpLength, true},
    {"len_trim", OpTrimmedLength, true},
    {"abs", OpAbs, true},
    {"mod", OpMod, true},
    {"min", OpMin, true},
    {"max", OpMax, true},
    {"size", OpSize, true},
    {"lbound", OpLowerBound, true},
    {"ubound", OpUpperBound, true},
};
static_assert(std::size(IntrinsicRows) == IntrinsicRowCount, "intrinsic rows");

int32_t OperatorPrecedence(int Id) {
    return (Id >= 0 && Id < OperatorIdCount) ? OperatorRows[Id].Precedence : 0;
}

uint32_t OperatorFlagsOf(int Id) {
    return (Id >= 0 && Id < OperatorIdCount) ? OperatorRows[Id].Flags : 0;
}

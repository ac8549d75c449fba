// The operator table of the expression language: the lexer searches its rows in order
// for the longest-first spellings, the parser indexes the first OperatorIdCount rows by
// operator id for precedence and flags. Also the table of intrinsic function names.
#pragma once

#include <cstdint>

enum OperatorId : int32_t {
    OpOpenParen = 0,
    OpCloseParen = 1,
    OpLogicalAnd = 2,
    OpLogicalOr = 3,
    OpGreaterEqual = 4,
    OpLessEqual = 5,
    OpNotEqual = 6,
    OpEqual = 7,
    OpPower = 8,
    OpArrow = 9,
    OpShiftRight = 10,
    OpShiftLeft = 11,
    OpAdd = 12,
    OpSubtract = 13,
    OpMultiply = 14,
    OpDivide = 15,
    OpPercent = 16,
    OpBitAnd = 17,
    OpBitOr = 18,
    OpBitXor = 19,
    OpComplement = 20,
    OpLogicalNot = 21,
    OpOpenSquare = 22,
    OpCloseSquare = 23,
    OpGreater = 24,
    OpLess = 25,
    OpDereference = 26,
    OpNegate = 27,
    OpAddressOf = 28,
    OpSubscript = 29,
    OpComponent = 30,
    OpComma = 31,
    OpTrue = 32,
    OpFalse = 33,
    OpLength = 34,
    OpLocation = 35,
    OpConcatenate = 36,
    OpTrimmedLength = 37,
    OpAbs = 38,
    OpMod = 39,
    OpMin = 40,
    OpMax = 41,
    OpSize = 42,
    OpLowerBound = 43,
    OpUpperBound = 44,
    OperatorIdCount = 45,
};

// OperatorRow::Flags bits.
enum OperatorFlags : uint32_t {
    RightBinding = 1, // an equal-precedence operator on the stack is not applied first
    PrefixOnly = 2,   // valid only where an operand is expected
    Intrinsic = 4,
};

struct OperatorRow {
    char Text[8]; // NUL-padded; empty for ids the lexer never produces from text
    int32_t Precedence;
    int32_t Id;
    uint32_t Flags;
};

constexpr int OperatorRowCount = 55;
extern const OperatorRow OperatorRows[OperatorRowCount];

struct IntrinsicRow {
    char Name[9];
    int32_t Id;
    bool Hideable; // a variable of this name is subscripted instead, as in Fortran
};

constexpr int IntrinsicRowCount = 12;
extern const IntrinsicRow IntrinsicRows[IntrinsicRowCount];

// Precedence and flags of an operator id (0 .. OperatorIdCount - 1).
int32_t OperatorPrecedence(int Id);
uint32_t OperatorFlagsOf(int Id);

// Evaluation error codes of the expression language and their messages. The codes are
// shared with Element::Error, whose own codes 40 to 42 sit in the same numbering.
#pragma once

#include <cstdint>

enum EvalError : int32_t {
    EvalNoError = 0,
    EvalNullPointer = 1,
    EvalIllegalPointer = 2,
    EvalBadFloat = 3,
    EvalSyntax = 4,
    EvalBadConstant = 5,
    EvalTooManyClosing = 6,
    EvalBracketMismatch = 7,
    EvalPointerPlusPointer = 8,
    EvalPointerPlusNonInteger = 9,
    EvalBadArithmeticType = 10,
    EvalUnknownVariable = 11,
    EvalVoidPointerArithmetic = 12,
    EvalPointerMinusNonInteger = 13,
    EvalPointerKindsDiffer = 14,
    EvalOverflow = 15,
    EvalUnderflow = 16,
    EvalDivideByZero = 17,
    EvalTooManyOpening = 18,
    EvalPointerRequired = 19,
    EvalVoidDereference = 20,
    EvalIntegersRequired = 21,
    EvalNoAddress = 22,
    EvalMemberNameExpected = 23,
    EvalStructureExpected = 24,
    EvalMemberNotFound = 25,
    EvalStructPointerExpected = 26,
    EvalArrayExpected = 27,
    EvalSubscriptNotInteger = 28,
    EvalTooManySubscripts = 29,
    EvalNoObject = 30,
    EvalPointerNotAssigned = 31,
    EvalSubscriptOutOfBounds = 32,
    EvalNotAllocated = 33,
    EvalOutOfScope = 34,
    EvalTypesIncompatible = 35,
    EvalStringExpected = 36,
    EvalUnsetPointer = 37,
    EvalVirtualCommon = 38,
    EvalInternalError = 39,
    EvalHostCallFailed = 40, // Element only; no message
    EvalUnknownKind = 41,    // Element only; no message
    EvalNotLocated = 42,     // Element only; no message
    EvalArgumentCount = 43,
    EvalDimensionOutOfRange = 44,
    EvalErrorSlots = 45,
};

// The message of a code, or null for a code without one (40 to 42, or out of range).
const char* EvalErrorMessage(int Code);

// Writes the message of Code into Buf (at most BufSize bytes, always NUL-terminated when
// BufSize > 0). Codes outside 0..EvalErrorSlots-1 give "Illegal error %d".
void FormatEvalError(int Code, char* Buf, int BufSize);

// The evaluation error codes, one numbering for the expression language and the Element
// that carries a code in Error: codes 40 to 42 are the Element's own and have no message.
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

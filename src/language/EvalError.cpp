#include "language/EvalError.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

// ORDER EvalError
const char* const Messages[] = {
    "",
    "NULL pointer",
    "Illegal pointer",
    "Invalid floating point number",
    "Syntax error",
    "Constant is not valid",
    "Too many closing brackets",
    "Bracket mismatch",
    "Cannot add pointers together",
    "You can only add integers to pointers",
    "You cannot perform arithmetic on this data type",
    "Unknown FORTRAN variable",
    "You cannot add or subtract from a pointer to a void",
    "You only subtract an integer from a pointer",
    "Pointers are not the same type",
    "Arithmetic overflow",
    "Arithmetic underflow",
    "Division by zero",
    "Too many opening brackets",
    "Pointer required for this operation",
    "You cannot dereference a pointer to a void",
    "Integers are required for this operation",
    "You cannot take the address of this object",
    "Expected a structure member name",
    "Structure expected",
    "Structure element not found",
    "A pointer to a structure expected",
    "Expected an array",
    "Array subscript must be an integer",
    "Too many subscripts for this array",
    "Object does not exist",
    "POINTER not assigned",
    "Array subscript out of bounds",
    "ARRAY not allocated",
    "Data out of scope",
    "Types incompatible",
    "String type expected",
    "Unset pointer",
    "Unaccessed virtual common",
    "Internal debugger error",
    nullptr, // the Element's own codes have no text here
    nullptr,
    nullptr,
    "Wrong number of arguments for this intrinsic",
    "DIM argument out of range",
};
static_assert(std::size(Messages) == EvalErrorSlots, "one message slot per error code");

} // namespace

const char* EvalErrorMessage(int Code) {
    if (Code < 0 || Code >= EvalErrorSlots) return nullptr;
    return Messages[Code];
}

void FormatEvalError(int Code, char* Buf, int BufSize) {
    if (!Buf || BufSize <= 0) return;
    const size_t Size = static_cast<size_t>(BufSize);
    if (Code < 0 || Code >= EvalErrorSlots) {
        std::snprintf(Buf, Size, "Illegal error %d", Code);
    } else {
        // Codes 40 to 42 belong to the Element; they have no text of their own here.
        const char* Message = Messages[Code] ? Messages[Code] : "";
        std::strncpy(Buf, Message, Size);
    }
    Buf[Size - 1] = '\0';
}

// Messages of the evaluation error codes (model/EvalCodes.h), shared by the expression
// language and the Element.
#pragma once

#include <cstdint>

#include "model/EvalCodes.h"

// The message of a code, or null for a code without one (40 to 42, or out of range).
const char* EvalErrorMessage(int Code);

// Writes the message of Code into Buf (at most BufSize bytes, always NUL-terminated when
// BufSize > 0). Codes outside 0..EvalErrorSlots-1 give "Illegal error %d".
void FormatEvalError(int Code, char* Buf, int BufSize);

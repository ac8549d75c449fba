// Number texts exactly as printf writes them with "%d" and "%.<p>g" in the C locale,
// made without printf: the value column of a big array formats a number per row, and
// printf's general-purpose machinery costs more than the rest of the row.
#pragma once

#include <cstdint>

namespace orvel {

// Each writes into Out (OutSize bytes), always NUL-terminated when OutSize > 0, cutting
// what does not fit; the result is the length written.

// "%d" (or "%lld").
int IntegerText(int64_t Value, char* Out, int OutSize);

// "%.<Precision>g"; Precision 0 counts as 1, as in printf.
int GeneralText(double Value, int Precision, char* Out, int OutSize);

} // namespace orvel

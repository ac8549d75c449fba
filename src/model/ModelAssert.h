// Assertions on the variable model's own invariants. A failure is reported on stderr
// and counted, and the caller goes on: the host process must not stop because our
// bookkeeping went wrong. Never used for input that comes from outside.
#pragma once

namespace orvel {

// Reports text when ok is false; returns ok so callers can branch on it.
bool ModelAssert(bool ok, const char* text);

// Failures reported since the program started, and the text of the last one (empty
// when none). Tests read these.
int ModelAssertFailures();
const char* LastModelAssert();

} // namespace orvel

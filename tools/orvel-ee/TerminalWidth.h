// How wide the table may be on the stream it is written to.
#pragma once

#include <cstdio>

// The width in columns, or 0 for no limit:
// - COLUMNS, when it holds a positive number: the user's (or the shell's) say wins, also
//   for a pipe, so that `COLUMNS=60 orvel-ee ... | less` is cut to 60;
// - the terminal's own width when the stream is a terminal;
// - otherwise no limit. Output that goes to a file or another program is read there,
//   not on a screen, and a value cut to an assumed 80 columns would lose its end.
int OutputWidth(std::FILE* stream);

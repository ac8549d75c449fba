// Loads a stopped program from a snapshot (format "orvel-snapshot/1", described in
// docs/snapshot-format.md) into the host-level model: the loader plays the compiler
// (records, attributes, static tables) and the loader of the debuggee (its memory).
#pragma once

#include <string>

#include "simhost/model/HostModel.h"

namespace orvel::sim {

// Builds the program described by jsonText into *out. On failure *out is left as it
// was and *error (when not null) holds "path: what is wrong", e.g.
// "routines[0].locals[3].dims[1]: upper bound 'N' names no integer variable of routine
// SOLVE". Never throws.
bool LoadSnapshot(const std::string& jsonText, HostProgram* out, std::string* error);

// The same for a file; a file that cannot be read is an error too.
bool LoadSnapshotFile(const std::string& path, HostProgram* out, std::string* error);

} // namespace orvel::sim

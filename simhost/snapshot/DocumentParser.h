// Reads a snapshot's JSON into a Document: every key and JSON type is checked, type
// and class names are resolved, names are checked for form and for duplicates within
// a declaration list. What needs the whole program (scopes, bound variables,
// pointer targets, layout) is left to the builder.
#pragma once

#include <nlohmann/json.hpp>

#include "simhost/snapshot/SnapshotDocument.h"

namespace orvel::sim::snapshot {

// Throws SnapshotError on the first problem. The Document refers into root, which
// must outlive it.
Document ParseDocument(const nlohmann::json& root);

} // namespace orvel::sim::snapshot

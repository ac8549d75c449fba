// Reads one variable declaration of a snapshot (name, type, bounds, attributes,
// value) and checks the rules that need nothing beyond the declaration itself.
#pragma once

#include <string>

#include "simhost/snapshot/SnapshotDocument.h"

namespace orvel::sim::snapshot {

// The type and class names a declaration may refer to.
class TypeNames {
public:
    // Index into Document::classes, or -1.
    virtual int FindClass(const std::string& name) const = 0;
    // Index into Document::types by full or unambiguous short name; fails, naming path.
    virtual int FindDerivedType(const std::string& name, const std::string& path) const = 0;

protected:
    ~TypeNames() = default;
};

// Throws SnapshotError on the first problem.
Variable ReadVariable(const JsonNode& node, Role role, const TypeNames& names);

AddressMode ParseAddressMode(const JsonNode& node);

// A Fortran-style name: a letter or '_', then letters, digits, '_', '$' or '#'
// (compiler temporaries such as S#1), at most 200 characters.
bool IsVariableName(const std::string& name);
// A dotted .NET name without the characters that would break the look-up keys and
// the comma-separated address table.
bool IsClassName(const std::string& name);

} // namespace orvel::sim::snapshot

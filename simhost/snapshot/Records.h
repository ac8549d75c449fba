// The compiler's records for snapshot variables: kind codes, sizes, flags, the type
// section of derived types and numeric array dimensions. The builder decides names,
// places and named bounds; these helpers hold what every record shares.
#pragma once

#include <cstdint>
#include <string>

#include "simhost/record/RecordEncoder.h"
#include "simhost/snapshot/Layout.h"
#include "simhost/snapshot/SnapshotDocument.h"

namespace orvel::sim::snapshot {

// The record's kind word for the variable's type.
uint32_t RecordKindOf(const Variable& var);

// A record with the name, flags and value word given, plus what the variable itself
// says: kind, size (the element size; 0 for an assumed length), POINTER, ALLOCATABLE
// and hidden flags and, for a derived type, the type section. No array section.
RecordSpec VariableRecord(const Document& doc, const Layouts& layouts, const Variable& var,
                          std::string rawName, uint32_t flags, uint32_t value);

// A dimension with numeric bounds lower..upper, stride 1, declared extent
// upper - lower + 1 and the extra byte offset given. Fails, naming path, when an item
// would carry the 0x80 top byte that readers take for a module-relative value.
RecordDimension NumericDimension(int32_t lower, int32_t upper, int32_t boundOffset,
                                 const std::string& path);
// An assumed-size dimension lower..*: the extent word makes the upper bound read as
// 0x80000000, the declared extent is 0 (unknown).
RecordDimension AssumedSizeDimension(int32_t lower, const std::string& path);
// Fails, naming path, when a numeric item has the module-relative top byte.
void CheckNumericItem(const BoundItem& item, const std::string& path);

// How a record of type index names it.
StructureType StructureTypeOf(const Document& doc, int type);

} // namespace orvel::sim::snapshot

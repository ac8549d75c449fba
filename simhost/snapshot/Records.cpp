#include "simhost/snapshot/Records.h"

#include <cstdio>
#include <iterator>

namespace orvel::sim::snapshot {

namespace {

// Record kind codes of the intrinsic kinds, in BaseType order up to Character.
const uint32_t kKindCodes[] = {
    RecordKind::Integer1, RecordKind::Integer2,  RecordKind::Integer4, RecordKind::Logical1,
    RecordKind::Logical2, RecordKind::Logical4,  RecordKind::Real4,    RecordKind::Real8,
    RecordKind::Complex8, RecordKind::Complex16, RecordKind::String,
};
static_assert(std::size(kKindCodes) == static_cast<size_t>(BaseType::Derived),
              "one record kind per intrinsic BaseType");

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

} // namespace

uint32_t RecordKindOf(const Variable& var) {
    if (var.base == BaseType::Derived) return RecordKind::Structure;
    if (var.base == BaseType::Object) return RecordKind::Object4;
    return kKindCodes[static_cast<size_t>(var.base)];
}

RecordSpec VariableRecord(const Document& doc, const Layouts& layouts, const Variable& var,
                          std::string rawName, uint32_t flags, uint32_t value) {
    RecordSpec spec;
    spec.rawName = std::move(rawName);
    spec.flags = flags;
    if (var.pointer) spec.flags |= RecordFlag::Pointer;
    if (var.allocatable) spec.flags |= RecordFlag::Allocatable;
    if (var.hidden) spec.flags |= RecordFlag::Hidden;
    spec.kind = RecordKindOf(var);
    spec.value = value;
    spec.size = var.assumedLength ? 0 : static_cast<int32_t>(layouts.ElementSize(var));
    if (var.base == BaseType::Derived) spec.structure = StructureTypeOf(doc, var.type);
    return spec;
}

void CheckNumericItem(const BoundItem& item, const std::string& path) {
    if (!item.name && (item.number >> 24) == 0x80)
        Fail(path, "bound item " + Hex(item.number) +
                       " would read as a module-relative value (top byte 0x80)");
}

RecordDimension NumericDimension(int32_t lower, int32_t upper, int32_t boundOffset,
                                 const std::string& path) {
    // Unsigned arithmetic: the items are 32-bit words, and extents of huge or empty
    // dimensions wrap exactly as the compiler's would.
    const uint32_t extentLessOne = static_cast<uint32_t>(upper) - static_cast<uint32_t>(lower);
    RecordDimension dim;
    dim.base = BoundItem::Number(lower);
    dim.size = BoundItem::Number(static_cast<int32_t>(extentLessOne));
    dim.stride = BoundItem::Number(1);
    dim.boundSizes = BoundItem::Number(static_cast<int32_t>(extentLessOne + 1));
    dim.boundOffset = BoundItem::Number(boundOffset);
    for (const BoundItem* item : {&dim.base, &dim.size, &dim.boundSizes, &dim.boundOffset})
        CheckNumericItem(*item, path);
    return dim;
}

RecordDimension AssumedSizeDimension(int32_t lower, const std::string& path) {
    RecordDimension dim;
    dim.base = BoundItem::Number(lower);
    dim.size = BoundItem::Number(static_cast<int32_t>(0x80000000u - static_cast<uint32_t>(lower)));
    dim.stride = BoundItem::Number(1);
    dim.boundSizes = BoundItem::Number(0);
    dim.boundOffset = BoundItem::Number(0);
    CheckNumericItem(dim.base, path);
    CheckNumericItem(dim.size, path);
    return dim;
}

StructureType StructureTypeOf(const Document& doc, int type) {
    const DerivedType& def = doc.types[static_cast<size_t>(type)];
    switch (def.reference) {
    case TypeReference::Name:
        return StructureType::Named(def.fullName);
    case TypeReference::ShortName:
        return StructureType::Named(def.name);
    case TypeReference::Number:
        break;
    }
    return StructureType::Number(def.number);
}

} // namespace orvel::sim::snapshot

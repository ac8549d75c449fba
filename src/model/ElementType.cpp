#include "model/ElementType.h"

#include <iterator>

namespace {
// Indexed by ElementType.
const char* const kTypeNames[] = {
    "logical_1",   "logical_2", "logical_4",  "logical_8",   "integer_1",     "integer_2",
    "integer_4",   "integer_8", "unsigned_1", "unsigned_2",  "unsigned_4",    "unsigned_8",
    "enumeration", "real_4",    "real_8",     "real_10",     "complex_8",     "complex_16",
    "complex_20",  "void_0",    "pointer_4",  "reference_4", "allocatable_4", "structure",
    "array",       "string",    "function",   "common",      "module",        "object_4",
};
static_assert(std::size(kTypeNames) == ElementTypeCount, "one name per ElementType");
static_assert(object_4 == ElementTypeCount - 1, "object_4 is the last kind");
} // namespace

const char* ElementTypeName(int32_t type) {
    if (type < 0 || type >= ElementTypeCount) return nullptr;
    return kTypeNames[type];
}

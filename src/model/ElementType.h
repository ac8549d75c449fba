// The kinds of value the variable model knows. The numbering is part of the
// compiler's debug-information format and must not change.
#pragma once

#include <cstdint>

enum ElementType : int32_t {
    logical_1 = 0,
    logical_2 = 1,
    logical_4 = 2,
    logical_8 = 3,
    integer_1 = 4,
    integer_2 = 5,
    integer_4 = 6,
    integer_8 = 7,
    unsigned_1 = 8,
    unsigned_2 = 9,
    unsigned_4 = 10,
    unsigned_8 = 11,
    enumeration = 12,
    real_4 = 13,
    real_8 = 14,
    real_10 = 15,
    complex_8 = 16,
    complex_16 = 17,
    complex_20 = 18,
    void_0 = 19,
    pointer_4 = 20,
    reference_4 = 21,
    allocatable_4 = 22,
    structure = 23,
    array = 24,
    string = 25,
    function = 26,
    common = 27,
    module = 28,
    object_4 = 29,
};

constexpr int ElementTypeCount = 30;

// The kind's name as the diagnostic dump prints it, or null for a value outside the enum.
const char* ElementTypeName(int32_t type);

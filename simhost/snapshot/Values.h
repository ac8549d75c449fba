// The bytes of a variable's value as the debuggee holds them: little-endian integers,
// IEEE reals, blank-padded CHARACTER, derived types in their layout, and 0x80 in
// every byte the program never assigned. Arrays come as flat column-major lists or
// from generators ({"ramp": [first, step]}, {"fill": value}), any value as exact
// bytes ({"hex": "..."}).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "simhost/snapshot/Layout.h"
#include "simhost/snapshot/SnapshotDocument.h"

namespace orvel::sim::snapshot {

// What a value can refer to outside itself.
class ValueResolver {
public:
    virtual ~ValueResolver() = default;
    // The address a POINTER component designates: the value names its target.
    virtual uint32_t PointerTarget(const Variable& component, const JsonNode& value) = 0;
    // The address of an object by its id, which must be of class cls.
    virtual uint32_t ObjectAddress(int cls, const JsonNode& value) = 0;
};

class ValueEncoder {
public:
    ValueEncoder(const Document& doc, const Layouts& layouts, ValueResolver& resolver)
        : m_doc(doc), m_layouts(layouts), m_resolver(resolver) {}

    // count elements of var's type (count 1 and isArray false for a scalar) from
    // value; size count × ElementSize(var), starting as all 0x80.
    std::vector<uint8_t> Encode(const Variable& var, uint64_t count, bool isArray,
                                const JsonNode& value);

    // The element count an array value carries by itself: a list's length or a
    // generator's "count"; none when it carries none.
    static std::optional<uint64_t> CarriedCount(const JsonNode& value);

    // The integer value of an INTEGER scalar (for bound variables); none for
    // "undefined" or a missing value.
    static std::optional<int64_t> IntegerOf(const Variable& var);

private:
    void EncodeElement(const Variable& var, const JsonNode& value, uint8_t* out);
    void EncodeDerived(const Variable& var, const JsonNode& value, uint8_t* out);
    void EncodeGenerator(const Variable& var, uint64_t count, const JsonNode& value,
                         std::vector<uint8_t>& out);
    bool EncodeHex(const JsonNode& value, size_t size, uint8_t* out);

    const Document& m_doc;
    const Layouts& m_layouts;
    ValueResolver& m_resolver;
};

} // namespace orvel::sim::snapshot

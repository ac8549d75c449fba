// Writes the compiler's extra debug-information records byte for byte, and the
// attribute and static-array framings that carry them in a debuggee's metadata, so
// that the substitute host can serve blobs built from a readable description.
//
// The encoder writes exactly what it is told: it checks nothing, so a test can also
// build a malformed blob on purpose. The reader is elsewhere and shares no code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/ElementType.h"

namespace orvel::sim {

// Bits of a record's flags word.
namespace RecordFlag {
constexpr uint32_t Array = 0x0001;          // an array section follows
constexpr uint32_t Pointer = 0x0002;        // Fortran POINTER
constexpr uint32_t Allocatable = 0x0004;    // ALLOCATABLE
constexpr uint32_t Static = 0x0008;         // SAVE storage
constexpr uint32_t Common = 0x0010;         // COMMON block: kind = instance, value = members
constexpr uint32_t Address = 0x0020;        // the value word is the address or offset
constexpr uint32_t Local = 0x0040;          // lives in the frame
constexpr uint32_t Constant = 0x0080;       // a constant section follows
constexpr uint32_t ModuleVariable = 0x0100; // name "module!variable", value module-relative
constexpr uint32_t Argument = 0x0200;       // dummy argument
constexpr uint32_t Hidden = 0x0400;         // not shown in child lists
constexpr uint32_t Decorated = 0x0800;      // name "{CONTAINER,+offset}MEMBER"
constexpr uint32_t Reserved1000 = 0x1000;   // never written by the compiler
constexpr uint32_t OfPrefix = 0x2000;       // name "PREFIX_of_NAME"
constexpr uint32_t DecoratedAlt = 0x4000;   // decorated name, second form
} // namespace RecordFlag

// The type word that announces a type name instead of a type number.
constexpr uint32_t TypeNameMarker = 0xFFFFFC09;

// The kind codes of the record format. Their numbering is the compiler's own and
// differs from ElementType; several codes may stand for one kind.
namespace RecordKind {
constexpr uint32_t Integer1 = 0;
constexpr uint32_t Logical1 = 1;
constexpr uint32_t Integer2 = 2;
constexpr uint32_t Logical2 = 3;
constexpr uint32_t Integer4 = 4;
constexpr uint32_t Logical4 = 5;
constexpr uint32_t Void = 6;
constexpr uint32_t Object4 = 9;
constexpr uint32_t Real4 = 10;
constexpr uint32_t Real8 = 11;
constexpr uint32_t Real10 = 12;
constexpr uint32_t Structure = 14;
constexpr uint32_t Enumeration = 15;
constexpr uint32_t Pointer4 = 16;
constexpr uint32_t Array = 17;
constexpr uint32_t Reference4 = 19;
constexpr uint32_t Complex8 = 23;
constexpr uint32_t Complex16 = 24;
constexpr uint32_t Complex20 = 25;
constexpr uint32_t String = 26;
constexpr uint32_t StringAlt = 28; // read as string too
constexpr uint32_t ArrayAlt = 29;  // read as array too
} // namespace RecordKind

// The code the compiler writes for a kind, or nothing for the kinds that have no
// code of their own (integer_8, the unsigned kinds, common, module, ...).
std::optional<uint32_t> RecordKindCode(ElementType type);

// One of the five bound items of an array dimension: a number, or the name of an
// integer variable that holds the value.
struct BoundItem {
    std::optional<std::string> name; // set: written as a name, the Bits bit is set
    uint32_t number = 0;

    static BoundItem Number(int32_t value);
    static BoundItem Named(std::string variable);
    // A number whose top byte is 0x80: the reader takes the value from the word at
    // the module base plus offset. offset must be below 0x01000000.
    static BoundItem ModuleRelative(uint32_t offset);
};

// One dimension. Items are in record order; Bits is derived from which are names.
struct RecordDimension {
    BoundItem base;        // lower bound
    BoundItem size;        // upper bound minus lower bound
    BoundItem stride;      // in elements
    BoundItem boundSizes;  // declared extent; 0 makes the reader use size + 1
    BoundItem boundOffset; // extra byte offset

    // Numeric bounds lower..upper with stride 1, declared extent upper - lower + 1
    // and no extra offset.
    static RecordDimension Bounds(int32_t lower, int32_t upper);
    uint32_t Bits() const;
};

struct ArraySection {
    int32_t elemSize = 0;
    std::vector<RecordDimension> dims; // the rank written is dims.size()
};

// The type of a structure record: a type number from the global-name table, or a
// type name written after the marker word.
struct StructureType {
    std::optional<std::string> name;
    uint32_t number = 0;
    uint32_t ignoredWord = 0; // the word after the marker, skipped by the reader

    static StructureType Number(uint32_t typeNumber);
    static StructureType Named(std::string typeName);
};

// A record as the compiler writes it. Sections are written when present, in the
// order array, constant, structure; the flag of a present array or constant section
// is added to the flags word. Nothing else is inferred: a structure section is
// written whenever it is present, and a section flag without its section writes none.
struct RecordSpec {
    std::string rawName;
    uint32_t flags = 0;
    uint32_t kind = 0;  // RecordKind code; the instance number for a COMMON block
    uint32_t value = 0; // address, offset, member count or module-relative address
    int32_t size = 0;   // bytes; for CHARACTER the length
    std::optional<ArraySection> array;
    std::optional<std::vector<uint8_t>> constant;
    std::optional<StructureType> structure;
};

// The flags word AppendRecord writes for spec.
uint32_t EffectiveFlags(const RecordSpec& spec);

void AppendRecord(std::vector<uint8_t>& out, const RecordSpec& spec);
std::vector<uint8_t> EncodeRecords(const std::vector<RecordSpec>& records);

// Little-endian 32-bit word, as every number in the format is written.
void AppendU32(std::vector<uint8_t>& out, uint32_t value);

// ---- Names and ready-made records -------------------------------------------------

// "{CONTAINER,+offset}MEMBER", or "{CONTAINER}MEMBER" without an offset.
std::string DecoratedName(std::string_view container, std::optional<int32_t> offset,
                          std::string_view member);
// "MODULE!VARIABLE".
std::string ModuleVariableName(std::string_view module, std::string_view variable);
// The hidden length variable of an assumed-length CHARACTER argument: "_Length_of_X_".
std::string LengthOfName(std::string_view argument);
// The key under which a COMMON block's member records are found: "/NAME/INSTANCE"
// for an instance above 0, else "/NAME/".
std::string CommonBlockKey(std::string_view name, int32_t instance);
// The name of the byte array that carries a static item's records when the host
// offers no attribute access for it: the item's name followed by "debug".
std::string CompanionFieldName(std::string_view staticItem);

// A scalar record of the given kind (kind must have a record code; void otherwise).
RecordSpec ScalarRecord(std::string name, ElementType type, int32_t size, uint32_t flags = 0);
// A COMMON block: flag Common, kind word = instance, value word = member count,
// size = the block's bytes.
RecordSpec CommonBlockRecord(std::string name, uint32_t instance, uint32_t memberCount,
                             int32_t size = 0);
// A module variable: flag ModuleVariable (plus extraFlags), name "MODULE!VARIABLE",
// value = offset of the variable from the module's base address.
RecordSpec ModuleVariableRecord(std::string_view module, std::string_view variable,
                                ElementType type, int32_t size, uint32_t offsetInModule,
                                uint32_t extraFlags = 0);
// The records of an assumed-length CHARACTER(*) argument: the argument itself (flags
// Argument | extraFlags, size 0) and its hidden INTEGER*4 length argument.
std::vector<RecordSpec> AssumedLengthArgument(std::string name, uint32_t extraFlags = 0);

// ---- Framing ------------------------------------------------------------------------

// The custom attribute on a method: prolog 01 00, 4 filler bytes, the records.
std::vector<uint8_t> MethodAttributeBlob(const std::vector<uint8_t>& records);
// The custom attribute on a static field: prolog 01 00, 8 filler bytes, the records.
std::vector<uint8_t> StaticFieldAttributeBlob(const std::vector<uint8_t>& records);
// The value of a companion static byte array: 4 filler bytes, the records.
std::vector<uint8_t> CompanionArrayValue(const std::vector<uint8_t>& records);

struct GlobalInfoEntry {
    uint32_t value = 0;
    std::string name; // full name, e.g. "MOD!T~POINT"
};
// The global-name attribute: prolog 01 00, 4 filler bytes, u32 count, then per
// entry a u32 value and the NUL-terminated name.
std::vector<uint8_t> GlobalInfoAttributeBlob(const std::vector<GlobalInfoEntry>& entries);

// ---- Hex ------------------------------------------------------------------------------

// Lower-case hex digits, two per byte, no separators.
std::string ToHex(const std::vector<uint8_t>& bytes);
// Two hex digits (either case) per byte; ASCII white space between bytes is ignored.
// An odd digit count, a stray character or white space inside a byte gives nothing
// and a message in *error (when error is not null).
std::optional<std::vector<uint8_t>> FromHex(std::string_view text, std::string* error = nullptr);

} // namespace orvel::sim

// The host-level model of a stopped managed program: what a debugger host knows about
// it through its symbol store and its view of the process. Plain data with indices; the
// COM objects in simhost/com/ serve it through the host's interfaces, and the snapshot
// loader fills it. Nothing here knows about Fortran.
//
// Fields (classes, methods, data fields, type fields) live in one table and refer to
// each other by FieldId; values live in another and refer to each other by ValueId.
// Text is UTF-8; names compare without regard to ASCII letter case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/HostSymbolTypes.h"

namespace orvel::sim {

using FieldId = int32_t;
using ValueId = int32_t;
constexpr FieldId kNoField = -1;
constexpr ValueId kNoValue = -1;

// Case-insensitive (ASCII) ordering and equality for name maps and look-ups.
bool NamesEqual(std::string_view a, std::string_view b);
struct NameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// Which host interfaces a field object answers besides IDebugField. Kept explicit
// rather than derived from the kind bits: real hosts report kinds that do not always
// match the forms they grant.
enum class FieldForm {
    Plain,     // IDebugField only (data fields, primitive type fields)
    Container, // + IDebugContainerField
    Class,     // + IDebugContainerField, IDebugClassField
    Method,    // + IDebugContainerField, IDebugMethodField
    Pointer,   // + IDebugContainerField, IDebugPointerField
    Array,     // + IDebugContainerField, IDebugArrayField
};

// How a field offers its custom attributes.
enum class AttributeAccess {
    None,       // neither query interface
    Query,      // IDebugCustomAttributeQuery and IDebugCustomAttributeQuery2
    Query2Only, // only the second one; the first is refused with E_NOINTERFACE
};

struct HostField {
    FieldForm form = FieldForm::Plain;
    std::string name;     // simple name (FIF_NAME)
    std::string fullName; // dotted name (FIF_FULLNAME)
    std::string typeName; // type text as the host reports it (FIF_TYPE), e.g. "int"
    uint32_t kind = 0;    // FIELD_KIND bits
    uint32_t modifiers = 0;
    uint32_t size = 0; // GetSize, in bytes

    FieldId container = kNoField;    // GetContainer; none at the top
    FieldId type = kNoField;         // GetType; none makes GetType fail
    FieldId dereferenced = kNoField; // pointer fields: GetDereferencedField
    FieldId elementType = kNoField;  // array fields: GetElementType
    uint32_t arrayRank = 0;          // array fields: GetRank
    uint32_t arrayCount = 0;         // array fields: GetNumberOfElements

    std::vector<FieldId> members;    // classes: fields, methods and nested classes, in order
    std::vector<FieldId> parameters; // methods
    std::vector<FieldId> locals;     // methods; locals with FIELD_MOD_HIDDEN only in EnumAllLocals
    FieldId thisClass = kNoField;    // methods: GetThis (none for static methods)

    AttributeAccess attributeAccess = AttributeAccess::None;
    std::map<std::string, std::vector<uint8_t>, NameLess> attributes; // name → raw blob

    // What Bind answers with no container object: statics, and the stopped frame's
    // arguments and locals. Members of objects take their values from the object.
    ValueId value = kNoValue;
};

// The shape of a value decides which object interfaces it answers.
enum class ValueForm {
    Plain,   // IDebugObject
    String,  // IDebugObject; sizes and GetValue count UTF-16 units, bytes hold UTF-16LE
    Array,   // + IDebugArrayObject over `elements`
    Pointer, // + IDebugPointerObject; Dereference gives `target`
    Object,  // a .NET object: members by field name
};

struct HostValue {
    ValueForm form = ValueForm::Plain;
    std::vector<uint8_t> bytes;                       // raw value, little-endian
    std::optional<uint32_t> address;                  // debuggee address; none: no memory context
    bool isNull = false;                              // IsNullReference
    std::vector<ValueId> elements;                    // arrays, in index order
    ValueId target = kNoValue;                        // pointers; none: Dereference fails
    FieldId objectClass = kNoField;                   // objects: their class
    std::map<std::string, ValueId, NameLess> members; // objects: member name → value
};

// A block of debuggee memory at its 32-bit address.
struct MemoryRegion {
    uint32_t base = 0;
    std::vector<uint8_t> bytes;
};

// Operations that can be made to fail for one field (and the objects bound from it).
enum class HostOp { GetType, Bind, GetValue, GetMemoryContext, Count };
// The operation's name as written in snapshots ("GetType", …); nullptr for Count.
const char* HostOpName(HostOp op);
// The operation of a name (case-insensitive), or Count when there is none.
HostOp HostOpFromName(std::string_view name);

struct InjectedFailure {
    std::string field; // matched against the field's full name, then its simple name
    HostOp op = HostOp::Count;
    HRESULT result = E_FAIL;
};

// The code location where the program stopped.
struct StopLocation {
    FieldId method = kNoField;
    uint32_t ilOffset = 0;
};

// The name of the debuggee's own address lookup method.
inline constexpr const char* kLookupMethodFullName =
    "Kestrin.Debug.DebugHelper.LookupStaticAddress";
// What the lookup method answers for a name it does not know.
constexpr uint32_t kLookupMissing = 0xFFFFFFFF;

struct HostProgram {
    std::vector<HostField> fields;
    std::vector<HostValue> values;

    FieldId globalClass = kNoField; // the program class: GetGlobalContainer of every method
    StopLocation stop;
    FieldId lookupMethod = kNoField; // binding it gives the function object of the lookup
    std::map<std::string, uint32_t, NameLess> lookupTable;

    std::vector<MemoryRegion> memory; // the image the debuggee process holds
    std::vector<InjectedFailure> failures;

    // Some hosts refuse GetCustomAttributeByName without a buffer (0x800706F4); the
    // others just report the length.
    bool refuseNullAttributeBuffer = false;

    // Set when the debuggee process starts; the values listed get the id as their
    // first 4 bytes (and at their address, when they have one).
    uint32_t processId = 0;
    std::vector<ValueId> processIdValues;

    // --- building ----------------------------------------------------------------
    FieldId AddField(HostField field); // appends; no links are made
    ValueId AddValue(HostValue value);

    // A class (FIELD_KIND_TYPE | FIELD_TYPE_CLASS, form Class). The simple name is the
    // text after the last '.'; with an enclosing class it is also listed among that
    // class's members.
    FieldId AddClass(std::string_view fullName, FieldId enclosing = kNoField);
    // The primitive type field of that name ("int", "System.Int32", …), made once.
    FieldId PrimitiveType(std::string_view name, uint32_t size);
    // A method of a class (FIELD_KIND_SYMBOL | FIELD_TYPE_METHOD, form Method).
    FieldId AddMethod(FieldId cls, std::string_view name, uint32_t modifiers = 0);
    // A data member of a class (FIELD_KIND_SYMBOL | FIELD_SYM_MEMBER | extraKind);
    // type name and size are taken from the type field.
    FieldId AddMember(FieldId cls, std::string_view name, FieldId type, uint32_t modifiers,
                      ValueId value = kNoValue, uint32_t extraKind = 0);
    // Arguments and locals of a method (FIELD_SYM_PARAM / FIELD_SYM_LOCAL).
    FieldId AddParameter(FieldId method, std::string_view name, FieldId type,
                         ValueId value = kNoValue, uint32_t extraKind = 0);
    FieldId AddLocal(FieldId method, std::string_view name, FieldId type, ValueId value = kNoValue,
                     uint32_t extraKind = 0, uint32_t modifiers = 0);

    // Values: a scalar from its bytes, a .NET string, an array of element values.
    ValueId AddScalar(std::vector<uint8_t> bytes, std::optional<uint32_t> address = {});
    ValueId AddString(std::u16string_view text);
    ValueId AddArray(std::vector<ValueId> elements);

    // Copies bytes into the image, growing or adding a region as needed.
    void WriteMemory(uint32_t address, const uint8_t* data, size_t size);
    // Reads from the image; false when some byte lies in no region.
    bool ReadMemory(uint32_t address, uint8_t* data, size_t size) const;

    // --- look-ups ----------------------------------------------------------------
    bool IsField(FieldId id) const { return id >= 0 && static_cast<size_t>(id) < fields.size(); }
    bool IsValue(ValueId id) const { return id >= 0 && static_cast<size_t>(id) < values.size(); }
    // The class of that full name, or kNoField.
    FieldId FindClass(std::string_view fullName) const;
    // A member, parameter or local of a class or method by simple name, or kNoField.
    FieldId FindChild(FieldId container, std::string_view name) const;
    // Methods whose full name matches, in table order.
    std::vector<FieldId> FindMethods(std::string_view fullName) const;
    // The failure injected for this field and operation, or S_OK.
    HRESULT InjectedResult(FieldId field, HostOp op) const;
};

} // namespace orvel::sim

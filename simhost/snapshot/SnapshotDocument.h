// A snapshot as read from its JSON, checked for form but not yet laid out: the
// program's derived types, modules, COMMON blocks, routines and .NET classes. Values
// stay JSON until the builder knows where they go.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simhost/snapshot/JsonNode.h"

namespace orvel::sim::snapshot {

constexpr const char* kFormatName = "orvel-snapshot/1";

enum class BaseType : uint8_t {
    Integer1,
    Integer2,
    Integer4,
    Logical1,
    Logical2,
    Logical4,
    Real4,
    Real8,
    Complex8,
    Complex16,
    Character,
    Derived,
    Object,
};

// One bound of a dimension: a number, the name of an integer variable, or "*".
struct Bound {
    enum class Kind : uint8_t { Number, Name, Star };
    Kind kind = Kind::Number;
    int32_t number = 0;
    std::string name;
    std::string path;
};

struct Dimension {
    Bound lower;
    Bound upper;
    std::string path;
};

// Where a variable lives; decides its record, its storage and its host field.
enum class Role : uint8_t { Argument, Local, Static, ModuleVariable, CommonMember, Component };

// How the debuggee publishes the address of a static storage area.
enum class AddressMode : uint8_t {
    Table,  // in ~DebugInfo~/~DebugInfoNames~, and known to the lookup method
    Lookup, // known to the lookup method only
    None,   // neither: found through the binder, or not at all
};

// How the records of a static item reach the host.
enum class Carrier : uint8_t {
    Attribute, // the custom attribute on its static field
    Companion, // no attribute access; a "…debug" byte array beside it
    Query2,    // the attribute, offered only through the second attribute query interface
};

// How records name a derived type.
enum class TypeReference : uint8_t {
    Number,    // a type number from the global-name table
    Name,      // the full name (module!type)
    ShortName, // the name alone, found through the global-name table's short names
};

struct Variable {
    std::string path;
    std::string name;
    Role role = Role::Local;
    BaseType base = BaseType::Integer4;
    int32_t len = 0;            // Character: length in bytes
    bool assumedLength = false; // Character: len "*"
    int type = -1;              // Derived: index into Document::types
    int cls = -1;               // Object: index into Document::classes
    bool hasDims = false;
    std::vector<Dimension> dims;
    bool pointer = false;
    bool allocatable = false;
    bool allocated = true;
    bool parameter = false;
    bool hidden = false;
    std::optional<std::string> target; // pointers: the target's name; none: disassociated
    std::optional<JsonNode> value;
    // Statics: the storage block they share ("" for a field of their own) and how
    // their address is published.
    std::string storage;
    AddressMode address = AddressMode::Table;
};

struct DerivedType {
    std::string path;
    std::string name;
    std::string module;   // empty outside a module
    std::string fullName; // module!name inside a module, else name
    TypeReference reference = TypeReference::Number;
    uint32_t number = 0; // in the global-name table
    std::vector<Variable> components;
};

struct Module {
    std::string path;
    std::string name;
    std::vector<Variable> variables;
    AddressMode address = AddressMode::Table;
    Carrier carrier = Carrier::Attribute;
};

struct Common {
    std::string path;
    std::string name;
    int32_t instance = 0; // 0 when the snapshot gives none
    std::vector<Variable> members;
    AddressMode address = AddressMode::Table;
    Carrier carrier = Carrier::Attribute;
};

struct Routine {
    std::string path;
    std::string name;
    std::vector<Variable> arguments;
    std::vector<Variable> locals;
    std::vector<Variable> statics;
    std::vector<int> commons; // indexes into Document::commons
    std::vector<int> uses;    // indexes into Document::modules
    int thisClass = -1;       // index into Document::classes; -1 for a static method
};

// A field of a .NET class.
struct ClassField {
    enum class Kind : uint8_t { Primitive, String, Reference, Pointer };
    std::string path;
    std::string name;
    std::string typeName; // as the host reports it
    Kind kind = Kind::Primitive;
    uint32_t size = 0; // primitives: bytes
    int cls = -1;      // Reference, Pointer: the class referred to
    bool isStatic = false;
    std::optional<JsonNode> value; // statics only
    // Primitives and strings: the type field the host reports instead ("hostType"),
    // with exactly this name and size; the value keeps the layout of typeName.
    std::optional<std::string> hostTypeName;
    uint32_t hostTypeSize = 0;
};

struct ClassDef {
    std::string path;
    std::string name; // full (dotted) name
    std::vector<ClassField> fields;
    std::vector<std::string> methods; // instance methods, by simple name
};

struct ObjectDef {
    std::string path;
    std::string id;
    int cls = -1;
    std::optional<JsonNode> fields; // member name → value
};

struct Document {
    std::string program;
    int stop = -1; // index into routines
    std::vector<DerivedType> types;
    std::vector<Module> modules;
    std::vector<Common> commons;
    std::vector<Routine> routines;
    std::vector<ClassDef> classes;
    std::vector<ObjectDef> objects;
    std::optional<JsonNode> raw;
};

bool IsIntegerBase(BaseType base);
bool IsLogicalBase(BaseType base);
bool IsRealBase(BaseType base);
bool IsComplexBase(BaseType base);
// "INTEGER*4", "CHARACTER", "TYPE(POINT)"… for messages.
std::string BaseTypeText(const Document& doc, const Variable& var);

} // namespace orvel::sim::snapshot

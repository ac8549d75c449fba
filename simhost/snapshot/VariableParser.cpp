#include "simhost/snapshot/VariableParser.h"

#include <cstring>
#include <iterator>

namespace orvel::sim::snapshot {

namespace {

// Type names of the snapshot, in BaseType order (the kinds before Derived).
const char* const kBaseTypeNames[] = {
    "integer_1", "integer_2", "integer_4", "logical_1",  "logical_2", "logical_4",
    "real_4",    "real_8",    "complex_8", "complex_16", "character",
};
static_assert(std::size(kBaseTypeNames) == static_cast<size_t>(BaseType::Derived),
              "one snapshot type name per intrinsic BaseType");

const char* const kBaseTypeTexts[] = {
    "INTEGER*1", "INTEGER*2", "INTEGER*4", "LOGICAL*1",  "LOGICAL*2", "LOGICAL*4",
    "REAL*4",    "REAL*8",    "COMPLEX*8", "COMPLEX*16", "CHARACTER",
};
static_assert(std::size(kBaseTypeTexts) == static_cast<size_t>(BaseType::Derived),
              "one text per intrinsic BaseType");

constexpr const char* kObjectPrefix = "object:";

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void ParseType(Variable& var, const JsonNode& node, const TypeNames& names) {
    const JsonNode type = node.Require("type");
    const std::string text = type.String();
    bool found = false;
    for (size_t i = 0; i < std::size(kBaseTypeNames); ++i)
        if (text == kBaseTypeNames[i]) {
            var.base = static_cast<BaseType>(i);
            found = true;
        }
    if (!found && text.compare(0, std::strlen(kObjectPrefix), kObjectPrefix) == 0) {
        var.base = BaseType::Object;
        var.cls = names.FindClass(text.substr(std::strlen(kObjectPrefix)));
        if (var.cls < 0) Fail(type.Path(), "unknown type name '" + text + "'");
        found = true;
    }
    if (!found) {
        var.base = BaseType::Derived;
        var.type = names.FindDerivedType(text, type.Path());
    }
    std::optional<JsonNode> len = node.Find("len");
    if (var.base != BaseType::Character) {
        if (len) Fail(len->Path(), "only CHARACTER has a length");
        return;
    }
    if (!len) Fail(MemberPath(node.Path(), "len"), "missing (CHARACTER needs a length)");
    if (len->IsString() && len->String() == "*") {
        if (var.role != Role::Argument)
            Fail(len->Path(), "only an argument can have the assumed length \"*\"");
        var.assumedLength = true;
        return;
    }
    var.len = static_cast<int32_t>(len->Integer(0, 0x7FFFFFFF));
}

Bound ParseBound(const JsonNode& node, bool upper) {
    Bound bound;
    bound.path = node.Path();
    if (node.IsString()) {
        const std::string text = node.String();
        if (text == "*") {
            if (!upper) Fail(node.Path(), "only an upper bound can be \"*\"");
            bound.kind = Bound::Kind::Star;
        } else if (text.size() > 2 && text[0] == '0' && (text[1] | 0x20) == 'x') {
            bound.number = static_cast<int32_t>(node.Integer(INT32_MIN, INT32_MAX));
        } else {
            if (!IsVariableName(text)) Fail(node.Path(), "not a variable name: '" + text + "'");
            bound.kind = Bound::Kind::Name;
            bound.name = text;
        }
        return bound;
    }
    bound.number = static_cast<int32_t>(node.Integer(INT32_MIN, INT32_MAX));
    return bound;
}

void ParseDims(Variable& var, const JsonNode& node) {
    const std::vector<JsonNode> items = node.Items();
    if (items.empty()) Fail(node.Path(), "empty; leave \"dims\" out for a scalar");
    if (items.size() > 7) Fail(node.Path(), "rank " + std::to_string(items.size()) + " is above 7");
    var.hasDims = true;
    for (const JsonNode& item : items) {
        Dimension dim;
        dim.path = item.Path();
        if (item.IsArray()) {
            const std::vector<JsonNode> pair = item.Items();
            if (pair.size() != 2) Fail(item.Path(), "expected [lower, upper]");
            dim.lower = ParseBound(pair[0], false);
            dim.upper = ParseBound(pair[1], true);
        } else {
            // A single item is the upper bound over a lower bound of 1.
            dim.lower.number = 1;
            dim.lower.path = item.Path();
            dim.upper = ParseBound(item, true);
        }
        if (dim.lower.kind == Bound::Kind::Number && dim.upper.kind == Bound::Kind::Number &&
            int64_t{dim.lower.number} > int64_t{dim.upper.number} + 1)
            Fail(item.Path(), "lower bound " + std::to_string(dim.lower.number) +
                                  " is above upper bound " + std::to_string(dim.upper.number) +
                                  " + 1");
        var.dims.push_back(std::move(dim));
    }
}

void CheckVariableRules(const Variable& var, const JsonNode& node) {
    const std::string& path = node.Path();
    bool named = false;
    for (size_t i = 0; i < var.dims.size(); ++i) {
        const Dimension& dim = var.dims[i];
        named = named || dim.lower.kind == Bound::Kind::Name || dim.upper.kind == Bound::Kind::Name;
        if (dim.upper.kind == Bound::Kind::Star) {
            if (var.role != Role::Argument) Fail(dim.path, "only an argument can be assumed-size");
            if (i + 1 != var.dims.size())
                Fail(dim.path, "only the last dimension can be assumed-size");
            if (dim.lower.kind == Bound::Kind::Number && dim.lower.number < 1)
                Fail(dim.path, "an assumed-size dimension needs a lower bound of at least 1");
        }
    }
    if (named && var.role != Role::Argument && var.role != Role::Local &&
        var.role != Role::ModuleVariable)
        Fail(MemberPath(path, "dims"), "bounds held in variables are only for arguments, "
                                       "locals and module variables");
    if (named && (var.pointer || var.allocatable || var.parameter))
        Fail(MemberPath(path, "dims"), "a POINTER, ALLOCATABLE or PARAMETER has numeric bounds");
    if (var.pointer && var.allocatable)
        Fail(path, "a variable cannot be both POINTER and ALLOCATABLE");
    if (var.parameter) {
        if (var.pointer || var.allocatable || var.base == BaseType::Object)
            Fail(path, "a PARAMETER cannot be POINTER, ALLOCATABLE or an object");
        if (var.role != Role::Local && var.role != Role::ModuleVariable)
            Fail(MemberPath(path, "parameter"),
                 "only locals and module variables can be PARAMETERs");
        if (!var.value) Fail(MemberPath(path, "value"), "missing (a PARAMETER needs its value)");
    }
    if (var.allocatable) {
        if (var.role == Role::Component)
            Fail(MemberPath(path, "allocatable"), "a component cannot be ALLOCATABLE");
        if (var.allocated && !var.hasDims)
            Fail(MemberPath(path, "dims"), "missing (an allocated ALLOCATABLE needs its bounds)");
        if (!var.allocated && var.value)
            Fail(var.value->Path(), "an unallocated ALLOCATABLE has no value");
    }
    if (var.pointer) {
        if (var.role == Role::Component && var.target)
            Fail(MemberPath(path, "target"), "a POINTER component gets its target as its value");
        if (var.role != Role::Component && var.value &&
            !(var.value->IsString() && var.value->String() == "undefined"))
            Fail(var.value->Path(), "a POINTER's value is given by \"target\" (or \"undefined\")");
    }
    if (var.hidden && var.role == Role::Component)
        Fail(MemberPath(path, "hidden"), "a component cannot be hidden");
}

} // namespace

// Class names are dotted .NET names; they end up in dotted look-up keys and in the
// comma-separated name table, so a few characters are kept out.
bool IsClassName(const std::string& name) {
    if (name.empty() || name.size() > 200 || name.front() == '.' || name.back() == '.')
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '!' || c == '~' || c == '*')
            return false;
    return true;
}

AddressMode ParseAddressMode(const JsonNode& node) {
    const std::string text = node.String();
    if (text == "table") return AddressMode::Table;
    if (text == "lookup") return AddressMode::Lookup;
    if (text == "none") return AddressMode::None;
    Fail(node.Path(), "expected \"table\", \"lookup\" or \"none\", found \"" + text + "\"");
}

Variable ReadVariable(const JsonNode& node, Role role, const TypeNames& names) {
    if (role == Role::Static)
        node.ExpectObject({"name", "type", "len", "dims", "pointer", "allocatable", "allocated",
                           "target", "parameter", "value", "hidden", "storage", "address"});
    else
        node.ExpectObject({"name", "type", "len", "dims", "pointer", "allocatable", "allocated",
                           "target", "parameter", "value", "hidden"});
    Variable var;
    var.path = node.Path();
    var.role = role;
    const JsonNode name = node.Require("name");
    var.name = name.String();
    if (!IsVariableName(var.name)) Fail(name.Path(), "not a Fortran name: '" + var.name + "'");
    ParseType(var, node, names);
    if (auto dims = node.Find("dims")) ParseDims(var, *dims);
    var.pointer = node.BoolOr("pointer", false);
    var.allocatable = node.BoolOr("allocatable", false);
    var.parameter = node.BoolOr("parameter", false);
    var.hidden = node.BoolOr("hidden", false);
    if (auto allocated = node.Find("allocated")) {
        if (!var.allocatable) Fail(allocated->Path(), "only an ALLOCATABLE variable has this");
        var.allocated = allocated->Bool();
    }
    if (auto target = node.Find("target")) {
        if (!var.pointer) Fail(target->Path(), "only a POINTER has a target");
        if (!target->IsNull()) var.target = target->String();
    }
    var.value = node.Find("value");
    if (auto storage = node.Find("storage")) {
        var.storage = storage->String();
        if (!IsVariableName(var.storage) && !IsClassName(var.storage))
            Fail(storage->Path(), "not a usable storage name: '" + var.storage + "'");
    }
    if (auto address = node.Find("address")) var.address = ParseAddressMode(*address);
    CheckVariableRules(var, node);
    return var;
}

bool IsVariableName(const std::string& name) {
    if (name.empty() || name.size() > 200) return false;
    if (!IsLetter(name[0]) && name[0] != '_') return false;
    for (char c : name)
        if (!IsLetter(c) && !IsDigit(c) && c != '_' && c != '$' && c != '#') return false;
    return true;
}

bool IsIntegerBase(BaseType base) {
    return base == BaseType::Integer1 || base == BaseType::Integer2 || base == BaseType::Integer4;
}
bool IsLogicalBase(BaseType base) {
    return base == BaseType::Logical1 || base == BaseType::Logical2 || base == BaseType::Logical4;
}
bool IsRealBase(BaseType base) {
    return base == BaseType::Real4 || base == BaseType::Real8;
}
bool IsComplexBase(BaseType base) {
    return base == BaseType::Complex8 || base == BaseType::Complex16;
}

std::string BaseTypeText(const Document& doc, const Variable& var) {
    if (var.base == BaseType::Derived)
        return "TYPE(" + doc.types[static_cast<size_t>(var.type)].fullName + ")";
    if (var.base == BaseType::Object)
        return "object:" + doc.classes[static_cast<size_t>(var.cls)].name;
    return kBaseTypeTexts[static_cast<size_t>(var.base)];
}

} // namespace orvel::sim::snapshot

#include "simhost/snapshot/DocumentParser.h"

#include <cstring>
#include <iterator>
#include <map>
#include <set>

#include "simhost/model/HostModel.h"
#include "simhost/snapshot/VariableParser.h"

namespace orvel::sim::snapshot {

namespace {

// .NET types a class field may have, with their sizes.
struct PrimitiveName {
    const char* name;
    uint32_t size;
};
const PrimitiveName kPrimitives[] = {
    {"System.Boolean", 1}, {"System.Byte", 1},   {"System.SByte", 1},  {"System.Char", 2},
    {"System.Int16", 2},   {"System.UInt16", 2}, {"System.Int32", 4},  {"System.UInt32", 4},
    {"System.Int64", 8},   {"System.UInt64", 8}, {"System.Single", 4}, {"System.Double", 8},
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

Carrier ParseCarrier(const JsonNode& node) {
    const std::string text = node.String();
    if (text == "attribute") return Carrier::Attribute;
    if (text == "companion") return Carrier::Companion;
    if (text == "query2") return Carrier::Query2;
    Fail(node.Path(),
         "expected \"attribute\", \"companion\" or \"query2\", found \"" + text + "\"");
}

// Fails on a second use of a name (letter case ignored) within one list.
class NameSet {
public:
    explicit NameSet(std::string what) : m_what(std::move(what)) {}
    void Add(const std::string& name, const std::string& path) {
        auto [it, added] = m_seen.emplace(name, path);
        if (!added)
            Fail(path, "duplicate " + m_what + " '" + name + "' (also at " + it->second + ")");
    }

private:
    std::string m_what;
    std::map<std::string, std::string, NameLess> m_seen;
};

class Parser : private TypeNames {
public:
    explicit Parser(const nlohmann::json& root) : m_root(root, "") {}
    Document Run();

private:
    void ParseClasses(const JsonNode& list);
    void ParseClassFields(ClassDef& cls, const JsonNode& node);
    void ParseClassMethods(ClassDef& cls, const JsonNode& list);
    void ParseTypes(const JsonNode& list);
    void ParseModules(const JsonNode& list);
    void ParseCommons(const JsonNode& list);
    void ParseRoutines(const JsonNode& list);
    void ParseObjects(const JsonNode& list);

    std::vector<Variable> ParseVariables(const JsonNode& list, Role role, const std::string& what);

    int FindClass(const std::string& name) const override;
    int FindDerivedType(const std::string& name, const std::string& path) const override;
    int FindCommon(const std::string& ref, const std::string& path) const;

    JsonNode m_root;
    Document m_doc;
    std::map<std::string, int, NameLess> m_classByName;
    std::map<std::string, int, NameLess> m_typeByFullName;
    std::multimap<std::string, int, NameLess> m_typeByName;
};

Document Parser::Run() {
    m_root.ExpectObject({"format", "program", "stop", "types", "modules", "commons", "routines",
                         "classes", "objects", "raw"});
    const JsonNode format = m_root.Require("format");
    if (format.String() != kFormatName)
        Fail(format.Path(),
             "expected \"" + std::string(kFormatName) + "\", found \"" + format.String() + "\"");
    const JsonNode program = m_root.Require("program");
    m_doc.program = program.String();
    if (!IsClassName(m_doc.program)) Fail(program.Path(), "not a usable class name");

    // Classes and types first: variables refer to them by name.
    if (auto list = m_root.Find("classes")) ParseClasses(*list);
    if (auto list = m_root.Find("types")) ParseTypes(*list);
    if (auto list = m_root.Find("modules")) ParseModules(*list);
    if (auto list = m_root.Find("commons")) ParseCommons(*list);
    ParseRoutines(m_root.Require("routines"));
    if (auto list = m_root.Find("objects")) ParseObjects(*list);

    const JsonNode stop = m_root.Require("stop");
    const std::string stopName = stop.String();
    for (size_t i = 0; i < m_doc.routines.size(); ++i)
        if (NamesEqual(m_doc.routines[i].name, stopName)) m_doc.stop = static_cast<int>(i);
    if (m_doc.stop < 0) Fail(stop.Path(), "names no routine: '" + stopName + "'");

    m_doc.raw = m_root.Find("raw");
    return std::move(m_doc);
}

void Parser::ParseClasses(const JsonNode& list) {
    NameSet names("class");
    // Names first, so that fields may refer to any class.
    for (const JsonNode& node : list.Items()) {
        node.ExpectObject({"name", "fields", "methods"});
        ClassDef cls;
        cls.path = node.Path();
        const JsonNode name = node.Require("name");
        cls.name = name.String();
        if (!IsClassName(cls.name)) Fail(name.Path(), "not a usable class name");
        names.Add(cls.name, name.Path());
        m_classByName[cls.name] = static_cast<int>(m_doc.classes.size());
        m_doc.classes.push_back(std::move(cls));
    }
    const std::vector<JsonNode> items = list.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (auto fields = items[i].Find("fields")) ParseClassFields(m_doc.classes[i], *fields);
        if (auto methods = items[i].Find("methods")) ParseClassMethods(m_doc.classes[i], *methods);
    }
}

void Parser::ParseClassMethods(ClassDef& cls, const JsonNode& list) {
    NameSet names("method");
    for (const JsonNode& node : list.Items()) {
        const std::string name = node.String();
        if (name.empty() || !IsClassName(name) || name.find('.') != std::string::npos)
            Fail(node.Path(), "not a usable method name");
        for (const ClassField& field : cls.fields)
            if (NamesEqual(field.name, name))
                Fail(node.Path(), "method '" + name + "' has the name of a field");
        names.Add(name, node.Path());
        cls.methods.push_back(name);
    }
}

void Parser::ParseClassFields(ClassDef& cls, const JsonNode& list) {
    NameSet names("field");
    for (const JsonNode& node : list.Items()) {
        node.ExpectObject({"name", "type", "static", "value", "hostType"});
        ClassField field;
        field.path = node.Path();
        const JsonNode name = node.Require("name");
        field.name = name.String();
        if (field.name.empty() || !IsClassName(field.name) ||
            field.name.find('.') != std::string::npos)
            Fail(name.Path(), "not a usable field name");
        names.Add(field.name, name.Path());
        const JsonNode type = node.Require("type");
        field.typeName = type.String();
        field.isStatic = node.BoolOr("static", false);
        field.value = node.Find("value");
        if (field.value && !field.isStatic)
            Fail(field.value->Path(), "only static fields have a value here; give instance "
                                      "values in \"objects\"");
        std::string target = field.typeName;
        if (!target.empty() && target.back() == '*') {
            field.kind = ClassField::Kind::Pointer;
            target.pop_back();
        }
        for (const PrimitiveName& p : kPrimitives)
            if (field.kind == ClassField::Kind::Primitive && target == p.name) field.size = p.size;
        if (field.kind == ClassField::Kind::Primitive && field.size == 0) {
            if (target == "System.String") {
                field.kind = ClassField::Kind::String;
                field.size = 4;
            } else {
                field.kind = ClassField::Kind::Reference;
                field.size = 4;
                field.cls = FindClass(target);
            }
        } else if (field.kind == ClassField::Kind::Pointer) {
            field.size = 4;
            field.cls = FindClass(target);
        }
        if ((field.kind == ClassField::Kind::Reference ||
             field.kind == ClassField::Kind::Pointer) &&
            field.cls < 0)
            Fail(type.Path(), "unknown type '" + field.typeName + "'");
        if (auto hostType = node.Find("hostType")) {
            if (field.kind != ClassField::Kind::Primitive && field.kind != ClassField::Kind::String)
                Fail(hostType->Path(), "only primitive and string fields take a hostType");
            hostType->ExpectObject({"name", "size"});
            field.hostTypeName = hostType->Require("name").String();
            field.hostTypeSize =
                static_cast<uint32_t>(hostType->Require("size").Integer(0, 0xFFFF));
        }
        cls.fields.push_back(std::move(field));
    }
}

void Parser::ParseTypes(const JsonNode& list) {
    NameSet names("derived type");
    for (const JsonNode& node : list.Items()) {
        node.ExpectObject({"name", "module", "reference", "number", "components"});
        DerivedType type;
        type.path = node.Path();
        const JsonNode name = node.Require("name");
        type.name = name.String();
        if (!IsVariableName(type.name))
            Fail(name.Path(), "not a Fortran name: '" + type.name + "'");
        type.module = node.StringOr("module", "");
        if (!type.module.empty() && !IsVariableName(type.module))
            Fail(MemberPath(node.Path(), "module"), "not a Fortran name: '" + type.module + "'");
        type.fullName = type.module.empty() ? type.name : type.module + "!" + type.name;
        names.Add(type.fullName, name.Path());
        if (auto reference = node.Find("reference")) {
            const std::string text = reference->String();
            if (text == "number")
                type.reference = TypeReference::Number;
            else if (text == "name")
                type.reference = TypeReference::Name;
            else if (text == "short")
                type.reference = TypeReference::ShortName;
            else
                Fail(reference->Path(),
                     "expected \"number\", \"name\" or \"short\", found \"" + text + "\"");
        }
        m_typeByFullName[type.fullName] = static_cast<int>(m_doc.types.size());
        m_typeByName.emplace(type.name, static_cast<int>(m_doc.types.size()));
        type.number = static_cast<uint32_t>(m_doc.types.size() + 1);
        if (auto number = node.Find("number"))
            type.number = static_cast<uint32_t>(number->Integer(0, 0xFFFFFC08));
        m_doc.types.push_back(std::move(type));
    }
    // Components after all names: a component may be of any type, also a later one.
    const std::vector<JsonNode> items = list.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        const JsonNode components = items[i].Require("components");
        m_doc.types[i].components = ParseVariables(components, Role::Component, "component");
        if (m_doc.types[i].components.empty())
            Fail(components.Path(), "a derived type needs at least one component");
    }
}

void Parser::ParseModules(const JsonNode& list) {
    NameSet names("module");
    for (const JsonNode& node : list.Items()) {
        node.ExpectObject({"name", "variables", "address", "debugInfo"});
        Module module;
        module.path = node.Path();
        const JsonNode name = node.Require("name");
        module.name = name.String();
        if (!IsVariableName(module.name))
            Fail(name.Path(), "not a Fortran name: '" + module.name + "'");
        names.Add(module.name, name.Path());
        if (auto vars = node.Find("variables"))
            module.variables = ParseVariables(*vars, Role::ModuleVariable, "variable");
        if (auto address = node.Find("address")) module.address = ParseAddressMode(*address);
        if (auto carrier = node.Find("debugInfo")) module.carrier = ParseCarrier(*carrier);
        m_doc.modules.push_back(std::move(module));
    }
}

void Parser::ParseCommons(const JsonNode& list) {
    NameSet names("COMMON block");
    for (const JsonNode& node : list.Items()) {
        node.ExpectObject({"name", "instance", "members", "address", "debugInfo"});
        Common common;
        common.path = node.Path();
        const JsonNode name = node.Require("name");
        common.name = name.String();
        // The blank COMMON has the empty name.
        if (!common.name.empty() && !IsVariableName(common.name))
            Fail(name.Path(), "not a Fortran name: '" + common.name + "'");
        if (auto instance = node.Find("instance"))
            common.instance = static_cast<int32_t>(instance->Integer(0, 0x7FFFFFFF));
        names.Add("/" + common.name + "/" + std::to_string(common.instance), node.Path());
        common.members = ParseVariables(node.Require("members"), Role::CommonMember, "member");
        if (auto address = node.Find("address")) common.address = ParseAddressMode(*address);
        if (auto carrier = node.Find("debugInfo")) common.carrier = ParseCarrier(*carrier);
        // Instances of one name share their storage and so its address.
        for (const Common& other : m_doc.commons)
            if (other.name == common.name && other.address != common.address)
                Fail(MemberPath(node.Path(), "address"),
                     "differs from the address of another instance of /" + common.name + "/");
        m_doc.commons.push_back(std::move(common));
    }
}

void Parser::ParseRoutines(const JsonNode& list) {
    NameSet names("routine");
    for (const JsonNode& node : list.Items()) {
        node.ExpectObject({"name", "arguments", "locals", "statics", "commons", "uses", "this"});
        Routine routine;
        routine.path = node.Path();
        const JsonNode name = node.Require("name");
        routine.name = name.String();
        if (!IsVariableName(routine.name))
            Fail(name.Path(), "not a Fortran name: '" + routine.name + "'");
        names.Add(routine.name, name.Path());
        if (auto vars = node.Find("arguments"))
            routine.arguments = ParseVariables(*vars, Role::Argument, "argument");
        if (auto vars = node.Find("locals"))
            routine.locals = ParseVariables(*vars, Role::Local, "local");
        if (auto vars = node.Find("statics"))
            routine.statics = ParseVariables(*vars, Role::Static, "static");
        if (auto commons = node.Find("commons"))
            for (const JsonNode& ref : commons->Items()) {
                const int index = FindCommon(ref.String(), ref.Path());
                for (int seen : routine.commons)
                    if (seen == index) Fail(ref.Path(), "COMMON block listed twice");
                routine.commons.push_back(index);
            }
        if (auto uses = node.Find("uses"))
            for (const JsonNode& ref : uses->Items()) {
                const std::string moduleName = ref.String();
                int index = -1;
                for (size_t i = 0; i < m_doc.modules.size(); ++i)
                    if (NamesEqual(m_doc.modules[i].name, moduleName)) index = static_cast<int>(i);
                if (index < 0) Fail(ref.Path(), "names no module: '" + moduleName + "'");
                for (int seen : routine.uses)
                    if (seen == index) Fail(ref.Path(), "module listed twice");
                routine.uses.push_back(index);
            }
        if (auto self = node.Find("this")) {
            routine.thisClass = FindClass(self->String());
            if (routine.thisClass < 0)
                Fail(self->Path(), "names no class: '" + self->String() + "'");
        }
        m_doc.routines.push_back(std::move(routine));
    }
    if (m_doc.routines.empty()) Fail(list.Path(), "a program needs at least one routine");
}

void Parser::ParseObjects(const JsonNode& list) {
    std::set<std::string> ids;
    for (const JsonNode& node : list.Items()) {
        node.ExpectObject({"id", "class", "fields"});
        ObjectDef object;
        object.path = node.Path();
        const JsonNode id = node.Require("id");
        object.id = id.String();
        if (object.id.empty()) Fail(id.Path(), "an object id must not be empty");
        if (!ids.insert(object.id).second)
            Fail(id.Path(), "duplicate object id '" + object.id + "'");
        const JsonNode cls = node.Require("class");
        object.cls = FindClass(cls.String());
        if (object.cls < 0) Fail(cls.Path(), "names no class: '" + cls.String() + "'");
        object.fields = node.Find("fields");
        if (object.fields) {
            const ClassDef& def = m_doc.classes[static_cast<size_t>(object.cls)];
            for (const auto& [key, value] : object.fields->Members()) {
                bool known = false;
                for (const ClassField& field : def.fields)
                    known = known || (field.name == key && !field.isStatic);
                if (!known)
                    Fail(value.Path(),
                         "class " + def.name + " has no instance field '" + key + "'");
            }
        }
        m_doc.objects.push_back(std::move(object));
    }
}

std::vector<Variable> Parser::ParseVariables(const JsonNode& list, Role role,
                                             const std::string& what) {
    NameSet names(what);
    std::vector<Variable> vars;
    for (const JsonNode& node : list.Items()) {
        vars.push_back(ReadVariable(node, role, *this));
        names.Add(vars.back().name, MemberPath(node.Path(), "name"));
    }
    return vars;
}

int Parser::FindClass(const std::string& name) const {
    auto it = m_classByName.find(name);
    return it == m_classByName.end() ? -1 : it->second;
}

int Parser::FindDerivedType(const std::string& name, const std::string& path) const {
    auto full = m_typeByFullName.find(name);
    if (full != m_typeByFullName.end()) return full->second;
    auto range = m_typeByName.equal_range(name);
    if (range.first == range.second) Fail(path, "unknown type name '" + name + "'");
    const int found = range.first->second;
    if (std::next(range.first) != range.second)
        Fail(path, "type name '" + name + "' is ambiguous; write " +
                       m_doc.types[static_cast<size_t>(found)].fullName + " or " +
                       m_doc.types[static_cast<size_t>(std::next(range.first)->second)].fullName);
    return found;
}

int Parser::FindCommon(const std::string& ref, const std::string& path) const {
    // "NAME" is instance 0, "NAME/3" instance 3.
    std::string name = ref;
    int64_t instance = 0;
    const size_t slash = ref.find('/');
    if (slash != std::string::npos) {
        name = ref.substr(0, slash);
        const std::string digits = ref.substr(slash + 1);
        if (digits.empty() || digits.size() > 9) Fail(path, "expected NAME or NAME/INSTANCE");
        for (char c : digits)
            if (!IsDigit(c)) Fail(path, "expected NAME or NAME/INSTANCE");
        instance = std::stoll(digits);
    }
    for (size_t i = 0; i < m_doc.commons.size(); ++i)
        if (NamesEqual(m_doc.commons[i].name, name) && m_doc.commons[i].instance == instance)
            return static_cast<int>(i);
    Fail(path, "names no COMMON block: '" + ref + "'");
}

} // namespace
Document ParseDocument(const nlohmann::json& root) {
    return Parser(root).Run();
}

} // namespace orvel::sim::snapshot

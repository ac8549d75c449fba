// .NET classes and objects: the program class, the derived types' value classes, the
// snapshot's own classes with their static fields, and object instances on the heap.
#include <cstring>

#include "simhost/com/SimText.h"
#include "simhost/snapshot/ProgramBuilder.h"

namespace orvel::sim::snapshot {

namespace {

constexpr const char* kHelperClass = "Kestrin.Debug.DebugHelper";
constexpr const char* kHelperMethod = "LookupStaticAddress";
constexpr uint32_t kObjectTypeHandle = 0x79B6B000;
constexpr uint32_t kStringTypeHandle = 0x79B6C000;

std::vector<uint8_t> Word(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

// The bytes of a primitive .NET field from its JSON value (zero when there is none).
std::vector<uint8_t> PrimitiveBytes(const ClassField& field, const std::optional<JsonNode>& value) {
    std::vector<uint8_t> bytes(field.size, 0);
    if (!value) return bytes;
    if (value->IsObject()) {
        // Exactly these bytes, as many as given: a static value has no layout to keep.
        if (!field.isStatic) Fail(value->Path(), "only static fields take {\"hex\": ...}");
        value->ExpectObject({"hex"});
        const JsonNode hex = value->Require("hex");
        std::string error;
        std::optional<std::vector<uint8_t>> spelled = FromHex(hex.String(), &error);
        if (!spelled) Fail(hex.Path(), "invalid hex: " + error);
        return *spelled;
    }
    const std::string& type = field.typeName;
    uint64_t bits = 0;
    if (type == "System.Single") {
        const float single = static_cast<float>(value->Number());
        std::memcpy(bytes.data(), &single, 4);
        return bytes;
    }
    if (type == "System.Double") {
        const double number = value->Number();
        std::memcpy(bytes.data(), &number, 8);
        return bytes;
    }
    if (type == "System.Boolean" && value->Value().is_boolean()) {
        bits = value->Bool() ? 1 : 0;
    } else if (type == "System.Char" && value->IsString()) {
        const std::u16string text = ToUtf16(value->String());
        if (text.size() != 1) Fail(value->Path(), "expected one character");
        bits = text[0];
    } else if (field.size == 8) {
        bits = static_cast<uint64_t>(value->Integer(INT64_MIN, INT64_MAX));
    } else {
        const int64_t min = -(int64_t{1} << (8 * field.size - 1));
        const int64_t max = (int64_t{1} << (8 * field.size)) - 1;
        bits = static_cast<uint64_t>(value->Integer(min, max));
    }
    for (uint32_t i = 0; i < field.size; ++i)
        bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    return bytes;
}

// The type field of a "hostType": exactly that name and size. Not marked primitive, so that
// PrimitiveType never hands it to the other fields of a .NET type of the same name.
FieldId NamedHostType(HostProgram& program, const std::string& name, uint32_t size) {
    HostField type;
    type.name = name;
    type.fullName = name;
    type.typeName = name;
    type.kind = FIELD_KIND_TYPE;
    type.modifiers = FIELD_MOD_ACCESS_PUBLIC;
    type.size = size;
    const FieldId id = program.AddField(std::move(type));
    program.fields[static_cast<size_t>(id)].type = id;
    return id;
}

} // namespace

void ProgramBuilder::BuildHostClasses() {
    m_program = m_out.AddClass(m_doc.program);
    m_out.globalClass = m_program;
    const FieldId helper = m_out.AddClass(kHelperClass);
    m_out.lookupMethod = m_out.AddMethod(helper, kHelperMethod);
    for (const ClassDef& cls : m_doc.classes)
        m_classes.push_back(NamesEqual(cls.name, m_doc.program) ? m_program
                                                                : m_out.AddClass(cls.name));
    for (size_t t = 0; t < m_doc.types.size(); ++t) {
        const FieldId id = m_out.AddClass(m_doc.types[t].fullName);
        m_out.fields[static_cast<size_t>(id)].size = m_layouts.Type(static_cast<int>(t)).size;
        m_typeClasses.push_back(id);
    }
    // Components as the .NET fields of the type's value class.
    for (size_t t = 0; t < m_doc.types.size(); ++t)
        for (const Variable& component : m_doc.types[t].components)
            m_out.AddMember(m_typeClasses[t], component.name, HostTypeOf(component),
                            FIELD_MOD_ACCESS_PUBLIC);
    BuildObjects();
    for (size_t c = 0; c < m_doc.classes.size(); ++c) {
        for (const ClassField& field : m_doc.classes[c].fields)
            AddClassField(m_classes[c], field);
        for (const std::string& method : m_doc.classes[c].methods)
            m_out.AddMethod(m_classes[c], method, FIELD_MOD_ACCESS_PUBLIC);
    }
}

void ProgramBuilder::BuildObjects() {
    // All objects first: their fields may refer to each other.
    for (size_t i = 0; i < m_doc.objects.size(); ++i) {
        HostValue object;
        object.form = ValueForm::Object;
        object.objectClass = m_classes[static_cast<size_t>(m_doc.objects[i].cls)];
        object.address = m_objectAddress[i];
        object.bytes = Word(m_objectAddress[i]);
        m_objectValue.push_back(m_out.AddValue(std::move(object)));
    }
    for (size_t i = 0; i < m_doc.objects.size(); ++i) {
        const ObjectDef& object = m_doc.objects[i];
        const ClassDef& cls = m_doc.classes[static_cast<size_t>(object.cls)];
        m_plan.WriteU32(m_objectAddress[i], kObjectTypeHandle);
        uint32_t offset = 4;
        for (const ClassField& field : cls.fields) {
            if (field.isStatic) continue;
            offset = (offset + field.size - 1) / field.size * field.size;
            std::optional<JsonNode> value;
            if (object.fields) value = object.fields->Find(field.name.c_str());
            NetValue member = ClassValue(field, value);
            m_plan.Write(m_objectAddress[i] + offset, member.bytes);
            m_out.values[static_cast<size_t>(m_objectValue[i])].members[field.name] = member.value;
            offset += field.size;
        }
    }
}

ProgramBuilder::NetValue ProgramBuilder::ClassValue(const ClassField& field,
                                                    const std::optional<JsonNode>& value) {
    NetValue result;
    const bool null = !value || value->IsNull();
    switch (field.kind) {
    case ClassField::Kind::Primitive:
        result.bytes = PrimitiveBytes(field, value);
        result.value = m_out.AddScalar(result.bytes);
        return result;
    case ClassField::Kind::String: {
        if (null) {
            HostValue none;
            none.form = ValueForm::String;
            none.isNull = true;
            result.value = m_out.AddValue(std::move(none));
            result.bytes = Word(0);
            return result;
        }
        const std::u16string text = ToUtf16(value->String());
        // The string object itself: type handle, length, UTF-16 characters.
        const uint32_t address =
            m_plan.HeapBlock(static_cast<uint32_t>(8 + 2 * text.size()), value->Path());
        m_plan.WriteU32(address, kStringTypeHandle);
        m_plan.WriteU32(address + 4, static_cast<uint32_t>(text.size()));
        std::vector<uint8_t> chars;
        for (char16_t c : text) {
            chars.push_back(static_cast<uint8_t>(c));
            chars.push_back(static_cast<uint8_t>(c >> 8));
        }
        m_plan.Write(address + 8, chars);
        result.value = m_out.AddString(text);
        m_out.values[static_cast<size_t>(result.value)].address = address;
        result.bytes = Word(address);
        return result;
    }
    case ClassField::Kind::Reference:
    case ClassField::Kind::Pointer: {
        const uint32_t address = null ? 0 : ObjectAddress(field.cls, *value);
        result.bytes = Word(address);
        if (field.kind == ClassField::Kind::Reference) {
            result.value = ObjectValueAt(address);
            return result;
        }
        HostValue pointer;
        pointer.form = ValueForm::Pointer;
        pointer.bytes = result.bytes;
        pointer.isNull = null;
        if (!null) pointer.target = ObjectValueAt(address);
        result.value = m_out.AddValue(std::move(pointer));
        return result;
    }
    }
    return result;
}

void ProgramBuilder::AddClassField(FieldId cls, const ClassField& field) {
    FieldId type = kNoField;
    uint32_t extraKind = FIELD_TYPE_PRIMITIVE;
    switch (field.kind) {
    case ClassField::Kind::Primitive:
        type = Primitive(field.typeName, field.size);
        break;
    case ClassField::Kind::String:
        // A string has no fixed size: a managed host reports its type's size as 0.
        type = Primitive("System.String", 0);
        break;
    case ClassField::Kind::Reference:
        type = m_classes[static_cast<size_t>(field.cls)];
        extraKind = FIELD_TYPE_CLASS;
        break;
    case ClassField::Kind::Pointer:
        type = PointerType(m_classes[static_cast<size_t>(field.cls)]);
        extraKind = FIELD_TYPE_POINTER;
        break;
    }
    if (field.hostTypeName) type = NamedHostType(m_out, *field.hostTypeName, field.hostTypeSize);
    const ValueId value = field.isStatic ? ClassValue(field, field.value).value : kNoValue;
    FieldId id = kNoField;
    if (cls == m_program) {
        if (!field.isStatic) Fail(field.path, "fields of the program class are static");
        id = AddProgramMember(field.name, type, value, field.path, extraKind);
        if (id == kNoField) return;
    } else {
        const uint32_t modifiers =
            FIELD_MOD_ACCESS_PUBLIC | (field.isStatic ? FIELD_MOD_STATIC : FIELD_MOD_NONE);
        id = m_out.AddMember(cls, field.name, type, modifiers, value, extraKind);
    }
    HostField& host = m_out.fields[static_cast<size_t>(id)];
    if (field.kind == ClassField::Kind::Reference) {
        // Hosts answer a class-typed symbol with the class interface as well.
        host.form = FieldForm::Class;
        m_classTyped.push_back(id);
    } else if (field.kind == ClassField::Kind::Pointer) {
        host.form = FieldForm::Pointer;
        host.dereferenced = m_classes[static_cast<size_t>(field.cls)];
    }
}

} // namespace orvel::sim::snapshot

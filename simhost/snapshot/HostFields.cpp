// What the host reports about the program: types, the fields of routines and static
// storage with their values, the carriers of the records, and the address tables.
#include <iterator>

#include "simhost/com/SimText.h"
#include "simhost/snapshot/ProgramBuilder.h"

namespace orvel::sim::snapshot {

namespace {

constexpr const char* kDebugInfoAttribute = "Kestrin.Fortran.DebugInfoAttribute";
constexpr const char* kGlobalInfoAttribute = "Kestrin.Fortran.DebugGlobalInfoAttribute";
// Arrays up to this many elements also answer element by element as .NET arrays.
constexpr uint64_t kMaxListedElements = 256;

// The .NET type a host reports for each intrinsic kind, in BaseType order.
const char* const kHostTypeNames[] = {
    "System.SByte",
    "System.Int16",
    "System.Int32",
    "System.Boolean",
    "System.Int16",
    "System.Int32",
    "System.Single",
    "System.Double",
    "Kestrin.Fortran.Complex8",
    "Kestrin.Fortran.Complex16",
    "Kestrin.Fortran.Character",
};
static_assert(std::size(kHostTypeNames) == static_cast<size_t>(BaseType::Derived),
              "one host type per intrinsic BaseType");

std::vector<uint8_t> Word(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

uint32_t ReadWord(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 4) return 0;
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

} // namespace

// ---- Host types ------------------------------------------------------------------------------

FieldId ProgramBuilder::ElementHostType(const Variable& var) {
    if (var.base == BaseType::Derived) return m_typeClasses[static_cast<size_t>(var.type)];
    if (var.base == BaseType::Object) return m_classes[static_cast<size_t>(var.cls)];
    return Primitive(kHostTypeNames[static_cast<size_t>(var.base)], m_layouts.ElementSize(var));
}

FieldId ProgramBuilder::Primitive(const std::string& name, uint32_t size) {
    auto [it, added] = m_primitives.emplace(std::make_pair(name, size), kNoField);
    if (added) it->second = m_out.PrimitiveType(name, size);
    return it->second;
}

FieldId ProgramBuilder::ArrayType(FieldId element, uint32_t rank, uint32_t count) {
    auto [it, added] = m_arrayTypes.emplace(std::make_tuple(element, rank, count), kNoField);
    if (!added) return it->second;
    HostField f;
    f.form = FieldForm::Array;
    f.name = m_out.fields[static_cast<size_t>(element)].name + "[" +
             std::string(rank > 1 ? rank - 1 : 0, ',') + "]";
    f.fullName = m_out.fields[static_cast<size_t>(element)].fullName + "[" +
                 std::string(rank > 1 ? rank - 1 : 0, ',') + "]";
    f.typeName = f.fullName;
    f.kind = FIELD_KIND_TYPE | FIELD_TYPE_ARRAY;
    f.modifiers = FIELD_MOD_ACCESS_PUBLIC;
    f.size = 4; // a reference
    f.elementType = element;
    f.arrayRank = rank;
    f.arrayCount = count;
    const FieldId id = m_out.AddField(std::move(f));
    m_out.fields[static_cast<size_t>(id)].type = id;
    it->second = id;
    return id;
}

FieldId ProgramBuilder::PointerType(FieldId target) {
    auto it = m_pointerTypes.find(target);
    if (it != m_pointerTypes.end()) return it->second;
    HostField f;
    f.form = FieldForm::Pointer;
    f.name = m_out.fields[static_cast<size_t>(target)].name + "*";
    f.fullName = m_out.fields[static_cast<size_t>(target)].fullName + "*";
    f.typeName = f.fullName;
    f.kind = FIELD_KIND_TYPE | FIELD_TYPE_POINTER;
    f.modifiers = FIELD_MOD_ACCESS_PUBLIC;
    f.size = 4;
    f.dereferenced = target;
    const FieldId id = m_out.AddField(std::move(f));
    m_out.fields[static_cast<size_t>(id)].type = id;
    m_pointerTypes[target] = id;
    return id;
}

FieldId ProgramBuilder::HostTypeOf(const Variable& var) {
    const VarInfo& info = Info(var);
    FieldId type = ElementHostType(var);
    if (IsArrayVar(var) || var.allocatable) {
        const size_t rank = var.hasDims                             ? var.dims.size()
                            : (info.target && info.target->hasDims) ? info.target->dims.size()
                                                                    : 1;
        const bool listed = info.shapeKnown && (var.hasDims || info.target);
        type = ArrayType(type, static_cast<uint32_t>(rank),
                         listed ? static_cast<uint32_t>(info.count) : 0);
    }
    return var.pointer ? PointerType(type) : type;
}

// ---- Routines --------------------------------------------------------------------------

ValueId ProgramBuilder::FrameValue(const Variable& var) {
    const VarInfo& info = Info(var);
    const std::vector<uint8_t> bytes = StoredBytes(var);
    if (var.pointer) {
        HostValue pointer;
        pointer.form = ValueForm::Pointer;
        pointer.bytes = bytes;
        pointer.address = info.address;
        if (var.value) return m_out.AddValue(std::move(pointer)); // never associated
        if (!info.target) {
            pointer.isNull = true;
            return m_out.AddValue(std::move(pointer));
        }
        pointer.target = TargetValue(*info.target);
        return m_out.AddValue(std::move(pointer));
    }
    if (var.allocatable) {
        HostValue slot;
        slot.bytes = bytes;
        slot.address = info.address;
        slot.isNull = !var.allocated;
        return m_out.AddValue(std::move(slot));
    }
    if (var.base == BaseType::Object && !var.hasDims) return ObjectValueAt(ReadWord(bytes));
    if (!info.frameArray) return m_out.AddScalar(bytes, info.address);
    HostValue array;
    array.form = ValueForm::Array;
    array.address = info.address;
    const uint32_t size = m_layouts.ElementSize(var);
    if (info.count <= kMaxListedElements && var.base != BaseType::Object)
        for (uint64_t i = 0; i < info.count; ++i)
            array.elements.push_back(m_out.AddScalar(
                std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(i * size),
                                     bytes.begin() + static_cast<ptrdiff_t>((i + 1) * size)),
                static_cast<uint32_t>(info.data + i * size)));
    return m_out.AddValue(std::move(array));
}

ValueId ProgramBuilder::TargetValue(const Variable& target) {
    const VarInfo& info = Info(target);
    if (target.base == BaseType::Object && !target.hasDims)
        return ObjectValueAt(ReadWord(StoredBytes(target)));
    // What the pointer designates: the target's data, from its first element.
    std::vector<uint8_t> bytes;
    if (!target.hasDims) bytes = StoredBytes(target);
    return m_out.AddScalar(std::move(bytes), info.data);
}

ValueId ProgramBuilder::ObjectValueAt(uint32_t address) {
    auto it = m_objectAt.find(address);
    if (address != 0 && it != m_objectAt.end()) return m_objectValue[it->second];
    HostValue null;
    null.form = ValueForm::Object;
    null.isNull = true;
    null.bytes = Word(0);
    return m_out.AddValue(std::move(null));
}

uint32_t ProgramBuilder::FieldKindOf(const Variable& var) const {
    if (var.pointer) return FIELD_TYPE_POINTER;
    if (IsArrayVar(var) || var.allocatable) return FIELD_TYPE_ARRAY;
    if (var.base == BaseType::Derived || var.base == BaseType::Object) return FIELD_TYPE_CLASS;
    return FIELD_TYPE_PRIMITIVE;
}

void ProgramBuilder::ShapeField(FieldId id, const Variable& var) {
    HostField& field = m_out.fields[static_cast<size_t>(id)];
    const HostField& type = m_out.fields[static_cast<size_t>(field.type)];
    const uint32_t kind = FieldKindOf(var);
    if (kind == FIELD_TYPE_POINTER) {
        field.form = FieldForm::Pointer;
        field.dereferenced = type.dereferenced;
    } else if (kind == FIELD_TYPE_ARRAY) {
        field.form = FieldForm::Array;
        field.elementType = type.elementType;
        field.arrayRank = type.arrayRank;
        field.arrayCount = type.arrayCount;
    } else if (var.base == BaseType::Object) {
        // Hosts answer a class-typed symbol with the class interface as well.
        field.form = FieldForm::Class;
        m_classTyped.push_back(id);
    }
}

FieldId ProgramBuilder::AddVariableField(FieldId method, const Variable& var, bool parameter) {
    const VarInfo& info = Info(var);
    const FieldId type = HostTypeOf(var);
    const ValueId value = InStopFrame(var) && info.hasStorage ? FrameValue(var) : kNoValue;
    const FieldId id = parameter
                           ? m_out.AddParameter(method, var.name, type, value, FieldKindOf(var))
                           : m_out.AddLocal(method, var.name, type, value, FieldKindOf(var));
    ShapeField(id, var);
    return id;
}

void ProgramBuilder::BuildRoutineFields() {
    const Routine& stop = m_doc.routines[static_cast<size_t>(m_doc.stop)];
    for (const Routine& routine : m_doc.routines) {
        const uint32_t modifiers = routine.thisClass >= 0
                                       ? FIELD_MOD_ACCESS_PUBLIC
                                       : FIELD_MOD_ACCESS_PUBLIC | FIELD_MOD_STATIC;
        ClaimProgramMember(routine.name, routine.path);
        if (IsOmitted(routine.name)) Fail(m_omit[routine.name], "a routine cannot be left out");
        const FieldId method = m_out.AddMethod(m_program, routine.name, modifiers);
        HostField& field = m_out.fields[static_cast<size_t>(method)];
        field.thisClass =
            routine.thisClass >= 0 ? m_classes[static_cast<size_t>(routine.thisClass)] : kNoField;
        field.attributeAccess = AttributeAccess::Query;
        const std::string key = "routine:" + routine.name;
        field.attributes[kDebugInfoAttribute] = MethodAttributeBlob(m_records[key]);
        m_carriers[key] = method;
        for (const Variable& arg : routine.arguments) {
            AddVariableField(method, arg, true);
            if (m_lengthOf.count(&arg)) AddVariableField(method, *m_lengthOf[&arg], true);
        }
        for (const Variable& local : routine.locals)
            if (!local.parameter) AddVariableField(method, local, false);
        for (const Variable& helper : m_helpers[&routine])
            if (helper.role == Role::Local) AddVariableField(method, helper, false);
        if (&routine == &stop) m_out.stop.method = method;
    }
    for (size_t t = 0; t < m_doc.types.size(); ++t) {
        HostField& cls = m_out.fields[static_cast<size_t>(m_typeClasses[t])];
        const std::string key = "type:" + m_doc.types[t].fullName;
        cls.attributeAccess = AttributeAccess::Query;
        cls.attributes[kDebugInfoAttribute] = MethodAttributeBlob(m_records[key]);
        m_carriers[key] = m_typeClasses[t];
    }
}

// ---- Static storage --------------------------------------------------------------------

void ProgramBuilder::ClaimProgramMember(const std::string& name, const std::string& path) {
    auto [it, added] = m_programMembers.emplace(name, path);
    if (!added)
        Fail(path,
             "the program class already has a member '" + name + "' (from " + it->second + ")");
}

FieldId ProgramBuilder::AddProgramMember(const std::string& name, FieldId type, ValueId value,
                                         const std::string& path, uint32_t extraKind) {
    ClaimProgramMember(name, path);
    if (IsOmitted(name)) return kNoField;
    return m_out.AddMember(m_program, name, type, FIELD_MOD_ACCESS_PUBLIC | FIELD_MOD_STATIC, value,
                           extraKind);
}

FieldId ProgramBuilder::StorageField(const std::string& name, const char* typeName,
                                     uint32_t address, uint32_t size, const std::string& path) {
    return AddProgramMember(name, Primitive(typeName, size), m_out.AddScalar({}, address), path,
                            FIELD_TYPE_STRUCT);
}

void ProgramBuilder::SetCarrier(FieldId field, const std::string& key, Carrier carrier,
                                const std::vector<uint8_t>& records, const std::string& path) {
    if (field == kNoField) return; // left out on purpose
    m_carriers[key] = field;
    if (carrier != Carrier::Companion) {
        HostField& f = m_out.fields[static_cast<size_t>(field)];
        f.attributeAccess =
            carrier == Carrier::Query2 ? AttributeAccess::Query2Only : AttributeAccess::Query;
        f.attributes[kDebugInfoAttribute] = StaticFieldAttributeBlob(records);
        return;
    }
    // No attribute access: the records travel in a byte array beside the field.
    const std::string name = CompanionFieldName(m_out.fields[static_cast<size_t>(field)].name);
    HostValue value;
    value.bytes = CompanionArrayValue(records);
    const uint32_t size = static_cast<uint32_t>(value.bytes.size());
    const FieldId bytes = Primitive("System.Byte", 1);
    const FieldId companion = AddProgramMember(
        name, ArrayType(bytes, 1, size), m_out.AddValue(std::move(value)), path, FIELD_TYPE_ARRAY);
    if (companion == kNoField) return;
    m_out.fields[static_cast<size_t>(companion)].form = FieldForm::Array;
    m_out.fields[static_cast<size_t>(companion)].elementType = bytes;
    m_out.fields[static_cast<size_t>(companion)].arrayRank = 1;
    m_out.fields[static_cast<size_t>(companion)].arrayCount = size;
    m_companions[key] = companion;
}

void ProgramBuilder::PublishAddress(const std::string& name, uint32_t address, AddressMode mode) {
    if (mode == AddressMode::None) return;
    m_out.lookupTable[ProgramKey(name)] = address;
    if (mode == AddressMode::Table && !IsOmitted(name)) {
        m_tableNames.push_back(name);
        m_tableAddresses.push_back(address);
    }
}

void ProgramBuilder::BuildStaticFields() {
    for (size_t m = 0; m < m_doc.modules.size(); ++m) {
        const Module& module = m_doc.modules[m];
        const std::string name = "MODULE " + module.name;
        const FieldId field =
            StorageField(name, "Kestrin.Fortran.ModuleStorage", m_moduleBase[m], 0, module.path);
        SetCarrier(field, "module:" + module.name, module.carrier,
                   m_records["module:" + module.name], module.path);
        PublishAddress(name, m_moduleBase[m], module.address);
    }
    std::map<std::string, FieldId, NameLess> storage;
    for (const Common& common : m_doc.commons) {
        const std::string blockName = CommonBlockKey(common.name, 0);
        const uint32_t base = m_commonBase[common.name];
        if (!storage.count(blockName)) {
            storage[blockName] =
                StorageField(blockName, "Kestrin.Fortran.CommonStorage", base, 0, common.path);
            PublishAddress(blockName, base, common.address);
        }
        const std::string key = CommonBlockKey(common.name, common.instance);
        // Each further instance has a field of its own that carries its records.
        const FieldId carrier =
            common.instance > 0
                ? StorageField(key, "Kestrin.Fortran.CommonStorage", base, 0, common.path)
                : storage[blockName];
        SetCarrier(carrier, "common:" + key, common.carrier, m_records["common:" + key],
                   common.path);
    }
    for (const Routine& routine : m_doc.routines)
        for (const Variable& var : routine.statics) {
            const VarInfo& info = Info(var);
            if (!var.storage.empty()) continue;
            const std::string name = routine.name + "_of_" + var.name;
            const FieldId field = AddProgramMember(name, HostTypeOf(var),
                                                   m_out.AddScalar(StoredBytes(var), info.address),
                                                   var.path, FieldKindOf(var));
            if (field != kNoField) ShapeField(field, var);
            PublishAddress(name, info.address, var.address);
        }
    for (const auto& [block, base] : m_blockBase) {
        StorageField(block, "Kestrin.Fortran.SaveBlock", base, m_blockSize[block], block);
        PublishAddress(block, base, m_blockMode[block]);
    }
}

// ---- Tables --------------------------------------------------------------------------------

void ProgramBuilder::BuildAddressTables() {
    // Element 0 is the process id, filled in when the debuggee starts.
    HostValue pid;
    pid.bytes = Word(0);
    const ValueId pidValue = m_out.AddValue(std::move(pid));
    m_out.processIdValues.push_back(pidValue);
    std::vector<ValueId> elements{pidValue};
    std::string names;
    for (size_t i = 0; i < m_tableNames.size(); ++i) {
        elements.push_back(m_out.AddScalar(Word(m_tableAddresses[i])));
        names += (i ? "," : "") + m_tableNames[i];
    }
    const FieldId int32 = Primitive("System.Int32", 4);
    const uint32_t count = static_cast<uint32_t>(elements.size());
    const FieldId table =
        AddProgramMember("~DebugInfo~", ArrayType(int32, 1, count),
                         m_out.AddArray(std::move(elements)), "program", FIELD_TYPE_ARRAY);
    if (table != kNoField) {
        HostField& f = m_out.fields[static_cast<size_t>(table)];
        f.form = FieldForm::Array;
        f.elementType = int32;
        f.arrayRank = 1;
        f.arrayCount = count;
    }
    AddProgramMember("~DebugInfoNames~", Primitive("System.String", 4),
                     m_out.AddString(ToUtf16(names)), "program", FIELD_TYPE_PRIMITIVE);
}

void ProgramBuilder::BuildGlobalNames() {
    std::vector<GlobalInfoEntry> entries;
    for (const DerivedType& type : m_doc.types)
        entries.push_back({type.number, type.fullName});
    entries.insert(entries.end(), m_extraGlobals.begin(), m_extraGlobals.end());
    HostField& program = m_out.fields[static_cast<size_t>(m_program)];
    program.attributeAccess = AttributeAccess::Query;
    program.attributes[kGlobalInfoAttribute] = GlobalInfoAttributeBlob(entries);
}

void ProgramBuilder::LinkClassTypedFields() {
    // A class-typed symbol lists the members of its class; classes are complete now.
    for (FieldId id : m_classTyped) {
        HostField& field = m_out.fields[static_cast<size_t>(id)];
        const FieldId cls = field.type;
        if (m_out.IsField(cls)) field.members = m_out.fields[static_cast<size_t>(cls)].members;
    }
}

} // namespace orvel::sim::snapshot

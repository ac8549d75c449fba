// The compiler's records for every routine, derived type, module and COMMON block.
#include "simhost/snapshot/ProgramBuilder.h"
#include "simhost/snapshot/Records.h"

namespace orvel::sim::snapshot {

namespace {

constexpr int32_t kManagedArrayHeader = 8;
constexpr size_t kMaxRecordName = 255;

bool IsFrameRole(Role role) {
    return role == Role::Argument || role == Role::Local;
}

} // namespace

bool ProgramBuilder::IsManagedArray(const Variable& var) {
    // Local arrays and allocated data are managed array objects: the data follows
    // an 8-byte header.
    return var.allocatable || (IsFrameRole(var.role) && var.hasDims && !var.pointer);
}

std::optional<ArraySection> ProgramBuilder::ArrayOf(const Variable& var) {
    const VarInfo& info = Info(var);
    const Variable* shape = &var;
    if (var.pointer && !var.hasDims && info.target && info.target->hasDims) shape = info.target;
    if (!shape->hasDims) return std::nullopt;
    ArraySection array;
    array.elemSize = static_cast<int32_t>(m_layouts.ElementSize(var));
    const int32_t headerOffset = IsManagedArray(var) ? kManagedArrayHeader : 0;
    for (size_t d = 0; d < shape->dims.size(); ++d) {
        const Dimension& dim = shape->dims[d];
        const int32_t boundOffset = d == 0 ? headerOffset : 0;
        const bool named =
            dim.lower.kind == Bound::Kind::Name || dim.upper.kind == Bound::Kind::Name;
        if (shape != &var && (named || dim.upper.kind == Bound::Kind::Star))
            Fail(var.path, "the target's bounds are not constant; give the POINTER its own dims");
        if (!named && dim.upper.kind == Bound::Kind::Star) {
            RecordDimension item = AssumedSizeDimension(dim.lower.number, dim.path);
            item.boundOffset = BoundItem::Number(boundOffset);
            array.dims.push_back(item);
            continue;
        }
        if (!named) {
            array.dims.push_back(
                NumericDimension(dim.lower.number, dim.upper.number, boundOffset, dim.path));
            continue;
        }
        RecordDimension item;
        item.stride = BoundItem::Number(1);
        item.boundSizes = BoundItem::Number(0); // the reader takes the extent then
        item.boundOffset = BoundItem::Number(boundOffset);
        if (var.role == Role::ModuleVariable) {
            // Read from the module's own storage: the lower bound where its variable
            // lives, the extent from the word the program keeps for it.
            const Scope& scope = *info.scope;
            if (dim.lower.kind == Bound::Kind::Name) {
                const Variable& holder = *scope.names.at(dim.lower.name);
                item.base = BoundItem::ModuleRelative(Info(holder).offset);
                if (Info(holder).offset >= 0x01000000)
                    Fail(dim.path, "bound variable lies beyond 16 MiB of module storage");
            } else {
                item.base = BoundItem::Number(dim.lower.number);
                CheckNumericItem(item.base, dim.path);
            }
            item.size = BoundItem::ModuleRelative(info.sizeWords[d]);
            if (info.sizeWords[d] >= 0x01000000)
                Fail(dim.path, "extent word lies beyond 16 MiB of module storage");
        } else {
            item.base = dim.lower.kind == Bound::Kind::Name ? BoundItem::Named(dim.lower.name)
                                                            : BoundItem::Number(dim.lower.number);
            item.size = BoundItem::Named(info.sizeTemps[d]);
            CheckNumericItem(item.base, dim.path);
        }
        array.dims.push_back(item);
    }
    return array;
}

RecordSpec ProgramBuilder::RecordOf(const Variable& var, std::string rawName, uint32_t flags,
                                    uint32_t value) {
    if (rawName.size() > kMaxRecordName)
        Fail(var.path, "record name '" + rawName + "' is longer than " +
                           std::to_string(kMaxRecordName) + " characters");
    RecordSpec spec = VariableRecord(m_doc, m_layouts, var, std::move(rawName), flags, value);
    spec.array = ArrayOf(var);
    if (var.parameter) {
        m_valueScope = Info(var).scope;
        spec.constant = m_values.Encode(var, Info(var).count, var.hasDims, *var.value);
        m_valueScope = nullptr;
    }
    return spec;
}

std::vector<RecordSpec> ProgramBuilder::RoutineRecords(const Routine& routine) {
    std::vector<RecordSpec> records;
    for (const Variable& arg : routine.arguments) {
        records.push_back(RecordOf(arg, arg.name, RecordFlag::Argument, 0));
        if (m_lengthOf.count(&arg)) {
            const Variable& length = *m_lengthOf[&arg];
            records.push_back(RecordOf(length, length.name, RecordFlag::Argument, 0));
        }
    }
    for (const Variable& local : routine.locals)
        records.push_back(RecordOf(local, local.name, local.parameter ? 0 : RecordFlag::Local, 0));
    for (const Variable& helper : m_helpers[&routine])
        if (helper.role == Role::Local)
            records.push_back(RecordOf(helper, helper.name, RecordFlag::Local, 0));
    for (const Variable& var : routine.statics) {
        if (var.storage.empty()) {
            records.push_back(RecordOf(var, routine.name + "_of_" + var.name,
                                       RecordFlag::Static | RecordFlag::OfPrefix, 0));
        } else {
            const uint32_t offset = Info(var).offset;
            records.push_back(
                RecordOf(var,
                         DecoratedName(var.storage,
                                       offset ? std::optional<int32_t>(static_cast<int32_t>(offset))
                                              : std::nullopt,
                                       var.name),
                         RecordFlag::Static | RecordFlag::Decorated, 0));
        }
    }
    for (int index : routine.commons) {
        const Common& common = m_doc.commons[static_cast<size_t>(index)];
        records.push_back(CommonBlockRecord(common.name, static_cast<uint32_t>(common.instance),
                                            static_cast<uint32_t>(common.members.size())));
    }
    for (int index : routine.uses) {
        const Module& module = m_doc.modules[static_cast<size_t>(index)];
        for (const Variable& var : module.variables)
            records.push_back(RecordOf(var, ModuleVariableName(module.name, var.name),
                                       RecordFlag::ModuleVariable,
                                       var.parameter ? 0 : Info(var).offset));
    }
    return records;
}

void ProgramBuilder::BuildRecords() {
    auto store = [this](const std::string& key, const std::vector<RecordSpec>& records) {
        std::vector<uint8_t> bytes = EncodeRecords(records);
        auto extra = m_extraRecords.find(key);
        if (extra != m_extraRecords.end())
            bytes.insert(bytes.end(), extra->second.begin(), extra->second.end());
        m_records[key] = std::move(bytes);
    };
    for (const Routine& routine : m_doc.routines)
        store("routine:" + routine.name, RoutineRecords(routine));
    for (size_t t = 0; t < m_doc.types.size(); ++t) {
        const DerivedType& type = m_doc.types[t];
        std::vector<RecordSpec> records;
        for (size_t c = 0; c < type.components.size(); ++c)
            records.push_back(RecordOf(type.components[c], type.components[c].name,
                                       RecordFlag::Address,
                                       m_layouts.Type(static_cast<int>(t)).offsets[c]));
        store("type:" + type.fullName, records);
    }
    for (const Module& module : m_doc.modules) {
        std::vector<RecordSpec> records;
        for (const Variable& var : module.variables)
            records.push_back(RecordOf(var, ModuleVariableName(module.name, var.name),
                                       RecordFlag::ModuleVariable,
                                       var.parameter ? 0 : Info(var).offset));
        store("module:" + module.name, records);
    }
    for (const Common& common : m_doc.commons) {
        std::vector<RecordSpec> records;
        for (const Variable& member : common.members)
            records.push_back(RecordOf(member, member.name,
                                       RecordFlag::Static | RecordFlag::Address,
                                       Info(member).offset));
        store("common:" + CommonBlockKey(common.name, common.instance), records);
    }
}

} // namespace orvel::sim::snapshot

// Addresses and values: where each storage area lies and what bytes it holds.
#include <algorithm>

#include "simhost/snapshot/ProgramBuilder.h"

namespace orvel::sim::snapshot {

namespace {

// The header of a managed array object in a 32-bit process: a type handle, then the
// element count; the elements follow at +8.
constexpr uint32_t kArrayTypeHandle = 0x79B6A000;
constexpr uint32_t kArrayHeader = 8;

uint32_t Add(uint32_t a, uint64_t b, const std::string& path) {
    if (a + b >= (uint64_t{1} << 32)) Fail(path, "does not fit the 32-bit address space");
    return static_cast<uint32_t>(a + b);
}

} // namespace

uint32_t ProgramBuilder::SlotAlign(const Variable& var) const {
    return var.pointer || var.allocatable ? 4 : m_layouts.ElementAlign(var);
}

uint32_t ProgramBuilder::StorageSize(const Variable& var) const {
    const VarInfo& info = Info(var);
    if (var.parameter) return 0;
    if (var.pointer || var.allocatable) return 4;
    if (var.assumedLength)
        return var.value && var.value->IsString()
                   ? static_cast<uint32_t>(var.value->String().size())
                   : 0;
    const uint32_t bytes = CheckedBytes(info.count, m_layouts.ElementSize(var), var.path);
    return info.frameArray ? Add(bytes, kArrayHeader, var.path) : bytes;
}

void ProgramBuilder::PlanStorage() {
    PlanModules();
    PlanCommons();
    PlanStatics();
    PlanFrame();
    PlanHeap();
}

void ProgramBuilder::PlanModules() {
    for (size_t m = 0; m < m_doc.modules.size(); ++m) {
        const Module& module = m_doc.modules[m];
        // Words holding extents of arrays with bounds in variables come first.
        uint32_t offset = 0;
        for (const Variable& var : module.variables) {
            VarInfo& info = Info(var);
            for (const Dimension& dim : var.dims) {
                const bool named =
                    dim.lower.kind == Bound::Kind::Name || dim.upper.kind == Bound::Kind::Name;
                info.sizeWords.push_back(named ? offset : UINT32_MAX);
                if (named) offset += 4;
            }
        }
        for (const Variable& var : module.variables) {
            if (var.parameter) continue;
            VarInfo& info = Info(var);
            offset = AlignUp(offset, SlotAlign(var), var.path);
            info.offset = offset;
            offset = Add(offset, StorageSize(var), var.path);
        }
        const uint32_t base = m_plan.NewArea(offset, "module " + module.name, module.path);
        m_moduleBase.push_back(base);
        for (const Variable& var : module.variables) {
            if (var.parameter) continue;
            VarInfo& info = Info(var);
            info.hasStorage = true;
            info.address = info.data = base + info.offset;
        }
        // The extents themselves, as the program computed them.
        for (const Variable& var : module.variables) {
            const VarInfo& info = Info(var);
            for (size_t d = 0; d < info.sizeWords.size(); ++d)
                if (info.sizeWords[d] != UINT32_MAX)
                    m_plan.WriteU32(base + info.sizeWords[d],
                                    static_cast<uint32_t>(info.bounds[d].second) -
                                        static_cast<uint32_t>(info.bounds[d].first));
        }
    }
}

void ProgramBuilder::PlanCommons() {
    // Instances of one name are views of one storage sequence: no padding between
    // members, and as long as the longest view.
    std::map<std::string, uint32_t, NameLess> sizes;
    std::vector<std::string> order;
    for (const Common& common : m_doc.commons) {
        uint32_t offset = 0;
        for (const Variable& member : common.members) {
            Info(member).offset = offset;
            offset = Add(offset, StorageSize(member), member.path);
        }
        if (!sizes.count(common.name)) order.push_back(common.name);
        sizes[common.name] = std::max(sizes[common.name], offset);
    }
    for (const std::string& name : order) {
        const Common* first = nullptr;
        for (const Common& common : m_doc.commons)
            if (!first && NamesEqual(common.name, name)) first = &common;
        m_commonBase[name] = m_plan.NewArea(sizes[name], "COMMON /" + name + "/", first->path);
    }
    for (const Common& common : m_doc.commons)
        for (const Variable& member : common.members) {
            VarInfo& info = Info(member);
            info.hasStorage = true;
            info.address = info.data = m_commonBase[common.name] + info.offset;
        }
}

void ProgramBuilder::PlanStatics() {
    std::map<std::string, const Routine*, NameLess> blockOwner;
    for (const Routine& routine : m_doc.routines) {
        if (routine.statics.empty()) continue;
        // Own statics first, then each storage block with its members in order.
        uint32_t offset = 0;
        std::vector<std::string> blocks;
        for (const Variable& var : routine.statics) {
            if (!var.storage.empty()) {
                auto [it, added] = blockOwner.emplace(var.storage, &routine);
                if (!added && it->second != &routine)
                    Fail(MemberPath(var.path, "storage"),
                         "block " + var.storage + " belongs to routine " + it->second->name);
                if (added) {
                    blocks.push_back(var.storage);
                    m_blockMode[var.storage] = var.address;
                } else if (m_blockMode[var.storage] != var.address) {
                    Fail(MemberPath(var.path, "address"),
                         "differs from the address of other statics of block " + var.storage);
                }
                continue;
            }
            VarInfo& info = Info(var);
            offset = AlignUp(offset, SlotAlign(var), var.path);
            info.offset = offset;
            offset = Add(offset, StorageSize(var), var.path);
        }
        std::map<std::string, uint32_t, NameLess> blockStart;
        for (const std::string& block : blocks) {
            offset = AlignUp(offset, 8, routine.path);
            blockStart[block] = offset;
            uint32_t inBlock = 0;
            for (const Variable& var : routine.statics) {
                if (!NamesEqual(var.storage, block)) continue;
                inBlock = AlignUp(inBlock, SlotAlign(var), var.path);
                Info(var).offset = inBlock;
                inBlock = Add(inBlock, StorageSize(var), var.path);
            }
            m_blockSize[block] = inBlock;
            offset = Add(offset, inBlock, routine.path);
        }
        const uint32_t base = m_plan.NewArea(offset, "statics of " + routine.name, routine.path);
        for (const std::string& block : blocks)
            m_blockBase[block] = base + blockStart[block];
        for (const Variable& var : routine.statics) {
            VarInfo& info = Info(var);
            info.hasStorage = true;
            info.address = info.data =
                (var.storage.empty() ? base : m_blockBase[var.storage]) + info.offset;
        }
    }
}

void ProgramBuilder::PlanFrame() {
    const Routine& stop = m_doc.routines[static_cast<size_t>(m_doc.stop)];
    std::vector<const Variable*> frame;
    for (const Variable& arg : stop.arguments) {
        frame.push_back(&arg);
        if (m_lengthOf.count(&arg)) frame.push_back(m_lengthOf[&arg]);
    }
    for (const Variable& local : stop.locals)
        frame.push_back(&local);
    for (const Variable& helper : m_helpers[&stop])
        if (helper.role == Role::Local) frame.push_back(&helper);
    uint32_t offset = 0;
    for (const Variable* var : frame) {
        if (var->parameter) continue;
        VarInfo& info = Info(*var);
        // Local arrays are managed array objects, so their data follows a header.
        info.frameArray = var->hasDims && !var->pointer && !var->allocatable;
        const uint32_t align = info.frameArray ? 8 : std::max<uint32_t>(4, SlotAlign(*var));
        offset = AlignUp(offset, align, var->path);
        info.offset = offset;
        offset = Add(offset, StorageSize(*var), var->path);
    }
    const uint32_t base = m_plan.NewArea(offset, "frame of " + stop.name, stop.path);
    for (const Variable* var : frame) {
        if (var->parameter) continue;
        VarInfo& info = Info(*var);
        info.hasStorage = true;
        info.address = base + info.offset;
        info.data = info.frameArray ? info.address + kArrayHeader : info.address;
    }
}

void ProgramBuilder::PlanHeap() {
    m_plan.StartHeap();
    for (const ObjectDef& object : m_doc.objects) {
        const ClassDef& cls = m_doc.classes[static_cast<size_t>(object.cls)];
        uint32_t size = 4; // the type handle
        for (const ClassField& field : cls.fields)
            if (!field.isStatic) size = AlignUp(size, field.size, object.path) + field.size;
        const uint32_t address = m_plan.HeapBlock(size, object.path);
        m_objectIndex[object.id] = m_objectAddress.size();
        m_objectAt[address] = m_objectAddress.size();
        m_objectAddress.push_back(address);
    }
    for (const Variable* var : m_order) {
        VarInfo& info = Info(*var);
        if (!var->allocatable || !var->allocated || !info.hasStorage) continue;
        const uint32_t bytes = CheckedBytes(info.count, m_layouts.ElementSize(*var), var->path);
        info.heapObject = m_plan.HeapBlock(Add(bytes, kArrayHeader, var->path), var->path);
        info.data = info.heapObject + kArrayHeader;
    }
}

void ProgramBuilder::WriteValues() {
    for (const Variable* var : m_order) {
        const VarInfo& info = Info(*var);
        if (!info.hasStorage) continue;
        m_valueScope = info.scope;
        WriteVariable(*var);
    }
    m_valueScope = nullptr;
}

void ProgramBuilder::WriteVariable(const Variable& var) {
    const VarInfo& info = Info(var);
    if (var.pointer) {
        if (var.value) return; // "undefined": the never-assigned pattern stays
        uint32_t target = 0;
        if (info.target) {
            const VarInfo& designated = Info(*info.target);
            if (!designated.hasStorage)
                Fail(MemberPath(var.path, "target"), "target '" + info.target->name +
                                                         "' has no storage (its routine is not "
                                                         "the one stopped)");
            target = designated.data;
        }
        m_plan.WriteU32(info.address, target);
        return;
    }
    uint32_t object = 0;
    if (var.allocatable) {
        m_plan.WriteU32(info.address, var.allocated ? info.heapObject : 0);
        if (!var.allocated) return;
        object = info.heapObject;
    } else if (info.frameArray) {
        object = info.address;
    }
    if (object) {
        m_plan.WriteU32(object, kArrayTypeHandle);
        m_plan.WriteU32(object + 4, static_cast<uint32_t>(info.count));
    }
    if (!var.value) return;
    if (var.assumedLength) {
        if (!var.value->IsString())
            Fail(var.value->Path(), "an assumed-length argument needs a text value");
        const std::string text = var.value->String();
        m_plan.Write(info.data, reinterpret_cast<const uint8_t*>(text.data()), text.size());
        return;
    }
    m_plan.Write(info.data, m_values.Encode(var, info.count, var.hasDims, *var.value));
}

std::vector<uint8_t> ProgramBuilder::StoredBytes(const Variable& var) const {
    const VarInfo& info = Info(var);
    uint32_t size = 4;
    if (!var.pointer && !var.allocatable)
        size = info.frameArray ? StorageSize(var) - kArrayHeader : StorageSize(var);
    const uint32_t at = var.pointer || var.allocatable ? info.address : info.data;
    std::vector<uint8_t> bytes(size);
    if (size && !m_plan.Read(at, bytes.data(), size)) bytes.clear();
    return bytes;
}

uint32_t ProgramBuilder::PointerTarget(const Variable& component, const JsonNode& value) {
    if (!m_valueScope) Fail(value.Path(), "a POINTER component here has no variables to point at");
    const Variable& target = ResolveTarget(*m_valueScope, component, value.String(), value.Path());
    if (component.hasDims && target.hasDims) {
        const VarInfo& info = Info(target);
        std::vector<std::pair<int32_t, int32_t>> bounds;
        for (const Dimension& dim : component.dims)
            bounds.emplace_back(dim.lower.number, dim.upper.number);
        if (info.shapeKnown && ElementCount(bounds) != info.count)
            Fail(value.Path(), "target '" + target.name + "' has " + std::to_string(info.count) +
                                   " elements, the component " +
                                   std::to_string(ElementCount(bounds)));
    }
    const VarInfo& info = Info(target);
    if (!info.hasStorage)
        Fail(value.Path(), "target '" + target.name +
                               "' has no storage (its routine is not "
                               "the one stopped)");
    return info.data;
}

uint32_t ProgramBuilder::ObjectAddress(int cls, const JsonNode& value) {
    const std::string id = value.String();
    auto found = m_objectIndex.find(id);
    if (found != m_objectIndex.end()) {
        const size_t i = found->second;
        const ObjectDef& object = m_doc.objects[i];
        if (object.cls != cls)
            Fail(value.Path(), "object '" + id + "' is a " +
                                   m_doc.classes[static_cast<size_t>(object.cls)].name +
                                   ", not a " + m_doc.classes[static_cast<size_t>(cls)].name);
        return m_objectAddress[i];
    }
    Fail(value.Path(), "names no object: '" + id + "'");
}

} // namespace orvel::sim::snapshot

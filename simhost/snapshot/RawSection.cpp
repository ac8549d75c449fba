// The snapshot's explicit escapes for edge and hostile cases: attribute blobs and
// extra records written by hand, memory regions, look-up answers, global names,
// program members left out, and host failures to inject.
#include <set>

#include "simhost/debuggee/MemoryImage.h"
#include "simhost/snapshot/ProgramBuilder.h"

namespace orvel::sim::snapshot {

namespace {

constexpr const char* kDebugInfoAttribute = "Kestrin.Fortran.DebugInfoAttribute";
constexpr const char* kGlobalInfoAttribute = "Kestrin.Fortran.DebugGlobalInfoAttribute";
constexpr const char* kItemKinds[] = {"routine", "type", "module", "common", "field", "program"};

std::vector<uint8_t> HexBytes(const JsonNode& node) {
    std::string error;
    std::optional<std::vector<uint8_t>> bytes = FromHex(node.String(), &error);
    if (!bytes) Fail(node.Path(), "invalid hex: " + error);
    return *bytes;
}

BoundItem RawBoundItem(const JsonNode& node) {
    if (node.IsString() && !(node.String().size() > 1 && node.String()[1] == 'x'))
        return BoundItem::Named(node.String());
    BoundItem item;
    item.number = static_cast<uint32_t>(node.Integer(INT32_MIN, UINT32_MAX));
    return item;
}

// A record written out field by field, for records no declaration produces.
RecordSpec RawRecordSpec(const JsonNode& node) {
    RecordSpec spec;
    spec.rawName = node.Require("name").String();
    if (auto flags = node.Find("flags"))
        spec.flags = static_cast<uint32_t>(flags->Integer(0, UINT32_MAX));
    if (auto kind = node.Find("kind"))
        spec.kind = static_cast<uint32_t>(kind->Integer(0, UINT32_MAX));
    if (auto value = node.Find("value"))
        spec.value = static_cast<uint32_t>(value->Integer(INT32_MIN, UINT32_MAX));
    if (auto size = node.Find("size"))
        spec.size = static_cast<int32_t>(size->Integer(INT32_MIN, INT32_MAX));
    if (auto array = node.Find("array")) {
        array->ExpectObject({"elemSize", "dims"});
        ArraySection section;
        section.elemSize =
            static_cast<int32_t>(array->Require("elemSize").Integer(INT32_MIN, INT32_MAX));
        for (const JsonNode& dim : array->Require("dims").Items()) {
            const std::vector<JsonNode> items = dim.Items();
            if (items.size() != 5)
                Fail(dim.Path(), "expected [base, size, stride, boundSizes, boundOffset]");
            RecordDimension out;
            out.base = RawBoundItem(items[0]);
            out.size = RawBoundItem(items[1]);
            out.stride = RawBoundItem(items[2]);
            out.boundSizes = RawBoundItem(items[3]);
            out.boundOffset = RawBoundItem(items[4]);
            section.dims.push_back(std::move(out));
        }
        spec.array = std::move(section);
    }
    if (auto constant = node.Find("constant")) spec.constant = HexBytes(*constant);
    if (auto structure = node.Find("structure")) {
        structure->ExpectObject({"number", "name", "ignored"});
        if (auto name = structure->Find("name")) {
            spec.structure = StructureType::Named(name->String());
            if (auto ignored = structure->Find("ignored"))
                spec.structure->ignoredWord =
                    static_cast<uint32_t>(ignored->Integer(0, UINT32_MAX));
        } else {
            spec.structure = StructureType::Number(
                static_cast<uint32_t>(structure->Require("number").Integer(0, UINT32_MAX)));
        }
    }
    return spec;
}

} // namespace

std::string ProgramBuilder::RawItemKey(const JsonNode& node, bool allowField) {
    std::string key;
    for (const char* kind : kItemKinds) {
        std::optional<JsonNode> item = node.Find(kind);
        if (!item) continue;
        if (!key.empty()) Fail(node.Path(), "names more than one item");
        const std::string what = kind;
        if (what == "program") {
            if (!allowField || !item->Bool()) Fail(item->Path(), "not allowed here");
            key = "program:";
            continue;
        }
        const std::string name = item->String();
        if (what == "field") {
            if (!allowField) Fail(item->Path(), "not allowed here");
            key = "field:" + name;
        } else if (what == "routine") {
            for (const Routine& routine : m_doc.routines)
                if (NamesEqual(routine.name, name)) key = "routine:" + routine.name;
        } else if (what == "type") {
            for (const DerivedType& type : m_doc.types)
                if (NamesEqual(type.fullName, name) || NamesEqual(type.name, name))
                    key = "type:" + type.fullName;
        } else if (what == "module") {
            for (const Module& module : m_doc.modules)
                if (NamesEqual(module.name, name)) key = "module:" + module.name;
        } else {
            // "NAME" or "NAME/INSTANCE", as routines list their COMMON blocks.
            for (const Common& common : m_doc.commons) {
                const std::string ref = common.instance
                                            ? common.name + "/" + std::to_string(common.instance)
                                            : common.name;
                if (NamesEqual(ref, name))
                    key = "common:" + CommonBlockKey(common.name, common.instance);
            }
        }
        if (key.empty()) Fail(item->Path(), "names no " + what + ": '" + name + "'");
    }
    if (key.empty()) Fail(node.Path(), "names no item (routine, type, module or common)");
    return key;
}

std::vector<uint8_t> ProgramBuilder::RawRecordBytes(const JsonNode& node) {
    if (auto hex = node.Find("hex")) return HexBytes(*hex);
    return EncodeRecords({RawRecordSpec(node)});
}

bool ProgramBuilder::IsOmitted(const std::string& member) const {
    return m_omit.count(member) != 0;
}

void ProgramBuilder::ReadRawEarly() {
    if (!m_doc.raw) return;
    const JsonNode& raw = *m_doc.raw;
    raw.ExpectObject({"attributes", "records", "memory", "failures", "lookup", "globals", "omit",
                      "refuseNullAttributeBuffer"});
    if (auto records = raw.Find("records"))
        for (const JsonNode& node : records->Items()) {
            node.ExpectObject({"routine", "type", "module", "common", "hex", "name", "flags",
                               "kind", "value", "size", "array", "constant", "structure"});
            const std::string key = RawItemKey(node, false);
            const std::vector<uint8_t> bytes = RawRecordBytes(node);
            std::vector<uint8_t>& extra = m_extraRecords[key];
            extra.insert(extra.end(), bytes.begin(), bytes.end());
        }
    if (auto omit = raw.Find("omit"))
        for (const JsonNode& node : omit->Items())
            m_omit.emplace(node.String(), node.Path());
    if (auto globals = raw.Find("globals"))
        for (const JsonNode& node : globals->Items()) {
            node.ExpectObject({"value", "name"});
            m_extraGlobals.push_back(
                {static_cast<uint32_t>(node.Require("value").Integer(0, UINT32_MAX)),
                 node.Require("name").String()});
        }
}

void ProgramBuilder::ApplyRaw() {
    for (const auto& [member, path] : m_omit)
        if (!m_programMembers.count(member))
            Fail(path, "the program class has no member '" + member + "'");
    if (!m_doc.raw) return;
    const JsonNode& raw = *m_doc.raw;
    if (auto list = raw.Find("attributes")) ApplyRawAttributes(*list);
    if (auto list = raw.Find("memory")) ApplyRawMemory(*list);
    if (auto list = raw.Find("failures")) ApplyRawFailures(*list);
    if (auto list = raw.Find("lookup"))
        for (const JsonNode& node : list->Items()) {
            node.ExpectObject({"name", "address"});
            m_out.lookupTable[node.Require("name").String()] =
                static_cast<uint32_t>(node.Require("address").Integer(0, UINT32_MAX));
        }
    m_out.refuseNullAttributeBuffer = raw.BoolOr("refuseNullAttributeBuffer", false);
}

void ProgramBuilder::ApplyRawAttributes(const JsonNode& list) {
    for (const JsonNode& node : list.Items()) {
        node.ExpectObject(
            {"routine", "type", "module", "common", "field", "program", "blob", "records"});
        const std::string key = RawItemKey(node, true);
        std::optional<JsonNode> blob = node.Find("blob");
        std::optional<JsonNode> records = node.Find("records");
        if (!blob == !records) Fail(node.Path(), "give either \"blob\" or \"records\"");
        const std::vector<uint8_t> bytes = HexBytes(blob ? *blob : *records);
        if (key == "program:") {
            if (!blob) Fail(records->Path(), "the global-name table is given as a blob");
            m_out.fields[static_cast<size_t>(m_program)].attributes[kGlobalInfoAttribute] = bytes;
            continue;
        }
        const bool isMethod = key.compare(0, 8, "routine:") == 0 || key.compare(0, 5, "type:") == 0;
        FieldId field = kNoField;
        if (key.compare(0, 6, "field:") == 0) {
            field = m_out.FindChild(m_program, key.substr(6));
            if (field == kNoField)
                Fail(node.Path(), "the program class has no member '" + key.substr(6) + "'");
        } else {
            auto companion = m_companions.find(key);
            if (companion != m_companions.end()) {
                m_out
                    .values[static_cast<size_t>(
                        m_out.fields[static_cast<size_t>(companion->second)].value)]
                    .bytes = blob ? bytes : CompanionArrayValue(bytes);
                continue;
            }
            auto carrier = m_carriers.find(key);
            if (carrier == m_carriers.end())
                Fail(node.Path(), "the item's field is left out (\"omit\")");
            field = carrier->second;
        }
        HostField& host = m_out.fields[static_cast<size_t>(field)];
        if (host.attributeAccess == AttributeAccess::None)
            host.attributeAccess = AttributeAccess::Query;
        host.attributes[kDebugInfoAttribute] = blob       ? bytes
                                               : isMethod ? MethodAttributeBlob(bytes)
                                                          : StaticFieldAttributeBlob(bytes);
    }
}

void ProgramBuilder::ApplyRawMemory(const JsonNode& list) {
    for (const JsonNode& node : list.Items()) {
        node.ExpectObject({"address", "hex"});
        MemoryRegion region;
        region.base =
            static_cast<uint32_t>(node.Require("address").Integer(LowestAddress, UINT32_MAX));
        region.bytes = HexBytes(node.Require("hex"));
        const uint64_t end = uint64_t{region.base} + region.bytes.size();
        if (region.bytes.empty()) Fail(node.Path(), "a memory region needs at least one byte");
        if (end > (uint64_t{1} << 32)) Fail(node.Path(), "the region runs past 4 GiB");
        auto overlaps = [&](uint32_t base, size_t size) {
            return region.base < uint64_t{base} + size && base < end;
        };
        for (const Area& area : m_plan.Areas())
            if (!area.bytes.empty() && overlaps(area.base, area.bytes.size()))
                Fail(node.Path(), "the region overlaps the storage of " + area.label);
        for (size_t i = 0; i < m_rawRegions.size(); ++i)
            if (overlaps(m_rawRegions[i].base, m_rawRegions[i].bytes.size()))
                Fail(node.Path(), "the region overlaps " + ElementPath(list.Path(), i));
        m_rawRegions.push_back(std::move(region));
    }
}

void ProgramBuilder::ApplyRawFailures(const JsonNode& list) {
    std::set<std::string, NameLess> names;
    for (const HostField& f : m_out.fields) {
        names.insert(f.fullName);
        names.insert(f.name);
    }
    for (const JsonNode& node : list.Items()) {
        node.ExpectObject({"field", "op", "hresult"});
        InjectedFailure failure;
        const JsonNode field = node.Require("field");
        failure.field = field.String();
        if (!names.count(failure.field))
            Fail(field.Path(), "names no field: '" + failure.field + "'");
        const JsonNode op = node.Require("op");
        failure.op = HostOpFromName(op.String());
        if (failure.op == HostOp::Count)
            Fail(op.Path(), "unknown operation '" + op.String() +
                                "' (GetType, Bind, GetValue or GetMemoryContext)");
        failure.result = static_cast<HRESULT>(
            static_cast<uint32_t>(node.Require("hresult").Integer(INT32_MIN, UINT32_MAX)));
        m_out.failures.push_back(std::move(failure));
    }
}

void ProgramBuilder::HandOverMemory() {
    for (Area& area : m_plan.Areas()) {
        if (area.bytes.empty()) continue;
        MemoryRegion region;
        region.base = area.base;
        region.bytes = std::move(area.bytes);
        m_out.memory.push_back(std::move(region));
    }
    for (MemoryRegion& region : m_rawRegions)
        m_out.memory.push_back(std::move(region));
    if (m_out.memory.size() > MaxRegions) Fail("raw.memory", "too many memory regions");
}

} // namespace orvel::sim::snapshot

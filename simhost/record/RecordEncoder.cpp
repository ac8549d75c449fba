#include "simhost/record/RecordEncoder.h"

namespace orvel::sim {

namespace {

void AppendText(std::vector<uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

void PadToFour(std::vector<uint8_t>& out, size_t sectionStart) {
    while ((out.size() - sectionStart) % 4 != 0)
        out.push_back(0);
}

void AppendItem(std::vector<uint8_t>& out, const BoundItem& item) {
    if (item.name)
        AppendText(out, *item.name);
    else
        AppendU32(out, item.number);
}

void AppendArraySection(std::vector<uint8_t>& out, const ArraySection& array) {
    AppendU32(out, static_cast<uint32_t>(array.dims.size()));
    AppendU32(out, static_cast<uint32_t>(array.elemSize));
    for (const RecordDimension& dim : array.dims) {
        AppendU32(out, dim.Bits());
        for (const BoundItem* item :
             {&dim.base, &dim.size, &dim.stride, &dim.boundSizes, &dim.boundOffset})
            AppendItem(out, *item);
    }
}

void AppendConstantSection(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
    AppendU32(out, static_cast<uint32_t>(bytes.size()));
    const size_t start = out.size();
    out.insert(out.end(), bytes.begin(), bytes.end());
    PadToFour(out, start);
}

void AppendStructureSection(std::vector<uint8_t>& out, const StructureType& type) {
    if (!type.name) {
        AppendU32(out, type.number);
        return;
    }
    AppendU32(out, TypeNameMarker);
    AppendU32(out, type.ignoredWord);
    const size_t start = out.size();
    AppendText(out, *type.name);
    PadToFour(out, start);
}

std::vector<uint8_t> Framed(size_t fillerBytes, bool prolog, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out;
    out.reserve(body.size() + fillerBytes + 2);
    if (prolog) {
        out.push_back(0x01);
        out.push_back(0x00);
    }
    out.insert(out.end(), fillerBytes, 0);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

std::optional<uint32_t> RecordKindCode(ElementType type) {
    switch (type) {
    case integer_1:
        return RecordKind::Integer1;
    case logical_1:
        return RecordKind::Logical1;
    case integer_2:
        return RecordKind::Integer2;
    case logical_2:
        return RecordKind::Logical2;
    case integer_4:
        return RecordKind::Integer4;
    case logical_4:
        return RecordKind::Logical4;
    case void_0:
        return RecordKind::Void;
    case object_4:
        return RecordKind::Object4;
    case real_4:
        return RecordKind::Real4;
    case real_8:
        return RecordKind::Real8;
    case real_10:
        return RecordKind::Real10;
    case structure:
        return RecordKind::Structure;
    case enumeration:
        return RecordKind::Enumeration;
    case pointer_4:
        return RecordKind::Pointer4;
    case array:
        return RecordKind::Array;
    case reference_4:
        return RecordKind::Reference4;
    case complex_8:
        return RecordKind::Complex8;
    case complex_16:
        return RecordKind::Complex16;
    case complex_20:
        return RecordKind::Complex20;
    case string:
        return RecordKind::String;
    default:
        return std::nullopt;
    }
}

BoundItem BoundItem::Number(int32_t value) {
    BoundItem item;
    item.number = static_cast<uint32_t>(value);
    return item;
}

BoundItem BoundItem::Named(std::string variable) {
    BoundItem item;
    item.name = std::move(variable);
    return item;
}

BoundItem BoundItem::ModuleRelative(uint32_t offset) {
    BoundItem item;
    item.number = 0x80000000u | (offset & 0x00FFFFFFu);
    return item;
}

RecordDimension RecordDimension::Bounds(int32_t lower, int32_t upper) {
    RecordDimension dim;
    dim.base = BoundItem::Number(lower);
    dim.size = BoundItem::Number(upper - lower);
    dim.stride = BoundItem::Number(1);
    dim.boundSizes = BoundItem::Number(upper - lower + 1);
    dim.boundOffset = BoundItem::Number(0);
    return dim;
}

uint32_t RecordDimension::Bits() const {
    uint32_t bits = 0;
    const BoundItem* items[] = {&base, &size, &stride, &boundSizes, &boundOffset};
    for (uint32_t j = 0; j < 5; ++j)
        if (items[j]->name) bits |= 1u << j;
    return bits;
}

StructureType StructureType::Number(uint32_t typeNumber) {
    StructureType type;
    type.number = typeNumber;
    return type;
}

StructureType StructureType::Named(std::string typeName) {
    StructureType type;
    type.name = std::move(typeName);
    return type;
}

uint32_t EffectiveFlags(const RecordSpec& spec) {
    uint32_t flags = spec.flags;
    if (spec.array) flags |= RecordFlag::Array;
    if (spec.constant) flags |= RecordFlag::Constant;
    return flags;
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void AppendRecord(std::vector<uint8_t>& out, const RecordSpec& spec) {
    AppendText(out, spec.rawName);
    AppendU32(out, EffectiveFlags(spec));
    AppendU32(out, spec.kind);
    AppendU32(out, spec.value);
    AppendU32(out, static_cast<uint32_t>(spec.size));
    if (spec.array) AppendArraySection(out, *spec.array);
    if (spec.constant) AppendConstantSection(out, *spec.constant);
    if (spec.structure) AppendStructureSection(out, *spec.structure);
}

std::vector<uint8_t> EncodeRecords(const std::vector<RecordSpec>& records) {
    std::vector<uint8_t> out;
    for (const RecordSpec& record : records)
        AppendRecord(out, record);
    return out;
}

std::string DecoratedName(std::string_view container, std::optional<int32_t> offset,
                          std::string_view member) {
    std::string name = "{";
    name += container;
    if (offset) name += ",+" + std::to_string(*offset);
    name += '}';
    name += member;
    return name;
}

std::string ModuleVariableName(std::string_view module, std::string_view variable) {
    std::string name(module);
    name += '!';
    name += variable;
    return name;
}

std::string LengthOfName(std::string_view argument) {
    std::string name = "_Length_of_";
    name += argument;
    name += '_';
    return name;
}

std::string CommonBlockKey(std::string_view name, int32_t instance) {
    std::string key = "/";
    key += name;
    key += '/';
    if (instance > 0) key += std::to_string(instance);
    return key;
}

std::string CompanionFieldName(std::string_view staticItem) {
    std::string name(staticItem);
    name += "debug";
    return name;
}

RecordSpec ScalarRecord(std::string name, ElementType type, int32_t size, uint32_t flags) {
    RecordSpec spec;
    spec.rawName = std::move(name);
    spec.flags = flags;
    spec.kind = RecordKindCode(type).value_or(RecordKind::Void);
    spec.size = size;
    return spec;
}

RecordSpec CommonBlockRecord(std::string name, uint32_t instance, uint32_t memberCount,
                             int32_t size) {
    RecordSpec spec;
    spec.size = size;
    spec.rawName = std::move(name);
    spec.flags = RecordFlag::Common;
    spec.kind = instance;
    spec.value = memberCount;
    return spec;
}

RecordSpec ModuleVariableRecord(std::string_view module, std::string_view variable,
                                ElementType type, int32_t size, uint32_t offsetInModule,
                                uint32_t extraFlags) {
    RecordSpec spec = ScalarRecord(ModuleVariableName(module, variable), type, size,
                                   RecordFlag::ModuleVariable | extraFlags);
    spec.value = offsetInModule;
    return spec;
}

std::vector<RecordSpec> AssumedLengthArgument(std::string name, uint32_t extraFlags) {
    std::string lengthName = LengthOfName(name);
    return {ScalarRecord(std::move(name), string, 0, RecordFlag::Argument | extraFlags),
            ScalarRecord(std::move(lengthName), integer_4, 4, RecordFlag::Argument)};
}

std::vector<uint8_t> MethodAttributeBlob(const std::vector<uint8_t>& records) {
    return Framed(4, true, records);
}

std::vector<uint8_t> StaticFieldAttributeBlob(const std::vector<uint8_t>& records) {
    return Framed(8, true, records);
}

std::vector<uint8_t> CompanionArrayValue(const std::vector<uint8_t>& records) {
    return Framed(4, false, records);
}

std::vector<uint8_t> GlobalInfoAttributeBlob(const std::vector<GlobalInfoEntry>& entries) {
    std::vector<uint8_t> body;
    AppendU32(body, static_cast<uint32_t>(entries.size()));
    for (const GlobalInfoEntry& entry : entries) {
        AppendU32(body, entry.value);
        AppendText(body, entry.name);
    }
    return Framed(4, true, body);
}

std::string ToHex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0xF]);
    }
    return text;
}

std::optional<std::vector<uint8_t>> FromHex(std::string_view text, std::string* error) {
    auto fail = [error](std::string message) -> std::optional<std::vector<uint8_t>> {
        if (error) *error = std::move(message);
        return std::nullopt;
    };
    std::vector<uint8_t> bytes;
    size_t i = 0;
    while (i < text.size()) {
        if (IsSpace(text[i])) {
            ++i;
            continue;
        }
        const int high = HexDigit(text[i]);
        if (high < 0)
            return fail("invalid hex digit '" + std::string(1, text[i]) + "' at offset " +
                        std::to_string(i));
        if (i + 1 >= text.size() || IsSpace(text[i + 1]))
            return fail("odd number of hex digits (lone digit at offset " + std::to_string(i) +
                        ")");
        const int low = HexDigit(text[i + 1]);
        if (low < 0)
            return fail("invalid hex digit '" + std::string(1, text[i + 1]) + "' at offset " +
                        std::to_string(i + 1));
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
        i += 2;
    }
    return bytes;
}

} // namespace orvel::sim

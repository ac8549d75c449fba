#include "simhost/snapshot/Values.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "simhost/model/HostModel.h"
#include "simhost/record/RecordEncoder.h"

namespace orvel::sim::snapshot {

namespace {

void PutLittleEndian(uint8_t* out, uint64_t value, uint32_t size) {
    for (uint32_t i = 0; i < size; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool IsUndefined(const JsonNode& value) {
    return value.IsString() && value.String() == "undefined";
}

// The bytes of an INTEGER or LOGICAL of size bytes: signed values and, so that any bit
// pattern can be written, unsigned ones up to the full width.
uint64_t IntegerBits(const JsonNode& value, uint32_t size) {
    const int64_t min = -(int64_t{1} << (8 * size - 1));
    const int64_t max = (int64_t{1} << (8 * size)) - 1;
    return static_cast<uint64_t>(value.Integer(min, max));
}

void PutReal(uint8_t* out, double value, uint32_t size, const std::string& path) {
    if (size == 4) {
        if (std::isfinite(value) && std::fabs(value) > FLT_MAX) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", value);
            Fail(path, std::string("value ") + text + " does not fit REAL*4");
        }
        const float single = static_cast<float>(value);
        std::memcpy(out, &single, 4);
    } else {
        std::memcpy(out, &value, 8);
    }
}

int FindComponent(const DerivedType& type, const std::string& name) {
    for (size_t i = 0; i < type.components.size(); ++i)
        if (NamesEqual(type.components[i].name, name)) return static_cast<int>(i);
    return -1;
}

// A value {"hex": ...} spells out bytes; a derived type with a component named hex
// takes it as a component value instead.
bool IsHexValue(const Document& doc, const Variable& var, const JsonNode& value) {
    if (!value.IsObject() || value.Value().size() != 1 || !value.Find("hex")) return false;
    return var.base != BaseType::Derived ||
           FindComponent(doc.types[static_cast<size_t>(var.type)], "hex") < 0;
}

} // namespace

std::optional<uint64_t> ValueEncoder::CarriedCount(const JsonNode& value) {
    if (value.IsArray()) return value.Value().size();
    if (value.IsObject())
        if (auto count = value.Find("count"))
            return static_cast<uint64_t>(count->Integer(0, 0xFFFFFFFF));
    return std::nullopt;
}

std::optional<int64_t> ValueEncoder::IntegerOf(const Variable& var) {
    if (!var.value || !IsIntegerBase(var.base) || var.hasDims || var.pointer) return std::nullopt;
    const nlohmann::json& json = var.value->Value();
    if (!json.is_number_integer() && !json.is_number_unsigned()) return std::nullopt;
    const uint32_t size = var.base == BaseType::Integer1   ? 1
                          : var.base == BaseType::Integer2 ? 2
                                                           : 4;
    // As the debuggee would read it back: the low bytes, sign-extended.
    const uint64_t bits = IntegerBits(*var.value, size);
    const int shift = 64 - 8 * static_cast<int>(size);
    return static_cast<int64_t>(bits << shift) >> shift;
}

bool ValueEncoder::EncodeHex(const JsonNode& value, size_t size, uint8_t* out) {
    const JsonNode hex = value.Require("hex");
    std::string error;
    std::optional<std::vector<uint8_t>> bytes = FromHex(hex.String(), &error);
    if (!bytes) Fail(hex.Path(), "invalid hex: " + error);
    if (bytes->size() != size)
        Fail(hex.Path(),
             std::to_string(bytes->size()) + " bytes given, " + std::to_string(size) + " expected");
    if (size) std::memcpy(out, bytes->data(), size);
    return true;
}

std::vector<uint8_t> ValueEncoder::Encode(const Variable& var, uint64_t count, bool isArray,
                                          const JsonNode& value) {
    const uint32_t elementSize = m_layouts.ElementSize(var);
    const uint32_t total = CheckedBytes(count, elementSize, var.path);
    if (total > AddressPlan::kMaxImageBytes)
        Fail(var.path,
             "a value of " + std::to_string(total) + " bytes is more than a snapshot may hold");
    std::vector<uint8_t> out(total, 0x80);
    if (IsUndefined(value)) return out;
    if (!isArray) {
        EncodeElement(var, value, out.data());
        return out;
    }
    if (value.IsArray()) {
        const std::vector<JsonNode> items = value.Items();
        if (items.size() != count)
            Fail(value.Path(), std::to_string(items.size()) + " values given for " +
                                   std::to_string(count) + " elements");
        for (size_t i = 0; i < items.size(); ++i)
            EncodeElement(var, items[i], out.data() + i * elementSize);
        return out;
    }
    if (IsHexValue(m_doc, var, value)) {
        EncodeHex(value, out.size(), out.data());
        return out;
    }
    if (value.IsObject()) {
        EncodeGenerator(var, count, value, out);
        return out;
    }
    Fail(value.Path(), "an array's value is a list, {\"ramp\": ...}, {\"fill\": ...}, "
                       "{\"hex\": ...} or \"undefined\"");
}

void ValueEncoder::EncodeGenerator(const Variable& var, uint64_t count, const JsonNode& value,
                                   std::vector<uint8_t>& out) {
    value.ExpectObject({"ramp", "fill", "count"});
    if (auto given = value.Find("count"))
        if (static_cast<uint64_t>(given->Integer(0, 0xFFFFFFFF)) != count)
            Fail(given->Path(), "the array has " + std::to_string(count) + " elements");
    const uint32_t elementSize = m_layouts.ElementSize(var);
    if (auto fill = value.Find("fill")) {
        if (value.Find("ramp")) Fail(value.Path(), "give either \"ramp\" or \"fill\"");
        std::vector<uint8_t> one(elementSize, 0x80);
        EncodeElement(var, *fill, one.data());
        for (uint64_t i = 0; i < count; ++i)
            std::memcpy(out.data() + i * elementSize, one.data(), elementSize);
        return;
    }
    const JsonNode ramp = value.Require("ramp");
    const std::vector<JsonNode> pair = ramp.Items();
    if (pair.size() != 2) Fail(ramp.Path(), "expected [first, step]");
    if (count == 0) return;
    if (IsIntegerBase(var.base)) {
        const int64_t first = pair[0].Integer(INT32_MIN, UINT32_MAX);
        const int64_t step = pair[1].Integer(INT32_MIN, UINT32_MAX);
        const int64_t min = -(int64_t{1} << (8 * elementSize - 1));
        const int64_t max = (int64_t{1} << (8 * elementSize - 1)) - 1;
        int64_t last = 0;
        if (__builtin_mul_overflow(static_cast<int64_t>(count - 1), step, &last) ||
            __builtin_add_overflow(last, first, &last) || first < min || first > max ||
            last < min || last > max)
            Fail(ramp.Path(), "the ramp leaves the range of " + BaseTypeText(m_doc, var));
        for (uint64_t i = 0; i < count; ++i)
            PutLittleEndian(out.data() + i * elementSize,
                            static_cast<uint64_t>(first + static_cast<int64_t>(i) * step),
                            elementSize);
        return;
    }
    if (!IsRealBase(var.base) && !IsComplexBase(var.base))
        Fail(ramp.Path(), "a ramp needs a numeric type, not " + BaseTypeText(m_doc, var));
    const double first = pair[0].Number();
    const double step = pair[1].Number();
    const uint32_t partSize = IsComplexBase(var.base) ? elementSize / 2 : elementSize;
    PutReal(out.data(), first, partSize, ramp.Path());
    PutReal(out.data(), first + static_cast<double>(count - 1) * step, partSize, ramp.Path());
    for (uint64_t i = 0; i < count; ++i) {
        uint8_t* element = out.data() + i * elementSize;
        PutReal(element, first + static_cast<double>(i) * step, partSize, ramp.Path());
        if (partSize != elementSize) PutReal(element + partSize, 0.0, partSize, ramp.Path());
    }
}

void ValueEncoder::EncodeElement(const Variable& var, const JsonNode& value, uint8_t* out) {
    const uint32_t size = m_layouts.ElementSize(var);
    if (IsUndefined(value)) return;
    if (IsHexValue(m_doc, var, value)) {
        EncodeHex(value, size, out);
        return;
    }
    switch (var.base) {
    case BaseType::Integer1:
    case BaseType::Integer2:
    case BaseType::Integer4:
        PutLittleEndian(out, IntegerBits(value, size), size);
        return;
    case BaseType::Logical1:
    case BaseType::Logical2:
    case BaseType::Logical4:
        if (value.Value().is_boolean())
            PutLittleEndian(out, value.Bool() ? 1 : 0, size);
        else
            PutLittleEndian(out, IntegerBits(value, size), size);
        return;
    case BaseType::Real4:
    case BaseType::Real8:
        PutReal(out, value.Number(), size, value.Path());
        return;
    case BaseType::Complex8:
    case BaseType::Complex16: {
        const std::vector<JsonNode> parts = value.Items();
        if (parts.size() != 2) Fail(value.Path(), "expected [real, imaginary]");
        PutReal(out, parts[0].Number(), size / 2, parts[0].Path());
        PutReal(out + size / 2, parts[1].Number(), size / 2, parts[1].Path());
        return;
    }
    case BaseType::Character: {
        const std::string text = value.String();
        if (text.size() > size)
            Fail(value.Path(), "text of " + std::to_string(text.size()) +
                                   " characters exceeds CHARACTER*" + std::to_string(size));
        std::memset(out, ' ', size);
        if (!text.empty()) std::memcpy(out, text.data(), text.size());
        return;
    }
    case BaseType::Derived:
        EncodeDerived(var, value, out);
        return;
    case BaseType::Object:
        PutLittleEndian(out, value.IsNull() ? 0 : m_resolver.ObjectAddress(var.cls, value), 4);
        return;
    }
}

void ValueEncoder::EncodeDerived(const Variable& var, const JsonNode& value, uint8_t* out) {
    const DerivedType& type = m_doc.types[static_cast<size_t>(var.type)];
    const TypeLayout& layout = m_layouts.Type(var.type);
    for (const auto& [key, member] : value.Members()) {
        const int index = FindComponent(type, key);
        if (index < 0)
            Fail(member.Path(), "TYPE(" + type.fullName + ") has no component '" + key + "'");
        const Variable& component = type.components[static_cast<size_t>(index)];
        uint8_t* place = out + layout.offsets[static_cast<size_t>(index)];
        if (component.pointer) {
            if (IsUndefined(member)) continue;
            const uint32_t target =
                member.IsNull() ? 0 : m_resolver.PointerTarget(component, member);
            PutLittleEndian(place, target, 4);
            continue;
        }
        if (!component.hasDims) {
            EncodeElement(component, member, place);
            continue;
        }
        std::vector<std::pair<int32_t, int32_t>> bounds;
        for (const Dimension& dim : component.dims)
            bounds.emplace_back(dim.lower.number, dim.upper.number);
        const std::vector<uint8_t> bytes = Encode(component, ElementCount(bounds), true, member);
        if (!bytes.empty()) std::memcpy(place, bytes.data(), bytes.size());
    }
}

} // namespace orvel::sim::snapshot

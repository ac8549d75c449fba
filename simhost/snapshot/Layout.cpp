#include "simhost/snapshot/Layout.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace orvel::sim::snapshot {

namespace {

// Sizes and alignments of the intrinsic kinds, in BaseType order up to Character.
struct SizeAlign {
    uint32_t size;
    uint32_t align;
};
const SizeAlign kIntrinsic[] = {
    {1, 1}, {2, 2},  {4, 4}, // INTEGER*1, *2, *4
    {1, 1}, {2, 2},  {4, 4}, // LOGICAL*1, *2, *4
    {4, 4}, {8, 8},          // REAL*4, *8
    {8, 4}, {16, 8},         // COMPLEX*8, *16
};
static_assert(std::size(kIntrinsic) == static_cast<size_t>(BaseType::Character),
              "one size per numeric and logical BaseType");

constexpr uint64_t kFourGiB = uint64_t{1} << 32;

} // namespace

uint32_t AlignUp(uint32_t value, uint32_t align, const std::string& path) {
    const uint64_t aligned = (uint64_t{value} + align - 1) / align * align;
    if (aligned >= kFourGiB) Fail(path, "does not fit the 32-bit address space");
    return static_cast<uint32_t>(aligned);
}

uint64_t ElementCount(const std::vector<std::pair<int32_t, int32_t>>& bounds) {
    uint64_t count = 1;
    for (const auto& [lower, upper] : bounds) {
        const int64_t extent = int64_t{upper} - int64_t{lower} + 1;
        if (extent <= 0) return 0;
        // Saturate well above anything addressable; the caller rejects it.
        count = std::min<uint64_t>(count * static_cast<uint64_t>(extent), kFourGiB * 16);
    }
    return count;
}

uint32_t CheckedBytes(uint64_t count, uint32_t elementSize, const std::string& path) {
    const uint64_t bytes = count * elementSize;
    if (count >= kFourGiB || bytes >= kFourGiB)
        Fail(path, std::to_string(count) + " elements of " + std::to_string(elementSize) +
                       " bytes overflow the 32-bit address space");
    return static_cast<uint32_t>(bytes);
}

Layouts::Layouts(const Document& doc)
    : m_doc(doc), m_types(doc.types.size()), m_state(doc.types.size(), 0) {
    for (size_t i = 0; i < m_types.size(); ++i)
        LayOut(i, 0);
}

void Layouts::LayOut(size_t index, int depth) {
    if (m_state[index] == 2) return;
    const DerivedType& type = m_doc.types[index];
    if (m_state[index] == 1)
        Fail(type.path, "derived type " + type.fullName + " contains itself (use a POINTER)");
    if (depth > kMaxNesting)
        Fail(type.path, "derived types nest deeper than " + std::to_string(kMaxNesting));
    m_state[index] = 1;
    TypeLayout layout;
    uint32_t offset = 0;
    for (const Variable& component : type.components) {
        uint32_t size = 4, align = 4;
        if (!component.pointer) {
            // The component's own type must be laid out first.
            if (component.base == BaseType::Derived)
                LayOut(static_cast<size_t>(component.type), depth + 1);
            std::vector<std::pair<int32_t, int32_t>> bounds;
            for (const Dimension& dim : component.dims)
                bounds.emplace_back(dim.lower.number, dim.upper.number);
            size = CheckedBytes(ElementCount(bounds), ElementSize(component), component.path);
            align = ElementAlign(component);
        }
        offset = AlignUp(offset, align, component.path);
        layout.offsets.push_back(offset);
        if (uint64_t{offset} + size >= kFourGiB)
            Fail(component.path, "the type does not fit the 32-bit address space");
        offset += size;
        layout.align = std::max(layout.align, align);
    }
    layout.size = AlignUp(offset, layout.align, type.path);
    m_types[index] = std::move(layout);
    m_state[index] = 2;
}

uint32_t Layouts::ElementSize(const Variable& var) const {
    switch (var.base) {
    case BaseType::Character:
        return static_cast<uint32_t>(var.len);
    case BaseType::Derived:
        return m_types[static_cast<size_t>(var.type)].size;
    case BaseType::Object:
        return 4;
    default:
        return kIntrinsic[static_cast<size_t>(var.base)].size;
    }
}

uint32_t Layouts::ElementAlign(const Variable& var) const {
    switch (var.base) {
    case BaseType::Character:
        return 1;
    case BaseType::Derived:
        return m_types[static_cast<size_t>(var.type)].align;
    case BaseType::Object:
        return 4;
    default:
        return kIntrinsic[static_cast<size_t>(var.base)].align;
    }
}

void AddressPlan::Reserve(uint64_t size, const std::string& path) {
    m_total += size;
    if (m_total > kMaxImageBytes)
        Fail(path,
             "the debuggee image would exceed " + std::to_string(kMaxImageBytes >> 20) + " MiB");
}

uint32_t AddressPlan::NewArea(uint32_t size, const std::string& label, const std::string& path) {
    if (m_heap >= 0) Fail(path, "internal: storage area planned after the heap");
    const uint64_t bytes = std::max<uint32_t>(size, 1);
    Reserve(bytes, path);
    const uint64_t base = m_next;
    // A page left unmapped after each area makes overruns fail to read.
    const uint64_t next = (base + bytes + kPage - 1) / kPage * kPage + kPage;
    if (next >= kFourGiB) Fail(path, "the storage does not fit the 32-bit address space");
    Area area;
    area.base = static_cast<uint32_t>(base);
    area.bytes.assign(bytes, 0x80);
    area.label = label;
    m_areas.push_back(std::move(area));
    m_next = next;
    return static_cast<uint32_t>(base);
}

void AddressPlan::StartHeap() {
    Area area;
    area.base = static_cast<uint32_t>(m_next);
    area.label = "heap";
    m_areas.push_back(std::move(area));
    m_heap = static_cast<int>(m_areas.size() - 1);
}

uint32_t AddressPlan::HeapBlock(uint32_t size, const std::string& path) {
    if (m_heap < 0) Fail(path, "internal: heap block before the heap");
    Area& heap = m_areas[static_cast<size_t>(m_heap)];
    const uint64_t offset = (heap.bytes.size() + 15) / 16 * 16;
    const uint64_t end = offset + std::max<uint32_t>(size, 1);
    if (uint64_t{heap.base} + end >= kFourGiB)
        Fail(path, "the heap does not fit the 32-bit address space");
    Reserve(end - heap.bytes.size(), path);
    heap.bytes.resize(end, 0x80);
    return static_cast<uint32_t>(heap.base + offset);
}

void AddressPlan::Write(uint32_t address, const uint8_t* data, size_t size) {
    if (size == 0) return;
    for (Area& area : m_areas) {
        const uint64_t end = uint64_t{area.base} + area.bytes.size();
        if (address >= area.base && address + uint64_t{size} <= end) {
            std::memcpy(area.bytes.data() + (address - area.base), data, size);
            return;
        }
    }
    Fail("", "internal: write outside the planned storage");
}

void AddressPlan::WriteU32(uint32_t address, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    Write(address, bytes, 4);
}

bool AddressPlan::Read(uint32_t address, uint8_t* data, size_t size) const {
    for (const Area& area : m_areas) {
        const uint64_t end = uint64_t{area.base} + area.bytes.size();
        if (address >= area.base && address + uint64_t{size} <= end) {
            std::memcpy(data, area.bytes.data() + (address - area.base), size);
            return true;
        }
    }
    return false;
}

} // namespace orvel::sim::snapshot

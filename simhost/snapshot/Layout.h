// Sizes and places: the byte layout of derived types (natural alignment), the storage
// size of a variable, and the plan of the debuggee's 32-bit address space, where each
// storage area (a module, a COMMON block, a routine's statics, the stopped frame) gets
// a region of its own with an unmapped page after it, and a heap comes last.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simhost/snapshot/SnapshotDocument.h"

namespace orvel::sim::snapshot {

struct TypeLayout {
    uint32_t size = 0;
    uint32_t align = 1;
    std::vector<uint32_t> offsets; // per component
};

class Layouts {
public:
    // Lays out every derived type; fails on a type that contains itself or that does
    // not fit in 32 bits.
    explicit Layouts(const Document& doc);

    const TypeLayout& Type(int index) const { return m_types[static_cast<size_t>(index)]; }

    // One element of the variable's type, ignoring POINTER and ALLOCATABLE; for
    // CHARACTER the length (0 when assumed).
    uint32_t ElementSize(const Variable& var) const;
    uint32_t ElementAlign(const Variable& var) const;

private:
    // Types inside types are laid out first, recursively; the depth is bounded so that
    // a hostile chain of types cannot exhaust the stack.
    static constexpr int kMaxNesting = 64;
    void LayOut(size_t index, int depth);

    const Document& m_doc;
    std::vector<TypeLayout> m_types;
    std::vector<int> m_state; // 0 not yet, 1 in progress, 2 done
};

// Elements in a shape given as (lower, upper) pairs; fails (naming path) when the
// count or count × elementSize does not fit the 32-bit address space.
uint64_t ElementCount(const std::vector<std::pair<int32_t, int32_t>>& bounds);
uint32_t CheckedBytes(uint64_t count, uint32_t elementSize, const std::string& path);

uint32_t AlignUp(uint32_t value, uint32_t align, const std::string& path);

// A region of the planned image.
struct Area {
    uint32_t base = 0;
    std::vector<uint8_t> bytes;
    std::string label;
};

class AddressPlan {
public:
    static constexpr uint32_t kFirstAddress = 0x10000000;
    static constexpr uint32_t kPage = 0x1000;
    // What a snapshot may ask for in all; the image lives in this process and in the
    // debuggee helper.
    static constexpr uint64_t kMaxImageBytes = uint64_t{256} << 20;

    // A new page-aligned area of size bytes (at least 1), filled with the 0x80 of
    // never-assigned data. Fails, naming path, when the space or the budget runs out.
    uint32_t NewArea(uint32_t size, const std::string& label, const std::string& path);
    // Starts the heap; afterwards only heap blocks can be added.
    void StartHeap();
    // A 16-byte aligned block of the heap, filled with 0x80.
    uint32_t HeapBlock(uint32_t size, const std::string& path);

    void Write(uint32_t address, const uint8_t* data, size_t size);
    void Write(uint32_t address, const std::vector<uint8_t>& data) {
        Write(address, data.data(), data.size());
    }
    void WriteU32(uint32_t address, uint32_t value);
    bool Read(uint32_t address, uint8_t* data, size_t size) const;

    std::vector<Area>& Areas() { return m_areas; }
    uint64_t Next() const { return m_next; }

private:
    void Reserve(uint64_t size, const std::string& path);

    std::vector<Area> m_areas;
    uint64_t m_next = kFirstAddress;
    uint64_t m_total = 0;
    int m_heap = -1;
};

} // namespace orvel::sim::snapshot

// Shared helpers of the snapshot loader tests: loading the test snapshots, finding
// fields and values in the model, reading the memory image, and cutting a record
// blob into its records (a minimal walker of the record layout, kept apart from the
// evaluator's reader on purpose).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "simhost/model/HostModel.h"
#include "simhost/record/RecordEncoder.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace orvel::sim::test {

inline std::string SnapshotPath(const std::string& name) {
    return std::string(ORVEL_TEST_DATA_DIR) + "/snapshots/" + name;
}

inline std::string ExamplePath(const std::string& name) {
    return std::string(ORVEL_TEST_DATA_DIR) + "/../../examples/" + name;
}

// The coverage snapshot, loaded once for all tests that only read it.
inline const HostProgram& Coverage() {
    static const HostProgram program = [] {
        HostProgram p;
        std::string error;
        if (!LoadSnapshotFile(SnapshotPath("coverage.json"), &p, &error)) ADD_FAILURE() << error;
        return p;
    }();
    return program;
}

inline FieldId Child(const HostProgram& p, FieldId container, const std::string& name) {
    return p.FindChild(container, name);
}

inline FieldId Method(const HostProgram& p, const std::string& name) {
    return p.FindChild(p.globalClass, name);
}

inline const HostValue* ValueOf(const HostProgram& p, FieldId field) {
    if (!p.IsField(field) || !p.IsValue(p.fields[static_cast<size_t>(field)].value)) return nullptr;
    return &p.values[static_cast<size_t>(p.fields[static_cast<size_t>(field)].value)];
}

inline uint32_t AddressOf(const HostProgram& p, FieldId field) {
    const HostValue* value = ValueOf(p, field);
    return value && value->address ? *value->address : 0;
}

inline std::vector<uint8_t> Memory(const HostProgram& p, uint32_t address, size_t size) {
    std::vector<uint8_t> bytes(size);
    if (!p.ReadMemory(address, bytes.data(), size)) bytes.clear();
    return bytes;
}

inline uint32_t U32(const HostProgram& p, uint32_t address) {
    const std::vector<uint8_t> b = Memory(p, address, 4);
    return b.size() == 4
               ? uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24
               : 0xDEADDEAD;
}

template <typename T> T Read(const HostProgram& p, uint32_t address) {
    T value{};
    const std::vector<uint8_t> b = Memory(p, address, sizeof(T));
    if (b.size() == sizeof(T)) std::memcpy(&value, b.data(), sizeof(T));
    return value;
}

// One record cut from a blob: its raw name, the four words and all its bytes.
struct CutRecord {
    std::string name;
    uint32_t flags = 0, kind = 0, value = 0, size = 0;
    std::vector<uint8_t> bytes;
};

// Cuts records laid end to end, following the layout: array section with flag 0x1,
// constant section with 0x80, type section for kind 14 unless flag 0x10.
inline std::vector<CutRecord> CutRecords(const std::vector<uint8_t>& blob) {
    std::vector<CutRecord> records;
    size_t at = 0;
    bool ok = true;
    auto word = [&]() -> uint32_t {
        if (at + 4 > blob.size()) {
            ok = false;
            return 0;
        }
        const uint32_t w = uint32_t{blob[at]} | uint32_t{blob[at + 1]} << 8 |
                           uint32_t{blob[at + 2]} << 16 | uint32_t{blob[at + 3]} << 24;
        at += 4;
        return w;
    };
    auto text = [&]() {
        std::string s;
        while (at < blob.size() && blob[at])
            s += static_cast<char>(blob[at++]);
        ++at;
        return s;
    };
    while (ok && at + 6 <= blob.size()) {
        const size_t start = at;
        CutRecord r;
        r.name = text();
        r.flags = word();
        r.kind = word();
        r.value = word();
        r.size = word();
        if (r.flags & 0x1) {
            const uint32_t rank = word();
            word(); // element size
            for (uint32_t d = 0; d < rank && ok && d < 8; ++d) {
                const uint32_t bits = word();
                for (int j = 0; j < 5; ++j)
                    if (bits & (1u << j))
                        text();
                    else
                        word();
            }
        }
        if (r.flags & 0x80) {
            const uint32_t length = word();
            at += (length + 3) / 4 * 4;
        }
        if (!(r.flags & 0x10) && r.kind == RecordKind::Structure) {
            if (word() == TypeNameMarker) {
                word();
                const size_t nameStart = at;
                text();
                at = nameStart + (at - nameStart + 3) / 4 * 4;
            }
        }
        if (!ok || at > blob.size()) break;
        r.bytes.assign(blob.begin() + static_cast<ptrdiff_t>(start),
                       blob.begin() + static_cast<ptrdiff_t>(at));
        records.push_back(std::move(r));
    }
    return records;
}

// The records of a method-style attribute (6 bytes framing) by raw name.
inline std::map<std::string, CutRecord> RecordsByName(const std::vector<uint8_t>& blob,
                                                      size_t framing) {
    std::map<std::string, CutRecord> out;
    if (blob.size() < framing) return out;
    for (CutRecord& r : CutRecords(
             std::vector<uint8_t>(blob.begin() + static_cast<ptrdiff_t>(framing), blob.end())))
        out[r.name] = std::move(r);
    return out;
}

inline std::vector<uint8_t> Encoded(const RecordSpec& spec) {
    std::vector<uint8_t> out;
    AppendRecord(out, spec);
    return out;
}

inline const std::vector<uint8_t>&
Attribute(const HostProgram& p, FieldId field,
          const std::string& name = "Kestrin.Fortran.DebugInfoAttribute") {
    static const std::vector<uint8_t> none;
    if (!p.IsField(field)) return none;
    const auto& attributes = p.fields[static_cast<size_t>(field)].attributes;
    auto it = attributes.find(name);
    return it == attributes.end() ? none : it->second;
}

} // namespace orvel::sim::test

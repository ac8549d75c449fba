// Where the loader puts a snapshot's data in the 32-bit debuggee image, and which bytes
// it writes there: module, COMMON and SAVE storage, the stopped frame, the heap.
#include <algorithm>

#include "SnapshotTestSupport.h"

namespace orvel::sim::test {
namespace {

FieldId Work(const HostProgram& p) {
    return Method(p, "WORK");
}

uint32_t ModuleBase(const HostProgram& p, const std::string& module) {
    return AddressOf(p, Child(p, p.globalClass, "MODULE " + module));
}

// ---- Static storage -------------------------------------------------------------------

struct ModuleSlot {
    const char* name;
    uint32_t offset;
    int32_t word; // the first 4 bytes there
};

// Extent words first, then the variables with natural alignment: POINT (8 bytes,
// align 4), two INTEGER*4, POINT(4), REAL*8 (aligned to 8), a POINTER.
const ModuleSlot kGeom[] = {
    {"extent of PTS", 0, 3},
    {"extent of WEIGHTS", 4, 6},
    {"ORIGIN.X", 8, 0x3F000000},
    {"NPTS", 16, 4},
    {"LO", 20, -2},
    {"PTS(1).X", 24, 0x3F800000},
    {"PTS(4).Y", 52, 0x41000000},
    {"WEIGHTS(-2) low word", 56, 0},
};

TEST(SnapshotModuleStorage, VariablesLieAtTheirOffsets) {
    const HostProgram& p = Coverage();
    const uint32_t base = ModuleBase(p, "GEOM");
    ASSERT_NE(base, 0u);
    for (const ModuleSlot& slot : kGeom)
        EXPECT_EQ(static_cast<int32_t>(U32(p, base + slot.offset)), slot.word) << slot.name;
    EXPECT_DOUBLE_EQ(Read<double>(p, base + 56), 1.0);
    EXPECT_DOUBLE_EQ(Read<double>(p, base + 56 + 6 * 8), 4.0); // WEIGHTS(4): ramp 1, 0.5
}

TEST(SnapshotModuleStorage, PointerHoldsItsTargetsAddress) {
    const HostProgram& p = Coverage();
    const uint32_t base = ModuleBase(p, "GEOM");
    EXPECT_EQ(U32(p, base + 112), base + 8); // MPTR => ORIGIN
}

TEST(SnapshotCommonStorage, InstancesShareOnePackedSequence) {
    const HostProgram& p = Coverage();
    const uint32_t blk = AddressOf(p, Child(p, p.globalClass, "/BLK/"));
    ASSERT_NE(blk, 0u);
    // Instance 1: IA at 0, RB right after it at 4 (no padding in COMMON).
    EXPECT_EQ(U32(p, blk), 11u);
    EXPECT_DOUBLE_EQ(Read<double>(p, blk + 4), 2.5);
    // As long as the longest instance (two INTEGER*4 and a REAL*8).
    EXPECT_EQ(Memory(p, blk, 16).size(), 16u);
    EXPECT_TRUE(Memory(p, blk, 17).empty());
    // Instance fields hold the same storage address.
    EXPECT_EQ(AddressOf(p, Child(p, p.globalClass, "/BLK/2")), blk);

    const uint32_t flags = AddressOf(p, Child(p, p.globalClass, "/FLAGS/"));
    EXPECT_EQ(Memory(p, flags, 3), (std::vector<uint8_t>{0x01, 0x05, 0x00}));
}

TEST(SnapshotStaticStorage, SaveVariablesAndBlocks) {
    const HostProgram& p = Coverage();
    EXPECT_EQ(U32(p, AddressOf(p, Child(p, p.globalClass, "WORK_of_SAVED"))), 77u);
    EXPECT_EQ(U32(p, AddressOf(p, Child(p, p.globalClass, "WORK_of_LOST"))), 5u);
    const uint32_t block = AddressOf(p, Child(p, p.globalClass, "WORK$SAVE"));
    EXPECT_EQ(U32(p, block), 1u);                      // FIRST
    EXPECT_DOUBLE_EQ(Read<double>(p, block + 8), 2.0); // SECOND, aligned to 8
    const uint32_t saved = AddressOf(p, Child(p, p.globalClass, "WORK_of_SAVED"));
    EXPECT_EQ(U32(p, AddressOf(p, Child(p, p.globalClass, "WORK_of_SP"))), saved);
}

// ---- The stopped frame ----------------------------------------------------------------

struct ScalarCase {
    const char* name;
    const char* hex; // the value bytes, as the binder and the memory both hold them
};

const ScalarCase kScalars[] = {
    {"I1", "fb"},
    {"I2", "e803"},
    {"I4", "c01dfeff"},
    {"L1", "01"},
    {"L2", "0000"},
    {"L4", "02000000"},
    {"R4", "0000c03f"},
    {"R8", "9a9999999999b93f"},
    {"C8", "0000803f00000040"},
    {"C16", "000000000000e0bf000000000000d03f"},
    {"CH", "4142202020"},
    {"U4", "80808080"},  // never assigned
    {"RAW", "81808080"}, // bytes given as hex
    {"OPT", "80808080"},
    {"N", "03000000"},
    {"S#1", "07000000"},
    {"T#1", "02000000"},              // extent less one of A's first dimension (1:N)
    {"T#2", "02000000"},              // and of its second (M:2)
    {"_Length_of_NAME_", "07000000"}, // "Fortran"
};

TEST(SnapshotFrame, ScalarsReachTheBinderAndTheMemory) {
    const HostProgram& p = Coverage();
    for (const ScalarCase& c : kScalars) {
        const FieldId field = Child(p, Work(p), c.name);
        const HostValue* value = ValueOf(p, field);
        ASSERT_NE(value, nullptr) << c.name;
        EXPECT_EQ(ToHex(value->bytes), c.hex) << c.name;
        ASSERT_TRUE(value->address.has_value()) << c.name;
        EXPECT_EQ(ToHex(Memory(p, *value->address, value->bytes.size())), c.hex) << c.name;
    }
}

TEST(SnapshotFrame, FrameVariablesAreAlignedAndDisjoint) {
    const HostProgram& p = Coverage();
    std::vector<std::pair<uint32_t, size_t>> spans;
    for (FieldId id : p.fields[static_cast<size_t>(Work(p))].locals) {
        const HostValue* value = ValueOf(p, id);
        if (!value || !value->address || value->form == ValueForm::Object) continue;
        EXPECT_EQ(*value->address % 4, 0u) << p.fields[static_cast<size_t>(id)].name;
        spans.emplace_back(*value->address, std::max<size_t>(value->bytes.size(), 4));
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        EXPECT_LE(spans[i - 1].first + spans[i - 1].second, spans[i].first);
}

struct ArrayCase {
    const char* name;
    uint32_t count;
    uint32_t elementSize;
    const char* firstBytes; // the first elements, in column-major order
};

// Local arrays are managed array objects: type handle, count, then the data.
const ArrayCase kArrays[] = {
    {"A", 9, 8, "000000000000f03f0000000000000040"},
    {"S", 6, 4, "010000000200000003000000"},
    {"GRID", 9, 2, "0100020003000400"},
    {"NAMES", 2, 4, "6162202063646566"},     // "ab  ", "cdef"
    {"RAMP", 100000, 4, "b03cffffb13cffff"}, // -50000, -49999
};

TEST(SnapshotFrame, ArraysAreManagedObjectsWithTheirDataAfterTheHeader) {
    const HostProgram& p = Coverage();
    for (const ArrayCase& c : kArrays) {
        const FieldId field = Child(p, Work(p), c.name);
        const uint32_t object = AddressOf(p, field);
        ASSERT_NE(object, 0u) << c.name;
        EXPECT_EQ(object % 8, 0u) << c.name;
        EXPECT_EQ(U32(p, object + 4), c.count) << c.name;
        const std::string first = c.firstBytes;
        EXPECT_EQ(ToHex(Memory(p, object + 8, first.size() / 2)), first) << c.name;
        // Exactly count elements follow the header.
        EXPECT_EQ(Memory(p, object + 8, size_t{c.count} * c.elementSize).size(),
                  size_t{c.count} * c.elementSize)
            << c.name;
    }
    const uint32_t ramp = AddressOf(p, Child(p, Work(p), "RAMP"));
    EXPECT_EQ(static_cast<int32_t>(U32(p, ramp + 8 + 99999 * 4)), 49999);
}

TEST(SnapshotFrame, AssumedLengthTextHasExactlyItsLength) {
    const HostProgram& p = Coverage();
    const uint32_t name = AddressOf(p, Child(p, Work(p), "NAME"));
    const std::vector<uint8_t> text = Memory(p, name, 7);
    EXPECT_EQ(std::string(text.begin(), text.end()), "Fortran");
}

struct PointerCase {
    const char* name;
    const char* target;  // a local whose data the pointer designates; null: see word
    uint32_t targetSkip; // header bytes before the target's data
    uint32_t word;       // the pointer word when there is no target
};

const PointerCase kPointers[] = {
    {"PS", "R8", 0, 0},
    {"PA", "GRID", 8, 0},
    {"PN", "HEAD", 0, 0},
    {"PNULL", nullptr, 0, 0},
    {"PBAD", nullptr, 0, 0x80808080},
};

TEST(SnapshotFrame, PointerWordsDesignateTheTargetsData) {
    const HostProgram& p = Coverage();
    for (const PointerCase& c : kPointers) {
        const FieldId field = Child(p, Work(p), c.name);
        const HostValue* value = ValueOf(p, field);
        ASSERT_NE(value, nullptr) << c.name;
        EXPECT_EQ(value->form, ValueForm::Pointer) << c.name;
        const uint32_t word = U32(p, *value->address);
        if (c.target) {
            const uint32_t data = AddressOf(p, Child(p, Work(p), c.target)) + c.targetSkip;
            EXPECT_EQ(word, data) << c.name;
            ASSERT_TRUE(p.IsValue(value->target)) << c.name;
            EXPECT_EQ(p.values[static_cast<size_t>(value->target)].address, data) << c.name;
            EXPECT_FALSE(value->isNull) << c.name;
        } else {
            EXPECT_EQ(word, c.word) << c.name;
            EXPECT_FALSE(p.IsValue(value->target)) << c.name;
            EXPECT_EQ(value->isNull, c.word == 0) << c.name;
        }
    }
}

TEST(SnapshotFrame, AllocatablesPointAtHeapArrays) {
    const HostProgram& p = Coverage();
    const HostValue* alloc = ValueOf(p, Child(p, Work(p), "ALLOC"));
    ASSERT_NE(alloc, nullptr);
    EXPECT_FALSE(alloc->isNull);
    const uint32_t object = U32(p, *alloc->address);
    EXPECT_GT(object, *alloc->address); // the heap comes after every storage area
    EXPECT_EQ(U32(p, object + 4), 3u);
    EXPECT_FLOAT_EQ(Read<float>(p, object + 8), 0.5f);
    EXPECT_FLOAT_EQ(Read<float>(p, object + 16), 2.5f);

    const HostValue* none = ValueOf(p, Child(p, Work(p), "NOALLOC"));
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->isNull);
    EXPECT_EQ(U32(p, *none->address), 0u);
}

TEST(SnapshotFrame, DerivedValuesFollowTheTypeLayout) {
    const HostProgram& p = Coverage();
    const uint32_t head = AddressOf(p, Child(p, Work(p), "HEAD"));
    const uint32_t tail = AddressOf(p, Child(p, Work(p), "TAIL"));
    const uint32_t alice = AddressOf(p, Child(p, Work(p), "OBJ"));
    // NODE: KEY (INTEGER*2) at 0, W at 8, NEXT at 16, HIST(0:3) at 20, OWNER at 24.
    EXPECT_EQ(ToHex(Memory(p, head, 2)), "0100");
    EXPECT_DOUBLE_EQ(Read<double>(p, head + 8), 0.5);
    EXPECT_EQ(U32(p, head + 16), tail);
    EXPECT_EQ(ToHex(Memory(p, head + 20, 4)), "01020304");
    EXPECT_EQ(U32(p, head + 24), alice);
    EXPECT_EQ(U32(p, tail + 16), 0u);
    EXPECT_EQ(ToHex(Memory(p, tail + 20, 4)), "00000000");
    // Bytes a value leaves out stay never-assigned: the padding of NODE after KEY.
    EXPECT_EQ(ToHex(Memory(p, head + 2, 6)), "808080808080");

    const uint32_t seg = AddressOf(p, Child(p, Work(p), "SEG"));
    EXPECT_FLOAT_EQ(Read<float>(p, seg + 12), 4.0f); // B%Y
    EXPECT_EQ(ToHex(Memory(p, seg + 16, 3)), "733120");
}

// ---- Heap and image ---------------------------------------------------------------------

TEST(SnapshotHeap, ObjectsHoldTheirFields) {
    const HostProgram& p = Coverage();
    const uint32_t alice = AddressOf(p, Child(p, Work(p), "OBJ"));
    const uint32_t bob = U32(p, alice + 12); // Peer
    ASSERT_NE(bob, 0u);
    EXPECT_EQ(U32(p, alice + 4), 1u);   // Id
    EXPECT_EQ(U32(p, alice + 16), bob); // Link
    EXPECT_EQ(U32(p, bob + 4), 2u);
    EXPECT_EQ(U32(p, bob + 8), 0u); // Name: null
    const uint32_t name = U32(p, alice + 8);
    EXPECT_EQ(U32(p, name + 4), 5u);
    EXPECT_EQ(ToHex(Memory(p, name + 8, 10)), "41006c00690063006500");
}

TEST(SnapshotImage, StorageAreasAreSeparatedByUnmappedPages) {
    const HostProgram& p = Coverage();
    std::vector<MemoryRegion> regions;
    for (const MemoryRegion& region : p.memory)
        if (region.base < 0x20000000) regions.push_back(region); // not the snapshot's own
    std::sort(regions.begin(), regions.end(),
              [](const MemoryRegion& a, const MemoryRegion& b) { return a.base < b.base; });
    ASSERT_FALSE(regions.empty());
    EXPECT_EQ(regions.front().base, 0x10000000u);
    for (size_t i = 0; i < regions.size(); ++i) {
        EXPECT_FALSE(regions[i].bytes.empty());
        EXPECT_EQ(regions[i].base % 0x1000, 0u);
        if (i == 0) continue;
        const uint64_t end = uint64_t{regions[i - 1].base} + regions[i - 1].bytes.size();
        const uint64_t nextPage = (end + 0xFFF) / 0x1000 * 0x1000;
        EXPECT_GE(regions[i].base, nextPage + 0x1000) << std::hex << regions[i].base;
    }
    EXPECT_EQ(ToHex(Memory(p, 0x20000000, 4)), "deadbeef"); // the snapshot's own region
}

} // namespace
} // namespace orvel::sim::test

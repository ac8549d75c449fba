// The compiler's records the loader writes: each record as the encoder would write it
// from the declaration, the framings of method, static-field and companion carriers,
// and a few records spelled out byte by byte.
#include "SnapshotTestSupport.h"

namespace orvel::sim::test {
namespace {

RecordDimension Dim(BoundItem base, BoundItem size, BoundItem boundSizes, int32_t boundOffset) {
    RecordDimension dim;
    dim.base = std::move(base);
    dim.size = std::move(size);
    dim.stride = BoundItem::Number(1);
    dim.boundSizes = std::move(boundSizes);
    dim.boundOffset = BoundItem::Number(boundOffset);
    return dim;
}

RecordDimension Numeric(int32_t lower, int32_t upper, int32_t boundOffset = 0) {
    return Dim(BoundItem::Number(lower), BoundItem::Number(upper - lower),
               BoundItem::Number(upper - lower + 1), boundOffset);
}

RecordSpec With(RecordSpec spec, int32_t elemSize, std::vector<RecordDimension> dims) {
    spec.array = ArraySection{elemSize, std::move(dims)};
    return spec;
}

RecordSpec Constant(RecordSpec spec, std::vector<uint8_t> bytes) {
    spec.constant = std::move(bytes);
    return spec;
}

RecordSpec Typed(RecordSpec spec, StructureType type) {
    spec.kind = RecordKind::Structure;
    spec.structure = std::move(type);
    return spec;
}

std::vector<uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

constexpr uint32_t kLocal = RecordFlag::Local;
constexpr uint32_t kArg = RecordFlag::Argument;

struct RecordCase {
    const char* what;
    RecordSpec expected;
};

// Records of the stopped routine, each as the declaration in coverage.json implies.
std::vector<RecordCase> WorkRecords() {
    const RecordSpec nameArg = AssumedLengthArgument("NAME")[0];
    const RecordSpec lengthArg = AssumedLengthArgument("NAME")[1];
    return {
        {"scalar argument", ScalarRecord("N", integer_4, 4, kArg)},
        {"bounds in variables through extent temporaries",
         With(ScalarRecord("A", real_8, 8, kArg), 8,
              {Dim(BoundItem::Number(1), BoundItem::Named("T#1"), BoundItem::Number(0), 8),
               Dim(BoundItem::Named("M"), BoundItem::Named("T#2"), BoundItem::Number(0), 0)})},
        {"assumed size",
         With(ScalarRecord("S", integer_4, 4, kArg), 4,
              {Numeric(2, 3, 8),
               Dim(BoundItem::Number(1), BoundItem::Number(0x7FFFFFFF), BoundItem::Number(0), 0)})},
        {"assumed length", nameArg},
        {"hidden length", lengthArg},
        {"INTEGER*2 local", ScalarRecord("I2", integer_2, 2, kLocal)},
        {"CHARACTER local", ScalarRecord("CH", string, 5, kLocal)},
        {"two-dimensional array, lower bounds 0 and -1",
         With(ScalarRecord("GRID", integer_2, 2, kLocal), 2, {Numeric(0, 2, 8), Numeric(-1, 1)})},
        {"CHARACTER array", With(ScalarRecord("NAMES", string, 4, kLocal), 4, {Numeric(1, 2, 8)})},
        {"derived type by short name",
         Typed(ScalarRecord("SEG", structure, 20, kLocal), StructureType::Named("SEGMENT"))},
        {"derived type by number",
         Typed(ScalarRecord("HEAD", structure, 32, kLocal), StructureType::Number(1001))},
        {"pointer to scalar", ScalarRecord("PS", real_8, 8, kLocal | RecordFlag::Pointer)},
        {"pointer to array takes the target's shape",
         With(ScalarRecord("PA", integer_2, 2, kLocal | RecordFlag::Pointer), 2,
              {Numeric(0, 2), Numeric(-1, 1)})},
        {"pointer to derived type",
         Typed(ScalarRecord("PN", structure, 32, kLocal | RecordFlag::Pointer),
               StructureType::Number(1001))},
        {"allocated", With(ScalarRecord("ALLOC", real_4, 4, kLocal | RecordFlag::Allocatable), 4,
                           {Numeric(-1, 1, 8)})},
        {"not allocated", ScalarRecord("NOALLOC", real_4, 4, kLocal | RecordFlag::Allocatable)},
        {"PARAMETER of 4 bytes", Constant(ScalarRecord("KSMALL", integer_4, 4), {42, 0, 0, 0})},
        {"PARAMETER of 16 bytes",
         Constant(ScalarRecord("KPAIR", complex_16, 16),
                  {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0xF0, 0xBF})},
        {"PARAMETER of 24 bytes",
         Constant(ScalarRecord("KTEXT", string, 24), Text("a constant of 24 bytes.."))},
        {"bounds named by PARAMETERs are numbers",
         With(ScalarRecord("KV", integer_4, 4, kLocal), 4, {Numeric(-1, 1, 8)})},
        {"compiler temporary", ScalarRecord("S#1", integer_4, 4, kLocal | RecordFlag::Hidden)},
        {"extent temporary", ScalarRecord("T#2", integer_4, 4, kLocal | RecordFlag::Hidden)},
        {"object", ScalarRecord("OBJ", object_4, 4, kLocal)},
        {"SAVE variable of its own",
         ScalarRecord("WORK_of_SAVED", integer_4, 4, RecordFlag::Static | RecordFlag::OfPrefix)},
        {"SAVE variable at a block's start",
         ScalarRecord("{WORK$SAVE}FIRST", integer_4, 4,
                      RecordFlag::Static | RecordFlag::Decorated)},
        {"SAVE variable inside a block", ScalarRecord("{WORK$SAVE,+8}SECOND", real_8, 8,
                                                      RecordFlag::Static | RecordFlag::Decorated)},
        {"COMMON instance", CommonBlockRecord("BLK", 1, 2)},
        {"COMMON without instance", CommonBlockRecord("FLAGS", 0, 2)},
        {"module variable", ModuleVariableRecord("GEOM", "NPTS", integer_4, 4, 16)},
        {"module array with module-relative bounds",
         With(ModuleVariableRecord("GEOM", "WEIGHTS", real_8, 8, 56), 8,
              {Dim(BoundItem::ModuleRelative(20), BoundItem::ModuleRelative(4),
                   BoundItem::Number(0), 0)})},
        {"module PARAMETER", Constant(ModuleVariableRecord("GEOM", "E", real_8, 8, 0),
                                      {0x69, 0x57, 0x14, 0x8B, 0x0A, 0xBF, 0x05, 0x40})},
        {"hidden module variable",
         ModuleVariableRecord("HIDDENMOD", "SECRET", integer_4, 4, 0, RecordFlag::Hidden)},
        {"extra record from the snapshot",
         ScalarRecord("{OUTER,+8}ALT", integer_4, 4,
                      RecordFlag::DecoratedAlt | RecordFlag::Static)},
    };
}

TEST(SnapshotRecords, RoutineRecordsMatchTheirDeclarations) {
    const HostProgram& p = Coverage();
    const std::vector<uint8_t>& blob = Attribute(p, Method(p, "WORK"));
    ASSERT_GE(blob.size(), 6u);
    EXPECT_EQ(ToHex({blob.begin(), blob.begin() + 2}), "0100"); // the attribute prolog
    const std::map<std::string, CutRecord> records = RecordsByName(blob, 6);
    for (const RecordCase& c : WorkRecords()) {
        auto it = records.find(c.expected.rawName);
        ASSERT_NE(it, records.end()) << c.what << ": no record " << c.expected.rawName;
        EXPECT_EQ(ToHex(it->second.bytes), ToHex(Encoded(c.expected))) << c.what;
    }
}

TEST(SnapshotRecords, RoutineRecordsComeInDeclarationOrder) {
    const HostProgram& p = Coverage();
    const std::vector<uint8_t>& blob = Attribute(p, Method(p, "WORK"));
    std::vector<std::string> names;
    for (const CutRecord& r : CutRecords({blob.begin() + 6, blob.end()}))
        names.push_back(r.name);
    ASSERT_GE(names.size(), 8u);
    EXPECT_EQ(
        std::vector<std::string>(names.begin(), names.begin() + 8),
        (std::vector<std::string>{"N", "M", "A", "S", "NAME", "_Length_of_NAME_", "OPT", "I1"}));
    EXPECT_EQ(names.back(), "{OUTER,+8}ALT");
}

TEST(SnapshotRecords, SpelledOutBytes) {
    const HostProgram& p = Coverage();
    const std::map<std::string, CutRecord> work = RecordsByName(Attribute(p, Method(p, "WORK")), 6);
    // Name, flags Local, kind code 2, value 0, size 2.
    EXPECT_EQ(ToHex(work.at("I2").bytes), "493200"
                                          "40000000"
                                          "02000000"
                                          "00000000"
                                          "02000000");
    // Name, flags Common, the instance in the kind word, the member count as value.
    EXPECT_EQ(ToHex(work.at("BLK").bytes), "424c4b00100000000100000002000000"
                                           "00000000");
    // V(1:K) of a routine not on the stack: rank 1, element size 4, Bits 2 (the extent
    // is a name), base 1, extent "T#1", stride 1, declared extent 0, header offset 8.
    const std::map<std::string, CutRecord> helper =
        RecordsByName(Attribute(p, Method(p, "HELPER")), 6);
    EXPECT_EQ(ToHex(helper.at("V").bytes), "5600"
                                           "01020000"
                                           "0a000000"
                                           "00000000"
                                           "04000000"
                                           "01000000"
                                           "04000000"
                                           "02000000"
                                           "01000000"
                                           "54233100"
                                           "01000000"
                                           "00000000"
                                           "08000000");
}

TEST(SnapshotRecords, DerivedTypeComponentsLiveInTheTypesOwnAttribute) {
    const HostProgram& p = Coverage();
    const FieldId point = p.FindClass("GEOM!POINT");
    ASSERT_NE(point, kNoField);
    EXPECT_EQ(p.fields[static_cast<size_t>(point)].attributeAccess, AttributeAccess::Query);
    RecordSpec x = ScalarRecord("X", real_4, 4, RecordFlag::Address);
    RecordSpec y = ScalarRecord("Y", real_4, 4, RecordFlag::Address);
    y.value = 4;
    EXPECT_EQ(ToHex(Attribute(p, point)), ToHex(MethodAttributeBlob(EncodeRecords({x, y}))));

    const std::map<std::string, CutRecord> node =
        RecordsByName(Attribute(p, p.FindClass("NODE")), 6);
    RecordSpec next =
        Typed(ScalarRecord("NEXT", structure, 32, RecordFlag::Address | RecordFlag::Pointer),
              StructureType::Number(1001));
    next.value = 16;
    EXPECT_EQ(ToHex(node.at("NEXT").bytes), ToHex(Encoded(next)));
    RecordSpec hist =
        With(ScalarRecord("HIST", integer_1, 1, RecordFlag::Address), 1, {Numeric(0, 3)});
    hist.value = 20;
    EXPECT_EQ(ToHex(node.at("HIST").bytes), ToHex(Encoded(hist)));

    // Named by its full name where the type says so.
    const std::map<std::string, CutRecord> segment =
        RecordsByName(Attribute(p, p.FindClass("GEOM!SEGMENT")), 6);
    EXPECT_EQ(ToHex(segment.at("A").bytes),
              ToHex(Encoded(Typed(ScalarRecord("A", structure, 8, RecordFlag::Address),
                                  StructureType::Named("GEOM!POINT")))));
}

struct StaticCarrierCase {
    const char* field;
    AttributeAccess access;
    const char* companion; // the byte array beside it, or null
    std::vector<RecordSpec> records;
};

std::vector<StaticCarrierCase> StaticCarriers() {
    auto member = [](const char* name, ElementType type, int32_t size, uint32_t offset) {
        RecordSpec spec = ScalarRecord(name, type, size, RecordFlag::Static | RecordFlag::Address);
        spec.value = offset;
        return spec;
    };
    return {
        {"/BLK/1",
         AttributeAccess::Query,
         nullptr,
         {member("IA", integer_4, 4, 0), member("RB", real_8, 8, 4)}},
        {"/BLK/2",
         AttributeAccess::Query,
         nullptr,
         {With(member("PAIR", integer_4, 4, 0), 4, {Numeric(1, 2)}), member("RB2", real_8, 8, 8)}},
        {"/FLAGS/",
         AttributeAccess::None,
         "/FLAGS/debug",
         {member("ON", logical_1, 1, 0), member("MODE", integer_2, 2, 1)}},
        {"MODULE QUIET",
         AttributeAccess::None,
         "MODULE QUIETdebug",
         {ModuleVariableRecord("QUIET", "LEVEL", integer_2, 2, 0)}},
        {"MODULE HIDDENMOD",
         AttributeAccess::Query2Only,
         nullptr,
         {ModuleVariableRecord("HIDDENMOD", "SECRET", integer_4, 4, 0, RecordFlag::Hidden)}},
    };
}

TEST(SnapshotRecords, StaticItemsCarryTheirRecordsOnTheirFieldOrBesideIt) {
    const HostProgram& p = Coverage();
    for (const StaticCarrierCase& c : StaticCarriers()) {
        const FieldId field = Child(p, p.globalClass, c.field);
        ASSERT_NE(field, kNoField) << c.field;
        EXPECT_EQ(p.fields[static_cast<size_t>(field)].attributeAccess, c.access) << c.field;
        const std::vector<uint8_t> records = EncodeRecords(c.records);
        if (!c.companion) {
            EXPECT_EQ(ToHex(Attribute(p, field)), ToHex(StaticFieldAttributeBlob(records)))
                << c.field;
            continue;
        }
        const HostValue* bytes = ValueOf(p, Child(p, p.globalClass, c.companion));
        ASSERT_NE(bytes, nullptr) << c.companion;
        EXPECT_EQ(ToHex(bytes->bytes), ToHex(CompanionArrayValue(records))) << c.companion;
    }
    // The storage of a COMMON that has only numbered instances carries no records.
    EXPECT_TRUE(Attribute(p, Child(p, p.globalClass, "/BLK/")).empty());
}

TEST(SnapshotRecords, GlobalNamesListEveryDerivedType) {
    const HostProgram& p = Coverage();
    EXPECT_EQ(
        ToHex(Attribute(p, p.globalClass, "Kestrin.Fortran.DebugGlobalInfoAttribute")),
        ToHex(GlobalInfoAttributeBlob(
            {{1, "GEOM!POINT"}, {2, "GEOM!SEGMENT"}, {1001, "NODE"}, {999, "OLD!RETIRED~T"}})));
}

} // namespace
} // namespace orvel::sim::test

// The record encoder against blobs written by hand from the record format, and the
// same blobs as data for the record reader (tests/data/record-blobs.json).
#include <algorithm>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "simhost/record/RecordEncoder.h"

namespace {

using namespace orvel::sim;

std::vector<uint8_t> Bytes(const char* hex) {
    std::string error;
    auto bytes = FromHex(hex, &error);
    EXPECT_TRUE(bytes.has_value()) << hex << ": " << error;
    return bytes.value_or(std::vector<uint8_t>{});
}

RecordSpec Rec(const char* name, uint32_t flags, uint32_t kind, uint32_t value, int32_t size) {
    RecordSpec spec;
    spec.rawName = name;
    spec.flags = flags;
    spec.kind = kind;
    spec.value = value;
    spec.size = size;
    return spec;
}

RecordSpec WithArray(RecordSpec spec, int32_t elemSize, std::vector<RecordDimension> dims) {
    spec.array = ArraySection{elemSize, std::move(dims)};
    return spec;
}

RecordDimension Dim(BoundItem base, BoundItem size, BoundItem stride, BoundItem boundSizes,
                    BoundItem boundOffset) {
    return {base, size, stride, boundSizes, boundOffset};
}

BoundItem N(int32_t value) {
    return BoundItem::Number(value);
}

struct BlobCase {
    const char* name; // also the case's name in record-blobs.json
    const char* hex;  // written by hand, one group per field
    std::vector<RecordSpec> records;
};

std::vector<BlobCase> Cases() {
    RecordSpec constant = Rec("C5", 0, RecordKind::String, 0, 5);
    constant.constant = std::vector<uint8_t>{'H', 'E', 'L', 'L', 'O'};
    RecordSpec namedType = Rec("P", RecordFlag::Local, RecordKind::Structure, 0, 12);
    namedType.structure = StructureType::Named("POINT");
    RecordSpec numberedType = Rec("Q", RecordFlag::Local, RecordKind::Structure, 0, 12);
    numberedType.structure = StructureType::Number(7);
    RecordSpec unknownType = Rec("R", RecordFlag::Local, RecordKind::Structure, 0, 12);
    unknownType.structure = StructureType::Number(9);

    return {
        {"integer4_local",
         "4900 40000000 04000000 00000000 04000000",
         {Rec("I", RecordFlag::Local, RecordKind::Integer4, 0, 4)}},
        {"real8_static_with_address",
         "5800 28000000 0b000000 00200010 08000000",
         {Rec("X", RecordFlag::Static | RecordFlag::Address, RecordKind::Real8, 0x10002000, 8)}},
        {"array_rank2_numeric_bounds",
         "4100 41000000 0a000000 00000000 c8000000 02000000 04000000"
         " 00000000 01000000 09000000 01000000 0a000000 00000000"
         " 00000000 00000000 04000000 01000000 05000000 00000000",
         {WithArray(Rec("A", RecordFlag::Local, RecordKind::Real4, 0, 200), 4,
                    {RecordDimension::Bounds(1, 10), RecordDimension::Bounds(0, 4)})}},
        {"array_named_upper_bound",
         "5600 01020000 04000000 00000000 04000000 01000000 04000000"
         " 02000000 01000000 4e00 01000000 00000000 00000000",
         {WithArray(Rec("V", RecordFlag::Argument, RecordKind::Integer4, 0, 4), 4,
                    {Dim(N(1), BoundItem::Named("N"), N(1), N(0), N(0))})}},
        {"array_bound_sizes_zero",
         "4200 09000000 02000000 00000000 14000000 01000000 02000000"
         " 00000000 00000000 09000000 01000000 00000000 00000000",
         {WithArray(Rec("B", RecordFlag::Static | RecordFlag::Array, RecordKind::Integer2, 0, 20),
                    2, {Dim(N(0), N(9), N(1), N(0), N(0))})}},
        {"array_module_relative_bound",
         "4d4f442141525200 01010000 04000000 40000000 28000000 01000000 04000000"
         " 00000000 01000000 08000080 01000000 00000000 00000000",
         {WithArray(Rec("MOD!ARR", RecordFlag::ModuleVariable, RecordKind::Integer4, 0x40, 40), 4,
                    {Dim(N(1), BoundItem::ModuleRelative(8), N(1), N(0), N(0))})}},
        {"constant_five_bytes",
         "433500 80000000 1a000000 00000000 05000000 05000000 48454c4c4f 000000",
         {constant}},
        {"structure_by_type_name",
         "5000 40000000 0e000000 00000000 0c000000 09fcffff 00000000 504f494e54 000000",
         {namedType}},
        {"structure_by_type_number",
         "5100 40000000 0e000000 00000000 0c000000 07000000",
         {numberedType}},
        {"structure_unknown_type_number",
         "5200 40000000 0e000000 00000000 0c000000 09000000",
         {unknownType}},
        {"common_block",
         "424c4b00 10000000 00000000 03000000 18000000",
         {CommonBlockRecord("BLK", 0, 3, 24)}},
        // Instance 14 is the structure code: a COMMON record still has no type word.
        {"common_block_instance_14_then_local",
         "574f524b00 10000000 0e000000 02000000 10000000"
         " 4a00 40000000 04000000 00000000 04000000",
         {CommonBlockRecord("WORK", 14, 2, 16),
          Rec("J", RecordFlag::Local, RecordKind::Integer4, 0, 4)}},
        {"decorated_name_with_offset",
         "7b4f555445522c2b387d5800 08080000 04000000 00000000 04000000",
         {Rec("{OUTER,+8}X", RecordFlag::Decorated | RecordFlag::Static, RecordKind::Integer4, 0,
              4)}},
        {"decorated_name_without_offset",
         "7b4f555445527d5900 08400000 04000000 00000000 04000000",
         {Rec("{OUTER}Y", RecordFlag::DecoratedAlt | RecordFlag::Static, RecordKind::Integer4, 0,
              4)}},
        {"of_prefix_name",
         "44494d5f6f665f5800 40200000 04000000 00000000 04000000",
         {Rec("DIM_of_X", RecordFlag::OfPrefix | RecordFlag::Local, RecordKind::Integer4, 0, 4)}},
        {"module_variable",
         "4d4f44215800 00010000 04000000 10000000 04000000",
         {ModuleVariableRecord("MOD", "X", integer_4, 4, 0x10)}},
        {"hidden_records",
         "544d5000 40040000 04000000 00000000 04000000"
         " 2852312900 40000000 04000000 00000000 04000000",
         {Rec("TMP", RecordFlag::Local | RecordFlag::Hidden, RecordKind::Integer4, 0, 4),
          Rec("(R1)", RecordFlag::Local, RecordKind::Integer4, 0, 4)}},
        {"assumed_length_character_argument",
         "5300 00020000 1a000000 00000000 00000000"
         " 5f4c656e6774685f6f665f535f00 00020000 04000000 00000000 04000000",
         AssumedLengthArgument("S")},
        {"pointer_and_allocatable",
         "505400 42000000 04000000 00000000 04000000"
         " 414c00 45000000 0b000000 00000000 00000000 01000000 08000000"
         " 00000000 00000000 00000000 00000000 00000000 00000000",
         {Rec("PT", RecordFlag::Local | RecordFlag::Pointer, RecordKind::Integer4, 0, 4),
          WithArray(Rec("AL", RecordFlag::Local | RecordFlag::Allocatable, RecordKind::Real8, 0, 0),
                    8, {Dim(N(0), N(0), N(0), N(0), N(0))})}},
        {"alternate_and_unused_kind_codes",
         "4b323800 40000000 1c000000 00000000 08000000"
         " 4b323900 40000000 1d000000 00000000 04000000"
         " 4b313300 40000000 0d000000 00000000 04000000"
         " 4b393900 40000000 63000000 00000000 04000000",
         {Rec("K28", RecordFlag::Local, RecordKind::StringAlt, 0, 8),
          Rec("K29", RecordFlag::Local, RecordKind::ArrayAlt, 0, 4),
          Rec("K13", RecordFlag::Local, 13, 0, 4), Rec("K99", RecordFlag::Local, 99, 0, 4)}},
    };
}

TEST(RecordEncoding, HandWrittenBlobs) {
    for (const BlobCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ToHex(Bytes(c.hex)), ToHex(EncodeRecords(c.records)));
    }
}

// Records are laid end to end: appending one by one gives the same bytes.
TEST(RecordEncoding, AppendRecordConcatenates) {
    for (const BlobCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> out = {0xEE};
        for (const RecordSpec& record : c.records)
            AppendRecord(out, record);
        std::vector<uint8_t> expected = {0xEE};
        const std::vector<uint8_t> body = Bytes(c.hex);
        expected.insert(expected.end(), body.begin(), body.end());
        EXPECT_EQ(ToHex(expected), ToHex(out));
    }
}

struct PaddingCase {
    size_t length;  // constant bytes or type-name characters
    size_t section; // bytes the section takes after the fixed words
};

TEST(RecordEncoding, ConstantSectionPadsValueToFour) {
    const PaddingCase cases[] = {{0, 4}, {1, 8}, {3, 8}, {4, 8}, {5, 12}, {8, 12}};
    for (const PaddingCase& c : cases) {
        SCOPED_TRACE(c.length);
        RecordSpec spec = Rec("K", 0, RecordKind::Integer1, 0, 1);
        spec.constant = std::vector<uint8_t>(c.length, 0xAB);
        const std::vector<uint8_t> bytes = EncodeRecords({spec});
        ASSERT_EQ(2 + 16 + c.section, bytes.size());
        for (size_t i = 2 + 16 + 4 + c.length; i < bytes.size(); ++i)
            EXPECT_EQ(0, bytes[i]) << "padding byte " << i;
    }
}

TEST(RecordEncoding, TypeNameWithNulPadsToFour) {
    const PaddingCase cases[] = {{1, 12}, {3, 12}, {4, 16}, {5, 16}, {7, 16}, {8, 20}};
    for (const PaddingCase& c : cases) {
        SCOPED_TRACE(c.length);
        RecordSpec spec = Rec("T", 0, RecordKind::Structure, 0, 4);
        spec.structure = StructureType::Named(std::string(c.length, 'N'));
        EXPECT_EQ(2 + 16 + c.section, EncodeRecords({spec}).size());
    }
}

TEST(RecordEncoding, BitsFollowNamedItems) {
    const BoundItem name = BoundItem::Named("K");
    const struct {
        RecordDimension dim;
        uint32_t bits;
    } cases[] = {
        {RecordDimension::Bounds(1, 3), 0x00},     {Dim(name, N(0), N(0), N(0), N(0)), 0x01},
        {Dim(N(0), name, N(0), N(0), N(0)), 0x02}, {Dim(N(0), N(0), name, N(0), N(0)), 0x04},
        {Dim(N(0), N(0), N(0), name, N(0)), 0x08}, {Dim(N(0), N(0), N(0), N(0), name), 0x10},
        {Dim(name, name, name, name, name), 0x1F},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bits, c.dim.Bits());
}

TEST(RecordEncoding, SectionFlagsFollowSections) {
    RecordSpec plain = Rec("P", RecordFlag::Local, RecordKind::Integer4, 0, 4);
    EXPECT_EQ(RecordFlag::Local, EffectiveFlags(plain));
    RecordSpec both = plain;
    both.array = ArraySection{4, {RecordDimension::Bounds(1, 2)}};
    both.constant = std::vector<uint8_t>{1, 2, 3, 4};
    EXPECT_EQ(RecordFlag::Local | RecordFlag::Array | RecordFlag::Constant, EffectiveFlags(both));
    // A flag without its section is written as given, for deliberately broken blobs.
    RecordSpec flagOnly = Rec("F", RecordFlag::Array, RecordKind::Integer4, 0, 4);
    EXPECT_EQ(ToHex(Bytes("4600 01000000 04000000 00000000 04000000")),
              ToHex(EncodeRecords({flagOnly})));
}

TEST(RecordEncoding, ModuleRelativeBoundKeepsTopByte) {
    EXPECT_EQ(0x80000008u, BoundItem::ModuleRelative(8).number);
    EXPECT_EQ(0x80FFFFFFu, BoundItem::ModuleRelative(0x00FFFFFF).number);
    EXPECT_EQ(0x80000000u, BoundItem::ModuleRelative(0x01000000).number & 0xFF000000u);
}

// The kind-code table of the record format, code by code; codes not listed read as void_0.
const std::optional<ElementType> FormatKinds[30] = {
    integer_1,  logical_1,  integer_2, logical_2,   integer_4, logical_4, void_0,    void_0,
    void_0,     object_4,   real_4,    real_8,      real_10,   void_0,    structure, enumeration,
    pointer_4,  array,      void_0,    reference_4, void_0,    void_0,    void_0,    complex_8,
    complex_16, complex_20, string,    void_0,      string,    array,
};

TEST(RecordKindCodes, CodeReadsBackAsTheSameKind) {
    for (int32_t t = 0; t < ElementTypeCount; ++t) {
        const auto type = static_cast<ElementType>(t);
        SCOPED_TRACE(ElementTypeName(t));
        bool inTable = false;
        for (const auto& kind : FormatKinds)
            inTable = inTable || kind == type;
        const std::optional<uint32_t> code = RecordKindCode(type);
        ASSERT_EQ(inTable, code.has_value());
        if (code) {
            ASSERT_LT(*code, 30u);
            EXPECT_EQ(type, FormatKinds[*code]);
        }
    }
}

TEST(RecordKindCodes, CanonicalCodes) {
    const struct {
        ElementType type;
        uint32_t code;
    } cases[] = {
        {integer_1, 0},  {logical_1, 1},    {integer_2, 2},   {logical_2, 3}, {integer_4, 4},
        {logical_4, 5},  {object_4, 9},     {real_4, 10},     {real_8, 11},   {real_10, 12},
        {structure, 14}, {enumeration, 15}, {pointer_4, 16},  {array, 17},    {reference_4, 19},
        {complex_8, 23}, {complex_16, 24},  {complex_20, 25}, {string, 26},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ElementTypeName(c.type));
        EXPECT_EQ(c.code, RecordKindCode(c.type));
    }
    for (ElementType none :
         {logical_8, integer_8, unsigned_4, allocatable_4, function, common, module})
        EXPECT_FALSE(RecordKindCode(none).has_value()) << ElementTypeName(none);
}

TEST(RecordNames, Builders) {
    const struct {
        std::string built;
        const char* expected;
    } cases[] = {
        {DecoratedName("OUTER", 8, "X"), "{OUTER,+8}X"},
        {DecoratedName("OUTER", 0, "X"), "{OUTER,+0}X"},
        {DecoratedName("OUTER", std::nullopt, "X"), "{OUTER}X"},
        {ModuleVariableName("MOD", "X"), "MOD!X"},
        {LengthOfName("S"), "_Length_of_S_"},
        {CommonBlockKey("BLK", 0), "/BLK/"},
        {CommonBlockKey("BLK", 2), "/BLK/2"},
        {CommonBlockKey("BLK", -1), "/BLK/"},
        {CompanionFieldName("/BLK/"), "/BLK/debug"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.built);
}

TEST(RecordFraming, AttributeAndArrayPrefixes) {
    const std::vector<uint8_t> records = {0xAA, 0xBB};
    const struct {
        const char* name;
        std::vector<uint8_t> framed;
        const char* hex;
    } cases[] = {
        {"method attribute", MethodAttributeBlob(records), "0100 00000000 aabb"},
        {"static field attribute", StaticFieldAttributeBlob(records), "0100 0000000000000000 aabb"},
        {"companion array", CompanionArrayValue(records), "00000000 aabb"},
        {"empty method attribute", MethodAttributeBlob({}), "0100 00000000"},
        {"no global names", GlobalInfoAttributeBlob({}), "0100 00000000 00000000"},
        {"global names", GlobalInfoAttributeBlob({{7, "GEOM!T~POINT"}, {0x10000010, "X"}}),
         "0100 00000000 02000000 07000000 47454f4d21547e504f494e5400 10000010 5800"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ToHex(Bytes(c.hex)), ToHex(c.framed));
    }
}

TEST(Hex, ParsesPairsAndIgnoresSpaceBetweenThem) {
    const struct {
        const char* text;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"", {}},
        {"00", {0x00}},
        {"0aFf", {0x0A, 0xFF}},
        {" 01 \t02\n03\r\n", {1, 2, 3}},
        {"deadBEEF", {0xDE, 0xAD, 0xBE, 0xEF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error = "untouched";
        auto bytes = FromHex(c.text, &error);
        ASSERT_TRUE(bytes.has_value()) << error;
        EXPECT_EQ(c.bytes, *bytes);
        EXPECT_EQ(ToHex(c.bytes), ToHex(*bytes));
    }
}

TEST(Hex, RejectsOddCountsAndStrayCharacters) {
    const struct {
        const char* text;
        const char* messagePart;
    } cases[] = {
        {"0", "odd"},      {"012", "odd"},      {"0 1", "odd"},       {"0g", "invalid"},
        {"g0", "invalid"}, {"0x10", "invalid"}, {"12-34", "invalid"}, {"ab\xff", "invalid"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        EXPECT_FALSE(FromHex(c.text, &error).has_value());
        EXPECT_NE(std::string::npos, error.find(c.messagePart)) << error;
        EXPECT_FALSE(FromHex(c.text).has_value()); // no error sink needed
    }
}

TEST(Hex, WritesLowerCasePairs) {
    EXPECT_EQ("00017f80ff", ToHex({0x00, 0x01, 0x7F, 0x80, 0xFF}));
    EXPECT_EQ("", ToHex({}));
}

// The reader's tests take the same bytes from the data file: the two must not drift.
TEST(RecordBlobData, MatchesTheEncoderCases) {
    std::ifstream file(std::string(ORVEL_TEST_DATA_DIR) + "/record-blobs.json");
    ASSERT_TRUE(file.is_open()) << ORVEL_TEST_DATA_DIR;
    const nlohmann::json data = nlohmann::json::parse(file, nullptr, false);
    ASSERT_FALSE(data.is_discarded());
    std::set<std::string> seen;
    for (const nlohmann::json& entry : data.at("cases")) {
        const std::string name = entry.at("name").get<std::string>();
        SCOPED_TRACE(name);
        EXPECT_TRUE(seen.insert(name).second) << "duplicate case";
        std::string error;
        EXPECT_TRUE(FromHex(entry.at("hex").get<std::string>(), &error).has_value()) << error;
        EXPECT_TRUE(entry.at("records").is_array());
    }
    for (const BlobCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        auto entry = std::find_if(data.at("cases").begin(), data.at("cases").end(),
                                  [&](const nlohmann::json& e) { return e.at("name") == c.name; });
        ASSERT_NE(data.at("cases").end(), entry);
        const auto bytes = FromHex(entry->at("hex").get<std::string>());
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(ToHex(EncodeRecords(c.records)), ToHex(*bytes));
        EXPECT_EQ(c.records.size(), entry->at("records").size());
    }
}

} // namespace

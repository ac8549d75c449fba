// What the host reports about a loaded snapshot: the program class and its members,
// the static address tables and the lookup method, routines with their parameters and
// locals, field forms and types, .NET objects, and the demo program.
#include <fstream>
#include <sstream>

#include "SnapshotTestSupport.h"

namespace orvel::sim::test {
namespace {

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ','))
        parts.push_back(part);
    return parts;
}

std::string Narrow(const std::vector<uint8_t>& utf16) {
    std::string out;
    for (size_t i = 0; i + 1 < utf16.size(); i += 2)
        out += static_cast<char>(utf16[i]);
    return out;
}

struct Publication {
    const char* name;
    bool inTable;  // in ~DebugInfo~ / ~DebugInfoNames~
    bool inLookup; // known to the lookup method
};

const Publication kPublications[] = {
    {"MODULE GEOM", true, true},
    {"MODULE QUIET", false, false},
    {"MODULE HIDDENMOD", false, true},
    {"/BLK/", true, true},
    {"/FLAGS/", false, true},
    {"WORK_of_SAVED", true, true},
    {"WORK_of_HIDDENSAVE", false, true},
    {"WORK_of_LOST", false, false},
    {"WORK$SAVE", true, true},
    {"HELPER_of_COUNT", false, true},
};

TEST(SnapshotAddresses, PublishedInTheTableOrToTheLookupMethodOnly) {
    const HostProgram& p = Coverage();
    const HostValue* table = ValueOf(p, Child(p, p.globalClass, "~DebugInfo~"));
    const HostValue* names = ValueOf(p, Child(p, p.globalClass, "~DebugInfoNames~"));
    ASSERT_NE(table, nullptr);
    ASSERT_NE(names, nullptr);
    const std::vector<std::string> listed = Split(Narrow(names->bytes));
    ASSERT_EQ(table->elements.size(), listed.size() + 1); // element 0: the process id
    for (const Publication& c : kPublications) {
        const uint32_t address = AddressOf(p, Child(p, p.globalClass, c.name));
        ASSERT_NE(address, 0u) << c.name;
        auto at = std::find(listed.begin(), listed.end(), c.name);
        EXPECT_EQ(at != listed.end(), c.inTable) << c.name;
        if (at != listed.end()) {
            const HostValue& element = p.values[static_cast<size_t>(
                table->elements[static_cast<size_t>(at - listed.begin()) + 1])];
            EXPECT_EQ(
                ToHex(element.bytes),
                ToHex({static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
                       static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 24)}))
                << c.name;
        }
        auto known = p.lookupTable.find(std::string("COVER.") + c.name);
        EXPECT_EQ(known != p.lookupTable.end(), c.inLookup) << c.name;
        if (known != p.lookupTable.end()) {
            EXPECT_EQ(known->second, address) << c.name;
        }
    }
}

TEST(SnapshotAddresses, ProcessIdIsTheFirstTableElementAndFilledLater) {
    const HostProgram& p = Coverage();
    const HostValue* table = ValueOf(p, Child(p, p.globalClass, "~DebugInfo~"));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(p.processIdValues.size(), 1u);
    EXPECT_EQ(p.processIdValues[0], table->elements.at(0));
    EXPECT_EQ(ToHex(p.values[static_cast<size_t>(p.processIdValues[0])].bytes), "00000000");
    EXPECT_EQ(p.processId, 0u);
}

TEST(SnapshotAddresses, LookupMethodIsTheRuntimesHelper) {
    const HostProgram& p = Coverage();
    ASSERT_TRUE(p.IsField(p.lookupMethod));
    EXPECT_EQ(p.fields[static_cast<size_t>(p.lookupMethod)].fullName, kLookupMethodFullName);
    EXPECT_EQ(p.FindMethods(kLookupMethodFullName), std::vector<FieldId>{p.lookupMethod});
}

TEST(SnapshotRoutines, EveryRoutineIsAMethodOfTheProgramClass) {
    const HostProgram& p = Coverage();
    ASSERT_TRUE(p.IsField(p.globalClass));
    EXPECT_EQ(p.fields[static_cast<size_t>(p.globalClass)].fullName, "COVER");
    for (const char* name : {"HELPER", "WORK", "OTHER"}) {
        const FieldId method = Method(p, name);
        ASSERT_NE(method, kNoField) << name;
        EXPECT_EQ(p.fields[static_cast<size_t>(method)].form, FieldForm::Method) << name;
        EXPECT_EQ(p.fields[static_cast<size_t>(method)].attributeAccess, AttributeAccess::Query);
    }
    EXPECT_EQ(p.stop.method, Method(p, "WORK"));
    EXPECT_EQ(p.fields[static_cast<size_t>(Method(p, "WORK"))].thisClass,
              p.FindClass("Cover.Owner"));
    EXPECT_EQ(p.fields[static_cast<size_t>(Method(p, "HELPER"))].thisClass, kNoField);
}

std::vector<std::string> Names(const HostProgram& p, const std::vector<FieldId>& ids) {
    std::vector<std::string> names;
    for (FieldId id : ids)
        names.push_back(p.fields[static_cast<size_t>(id)].name);
    return names;
}

TEST(SnapshotRoutines, ParametersAndLocalsAsTheHostListsThem) {
    const HostProgram& p = Coverage();
    const HostField& work = p.fields[static_cast<size_t>(Method(p, "WORK"))];
    EXPECT_EQ(Names(p, work.parameters),
              (std::vector<std::string>{"N", "M", "A", "S", "NAME", "_Length_of_NAME_", "OPT"}));
    const std::vector<std::string> locals = Names(p, work.locals);
    for (const char* expected : {"S#1", "T#1", "T#2", "RAMP", "POBJ"})
        EXPECT_NE(std::find(locals.begin(), locals.end(), expected), locals.end()) << expected;
    // PARAMETERs are constants of the records, not locals of the method.
    for (const char* constant : {"KSMALL", "KPAIR", "KTEXT"})
        EXPECT_EQ(std::find(locals.begin(), locals.end(), constant), locals.end()) << constant;
    // Routines not on the stack have no frame to bind.
    const HostField& helper = p.fields[static_cast<size_t>(Method(p, "HELPER"))];
    ASSERT_EQ(Names(p, helper.parameters), (std::vector<std::string>{"K", "V"}));
    for (FieldId id : helper.parameters)
        EXPECT_EQ(ValueOf(p, id), nullptr);
}

struct FieldShape {
    const char* name;
    FieldForm form;
    uint32_t kindBit;
    const char* typeName;
};

const FieldShape kShapes[] = {
    {"I4", FieldForm::Plain, FIELD_TYPE_PRIMITIVE, "System.Int32"},
    {"R8", FieldForm::Plain, FIELD_TYPE_PRIMITIVE, "System.Double"},
    {"L1", FieldForm::Plain, FIELD_TYPE_PRIMITIVE, "System.Boolean"},
    {"A", FieldForm::Array, FIELD_TYPE_ARRAY, "System.Double[,]"},
    {"NAMES", FieldForm::Array, FIELD_TYPE_ARRAY, "Kestrin.Fortran.Character[]"},
    {"SEG", FieldForm::Plain, FIELD_TYPE_CLASS, "GEOM!SEGMENT"},
    {"PS", FieldForm::Pointer, FIELD_TYPE_POINTER, "System.Double*"},
    {"PA", FieldForm::Pointer, FIELD_TYPE_POINTER, "System.Int16[,]*"},
    {"PN", FieldForm::Pointer, FIELD_TYPE_POINTER, "NODE*"},
    {"ALLOC", FieldForm::Array, FIELD_TYPE_ARRAY, "System.Single[]"},
    {"OBJ", FieldForm::Class, FIELD_TYPE_CLASS, "Cover.Owner"},
    {"POBJ", FieldForm::Pointer, FIELD_TYPE_POINTER, "Cover.Owner*"},
};

TEST(SnapshotRoutines, FieldFormsKindsAndTypes) {
    const HostProgram& p = Coverage();
    for (const FieldShape& c : kShapes) {
        const FieldId id = Child(p, Method(p, "WORK"), c.name);
        ASSERT_NE(id, kNoField) << c.name;
        const HostField& field = p.fields[static_cast<size_t>(id)];
        EXPECT_EQ(field.form, c.form) << c.name;
        EXPECT_TRUE(field.kind & c.kindBit) << c.name;
        EXPECT_TRUE(field.kind & (FIELD_SYM_LOCAL | FIELD_SYM_PARAM)) << c.name;
        EXPECT_EQ(field.typeName, c.typeName) << c.name;
    }
    const HostField& a = p.fields[static_cast<size_t>(Child(p, Method(p, "WORK"), "A"))];
    EXPECT_EQ(a.arrayRank, 2u);
    EXPECT_EQ(a.arrayCount, 9u);
    const HostField& ps = p.fields[static_cast<size_t>(Child(p, Method(p, "WORK"), "PS"))];
    ASSERT_TRUE(p.IsField(ps.dereferenced));
    EXPECT_EQ(p.fields[static_cast<size_t>(ps.dereferenced)].fullName, "System.Double");
    // A class-typed symbol lists its class's members.
    const HostField& obj = p.fields[static_cast<size_t>(Child(p, Method(p, "WORK"), "OBJ"))];
    EXPECT_EQ(obj.members, p.fields[static_cast<size_t>(p.FindClass("Cover.Owner"))].members);
}

TEST(SnapshotObjects, ObjectsReferencesAndStatics) {
    const HostProgram& p = Coverage();
    const HostValue* alice = ValueOf(p, Child(p, Method(p, "WORK"), "OBJ"));
    ASSERT_NE(alice, nullptr);
    EXPECT_EQ(alice->form, ValueForm::Object);
    EXPECT_EQ(alice->objectClass, p.FindClass("Cover.Owner"));
    const HostValue& peer = p.values[static_cast<size_t>(alice->members.at("Peer"))];
    EXPECT_EQ(peer.form, ValueForm::Object);
    EXPECT_FALSE(peer.isNull);
    const HostValue& bobName = p.values[static_cast<size_t>(peer.members.at("Name"))];
    EXPECT_TRUE(bobName.isNull);
    const HostValue& link = p.values[static_cast<size_t>(alice->members.at("Link"))];
    EXPECT_EQ(link.form, ValueForm::Pointer);
    EXPECT_EQ(link.target, alice->members.at("Peer"));
    EXPECT_EQ(Narrow(p.values[static_cast<size_t>(alice->members.at("Name"))].bytes), "Alice");

    const HostValue* none = ValueOf(p, Child(p, Method(p, "WORK"), "NOOBJ"));
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->isNull);

    const HostValue* count = ValueOf(p, Child(p, p.FindClass("Cover.Owner"), "Count"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(ToHex(count->bytes), "141a99be1c000000"); // 123456789012
    const FieldId banner = Child(p, p.globalClass, "Banner");
    EXPECT_TRUE(p.fields[static_cast<size_t>(banner)].modifiers & FIELD_MOD_STATIC);
    EXPECT_EQ(Narrow(ValueOf(p, banner)->bytes), "coverage");
}

TEST(SnapshotRaw, FailuresLookupsAndRegionsFromTheSnapshot) {
    const HostProgram& p = Coverage();
    const FieldId opt = Child(p, Method(p, "WORK"), "OPT");
    EXPECT_EQ(p.InjectedResult(opt, HostOp::GetValue), E_FAIL);
    EXPECT_EQ(p.InjectedResult(opt, HostOp::Bind), S_OK);
    EXPECT_EQ(p.lookupTable.at("COVER.OUTER"), 0x20000000u);
}

TEST(SnapshotDemo, HeatExampleLoads) {
    HostProgram p;
    std::string error;
    ASSERT_TRUE(LoadSnapshotFile(ExamplePath("heat.json"), &p, &error)) << error;
    EXPECT_EQ(p.stop.method, Method(p, "DIFFUSE"));
    // The million-element module array comes from a generator.
    const FieldId module = Child(p, p.globalClass, "MODULE HEATMOD");
    ASSERT_NE(module, kNoField);
    size_t largest = 0;
    for (const MemoryRegion& region : p.memory)
        largest = std::max(largest, region.bytes.size());
    EXPECT_GT(largest, 4000000u);
    for (const char* local : {"U", "TITLE", "SENSOR", "HOTTEST", "WORK", "LOG"})
        EXPECT_NE(Child(p, Method(p, "DIFFUSE"), local), kNoField) << local;
}

TEST(SnapshotDemo, DocumentedExampleLoads) {
    // The complete example of the format description, so that it cannot go stale.
    std::ifstream file(std::string(ORVEL_TEST_DATA_DIR) + "/../../docs/snapshot-format.md");
    std::stringstream text;
    text << file.rdbuf();
    const std::string doc = text.str();
    const size_t section = doc.find("## A complete example");
    ASSERT_NE(section, std::string::npos);
    const size_t start = doc.find("```json\n", section);
    ASSERT_NE(start, std::string::npos);
    const size_t end = doc.find("```", start + 8);
    HostProgram p;
    std::string error;
    ASSERT_TRUE(LoadSnapshot(doc.substr(start + 8, end - start - 8), &p, &error)) << error;
    EXPECT_EQ(p.stop.method, Method(p, "SOLVE"));
    EXPECT_NE(Child(p, Method(p, "SOLVE"), "_Length_of_TITLE_"), kNoField);
    EXPECT_NE(Child(p, p.globalClass, "/WORK/1debug"), kNoField);
}

TEST(SnapshotLoad, FailureLeavesTheProgramAsItWas) {
    HostProgram p;
    std::string error;
    ASSERT_TRUE(LoadSnapshotFile(SnapshotPath("coverage.json"), &p, &error)) << error;
    const size_t fields = p.fields.size();
    EXPECT_FALSE(LoadSnapshot("{\"format\": \"orvel-snapshot/1\"}", &p, &error));
    EXPECT_EQ(p.fields.size(), fields);
    EXPECT_FALSE(LoadSnapshotFile(SnapshotPath("no-such-file.json"), &p, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

} // namespace
} // namespace orvel::sim::test

// Static addresses: the ~DebugInfo~ / ~DebugInfoNames~ tables, the debuggee's lookup
// method, and the dotted names handed to it.
#include "AcquisitionTestSupport.h"

namespace orvel::acquisition::test {
namespace {

std::vector<uint8_t> Le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

sim::HostValue& ValueOf(HostProgram& p, const char* member) {
    const sim::FieldId field = p.FindChild(p.globalClass, member);
    return p.values[static_cast<size_t>(p.fields[static_cast<size_t>(field)].value)];
}

// ~DebugInfo~ keeps its process id and gets these addresses after it.
void SetTable(HostProgram& p, const std::vector<uint32_t>& addresses) {
    std::vector<sim::ValueId> elements{ValueOf(p, "~DebugInfo~").elements.at(0)};
    for (uint32_t a : addresses)
        elements.push_back(p.AddScalar(Le32(a)));
    ValueOf(p, "~DebugInfo~").elements = elements;
}

void SetNames(HostProgram& p, const std::u16string& names) {
    const sim::ValueId text = p.AddString(names);
    p.fields[static_cast<size_t>(p.FindChild(p.globalClass, "~DebugInfoNames~"))].value = text;
}

struct TableCase {
    const char* what;
    const char* raw;
    std::function<void(HostProgram&)> edit;
    bool opened;      // the debuggee process was opened
    bool staticsRead; // and the tables count as read
    std::vector<std::pair<const char*, uint32_t>> addresses;
};

const TableCase kTables[] = {
    {"no ~DebugInfo~", R"({"omit": ["~DebugInfo~"]})", {}, false, false, {{"MODULE GEOM", 0}}},
    {"process id only",
     "",
     [](HostProgram& p) { SetTable(p, {}); },
     true,
     true,
     {{"MODULE GEOM", 0}}},
    {"addresses without names",
     R"({"omit": ["~DebugInfoNames~"]})",
     {},
     true,
     false,
     {{"MODULE GEOM", 0}}},
    {"fewer names than addresses",
     "",
     [](HostProgram& p) {
         SetTable(p, {0x111, 0x222, 0x333});
         SetNames(p, u"A,B");
     },
     true,
     true,
     {{"a", 0x111}, {"B", 0x222}, {"", 0}}},
};

TEST_F(AcquisitionTest, AddressTablesOpenTheProcessAndNameTheAddresses) {
    for (const TableCase& c : kTables) {
        SCOPED_TRACE(c.what);
        Start(SmallProgram(c.raw), c.edit);
        MethodInfo(OLESTR("MAIN"));
        EXPECT_EQ(c.opened, DebuggeeProcessHandle() != nullptr);
        EXPECT_EQ(c.staticsRead, StaticsRead());
        for (const auto& [name, address] : c.addresses)
            EXPECT_EQ(address, CacheLookupAddress(name)) << name;
        TearDown();
        m_program = HostProgram();
    }
}

TEST_F(AcquisitionTest, AddressTableGivesTheAddressOfEachListedItem) {
    Start(SmallProgram());
    MethodInfo(OLESTR("MAIN"));
    const std::optional<uint32_t> geom = ValueOf(m_program, "MODULE GEOM").address;
    ASSERT_TRUE(geom.has_value());
    EXPECT_EQ(*geom, CacheLookupAddress("module geom"));
    EXPECT_TRUE(StaticsRead());
}

TEST_F(AcquisitionTest, AddressTablesNeedTheBinder) {
    Start(SmallProgram(), {}, false);
    EXPECT_TRUE(MethodInfo(OLESTR("MAIN")));
    EXPECT_FALSE(StaticsRead());
    EXPECT_EQ(nullptr, DebuggeeProcessHandle());
}

// --- the debuggee's lookup method ------------------------------------------------------

struct LookupCase {
    const OLECHAR* name;
    uint32_t expected;
    bool cached;
};

const LookupCase kLookups[] = {
    {OLESTR("P.KNOWN"), 0x20000000, true},
    {OLESTR("P.ZERO"), 0, true},     // kept, though 0 still reads as unknown
    {OLESTR("P.UNKNOWN"), 0, false}, // the method answers 0xFFFFFFFF
    {OLESTR("P.FAILED"), 0, false},
    {OLESTR("P.HIGHEST"), 0xFFFFFFF0, true},
};

TEST_F(AcquisitionTest, LookupMethodAnswersAreCachedUnlessFailures) {
    Start(SmallProgram(R"({"lookup": [{"name": "P.KNOWN", "address": "0x20000000"},
        {"name": "P.ZERO", "address": 0}, {"name": "P.FAILED", "address": "0xFFFFFFF1"},
        {"name": "P.HIGHEST", "address": "0xFFFFFFF0"}]})"));
    for (const LookupCase& c : kLookups) {
        const std::string key(c.name, c.name + std::char_traits<OLECHAR>::length(c.name));
        SCOPED_TRACE(key);
        EXPECT_EQ(c.expected, LookupStaticAddress(m_cxt.get(), c.name));
        CacheEntryRef entry = CacheLookup(key.c_str(), CacheAddress);
        ASSERT_EQ(c.cached, entry != nullptr);
        if (entry) {
            EXPECT_EQ(c.expected, entry->Value);
        }
    }
}

TEST_F(AcquisitionTest, LookupTriesTheCacheFirstWhateverTheCase) {
    Start(SmallProgram());
    CacheAddAddress("P.PLANTED", 0x1234);
    EXPECT_EQ(0x1234u, LookupStaticAddress(m_cxt.get(), OLESTR("p.planted")));
    // The lookup method publishes the module, qualified by the class name.
    const uint32_t geom = LookupStaticAddress(m_cxt.get(), OLESTR("P.MODULE GEOM"));
    EXPECT_EQ(ValueOf(m_program, "MODULE GEOM").address.value_or(1), geom);
}

// --- names ---------------------------------------------------------------------------

TEST_F(AcquisitionTest, FieldNamesAreSimpleOrDotted) {
    Start(SmallProgram());
    struct {
        ComPtr<IDebugField> field;
        const char* simple;
        const char* dotted;
    } cases[] = {
        {Member(OLESTR("MAIN")), "MAIN", "P.MAIN"},
        {Member(OLESTR("MODULE GEOM")), "MODULE GEOM", "P.MODULE GEOM"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.field);
        BstrHolder simple(FieldName(c.field.get())), dotted(QualifiedFieldName(c.field.get()));
        EXPECT_EQ(c.simple, Narrow(simple.get()));
        EXPECT_EQ(c.dotted, Narrow(dotted.get()));
    }
    BstrHolder unknown(FieldName(nullptr));
    EXPECT_EQ("<Unknown>", Narrow(unknown.get()));
}

} // namespace
} // namespace orvel::acquisition::test

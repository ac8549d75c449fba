// Finding the records of methods and static items and the global-name table through
// the host: offsets, caching, refusing hosts, companion arrays and hostile payloads.
#include "AcquisitionTestSupport.h"

namespace orvel::acquisition::test {
namespace {

void DropAttribute(HostProgram& p, const char* field, const char* attribute) {
    p.fields[static_cast<size_t>(p.FindChild(p.globalClass, field))].attributes.erase(attribute);
}

// --- methods -------------------------------------------------------------------------

TEST_F(AcquisitionTest, MethodRecordsStartAtSixAndComeFromTheCacheAfterwards) {
    Start(SmallProgram());
    InfoPtr first = MethodInfo(OLESTR("MAIN"));
    ASSERT_TRUE(first);
    EXPECT_EQ(From(Attribute("MAIN"), 6), Bytes(first.get()));
    ASSERT_NE(CacheLookup("main", CacheDebugInfo), nullptr);
    // Plant other bytes under the method's key: a second request must not ask the host.
    CacheClear();
    const uint8_t planted[] = {0, 0, 0};
    CacheEntryRef entry = CacheAddDebugInfo("main", planted, 3);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0}), Bytes(MethodInfo(OLESTR("MAIN")).get()));
    EXPECT_NE(static_cast<const void*>(first->Data), static_cast<const void*>(entry->Data.data()))
        << "iterators own their bytes";
}

struct MethodBlobCase {
    const char* what;
    const char* raw;      // raw section, or ""
    bool dropAttribute;   // OTHER loses its attribute
    const char* expected; // hex of the records, or nullptr for none
};

const MethodBlobCase kMethodBlobs[] = {
    {"six bytes are absent",
     R"({"attributes": [{"routine": "OTHER", "blob": "01 00 01 02 03 04"}]})", false, nullptr},
    {"seven bytes give one",
     R"({"attributes": [{"routine": "OTHER", "blob": "01 00 01 02 03 04 2a"}]})", false, "2a"},
    {"no attribute", "", true, nullptr},
    {"refusing host", R"({"refuseNullAttributeBuffer": true,
       "attributes": [{"routine": "OTHER", "blob": "01 00 01 02 03 04 00 00 05"}]})",
     false, "00 00 05"},
};

std::vector<uint8_t> Hex(const char* text) {
    std::vector<uint8_t> out;
    for (const char* p = text; p && *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
        p += 2;
    }
    return out;
}

TEST_F(AcquisitionTest, MethodBlobsShorterThanSevenBytesOrAbsentGiveNoneAndCacheNothing) {
    for (const MethodBlobCase& c : kMethodBlobs) {
        SCOPED_TRACE(c.what);
        Start(SmallProgram(c.raw), [&](HostProgram& p) {
            if (c.dropAttribute) DropAttribute(p, "OTHER", "Kestrin.Fortran.DebugInfoAttribute");
        });
        InfoPtr info = MethodInfo(OLESTR("OTHER"));
        if (c.expected) {
            EXPECT_EQ(Hex(c.expected), Bytes(info.get()));
        } else {
            EXPECT_FALSE(info);
            EXPECT_EQ(nullptr, CacheLookup("OTHER", CacheDebugInfo));
        }
        info = nullptr; // it holds the context, and through it the host
        TearDown();
        m_program = HostProgram();
    }
}

// --- static items ----------------------------------------------------------------------

struct StaticCase {
    const char* key;
    const char* carrier; // the field whose bytes hold the records
    size_t offset;       // where they start there
    bool companion;      // carried by the companion array's value
};

const StaticCase kStatics[] = {
    {"MODULE GEOM", "MODULE GEOM", 10, false},
    {"module quiet", "MODULE QUIETdebug", 4, true},      // attribute access refused
    {"MODULE HIDDENMOD", "MODULE HIDDENMOD", 10, false}, // second query interface only
    {"/FLAGS/", "/FLAGS/debug", 4, true},
};

TEST_F(AcquisitionTest, StaticRecordsComeFromTheAttributeOrTheCompanionArray) {
    Start(CoverageText());
    for (const StaticCase& c : kStatics) {
        SCOPED_TRACE(c.key);
        std::vector<uint8_t> carried = Attribute(c.carrier);
        if (c.companion) {
            const auto* value = &m_program.values[static_cast<size_t>(
                m_program
                    .fields[static_cast<size_t>(
                        m_program.FindChild(m_program.globalClass, c.carrier))]
                    .value)];
            carried = value->bytes;
        }
        ASSERT_GT(carried.size(), c.offset);
        InfoPtr info = StaticInfo(c.key);
        EXPECT_EQ(From(carried, c.offset), Bytes(info.get()));
        CacheEntryRef entry = CacheLookup(c.key, CacheDebugInfo);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(carried.size() - c.offset, entry->Value);
    }
    EXPECT_FALSE(StaticInfo("MODULE NOSUCH"));
}

TEST_F(AcquisitionTest, RefusingHostStillGivesStaticRecords) {
    Start(SmallProgram(R"({"refuseNullAttributeBuffer": true})"));
    EXPECT_EQ(From(Attribute("MODULE GEOM"), 10), Bytes(StaticInfo("MODULE GEOM").get()));
}

TEST_F(AcquisitionTest, EmptyDebugInfoHoldsTwoZeroBytes) {
    Start(SmallProgram());
    InfoPtr info = InfoPtr::Adopt(EmptyDebugInfo(m_cxt.get()));
    EXPECT_EQ((std::vector<uint8_t>{0, 0}), Bytes(info.get()));
}

// --- the global-name table -------------------------------------------------------------

struct GlobalCase {
    const char* what;
    const char* blob;
    std::vector<std::pair<uint32_t, std::string>> full; // value, full name
    std::vector<std::string> shorts;
};

const GlobalCase kGlobals[] = {
    {"plain and qualified names",
     "01 00 00 00 00 00 03 00 00 00 07 00 00 00 50 4c 41 49 4e 00 "
     "08 00 00 00 4d 21 54 00 09 00 00 00 41 21 42 7e 43 00",
     {{7, "PLAIN"}, {8, "M!T"}, {9, "A!B~C"}},
     {"PLAIN", "T", "C"}},
    {"count beyond the bytes",
     "01 00 00 00 00 00 ff ff ff 7f 07 00 00 00 58 00",
     {{7, "X"}},
     {"X"}},
    {"name cut short",
     "01 00 00 00 00 00 02 00 00 00 07 00 00 00 58 00 08 00 00 00 59 59",
     {{7, "X"}},
     {"X"}},
    {"negative count", "01 00 00 00 00 00 ff ff ff ff 07 00 00 00 58 00", {}, {}},
    {"no count", "01 00 00 00 00 00 01", {}, {}},
};

TEST_F(AcquisitionTest, GlobalNamesAreReadDefensively) {
    for (const GlobalCase& c : kGlobals) {
        SCOPED_TRACE(c.what);
        Start(SmallProgram(std::string(R"({"attributes": [{"program": true, "blob": ")") + c.blob +
                           "\"}]}"));
        MethodInfo(OLESTR("MAIN"));
        EXPECT_TRUE(GlobalInfoRead());
        const std::vector<GlobalInfoRecord>& records = GlobalInfoRecords();
        ASSERT_EQ(c.full.size(), records.size());
        for (size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(c.full[i].first, records[i].Value);
            EXPECT_EQ(c.full[i].second, records[i].FullName);
            EXPECT_EQ(c.shorts[i], records[i].ShortName);
        }
        TearDown();
        m_program = HostProgram();
    }
}

TEST_F(AcquisitionTest, GlobalNameLookupsUseTheTableOfTheProgramClass) {
    Start(CoverageText());
    MethodInfo(OLESTR("WORK"));
    char full[GlobalNameCapacity];
    EXPECT_FALSE(GlobalNameByShortName("RETIRED~T", full, sizeof full));
    ASSERT_TRUE(GlobalNameByShortName("t", full, sizeof full));
    EXPECT_STREQ("OLD!RETIRED~T", full);
    ASSERT_TRUE(GlobalNameByValue(999, full, sizeof full));
    EXPECT_STREQ("OLD!RETIRED~T", full);
}

TEST_F(AcquisitionTest, GlobalNamesAreReadOnceEvenWhenAbsent) {
    Start(SmallProgram(), [](HostProgram& p) {
        p.fields[static_cast<size_t>(p.globalClass)].attributes.erase(
            "Kestrin.Fortran.DebugGlobalInfoAttribute");
    });
    MethodInfo(OLESTR("MAIN"));
    EXPECT_TRUE(GlobalInfoRead());
    EXPECT_TRUE(GlobalInfoRecords().empty());

    TearDown();
    m_program = HostProgram();
    Start(SmallProgram(R"({"globals": [{"value": 5, "name": "M!T"}]})"));
    MethodInfo(OLESTR("MAIN"));
    ASSERT_FALSE(GlobalInfoRecords().empty());
    SetGlobalInfoRecords({});
    MethodInfo(OLESTR("OTHER"));
    EXPECT_TRUE(GlobalInfoRecords().empty()) << "the containers were walked again";
}

} // namespace
} // namespace orvel::acquisition::test

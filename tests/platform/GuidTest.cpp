#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "platform/Guid.h"
#include "platform/Unknown.h"

namespace {

struct GuidText {
    const char* name;
    GUID guid;
    const char* text;
    const OLECHAR* wide;
};

const GuidText kGuids[] = {
    {"IUnknown",
     {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}},
     "{00000000-0000-0000-C000-000000000046}",
     OLESTR("{00000000-0000-0000-C000-000000000046}")},
    {"every digit",
     {0x01234567, 0x89AB, 0xCDEF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}},
     "{01234567-89AB-CDEF-FEDC-BA9876543210}",
     OLESTR("{01234567-89AB-CDEF-FEDC-BA9876543210}")},
    {"all ones",
     {0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
     "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}",
     OLESTR("{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}")},
};

TEST(GuidText, StringFromGuid2WritesBracedUpperCase) {
    for (const GuidText& c : kGuids) {
        SCOPED_TRACE(c.name);
        OLECHAR buffer[40];
        ASSERT_EQ(39, StringFromGUID2(c.guid, buffer, 40));
        EXPECT_EQ(0, std::memcmp(c.wide, buffer, 39 * sizeof(OLECHAR)));
        EXPECT_EQ(c.text, orvel::GuidToString(c.guid));
    }
}

TEST(GuidText, ParsesWhatIsWritten) {
    for (const GuidText& c : kGuids) {
        SCOPED_TRACE(c.name);
        GUID parsed{};
        ASSERT_TRUE(orvel::GuidFromString(c.text, &parsed));
        EXPECT_TRUE(parsed == c.guid);
    }
}

TEST(GuidText, StringFromGuid2RefusesSmallBuffer) {
    OLECHAR buffer[40];
    for (int cap : {0, 1, 38}) {
        SCOPED_TRACE(cap);
        for (OLECHAR& u : buffer)
            u = 0x5A5A;
        EXPECT_EQ(0, StringFromGUID2(kGuids[1].guid, buffer, cap));
        for (OLECHAR u : buffer)
            ASSERT_EQ(0x5A5A, u);
    }
    EXPECT_EQ(39, StringFromGUID2(kGuids[1].guid, buffer, 39));
}

TEST(GuidText, WellKnownInterfaceIds) {
    EXPECT_EQ("{00000000-0000-0000-C000-000000000046}", orvel::GuidToString(IID_IUnknown));
    EXPECT_EQ("{00000001-0000-0000-C000-000000000046}", orvel::GuidToString(IID_IClassFactory));
}

struct ParseCase {
    const char* text;
    bool ok;
};

const ParseCase kParseCases[] = {
    {"{01234567-89ab-cdef-fedc-ba9876543210}", true},
    {"01234567-89AB-CDEF-FEDC-BA9876543210", true},
    {"{01234567-89AB-CDEF-FEDC-BA9876543210", false},
    {"01234567-89AB-CDEF-FEDC-BA9876543210}", false},
    {"{01234567-89AB-CDEF-FEDC-BA9876543210}x", false},
    {"{01234567-89AB-CDEF-FEDC-BA987654321}", false},
    {"{01234567-89AB-CDEF-FEDC-BA987654321G}", false},
    {"{0123456-789AB-CDEF-FEDC-BA9876543210}", false},
    {"{01234567-89AB-CDEF-FEDCB-A9876543210}", false},
    {"{01234567+89AB-CDEF-FEDC-BA9876543210}", false},
    {"{ 1234567-89AB-CDEF-FEDC-BA9876543210}", false},
    {"{}", false},
    {"", false},
};

TEST(GuidParse, AcceptsOnlyTheHyphenatedForm) {
    const GUID sentinel = kGuids[2].guid;
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.text);
        GUID out = sentinel;
        EXPECT_EQ(c.ok, orvel::GuidFromString(c.text, &out));
        const GUID& expected = c.ok ? kGuids[1].guid : sentinel;
        EXPECT_TRUE(out == expected) << "a failed parse leaves the output alone";
    }
}

TEST(GuidParse, NullArgumentsFail) {
    GUID out{};
    EXPECT_FALSE(orvel::GuidFromString(nullptr, &out));
    EXPECT_FALSE(orvel::GuidFromString(kGuids[0].text, nullptr));
}

} // namespace

// Identifiers are written as text and turned into GUIDs at compile time.
static_assert(orvel::GuidOf("{C077C822-476C-11D2-B73C-0000F87572EF}").Data1 == 0xC077C822);
static_assert(!orvel::IsGuidText("{C077C822-476C-11D2-B73C+0000F87572EF}"));
static_assert(!orvel::IsGuidText("{C077C822-476C-11D2-B73C-0000F87572EG}"));

TEST(GuidOf, AgreesWithTheParserOnEveryByte) {
    for (const char* text :
         {"{C077C822-476C-11D2-B73C-0000F87572EF}", "{0123abcd-ef01-2345-6789-abcdef012345}"}) {
        char braced[orvel::GuidTextLength + 1] = {};
        std::copy(text, text + orvel::GuidTextLength, braced);
        GUID parsed{};
        ASSERT_TRUE(orvel::GuidFromString(text, &parsed));
        EXPECT_EQ(orvel::GuidToString(parsed), orvel::GuidToString(orvel::GuidOf(braced))) << text;
    }
}

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/Bstr.h"
#include "platform/CodePage.h"

namespace {

// The tables below are Windows-1252; a Windows host set to another code page skips.
#if ORVEL_WINDOWS
#define REQUIRE_1252()                                                                             \
    if (GetACP() != 1252) GTEST_SKIP() << "system code page is " << GetACP()
#else
#define REQUIRE_1252()
#endif

constexpr char kGuard = '\x5A';
constexpr OLECHAR kWideGuard = 0x5A5A;

struct ByteMapping {
    unsigned char byte;
    char16_t unit;
};

// Both ends of the range, the undefined bytes and a few between.
const ByteMapping kMappings[] = {
    {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x82, 0x201A}, {0x83, 0x0192},
    {0x8A, 0x0160}, {0x8C, 0x0152}, {0x8D, 0x008D}, {0x8E, 0x017D}, {0x8F, 0x008F}, {0x90, 0x0090},
    {0x91, 0x2018}, {0x96, 0x2013}, {0x97, 0x2014}, {0x98, 0x02DC}, {0x99, 0x2122}, {0x9C, 0x0153},
    {0x9D, 0x009D}, {0x9E, 0x017E}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
};

TEST(CodePageMapping, BytesBecomeTheirUnicodeCharacters) {
    REQUIRE_1252();
    for (const ByteMapping& m : kMappings) {
        SCOPED_TRACE(static_cast<int>(m.byte));
        const char narrow[1] = {static_cast<char>(m.byte)};
        OLECHAR wide[2] = {kWideGuard, kWideGuard};
        ASSERT_EQ(1, orvel::NarrowToWide(narrow, 1, wide, 2));
        EXPECT_EQ(m.unit, wide[0]);

        const OLECHAR back[1] = {static_cast<OLECHAR>(m.unit)};
        char out[2] = {kGuard, kGuard};
        bool lossy = true;
        ASSERT_EQ(1, orvel::WideToNarrow(back, 1, out, 2, &lossy));
        EXPECT_EQ(static_cast<char>(m.byte), out[0]);
        EXPECT_FALSE(lossy);
    }
}

TEST(CodePageMapping, EveryByteRoundTrips) {
    REQUIRE_1252();
    char all[255];
    for (int i = 0; i < 255; ++i)
        all[i] = static_cast<char>(i + 1);
    OLECHAR wide[256];
    ASSERT_EQ(255, orvel::NarrowToWide(all, 255, wide, 256));
    char back[256];
    bool lossy = true;
    ASSERT_EQ(255, orvel::WideToNarrow(wide, 255, back, 256, &lossy));
    EXPECT_FALSE(lossy);
    EXPECT_EQ(0, std::memcmp(all, back, 255));
}

struct LossyCase {
    const char* name;
    const OLECHAR* text;
    const char* expected;
};

const LossyCase kLossyCases[] = {
    {"Latin Extended", OLESTR("a\x0101z"), "a?z"},
    {"C1 control with a 1252 glyph", OLESTR("\x0080"), "?"},
    {"CJK", OLESTR("\x4E2D\x6587"), "??"},
    {"surrogate pair", OLESTR("x\xD83D\xDE00y"), "x?y"},
    {"lone high surrogate", OLESTR("\xD83Dy"), "?y"},
    {"lone low surrogate", OLESTR("\xDE00"), "?"},
};

TEST(CodePageLossy, UnrepresentableCharactersBecomeQuestionMarks) {
    REQUIRE_1252();
    for (const LossyCase& c : kLossyCases) {
        SCOPED_TRACE(c.name);
        char out[16];
        bool lossy = false;
        const int n = orvel::WideToNarrow(c.text, -1, out, sizeof out, &lossy);
        EXPECT_EQ(std::string(c.expected), std::string(out, n));
        EXPECT_EQ('\0', out[n]);
        EXPECT_TRUE(lossy);
    }
}

TEST(CodePageLossy, ReportsLossBeyondTheTruncationPoint) {
    REQUIRE_1252();
    char out[3];
    bool lossy = false;
    EXPECT_EQ(2, orvel::WideToNarrow(OLESTR("abc\x0101"), -1, out, sizeof out, &lossy));
    EXPECT_STREQ("ab", out);
    EXPECT_TRUE(lossy);
}

TEST(CodePageLossy, PlainTextIsNotLossyAndFlagIsOptional) {
    char out[8];
    bool lossy = true;
    EXPECT_EQ(5, orvel::WideToNarrow(OLESTR("hello"), -1, out, sizeof out, &lossy));
    EXPECT_STREQ("hello", out);
    EXPECT_FALSE(lossy);
    EXPECT_EQ(1, orvel::WideToNarrow(OLESTR("\x4E2D"), -1, out, sizeof out));
}

// dstCap values around a 5-character source; the buffer has guard units after dstCap.
struct BoundCase {
    int cap;
    int written;
};

const BoundCase kBoundCases[] = {{0, 0}, {1, 0}, {2, 1}, {5, 4}, {6, 5}, {9, 5}};

TEST(CodePageBounds, NarrowToWideNeverWritesPastCapacity) {
    for (const BoundCase& c : kBoundCases) {
        SCOPED_TRACE(c.cap);
        OLECHAR buffer[16];
        for (OLECHAR& u : buffer)
            u = kWideGuard;
        ASSERT_EQ(c.written, orvel::NarrowToWide("abcde", -1, buffer, c.cap));
        if (c.cap > 0) {
            EXPECT_EQ(0, buffer[c.written]);
        }
        for (int i = c.cap; i < 16; ++i)
            ASSERT_EQ(kWideGuard, buffer[i]) << "guard at " << i;
    }
}

TEST(CodePageBounds, WideToNarrowNeverWritesPastCapacity) {
    for (const BoundCase& c : kBoundCases) {
        SCOPED_TRACE(c.cap);
        char buffer[16];
        std::memset(buffer, kGuard, sizeof buffer);
        ASSERT_EQ(c.written, orvel::WideToNarrow(OLESTR("abcde"), -1, buffer, c.cap));
        if (c.cap > 0) {
            EXPECT_EQ('\0', buffer[c.written]);
        }
        for (int i = c.cap; i < 16; ++i)
            ASSERT_EQ(kGuard, buffer[i]) << "guard at " << i;
    }
}

TEST(CodePageBounds, NullBufferOrSourceIsHarmless) {
    EXPECT_EQ(0, orvel::NarrowToWide("abc", -1, nullptr, 4));
    EXPECT_EQ(0, orvel::WideToNarrow(OLESTR("abc"), -1, nullptr, 4));
    OLECHAR wide[2] = {kWideGuard, kWideGuard};
    EXPECT_EQ(0, orvel::NarrowToWide(nullptr, -1, wide, 2));
    EXPECT_EQ(0, wide[0]);
    char narrow[2] = {kGuard, kGuard};
    EXPECT_EQ(0, orvel::WideToNarrow(nullptr, -1, narrow, 2));
    EXPECT_EQ('\0', narrow[0]);
}

TEST(CodePageLength, ExplicitLengthConvertsEmbeddedNuls) {
    OLECHAR wide[8];
    ASSERT_EQ(3, orvel::NarrowToWide("a\0b", 3, wide, 8));
    EXPECT_EQ(OLECHAR('a'), wide[0]);
    EXPECT_EQ(0, wide[1]);
    EXPECT_EQ(OLECHAR('b'), wide[2]);

    char narrow[8];
    ASSERT_EQ(3, orvel::WideToNarrow(OLESTR("x\0y"), 3, narrow, 8));
    EXPECT_EQ(0, std::memcmp("x\0y", narrow, 4));
}

struct BstrCase {
    const char* src;
    int srcLen;
    int maxChars;
    const OLECHAR* expected;
    UINT length;
};

const BstrCase kBstrCases[] = {
    {"Fortran", -1, 0x7FFFFFFF, OLESTR("Fortran"), 7},
    {"Fortran", 4, 0x7FFFFFFF, OLESTR("Fort"), 4},
    {"Fortran", -1, 3, OLESTR("For"), 3},
    {"Fortran", -1, 0, OLESTR(""), 0},
    {"", -1, 10, OLESTR(""), 0},
    {nullptr, -1, 10, OLESTR(""), 0},
};

TEST(CodePageBstr, NarrowToBstrHasExactLength) {
    for (const BstrCase& c : kBstrCases) {
        SCOPED_TRACE(c.src ? c.src : "(null)");
        SCOPED_TRACE(c.maxChars);
        orvel::BstrHolder b(orvel::NarrowToBstr(c.src, c.srcLen, c.maxChars));
        ASSERT_NE(nullptr, b.get()) << "only running out of memory gives null";
        ASSERT_EQ(c.length, SysStringLen(b.get()));
        EXPECT_EQ(0, std::memcmp(c.expected, b.get(), (c.length + 1) * sizeof(OLECHAR)));
    }
}

TEST(CodePageBstr, ConvertsHighBytes) {
    REQUIRE_1252();
    orvel::BstrHolder b(orvel::NarrowToBstr("\x80\x9F"));
    ASSERT_EQ(2u, b.Length());
    EXPECT_EQ(0x20AC, b.get()[0]);
    EXPECT_EQ(0x0178, b.get()[1]);
}

} // namespace

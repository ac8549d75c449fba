#include <cstring>

#include <gtest/gtest.h>

#include "platform/Bstr.h"

namespace {

struct BstrCase {
    const char* name;
    const OLECHAR* text;
    UINT length;
};

const BstrCase kLengthCases[] = {
    {"empty", OLESTR(""), 0},
    {"plain", OLESTR("Fortran"), 7},
    {"embedded NUL", OLESTR("a\0b"), 3},
    {"trailing NUL", OLESTR("xy\0"), 3},
    {"leading NUL", OLESTR("\0z"), 2},
};

TEST(BstrAllocation, KeepsGivenLengthIncludingEmbeddedNuls) {
    for (const BstrCase& c : kLengthCases) {
        SCOPED_TRACE(c.name);
        orvel::BstrHolder b(SysAllocStringLen(c.text, c.length));
        ASSERT_NE(nullptr, b.get());
        EXPECT_EQ(c.length, SysStringLen(b.get()));
        EXPECT_EQ(c.length * sizeof(OLECHAR), SysStringByteLen(b.get()));
        EXPECT_EQ(0, std::memcmp(c.text, b.get(), c.length * sizeof(OLECHAR)));
        EXPECT_EQ(0, b.get()[c.length]) << "text must end in a NUL unit";
    }
}

TEST(BstrAllocation, SysAllocStringStopsAtFirstNul) {
    orvel::BstrHolder b(SysAllocString(OLESTR("ab\0cd")));
    ASSERT_NE(nullptr, b.get());
    EXPECT_EQ(2u, SysStringLen(b.get()));
}

TEST(BstrAllocation, PrefixHoldsByteCountBeforeText) {
    orvel::BstrHolder b(SysAllocString(OLESTR("four")));
    ASSERT_NE(nullptr, b.get());
    uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<const char*>(b.get()) - sizeof prefix, sizeof prefix);
    EXPECT_EQ(8u, prefix);
}

TEST(BstrAllocation, OddByteLengthIsKeptAndTerminated) {
    orvel::BstrHolder b(SysAllocStringByteLen("abc", 3));
    ASSERT_NE(nullptr, b.get());
    EXPECT_EQ(3u, SysStringByteLen(b.get()));
    EXPECT_EQ(1u, SysStringLen(b.get()));
    const char* bytes = reinterpret_cast<const char*>(b.get());
    EXPECT_EQ(0, std::memcmp("abc", bytes, 3));
    EXPECT_EQ(0, b.get()[SysStringLen(b.get()) + 1]) << "a whole NUL unit follows the bytes";
}

TEST(BstrAllocation, NullTextGivesLengthOfUnits) {
    orvel::BstrHolder b(SysAllocStringLen(nullptr, 5));
    ASSERT_NE(nullptr, b.get());
    EXPECT_EQ(5u, SysStringLen(b.get()));
    EXPECT_EQ(0, b.get()[5]);
#if !ORVEL_WINDOWS
    // Windows leaves the units unset; ours are zeroed so no stale heap bytes show.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(0, b.get()[i]) << i;
#endif
}

TEST(BstrAllocation, LengthThatWouldOverflowGivesNull) {
    const UINT lengths[] = {
        0x80000000u, // bytes no longer fit in 32 bits
        0xFFFFFFFFu,
#if !ORVEL_WINDOWS
        0x7FFFFFFEu, // bytes fit, but the prefix and NUL push the block past 32 bits
#endif
    };
    for (UINT n : lengths) {
        SCOPED_TRACE(n);
        BSTR b = SysAllocStringLen(nullptr, n);
        EXPECT_EQ(nullptr, b);
        SysFreeString(b);
    }
}

TEST(BstrNullHandling, NullIsAnEmptyString) {
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    EXPECT_EQ(0u, SysStringLen(nullptr));
    EXPECT_EQ(0u, SysStringByteLen(nullptr));
    SysFreeString(nullptr);
}

TEST(BstrHolder, PutFreesHeldStringAndDetachHandsItOver) {
    orvel::BstrHolder holder(SysAllocString(OLESTR("old")));
    *holder.put() = SysAllocString(OLESTR("newer"));
    EXPECT_EQ(5u, holder.Length());
    BSTR taken = holder.Detach();
    EXPECT_EQ(nullptr, holder.get());
    EXPECT_EQ(0u, holder.Length());
    EXPECT_EQ(5u, SysStringLen(taken));
    SysFreeString(taken);
}

} // namespace

#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "model/ArrayDesc.h"

namespace {

using orvel::test::Dim;
using orvel::test::SetShape;

struct AddressingCase {
    const char* name;
    std::initializer_list<Dim> dims;
    int32_t elemSize;
    uint32_t index;
    const char* subscripts;
    int64_t offset;
};

const AddressingCase kAddressingCases[] = {
    {"first element", {{1, 3}, {1, 4}}, 8, 0, "(1,1)", 0},
    {"column order", {{1, 3}, {1, 4}}, 8, 1, "(2,1)", 8},
    {"second column", {{1, 3}, {1, 4}}, 8, 4, "(2,2)", (1 + 1 * 3) * 8},
    {"last element", {{1, 3}, {1, 4}}, 8, 11, "(3,4)", 11 * 8},
    {"lower bounds other than 1", {{0, 9}, {2, 3}}, 4, 13, "(3,3)", 13 * 4},
    {"negative bounds", {{-5, -1}}, 2, 4, "(-1)", 8},
    {"dimension byte offset", {{1, 2, 8}, {1, 2}}, 4, 3, "(2,2)", 8 + 4 + 8 * 1},
    {"one dimension", {{1, 10}}, 4, 9, "(10)", 36},
    {"rank 7",
     {{1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}},
     1,
     127,
     "(2,2,2,2,2,2,2)",
     127},
};

TEST(ArrayDescAddressing, SubscriptsOffsetsAndLinearIndex) {
    for (const AddressingCase& c : kAddressingCases) {
        SCOPED_TRACE(c.name);
        ArrayDesc shape;
        SetShape(shape, c.elemSize, c.dims);
        char text[64];
        shape.SubscriptText(c.index, text, sizeof text);
        EXPECT_STREQ(c.subscripts, text);
        EXPECT_EQ(c.offset, shape.ElementOffset());
        EXPECT_EQ(c.index, shape.LinearIndex());
    }
}

TEST(ArrayDescAddressing, ElementCount) {
    ArrayDesc shape;
    EXPECT_EQ(0u, shape.ElementCount()) << "rank 0 is not an array";
    SetShape(shape, 4, {{1, 3}, {1, 4}});
    EXPECT_EQ(12u, shape.ElementCount());
    SetShape(shape, 4, {{0, 0}});
    EXPECT_EQ(1u, shape.ElementCount());
    SetShape(shape, 4, {{1, 0}});
    EXPECT_EQ(0u, shape.ElementCount()) << "empty dimension";
    SetShape(shape, 4, {{1, 10}, {1, INT32_MIN}});
    EXPECT_EQ(0u, shape.ElementCount()) << "assumed size";
    SetShape(shape, 4, {{INT32_MIN, INT32_MAX}});
    EXPECT_EQ(UINT32_MAX, shape.ElementCount()) << "2^32 elements saturate";
    SetShape(shape, 1, {{1, 65536}, {1, 65536}, {1, 65536}});
    EXPECT_EQ(UINT32_MAX, shape.ElementCount());
    SetShape(shape, 1, {{1, 65535}, {1, 65537}});
    EXPECT_EQ(4294967295u, shape.ElementCount()) << "exactly the largest count";
}

struct SubscriptCase {
    unsigned dim;
    int32_t value;
    bool accepted;
};

const SubscriptCase kSubscriptCases[] = {
    {0, 1, true},    {0, 3, true},          {0, 0, false},         {0, 4, false}, {1, -2, true},
    {1, 2, true},    {1, 3, false},         {1, -3, false},        {2, 1, false}, {7, 1, false},
    {100, 1, false}, {0, INT32_MIN, false}, {1, INT32_MAX, false},
};

TEST(ArrayDescSubscripts, BoundsCheck) {
    for (const SubscriptCase& c : kSubscriptCases) {
        SCOPED_TRACE("dim " + std::to_string(c.dim) + " value " + std::to_string(c.value));
        ArrayDesc shape;
        SetShape(shape, 4, {{1, 3}, {-2, 2}});
        const int32_t before[2] = {shape.Subscript[0], shape.Subscript[1]};
        EXPECT_EQ(c.accepted, shape.SetSubscript(c.dim, c.value));
        for (unsigned d = 0; d < 2; ++d)
            EXPECT_EQ(c.accepted && d == c.dim ? c.value : before[d], shape.Subscript[d]);
    }
}

TEST(ArrayDescSubscripts, AssumedSizeDimensionHasNoUpperLimit) {
    ArrayDesc shape;
    SetShape(shape, 4, {{1, 3}, {1, INT32_MIN}});
    EXPECT_TRUE(shape.SetSubscript(1, 1000));
    EXPECT_FALSE(shape.SetSubscript(1, 0)) << "the lower bound still holds";
    EXPECT_FALSE(shape.SetSubscript(0, 4)) << "only the assumed-size dimension is open";
    EXPECT_EQ(0u, shape.ElementCount()) << "nothing to list in the watch window";
}

TEST(ArrayDescSubscripts, TextIsBounded) {
    ArrayDesc shape;
    SetShape(shape, 4, {{100, 200}, {1, 2}});
    char text[5];
    std::memset(text, 'z', sizeof text);
    shape.SubscriptText(1, text, sizeof text);
    EXPECT_STREQ("(101", text);
    char untouched = 'z';
    shape.SubscriptText(1, &untouched, 0);
    EXPECT_EQ('z', untouched);
    shape.SubscriptText(1, nullptr, 10);
    EXPECT_EQ(101, shape.Subscript[0]) << "the subscripts are still set";
}

// Shapes a broken debug-information record could produce: none may fault or read
// outside the seven slots (the sanitizer builds check that).
TEST(ArrayDescHostile, RankOutsideSevenSlots) {
    for (int rank : {-128, -1, 8, 127}) {
        SCOPED_TRACE(rank);
        ArrayDesc shape;
        SetShape(shape, 4, {{1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}});
        shape.Rank = static_cast<int8_t>(rank);
        char text[64];
        shape.SubscriptText(5, text, sizeof text);
        shape.ElementOffset();
        shape.LinearIndex();
        const uint32_t count = shape.ElementCount();
        EXPECT_FALSE(shape.SetSubscript(7, 1));
        if (rank < 0) {
            EXPECT_EQ(0u, count);
            EXPECT_STREQ("()", text);
        } else {
            EXPECT_EQ(128u, count) << "only seven dimensions are read";
        }
    }
}

TEST(ArrayDescHostile, ExtremeBoundsAndStrides) {
    ArrayDesc shape;
    shape.Rank = 2;
    shape.ElemSize = INT32_MAX;
    for (int i = 0; i < 2; ++i) {
        shape.Lower[i] = INT32_MIN;
        shape.Upper[i] = INT32_MAX;
        shape.Stride[i] = INT32_MIN;
        shape.BoundOfset[i] = INT32_MAX;
        shape.Multiplier[i] = 0; // would divide by zero
    }
    shape.IndexToSubscripts(UINT32_MAX);
    EXPECT_EQ(INT32_MIN, shape.Subscript[0]);
    shape.Subscript[0] = INT32_MAX;
    shape.Subscript[1] = INT32_MAX;
    // The low 32 bits are what the debuggee's own 32-bit arithmetic gives.
    const uint32_t steps = 0xFFFFFFFFu;
    const uint32_t perDim =
        static_cast<uint32_t>(INT32_MAX) +
        steps * static_cast<uint32_t>(INT32_MIN) * static_cast<uint32_t>(INT32_MAX);
    EXPECT_EQ(static_cast<uint32_t>(2 * perDim), static_cast<uint32_t>(shape.ElementOffset()));
    shape.LinearIndex();

    SetShape(shape, 4, {{1, 3}});
    shape.Multiplier[0] = 0;
    shape.IndexToSubscripts(2);
    EXPECT_EQ(1, shape.Subscript[0]);
}

TEST(ArrayDescHostile, ClearForgetsTheShape) {
    ArrayDesc shape;
    SetShape(shape, 4, {{1, 3}, {1, 4}});
    shape.SubscriptCount = 2;
    shape.Clear();
    EXPECT_EQ(0, shape.Rank);
    EXPECT_EQ(0, shape.SubscriptCount);
    EXPECT_EQ(0, shape.ElemSize);
    EXPECT_EQ(0u, shape.ElementCount());
    EXPECT_EQ(0, shape.Upper[1]);
}

} // namespace

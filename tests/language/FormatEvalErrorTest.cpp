// The message table as callers see it through FormatEvalError, including what it does
// with small buffers and codes outside the table.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "language/EvalError.h"

namespace {

constexpr char kGuard = '\x5A';

struct MessageCase {
    int Code;
    const char* Text;
};

const MessageCase kMessages[] = {
    {0, ""},
    {1, "NULL pointer"},
    {3, "Invalid floating point number"},
    {4, "Syntax error"},
    {5, "Constant is not valid"},
    {6, "Too many closing brackets"},
    {10, "You cannot perform arithmetic on this data type"},
    {11, "Unknown FORTRAN variable"},
    {13, "You only subtract an integer from a pointer"},
    {15, "Arithmetic overflow"},
    {16, "Arithmetic underflow"},
    {17, "Division by zero"},
    {18, "Too many opening brackets"},
    {21, "Integers are required for this operation"},
    {25, "Structure element not found"},
    {29, "Too many subscripts for this array"},
    {32, "Array subscript out of bounds"},
    {36, "String type expected"},
    {38, "Unaccessed virtual common"},
    {39, "Internal debugger error"},
    // The Element's own codes have no text in this table.
    {40, ""},
    {41, ""},
    {42, ""},
    {43, "Wrong number of arguments for this intrinsic"},
    {44, "DIM argument out of range"},
    {45, "Illegal error 45"},
    {-1, "Illegal error -1"},
    {1000, "Illegal error 1000"},
    {-2147483647 - 1, "Illegal error -2147483648"},
};

TEST(FormatEvalError, MessageOfEachCode) {
    for (const MessageCase& m : kMessages) {
        SCOPED_TRACE(m.Code);
        char Buf[128];
        std::memset(Buf, kGuard, sizeof Buf);
        FormatEvalError(m.Code, Buf, sizeof Buf);
        EXPECT_STREQ(m.Text, Buf);
    }
}

TEST(FormatEvalError, EveryCodeHasAMessageSlot) {
    for (int Code = 1; Code <= 39; ++Code) {
        SCOPED_TRACE(Code);
        char Buf[128] = "";
        FormatEvalError(Code, Buf, sizeof Buf);
        EXPECT_GT(std::strlen(Buf), 5u);
    }
}

struct SmallBufferCase {
    int Code;
    int BufSize;
    const char* Text; // what the buffer holds afterwards
};

const SmallBufferCase kSmallBuffers[] = {
    {4, 1, ""},
    {4, 2, "S"},
    {4, 5, "Synt"},
    {4, 12, "Syntax erro"},
    {4, 13, "Syntax error"},
    {99, 8, "Illegal"},
    {-5, 1, ""},
    {41, 1, ""},
};

TEST(FormatEvalError, SmallBuffersAreCutAndTerminated) {
    for (const SmallBufferCase& c : kSmallBuffers) {
        SCOPED_TRACE(c.Code);
        SCOPED_TRACE(c.BufSize);
        char Buf[64];
        std::memset(Buf, kGuard, sizeof Buf);
        FormatEvalError(c.Code, Buf + 8, c.BufSize);
        EXPECT_STREQ(c.Text, Buf + 8);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(kGuard, Buf[i]) << "before, at " << i;
        for (int i = 8 + c.BufSize; i < 64; ++i)
            EXPECT_EQ(kGuard, Buf[i]) << "after, at " << i;
    }
}

TEST(FormatEvalError, NoRoomMeansNoWrite) {
    for (int BufSize : {0, -1, -100}) {
        char Buf[4] = {kGuard, kGuard, kGuard, kGuard};
        FormatEvalError(4, Buf, BufSize);
        for (char c : Buf)
            EXPECT_EQ(kGuard, c);
    }
    FormatEvalError(4, nullptr, 10); // no buffer at all: nothing to write
}

} // namespace

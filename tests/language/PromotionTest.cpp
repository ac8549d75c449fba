// Promotion of two numeric operands to one kind, on Elements made directly (there is no
// complex constant to write in an expression).
#include <cstring>

#include <gtest/gtest.h>

#include "language/FortranEvaluator.h"
#include "model/Element.h"

namespace {

struct Operand {
    ElementType Kind;
    double Re;
    double Im;
};

Element* Make(const Operand& o) {
    Element* e = new Element();
    uint8_t Bytes[Element::RawDataSize] = {};
    int Size = 4;
    switch (o.Kind) {
    case real_4:
    case complex_8: {
        const float f[2] = {static_cast<float>(o.Re), static_cast<float>(o.Im)};
        Size = o.Kind == real_4 ? 4 : 8;
        std::memcpy(Bytes, f, static_cast<size_t>(Size));
        break;
    }
    case real_8:
    case complex_16: {
        const double d[2] = {o.Re, o.Im};
        Size = o.Kind == real_8 ? 8 : 16;
        std::memcpy(Bytes, d, static_cast<size_t>(Size));
        break;
    }
    case integer_8: {
        const int64_t v = static_cast<int64_t>(o.Re);
        Size = 8;
        std::memcpy(Bytes, &v, sizeof v);
        break;
    }
    case integer_2: {
        const int16_t v = static_cast<int16_t>(o.Re);
        Size = 2;
        std::memcpy(Bytes, &v, sizeof v);
        break;
    }
    default: {
        const int32_t v = static_cast<int32_t>(o.Re);
        std::memcpy(Bytes, &v, sizeof v);
        break;
    }
    }
    e->SetValue(Bytes, Size, o.Kind);
    return e;
}

struct PromotionCase {
    const char* What;
    Operand A, B;
    Operand AfterA, AfterB;
};

const PromotionCase kPromotions[] = {
    {"integer takes the real kind",
     {integer_4, 2, 0},
     {real_4, 3.5, 0},
     {real_4, 2, 0},
     {real_4, 3.5, 0}},
    {"real keeps its kind over an integer",
     {real_8, 1.25, 0},
     {integer_4, 7, 0},
     {real_8, 1.25, 0},
     {real_8, 7, 0}},
    {"narrow integer widens",
     {integer_2, -3, 0},
     {integer_4, 100000, 0},
     {integer_4, -3, 0},
     {integer_4, 100000, 0}},
    {"narrow real widens", {real_4, 0.5, 0}, {real_8, 0.1, 0}, {real_8, 0.5, 0}, {real_8, 0.1, 0}},
    {"real takes the complex kind",
     {real_4, 3, 0},
     {complex_8, 1, 2},
     {complex_8, 3, 0},
     {complex_8, 1, 2}},
    {"complex keeps its kind over an integer",
     {complex_16, 1, -1},
     {integer_4, 4, 0},
     {complex_16, 1, -1},
     {complex_16, 4, 0}},
    {"narrow complex widens",
     {complex_8, 1, 2},
     {complex_16, 0.5, 0.25},
     {complex_16, 1, 2},
     {complex_16, 0.5, 0.25}},
    {"complex takes over a wider real",
     {real_8, 2.5, 0},
     {complex_8, 1, 1},
     {complex_8, 2.5, 0},
     {complex_8, 1, 1}},
    {"same kinds stay", {integer_4, 1, 0}, {integer_4, 2, 0}, {integer_4, 1, 0}, {integer_4, 2, 0}},
    {"same size, different integer kinds stay",
     {unsigned_4, 1, 0},
     {integer_4, 2, 0},
     {unsigned_4, 1, 0},
     {integer_4, 2, 0}},
    {"a logical is left alone",
     {logical_4, 1, 0},
     {real_8, 2, 0},
     {logical_4, 1, 0},
     {real_8, 2, 0}},
    // A wider integer is checked before the real class: the real takes the integer kind.
    {"integer_8 over a real",
     {integer_8, 5, 0},
     {real_4, 2, 0},
     {integer_8, 5, 0},
     {integer_8, 0x40000000, 0}},
};

void ExpectOperand(const Operand& Want, Element* e) {
    EXPECT_EQ(Want.Kind, e->Type);
    if (e->IsComplex()) {
        double Pair[2] = {};
        e->ComplexValue(Pair);
        EXPECT_DOUBLE_EQ(Want.Re, Pair[0]);
        EXPECT_DOUBLE_EQ(Want.Im, Pair[1]);
    } else {
        EXPECT_DOUBLE_EQ(Want.Re, e->RealValue());
    }
}

TEST(Promotion, BothOperandsEndInOneKind) {
    for (const PromotionCase& c : kPromotions) {
        SCOPED_TRACE(c.What);
        Element* A = Make(c.A);
        Element* B = Make(c.B);
        FortranEvaluator::Promote(A, B, true);
        ExpectOperand(c.AfterA, A);
        ExpectOperand(c.AfterB, B);
        A->Release();
        B->Release();
    }
}

} // namespace

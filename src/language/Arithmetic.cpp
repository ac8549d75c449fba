// Arithmetic and bitwise operators. They work in place: the result goes into the left
// operand, after promotion, and that operand goes back on the stack. Integer arithmetic
// wraps silently in 32 bits (done unsigned so that it never overflows in C++); real and
// complex arithmetic is done in double and checked against the result kind.
#include <cmath>
#include <complex>
#include <utility>

#include "language/FortranEvaluator.h"
#include "language/OperatorTable.h"
#include "language/ValueStore.h"
#include "model/Element.h"

using namespace orvel::lang;

namespace {

uint32_t U32(const Element* e) {
    return static_cast<uint32_t>(e->IntValue());
}

int IntegerResult(int Id, uint32_t a, uint32_t b, uint32_t& r) {
    switch (Id) {
    case OpAdd:
        r = a + b;
        return EvalNoError;
    case OpSubtract:
        r = a - b;
        return EvalNoError;
    case OpMultiply:
        r = a * b;
        return EvalNoError;
    default: // divide
        if (b == 0) return EvalDivideByZero;
        // The most negative value divided by -1 wraps to itself instead of trapping.
        r = b == 0xFFFFFFFFu
                ? 0u - a
                : static_cast<uint32_t>(static_cast<int32_t>(a) / static_cast<int32_t>(b));
        return EvalNoError;
    }
}

int RealResult(int Id, double a, double b, double& r) {
    switch (Id) {
    case OpAdd:
        r = a + b;
        return EvalNoError;
    case OpSubtract:
        r = a - b;
        return EvalNoError;
    case OpMultiply:
        r = a * b;
        return EvalNoError;
    default:
        if (b == 0.0) return EvalDivideByZero;
        r = a / b;
        return EvalNoError;
    }
}

int ComplexResult(int Id, const double a[2], const double b[2], double r[2]) {
    switch (Id) {
    case OpAdd:
        r[0] = a[0] + b[0];
        r[1] = a[1] + b[1];
        return EvalNoError;
    case OpSubtract:
        r[0] = a[0] - b[0];
        r[1] = a[1] - b[1];
        return EvalNoError;
    case OpMultiply:
        r[0] = a[0] * b[0] - a[1] * b[1];
        r[1] = a[1] * b[0] + a[0] * b[1];
        return EvalNoError;
    default: {
        const double n = b[0] * b[0] + b[1] * b[1];
        if (n == 0.0) return EvalDivideByZero;
        r[0] = (a[0] * b[0] + a[1] * b[1]) / n;
        r[1] = (a[1] * b[0] - a[0] * b[1]) / n;
        return EvalNoError;
    }
    }
}

// An integer to an integer power, wrapping in 32 bits like the other integer results. A
// negative exponent leaves only 1 and -1 a nonzero result.
int IntegerPower(int32_t Base, int32_t Exponent, uint32_t& r) {
    if (Exponent < 0) {
        if (Base == 0) return EvalDivideByZero;
        r = Base == 1 ? 1u : Base == -1 ? ((Exponent & 1) ? 0xFFFFFFFFu : 1u) : 0u;
        return EvalNoError;
    }
    uint32_t Square = static_cast<uint32_t>(Base), Product = 1;
    for (uint32_t e = static_cast<uint32_t>(Exponent); e != 0; e >>= 1) {
        if (e & 1u) Product *= Square;
        Square *= Square;
    }
    r = Product;
    return EvalNoError;
}

int RealPower(double a, double b, double& r) {
    if (a == 0.0 && b < 0.0) return EvalDivideByZero;
    r = std::pow(a, b);
    return std::isnan(r) ? EvalBadFloat : EvalNoError;
}

int ComplexPower(const double a[2], const double b[2], double r[2]) {
    if (a[0] == 0.0 && a[1] == 0.0) {
        if (b[0] < 0.0 || (b[0] == 0.0 && b[1] != 0.0)) return EvalDivideByZero;
        r[0] = b[0] == 0.0 ? 1.0 : 0.0;
        r[1] = 0.0;
        return EvalNoError;
    }
    // A whole exponent is repeated multiplication, exact where the parts are.
    std::complex<double> Result;
    if (b[1] == 0.0 && b[0] == std::trunc(b[0]) && std::fabs(b[0]) <= 1024.0) {
        std::complex<double> Square(a[0], a[1]), Product(1.0, 0.0);
        for (long e = static_cast<long>(std::fabs(b[0])); e != 0; e >>= 1) {
            if (e & 1) Product *= Square;
            Square *= Square;
        }
        Result = b[0] < 0 ? 1.0 / Product : Product;
    } else {
        Result = std::pow(std::complex<double>(a[0], a[1]), std::complex<double>(b[0], b[1]));
    }
    r[0] = Result.real();
    r[1] = Result.imag();
    return std::isnan(r[0]) || std::isnan(r[1]) ? EvalBadFloat : EvalNoError;
}

int StoreChecked(Element* e, double d) {
    const int Code = e->CheckRealRange(&d);
    if (Code == EvalNoError) StoreReal(e, d);
    return Code;
}

int StoreChecked(Element* e, const double Pair[2]) {
    const int Code = e->CheckComplexRange(Pair);
    if (Code == EvalNoError) StoreComplex(e, Pair);
    return Code;
}

} // namespace

void FortranEvaluator::Promote(Element* A, Element* B, bool First) {
    if (!A->IsNumeric() || !B->IsNumeric()) return;
    if (A->IsInteger() && A->Size > B->Size) return ConvertToIntegerKind(B, A);
    if (A->IsReal() && (B->IsInteger() || B->Size < A->Size)) return ConvertToRealKind(B, A);
    if (A->IsComplex() && (!B->IsComplex() || B->Size < A->Size)) return ConvertToComplexKind(B, A);
    if (First) Promote(B, A, false);
}

// Add, subtract, multiply or divide two numeric operands into Left. The class of the
// pair after promotion decides; an operand whose Size disagrees with its kind may leave
// the two in different classes, and then the wider class is used.
void FortranEvaluator::Calculate(int Id, Element* Left, Element* Right) {
    Promote(Left, Right, true);
    int Code;
    if (Left->IsComplex() || Right->IsComplex()) {
        double a[2] = {0, 0}, b[2] = {0, 0}, r[2] = {0, 0};
        Left->ComplexValue(a);
        Right->ComplexValue(b);
        Code = ComplexResult(Id, a, b, r);
        if (Code == EvalNoError) Code = StoreChecked(Left, r);
    } else if (Left->IsReal() || Right->IsReal()) {
        double r = 0;
        Code = RealResult(Id, Left->RealValue(), Right->RealValue(), r);
        if (Code == EvalNoError) Code = StoreChecked(Left, r);
    } else {
        uint32_t r = 0;
        Code = IntegerResult(Id, U32(Left), U32(Right), r);
        if (Code == EvalNoError) StoreInt(Left, r);
    }
    Fail(Code);
}

// The left operand carries the result back to the stack unless an error was found.
void FortranEvaluator::FinishInPlace(EvalToken* Left, EvalToken* Right) {
    delete Right;
    if (Error != EvalNoError)
        delete Left;
    else
        PushOperand(Left);
}

void FortranEvaluator::Add() {
    EvalToken *Left, *Right;
    if (!PopBinary(Left, Right)) return;
    Element* L = Left->Value.get();
    Element* R = Right->Value.get();
    if (L->IsPointer() && R->IsPointer()) {
        Fail(EvalPointerPlusPointer);
    } else if (L->IsPointer() || R->IsPointer()) {
        if (R->IsPointer()) {
            std::swap(Left, Right);
            std::swap(L, R);
        }
        if (!R->IsInteger()) {
            Fail(EvalPointerPlusNonInteger);
        } else {
            StoreInt(L, U32(L) + U32(R) * static_cast<uint32_t>(L->Size));
            L->SetType(pointer_4);
        }
    } else if (!L->IsNumeric() || !R->IsNumeric()) {
        Fail(EvalBadArithmeticType);
    } else {
        Calculate(OpAdd, L, R);
    }
    FinishInPlace(Left, Right);
}

void FortranEvaluator::Subtract() {
    EvalToken *Left, *Right;
    if (!PopBinary(Left, Right)) return;
    Element* L = Left->Value.get();
    Element* R = Right->Value.get();
    if (L->IsPointer() && R->IsPointer()) {
        if (L->Type != R->Type) {
            Fail(EvalPointerKindsDiffer);
        } else {
            // A Size of 0 would divide by zero: such a difference counts as 0.
            const int32_t Diff = static_cast<int32_t>(U32(L) - U32(R));
            const int32_t Size = L->Size;
            int32_t Count = 0;
            if (Size == -1)
                Count = static_cast<int32_t>(0u - static_cast<uint32_t>(Diff));
            else if (Size != 0)
                Count = Diff / Size;
            delete Left;
            delete Right;
            PushResult(MakeInteger4(Count));
            return;
        }
    } else if (L->IsPointer() || R->IsPointer()) {
        if (!L->IsPointer() || !R->IsInteger())
            Fail(EvalPointerMinusNonInteger);
        else
            StoreInt(L, U32(L) - U32(R) * static_cast<uint32_t>(L->Size));
    } else if (!L->IsNumeric() || !R->IsNumeric()) {
        Fail(EvalBadArithmeticType);
    } else {
        Calculate(OpSubtract, L, R);
    }
    FinishInPlace(Left, Right);
}

// Multiply and divide: both operands numeric, the result in the left one's kind.
void FortranEvaluator::MultiplyOrDivide(int Id) {
    EvalToken *Left, *Right;
    if (!PopBinary(Left, Right)) return;
    if (!Left->Value->IsNumeric() || !Right->Value->IsNumeric())
        Fail(EvalBadArithmeticType);
    else
        Calculate(Id, Left->Value.get(), Right->Value.get());
    FinishInPlace(Left, Right);
}

// A power: both operands numeric, brought to one kind like the other arithmetic; integer
// powers stay integer, real and complex ones are computed in double and range-checked.
void FortranEvaluator::Power() {
    EvalToken *Left, *Right;
    if (!PopBinary(Left, Right)) return;
    Element* L = Left->Value.get();
    Element* R = Right->Value.get();
    if (!L->IsNumeric() || !R->IsNumeric()) {
        Fail(EvalBadArithmeticType);
        return FinishInPlace(Left, Right);
    }
    Promote(L, R, true);
    int Code;
    if (L->IsComplex() || R->IsComplex()) {
        double a[2] = {0, 0}, b[2] = {0, 0}, r[2] = {0, 0};
        L->ComplexValue(a);
        R->ComplexValue(b);
        Code = ComplexPower(a, b, r);
        if (Code == EvalNoError) Code = StoreChecked(L, r);
    } else if (L->IsReal() || R->IsReal()) {
        double r = 0;
        Code = RealPower(L->RealValue(), R->RealValue(), r);
        if (Code == EvalNoError) Code = StoreChecked(L, r);
    } else {
        uint32_t r = 0;
        Code = IntegerPower(static_cast<int32_t>(U32(L)), static_cast<int32_t>(U32(R)), r);
        if (Code == EvalNoError) StoreInt(L, r);
    }
    Fail(Code);
    FinishInPlace(Left, Right);
}

void FortranEvaluator::Negate() {
    EvalToken* t = PopOperand();
    if (!t) return;
    Element* e = t->Value.get();
    if (e->IsInteger()) {
        StoreInt(e, 0u - U32(e));
    } else if (e->IsReal()) {
        StoreReal(e, -e->RealValue());
    } else if (e->IsComplex()) {
        // Our choice: a complex value negates both parts, like any other number.
        double Pair[2] = {0, 0};
        e->ComplexValue(Pair);
        Pair[0] = -Pair[0];
        Pair[1] = -Pair[1];
        StoreComplex(e, Pair);
    } else {
        Fail(EvalBadArithmeticType);
    }
    FinishInPlace(t, nullptr);
}

void FortranEvaluator::Bitwise(int Id) {
    EvalToken *Left, *Right;
    if (!PopBinary(Left, Right)) return;
    Element* L = Left->Value.get();
    Element* R = Right->Value.get();
    if (!L->IsInteger() || !R->IsInteger()) {
        Fail(EvalIntegersRequired);
        return FinishInPlace(Left, Right);
    }
    Promote(L, R, true);
    const uint32_t a = U32(L), b = U32(R);
    // Shift counts are taken modulo 32 (so -1 shifts by 31); the right shift propagates
    // the sign.
    const uint32_t Count = b & 31u;
    uint32_t r;
    switch (Id) {
    case OpShiftRight:
        r = a >> Count;
        if (Count != 0 && (a & 0x80000000u)) r |= ~(0xFFFFFFFFu >> Count);
        break;
    case OpShiftLeft:
        r = a << Count;
        break;
    case OpBitAnd:
        r = a & b;
        break;
    case OpBitOr:
        r = a | b;
        break;
    default:
        r = a ^ b;
        break;
    }
    StoreInt(L, r);
    FinishInPlace(Left, Right);
}

void FortranEvaluator::Complement() {
    EvalToken* t = PopOperand();
    if (!t) return;
    if (t->Value->IsInteger())
        StoreInt(t->Value.get(), ~U32(t->Value.get()));
    else
        Fail(EvalBadArithmeticType);
    FinishInPlace(t, nullptr);
}

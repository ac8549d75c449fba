// Truth values, logical operators and comparisons. Their results are new logical_4
// constants (1 or 0), except logical not, which keeps an integer or logical kind.
#include "language/FortranEvaluator.h"
#include "language/OperatorTable.h"
#include "language/ValueStore.h"
#include "model/Element.h"

using namespace orvel::lang;

namespace {

bool Comparable(const Element* e) {
    return e->IsNumeric() || e->IsLogical() || e->IsPointer();
}

// RealValue is the value of a number; a logical or a pointer compares by the 32-bit value
// it holds.
double ComparisonValue(const Element* e) {
    return e->IsNumeric() ? e->RealValue() : static_cast<double>(e->IntValue());
}

bool Compared(int Id, double l, double r) {
    switch (Id) {
    case OpGreaterEqual:
        return l >= r;
    case OpLessEqual:
        return r >= l;
    case OpNotEqual:
        return l != r; // true for a NaN
    case OpEqual:
        return l == r;
    case OpGreater:
        return l > r;
    default: // less
        return r > l;
    }
}

} // namespace

bool FortranEvaluator::Truth(Element* e, bool& Value) {
    if (e->IsInteger() || e->IsLogical() || e->IsPointer()) {
        Value = e->IntValue() != 0;
    } else if (e->IsReal()) {
        Value = e->RealValue() != 0.0;
    } else {
        Fail(EvalBadArithmeticType);
        return false;
    }
    return true;
}

void FortranEvaluator::LogicalAndOr(int Id) {
    EvalToken *Left, *Right;
    if (!PopBinary(Left, Right)) return;
    // Both sides are already evaluated; the right one is only not looked at when the left
    // one decides.
    const bool Decisive = Id == OpLogicalOr;
    bool Value = false;
    if (Truth(Left->Value.get(), Value) && Value != Decisive) Truth(Right->Value.get(), Value);
    delete Left;
    delete Right;
    if (Error == EvalNoError) PushResult(MakeLogical4(Value));
}

void FortranEvaluator::LogicalNot() {
    EvalToken* t = PopOperand();
    if (!t) return;
    Element* e = t->Value.get();
    if (e->IsPointer()) {
        const bool IsNull = e->PointerValue() == 0;
        delete t;
        PushResult(MakeInteger4(IsNull ? 1 : 0));
        return;
    }
    if (e->IsInteger() || e->IsLogical()) {
        StoreInt(e, e->IntValue() == 0 ? 1u : 0u);
    } else if (e->IsReal()) {
        StoreReal(e, e->RealValue() == 0.0 ? 1.0 : 0.0);
    } else {
        Fail(EvalBadArithmeticType);
        delete t;
        return;
    }
    PushOperand(t);
}

void FortranEvaluator::Compare(int Id) {
    EvalToken *Left, *Right;
    if (!PopBinary(Left, Right)) return;
    // Our choice: both sides must be numbers, logicals or pointers, or both CHARACTER; a
    // structure, or a string against anything else, has no value to compare.
    bool Value = false;
    if (Left->Value->Type == string && Right->Value->Type == string) {
        CompareCharacters(Id, Left->Value.get(), Right->Value.get());
        delete Left;
        delete Right;
        return;
    }
    if (!Comparable(Left->Value.get()) || !Comparable(Right->Value.get()))
        Fail(EvalBadArithmeticType);
    else
        Value =
            Compared(Id, ComparisonValue(Left->Value.get()), ComparisonValue(Right->Value.get()));
    delete Left;
    delete Right;
    if (Error == EvalNoError) PushResult(MakeLogical4(Value));
}

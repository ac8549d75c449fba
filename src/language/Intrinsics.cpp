// Intrinsics of more than one argument or of a numeric one: ABS, MOD, MIN, MAX and the
// shape inquiries SIZE, LBOUND and UBOUND. Arguments arrive evaluated, first one first;
// a result replaces them, and the caller deletes whatever argument is left.
#include <cmath>

#include "language/FortranEvaluator.h"
#include "language/OperatorTable.h"
#include "language/ValueStore.h"
#include "model/Element.h"

using namespace orvel::lang;

namespace {

uint32_t U32(const Element* e) {
    return static_cast<uint32_t>(e->IntValue());
}

// A whole array, allocated where it is ALLOCATABLE; null otherwise.
Element* WholeArray(Element* e) {
    if (e->Type == allocatable_4 && e->HasFlag(FetchTried) && e->HasFlag(AddressKnown) &&
        e->Address != 0)
        return e;
    return e->Type == array && e->Array.SubscriptCount == 0 ? e : nullptr;
}

} // namespace

void FortranEvaluator::ApplyNumericIntrinsic(int Id, EvalToken** Args, int Count) {
    const bool Pair = Id == OpMod;
    if ((Pair && Count != 2) || (Id == OpAbs && Count != 1) ||
        ((Id == OpMin || Id == OpMax) && Count < 2)) {
        Fail(EvalArgumentCount);
        return;
    }
    for (int i = 0; i < Count; ++i) {
        Element* e = Args[i]->Value.get();
        if (!e->IsNumeric() || (Id != OpAbs && e->IsComplex())) {
            Fail(EvalBadArithmeticType);
            return;
        }
    }
    Element* a = Args[0]->Value.get();
    if (Id == OpAbs) {
        if (a->IsComplex()) {
            double Parts[2] = {0, 0};
            a->ComplexValue(Parts);
            const double Magnitude = std::hypot(Parts[0], Parts[1]);
            auto r = orvel::ComPtr<Element>::Adopt(
                MakeReal(0.0, a->Type == complex_8 ? real_4 : real_8));
            const int Code = r->CheckRealRange(&Magnitude);
            if (Code != EvalNoError) {
                Fail(Code);
                return;
            }
            StoreReal(r.get(), Magnitude);
            PushResult(r.Detach());
            return;
        }
        if (a->IsInteger())
            StoreInt(a, a->IntValue() < 0 ? 0u - U32(a) : U32(a));
        else
            StoreReal(a, std::fabs(a->RealValue()));
        PushOperand(Args[0]);
        Args[0] = nullptr;
        return;
    }
    if (Pair) {
        Element* p = Args[1]->Value.get();
        Promote(a, p, true);
        if (a->IsInteger() && p->IsInteger()) {
            const int32_t x = a->IntValue(), y = p->IntValue();
            if (y == 0) return Fail(EvalDivideByZero);
            StoreInt(a, y == -1 ? 0u : static_cast<uint32_t>(x % y));
        } else {
            if (p->RealValue() == 0.0) return Fail(EvalDivideByZero);
            StoreReal(a, std::fmod(a->RealValue(), p->RealValue()));
        }
        PushOperand(Args[0]);
        Args[0] = nullptr;
        return;
    }
    // MIN and MAX: every argument brought to the kind of the widest.
    int Best = 0;
    for (int i = 1; i < Count; ++i) {
        for (int j = 0; j < i; ++j)
            Promote(Args[j]->Value.get(), Args[i]->Value.get(), true);
    }
    for (int i = 1; i < Count; ++i) {
        const double v = Args[i]->Value->RealValue(), b = Args[Best]->Value->RealValue();
        if (Id == OpMin ? v < b : v > b) Best = i;
    }
    PushOperand(Args[Best]);
    Args[Best] = nullptr;
}

void FortranEvaluator::ApplyShapeIntrinsic(int Id, EvalToken** Args, int Count) {
    if (Count < 1 || Count > 2) return Fail(EvalArgumentCount);
    Element* e = WholeArray(Args[0]->Value.get());
    if (!e) return Fail(EvalArrayExpected);
    const int Rank = e->Array.Rank < ArrayDesc::MaxRank ? e->Array.Rank : ArrayDesc::MaxRank;
    int First = 0, Last = Rank - 1;
    if (Count == 2) {
        const Element* Dim = Args[1]->Value.get();
        if (!Dim->IsInteger()) return Fail(EvalIntegersRequired);
        const int32_t d = Dim->IntValue();
        if (d < 1 || d > Rank) return Fail(EvalDimensionOutOfRange);
        First = Last = d - 1;
    } else if (Id != OpSize && Rank != 1) {
        // The whole bounds vector has no scalar row to show it in.
        return Fail(EvalArgumentCount);
    }
    if (Id == OpLowerBound) return PushResult(MakeInteger4(e->Array.Lower[First]));
    if (Id == OpUpperBound) return PushResult(MakeInteger4(e->Array.Upper[First]));
    int64_t Elements = 1;
    for (int i = First; i <= Last; ++i) {
        const int64_t Extent = int64_t{e->Array.Upper[i]} - e->Array.Lower[i] + 1;
        Elements *= Extent > 0 ? Extent : 0;
        if (Elements > INT32_MAX) return Fail(EvalOverflow);
    }
    PushResult(MakeInteger4(static_cast<int32_t>(Elements)));
}

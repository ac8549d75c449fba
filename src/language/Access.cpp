// Reaching into values: subscripts, structure components, pointers, addresses and the
// intrinsics.
#include "language/FortranEvaluator.h"
#include "language/OperatorTable.h"
#include "language/ValueStore.h"
#include "model/Element.h"

using namespace orvel::lang;

namespace {

// A pointer being subscripted becomes a one-element array over its target: only
// subscript 0 is valid. The descriptor is made complete so that the element can be
// addressed; a pointer value held locally becomes the array's debuggee address.
void MakePointerArray(Element* e) {
    HeldValueToAddress(e);
    e->SetType(array);
    e->Array.Clear();
    e->Array.Rank = 1;
    e->Array.SubscriptCount = 0;
    e->Array.Lower[0] = 0;
    e->Array.Upper[0] = 0;
    e->Array.Stride[0] = 1;
    e->Array.BoundSizes[0] = 1;
    e->Array.Multiplier[0] = 1;
    e->Array.ElemSize = NaturalSize(e->SubType, e->Size);
}

} // namespace

void FortranEvaluator::ApplySubscript() {
    EvalToken* Subscript = PopOperand();
    if (!Subscript) return;
    if (Operands.Empty()) {
        delete Subscript;
        Fail(EvalSyntax);
        return;
    }
    // An array that already carries subscripts is taken raw, so that it is not yet reduced
    // to an element.
    EvalToken* Target = Operands.Top()->IsName() ? PopOperand() : PopRaw();
    if (!Target) {
        delete Subscript;
        return;
    }
    Element* e = Target->Value.get();
    if (e->Type == reference_4 && e->SubType == array) {
        // A reference to an array is subscripted as the array it refers to.
        HeldValueToAddress(e);
        e->PopType();
    }
    if (e->Type == pointer_4) MakePointerArray(e);
    // An allocated ALLOCATABLE, once fetched, holds its data address: it subscripts like
    // the array it holds. An unallocated one (address 0) stays no array.
    if (e->Type == allocatable_4 && e->HasFlag(FetchTried) && e->HasFlag(AddressKnown) &&
        e->Address != 0)
        e->SetType(array);

    const int Rank = e->Array.Rank < ArrayDesc::MaxRank ? e->Array.Rank : ArrayDesc::MaxRank;
    if (e->Type != array)
        Fail(EvalArrayExpected);
    else if (e->Array.SubscriptCount >= Rank)
        Fail(EvalTooManySubscripts);
    else if (!Subscript->Value->IsInteger())
        Fail(EvalSubscriptNotInteger);
    else if (!e->Array.SetSubscript(e->Array.SubscriptCount, Subscript->Value->IntValue()))
        Fail(EvalSubscriptOutOfBounds);
    delete Subscript;
    if (Error != EvalNoError) {
        delete Target;
        return;
    }
    ++e->Array.SubscriptCount;
    PushOperand(Target);
}

void FortranEvaluator::ApplyIntrinsic(int Id, int Count) {
    if (!Scope) {
        // The syntax check leaves one operand for the arguments.
        EvalToken* t = PopRaw();
        for (int i = 1; t && i < Count; ++i) {
            delete t;
            t = PopRaw();
        }
        if (t) PushOperand(t);
        return;
    }
    if (Id >= OpAbs) {
        constexpr int MaxArguments = 8;
        if (Count > MaxArguments || Count > Operands.Size()) {
            Fail(Count > MaxArguments ? EvalArgumentCount : EvalSyntax);
            return;
        }
        EvalToken* Args[MaxArguments] = {};
        // The first argument is deepest on the stack.
        for (int i = Count - 1; i >= 0 && Error == EvalNoError; --i)
            Args[i] = PopOperand();
        if (Error == EvalNoError) {
            if (Id >= OpSize)
                ApplyShapeIntrinsic(Id, Args, Count);
            else
                ApplyNumericIntrinsic(Id, Args, Count);
        }
        for (EvalToken* a : Args)
            delete a;
        return;
    }
    if (Count != 1) {
        Fail(EvalArgumentCount);
        return;
    }
    EvalToken* t = PopOperand();
    if (!t) return;
    Element* e = t->Value.get();
    if (Id == OpLength || Id == OpTrimmedLength) {
        if (Id == OpLength && e->Type == pointer_4 && e->SubType == integer_1) {
            delete t;
            PushResult(MakeInteger4(0));
            return;
        }
        std::string Bytes;
        if (e->Type != string) {
            Fail(EvalStringExpected);
        } else if (Id == OpLength) {
            const int32_t Length = e->Size;
            delete t;
            PushResult(MakeInteger4(Length));
            return;
        } else if (CharacterValue(e, Bytes)) {
            size_t Length = Bytes.size();
            while (Length > 0 && Bytes[Length - 1] == ' ')
                --Length;
            delete t;
            PushResult(MakeInteger4(static_cast<int32_t>(Length)));
            return;
        }
    } else if (e->HasValue()) {
        Fail(EvalNoAddress);
    } else if (e->HasFlag(AddressKnown)) {
        // The debuggee address, in the 32 bits of an INTEGER*4.
        const DebuggeeAddress At = e->Address;
        delete t;
        PushResult(MakeInteger4(static_cast<int32_t>(static_cast<uint32_t>(At))));
        return;
    } else {
        Fail(EvalNoAddress);
    }
    delete t;
}

// Turns a pointer to a structure into the structure it designates; false when the
// structure cannot be reached. A host field is dereferenced by the host; otherwise the
// pointer value, held here or read at the pointer's address, becomes the address of the
// structure.
bool FortranEvaluator::ReachStructure(EvalToken* t) {
    Element* e = t->Value.get();
    if (e->Field) {
        Element* Target = e->ReadyFromEnum();
        if (!Target) return false;
        t->Hold(Target);
        e = Target;
    } else if (e->HasValue() && !e->HasFlag(AddressKnown)) {
        HeldValueToAddress(e);
        e->PopType();
    } else {
        e->FetchValue();
    }
    return e->Type == structure;
}

void FortranEvaluator::SelectComponent(int Id) {
    EvalToken* Member = PopRaw();
    EvalToken* Owner = Member ? PopOperand() : nullptr;
    if (Error != EvalNoError) {
        delete Member;
        delete Owner;
        return;
    }
    Element* Component = nullptr;
    if (!Member->IsName()) {
        Fail(EvalMemberNameExpected);
    } else if (Id == OpArrow) {
        const Element* p = Owner->Value.get();
        // A POINTER found by name is fetched, which dereferences it already.
        const bool reached = p->Type == structure && p->HasFlag(ViaPointer);
        if (!reached && (p->Type != pointer_4 || p->SubType != structure || !ReachStructure(Owner)))
            Fail(EvalStructPointerExpected);
    } else if (Owner->Value->Type != structure) {
        Fail(EvalStructureExpected);
    }
    if (Error == EvalNoError) {
        Element* s = Owner->Value.get();
        if (s->ChildCount() != 0) Component = s->FindChild(Member->Name.c_str());
        if (!Component) Fail(EvalMemberNotFound);
    }
    delete Member;
    delete Owner;
    if (Component) PushResult(Component);
}

void FortranEvaluator::Dereference() {
    EvalToken* t = PopOperand();
    if (!t) return;
    if (!t->Value->IsPointer()) {
        Fail(EvalPointerRequired);
        delete t;
        return;
    }
    PushOperand(t);
}

void FortranEvaluator::AddressOf() {
    EvalToken* t = PopOperand();
    if (!t) return;
    if (t->Value->HasValue()) {
        Fail(EvalNoAddress);
        delete t;
        return;
    }
    t->Hold(new Element());
    PushOperand(t);
}

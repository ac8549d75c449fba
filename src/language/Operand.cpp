// Tokens, their stacks, taking operands and dispatching operators.
#include "language/FortranEvaluator.h"
#include "language/OperatorTable.h"
#include "language/ValueStore.h"
#include "model/Element.h"

using namespace orvel::lang;

EvalToken* EvalToken::MakeOperand(Element* e) {
    EvalToken* t = new EvalToken(TokenKind::Operand);
    t->Value.Attach(e);
    return t;
}

EvalToken* EvalToken::MakeName(const char* Text, size_t Length) {
    EvalToken* t = new EvalToken(TokenKind::Name);
    t->Name.assign(Text, Length);
    return t;
}

EvalToken* EvalToken::MakeOperator(int32_t Id) {
    EvalToken* t = new EvalToken(TokenKind::Operator);
    t->Id = Id;
    return t;
}

void EvalToken::Hold(Element* e) {
    Value.Attach(e);
    Kind = TokenKind::Operand;
    Name.clear();
}

Element* EvalToken::TakeValue() {
    return Value.Detach();
}

void TokenStack::Push(EvalToken* t) {
    t->Next = Head;
    Head = t;
    ++Count;
}

EvalToken* TokenStack::Pop() {
    EvalToken* t = Head;
    if (!t) return nullptr;
    Head = t->Next;
    t->Next = nullptr;
    --Count;
    return t;
}

void TokenStack::Clear() {
    while (EvalToken* t = Pop())
        delete t;
}

EvalToken* FortranEvaluator::PopRaw() {
    EvalToken* t = Operands.Pop();
    if (!t) Fail(EvalSyntax);
    return t;
}

EvalToken* FortranEvaluator::PopOperand() {
    EvalToken* t = PopRaw();
    if (!t) return nullptr;
    if (t->IsName()) {
        Element* Found = Scope ? Scope->FindChild(t->Name.c_str()) : nullptr;
        if (!Found) {
            Fail(EvalUnknownVariable);
            delete t;
            return nullptr;
        }
        t->Hold(Found);
    }
    Element* e = t->Value.get();
    if (!e) { // an operator token cannot reach the operand stack; be safe anyway
        Fail(EvalInternalError);
        delete t;
        return nullptr;
    }
    if (e->Type == array && e->Array.SubscriptCount >= 1) {
        Element* Item = e->GetChild(e->Array.LinearIndex());
        if (!Item) {
            Fail(EvalInternalError);
            delete t;
            return nullptr;
        }
        Item->FetchValue();
        t->Hold(Item);
        e = Item;
    }
    if (e->Type == reference_4) {
        // A reference stands for what it refers to. One to an array becomes that array, so
        // that its own bounds apply to subscripts; any other becomes the pointer it is,
        // which dereferencing leaves as it stands.
        if (e->SubType == array) {
            HeldValueToAddress(e);
            e->PopType();
        } else {
            e->SetType(pointer_4);
        }
    }
    return t;
}

bool FortranEvaluator::PopBinary(EvalToken*& Left, EvalToken*& Right) {
    Right = PopOperand();
    Left = Right ? PopOperand() : nullptr;
    if (Error == EvalNoError) return true;
    delete Right;
    delete Left;
    Left = Right = nullptr;
    return false;
}

void FortranEvaluator::PushResult(Element* e) {
    PushOperand(EvalToken::MakeOperand(e));
}

void FortranEvaluator::ApplyOperator(int Id) {
    if (!Scope) return CheckOperator(Id);
    switch (Id) {
    case OpLogicalAnd:
    case OpLogicalOr:
        return LogicalAndOr(Id);
    case OpGreaterEqual:
    case OpLessEqual:
    case OpNotEqual:
    case OpEqual:
    case OpGreater:
    case OpLess:
        return Compare(Id);
    case OpArrow:
    case OpComponent:
        return SelectComponent(Id);
    case OpShiftRight:
    case OpShiftLeft:
    case OpBitAnd:
    case OpBitOr:
    case OpBitXor:
        return Bitwise(Id);
    case OpAdd:
        return Add();
    case OpSubtract:
        return Subtract();
    case OpMultiply:
    case OpDivide:
        return MultiplyOrDivide(Id);
    case OpPower:
        return Power();
    case OpConcatenate:
        return Concatenate();
    case OpComplement:
        return Complement();
    case OpLogicalNot:
        return LogicalNot();
    case OpDereference:
        return Dereference();
    case OpNegate:
        return Negate();
    case OpAddressOf:
        return AddressOf();
    default:
        return; // no operation: its operands stay behind
    }
}

// The syntax check moves operands as the operations would, computing nothing and
// resolving no names.
void FortranEvaluator::CheckOperator(int Id) {
    switch (Id) {
    case OpLogicalAnd:
    case OpLogicalOr:
    case OpGreaterEqual:
    case OpLessEqual:
    case OpNotEqual:
    case OpEqual:
    case OpArrow:
    case OpShiftRight:
    case OpShiftLeft:
    case OpAdd:
    case OpSubtract:
    case OpMultiply:
    case OpDivide:
    case OpPower:
    case OpConcatenate:
    case OpBitAnd:
    case OpBitOr:
    case OpBitXor:
    case OpGreater:
    case OpLess:
    case OpComponent: {
        EvalToken* Right = PopRaw();
        EvalToken* Left = Right ? PopRaw() : nullptr;
        delete Left;
        if (Error != EvalNoError) {
            delete Right;
            return;
        }
        PushOperand(Right);
        return;
    }
    case OpComplement:
    case OpLogicalNot:
    case OpDereference:
    case OpNegate:
    case OpAddressOf:
        if (EvalToken* t = PopRaw()) PushOperand(t);
        return;
    default:
        return;
    }
}

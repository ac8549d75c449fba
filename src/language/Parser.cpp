// The main pass: tokens in, operators applied as soon as precedence allows.
//
// Growing the language: an expression that gives a value keeps giving exactly that value,
// type text, name and attributes. Only a text answered with a failure (an error row, a
// failed syntax check, a failure text in place of a value or type) may start to give a
// value, and the syntax check keeps accepting whatever it accepted.
#include <cstring>

#include "language/FortranEvaluator.h"
#include "language/OperatorTable.h"
#include "language/ValueStore.h"
#include "model/Element.h"

using namespace orvel::lang;

namespace {
constexpr int GroupingLevel = OpOpenParen;
constexpr int SubscriptLevel = OpSubscript;
constexpr int IntrinsicLevel = OpComma; // an intrinsic's argument list

// "-", "*" and "&" where an operand is expected: negate, dereference, address of.
int PrefixFormOf(int Id) {
    switch (Id) {
    case OpSubtract:
        return OpNegate;
    case OpMultiply:
        return OpDereference;
    default:
        return OpAddressOf;
    }
}
} // namespace

FortranEvaluator::FortranEvaluator(const char* Source, Element* ScopeElement)
    : HasText(Source != nullptr), TooLong(false), Cursor(Text), LevelKind{}, ArgumentCount{},
      Depth(0), Error(EvalNoError), OperandSeen(false), Stopped(false), Scope(ScopeElement) {
    // Copy one character beyond the limit at most: enough to tell that a text is too long
    // without reading the whole of a huge one.
    size_t Length = 0;
    if (Source) {
        while (Length <= MaxTextLength && Source[Length] != '\0')
            ++Length;
        std::memcpy(Text, Source, Length);
    }
    Text[Length] = '\0';
    TooLong = Length > MaxTextLength;
}

FortranEvaluator::~FortranEvaluator() {
    ClearStacks();
}

void FortranEvaluator::Fail(int Code) {
    // The first error of a pass is the one reported.
    if (Error == EvalNoError) Error = Code;
}

void FortranEvaluator::ClearStacks() {
    Operands.Clear();
    Operators.Clear();
}

void FortranEvaluator::Evaluate() {
    if (!HasText) return;
    Result.Reset();
    Cursor = Text;
    ClearStacks();
    Error = EvalNoError;
    OperandSeen = false;
    Stopped = false;
    Depth = 0;
    // Texts beyond the host's limit are refused rather than cut.
    if (TooLong) {
        Fail(EvalSyntax);
        return;
    }
    RunPass();
    if (Error == EvalNoError && !Stopped) Finish();
    if (Error != EvalNoError || Stopped) ClearStacks();
}

void FortranEvaluator::RunPass() {
    while (*Cursor != '\0') {
        EvalToken* t = NextToken();
        if (!t) return;
        HandleToken(t);
        if (Error != EvalNoError || Stopped) return;
    }
}

void FortranEvaluator::HandleToken(EvalToken* t) {
    if (t->IsOperator() && (t->Id == OpTrue || t->Id == OpFalse)) {
        const bool Value = t->Id == OpTrue;
        delete t;
        t = EvalToken::MakeOperand(MakeLogical4(Value));
    }
    if (!t->IsOperator()) return HandleOperand(t);
    switch (t->Id) {
    case OpOpenParen:
        return HandleOpenParen(t);
    case OpCloseParen:
        return HandleCloseParen(t);
    case OpComma:
        return HandleComma(t);
    case OpOpenSquare:
        return HandleOpenSquare(t);
    case OpCloseSquare:
        return HandleCloseSquare(t);
    case OpAdd:
        if (!OperandSeen) {
            delete t; // a prefix plus changes nothing
            return;
        }
        OperandSeen = false;
        return PushOperator(t);
    case OpSubtract:
    case OpMultiply:
    case OpBitAnd:
        if (OperandSeen)
            OperandSeen = false;
        else
            t->Id = PrefixFormOf(t->Id);
        return PushOperator(t);
    case OpPercent:
        t->Id = OpComponent;
        OperandSeen = false;
        return PushOperator(t);
    default:
        return HandleOperator(t);
    }
}

void FortranEvaluator::HandleOperand(EvalToken* t) {
    if (OperandSeen) {
        delete t;
        Fail(EvalSyntax);
        return;
    }
    PushOperand(t);
    OperandSeen = true;
}

// Records a new bracket level. Beyond MaxDepth levels the text is refused.
bool FortranEvaluator::OpenLevel(int Kind) {
    if (Depth == MaxDepth) {
        Fail(EvalSyntax);
        return false;
    }
    LevelKind[Depth++] = Kind;
    return true;
}

void FortranEvaluator::HandleOpenParen(EvalToken* t) {
    if (!OpenLevel(OperandSeen ? SubscriptLevel : GroupingLevel)) {
        delete t;
        return;
    }
    if (OperandSeen) {
        t->Id = OpSubscript;
        OperandSeen = false;
        PushOperator(t);
    } else {
        Operators.Push(t);
    }
}

void FortranEvaluator::HandleCloseParen(EvalToken* t) {
    delete t;
    if (Depth == 0) {
        Fail(EvalTooManyClosing);
        return;
    }
    --Depth;
    Reduce(OpCloseParen);
    if (Error != EvalNoError) return;
    if (LevelKind[Depth] == SubscriptLevel) {
        // The syntax check ends at the first subscript bracket: the rest may name anything.
        if (!Scope) {
            Stopped = true;
            return;
        }
        ApplySubscript();
        return;
    }
    EvalToken* Top = Operators.Top();
    if (LevelKind[Depth] == IntrinsicLevel && Top && (OperatorFlagsOf(Top->Id) & Intrinsic)) {
        // "LEN()" has no argument; it must not take an operand from outside.
        if (!OperandSeen) {
            Fail(EvalSyntax);
            return;
        }
        EvalToken* Fn = Operators.Pop();
        ApplyIntrinsic(Fn->Id, ArgumentCount[Depth] + 1);
        delete Fn;
    }
    OperandSeen = true;
}

void FortranEvaluator::HandleComma(EvalToken* t) {
    if (!Scope) {
        delete t;
        Stopped = true;
        return;
    }
    if (Depth == 0) {
        delete t;
        Fail(EvalSyntax);
        return;
    }
    if (LevelKind[Depth - 1] == IntrinsicLevel) {
        // The argument so far is complete: its bracket closes and a new one opens.
        delete t;
        if (!OperandSeen) {
            Fail(EvalSyntax);
            return;
        }
        Reduce(OpCloseParen);
        if (Error != EvalNoError) return;
        ++ArgumentCount[Depth - 1];
        Operators.Push(EvalToken::MakeOperator(OpOpenParen));
        OperandSeen = false;
        return;
    }
    if (LevelKind[Depth - 1] == SubscriptLevel) {
        delete t;
        Reduce(OpComma);
        if (Error != EvalNoError) return;
        ApplySubscript();
        OperandSeen = false; // the bracket stays open for the next subscript
        return;
    }
    // A comma inside a grouping does nothing when applied; the expression ends with an
    // operand too many.
    PushOperator(t);
    OperandSeen = false;
}

void FortranEvaluator::HandleOpenSquare(EvalToken* t) {
    if (!OperandSeen) {
        delete t;
        Fail(EvalSyntax);
        return;
    }
    t->Id = OpSubscript;
    Reduce(OpOpenSquare);
    if (Error != EvalNoError || !OpenLevel(SubscriptLevel)) {
        delete t;
        return;
    }
    Operators.Push(t);
    OperandSeen = false;
}

void FortranEvaluator::HandleCloseSquare(EvalToken* t) {
    delete t;
    if (Depth == 0) {
        Fail(EvalTooManyClosing);
        return;
    }
    // The level's kind is not checked: "]" may close a "(" and ")" a "[".
    --Depth;
    Reduce(OpCloseParen);
    if (Error != EvalNoError) return;
    if (!Scope) {
        Stopped = true;
        return;
    }
    ApplySubscript();
}

void FortranEvaluator::HandleOperator(EvalToken* t) {
    const uint32_t Flags = OperatorFlagsOf(t->Id);
    if (Flags & Intrinsic) {
        if (OperandSeen) {
            delete t;
            Fail(EvalSyntax);
            return;
        }
        // An intrinsic stands where an operand does: nothing before it is applied yet.
        Operators.Push(t);
        if (!OpenLevel(IntrinsicLevel)) return;
        ArgumentCount[Depth - 1] = 0;
        Operators.Push(EvalToken::MakeOperator(OpOpenParen));
        return;
    }
    if (Flags & PrefixOnly) {
        if (OperandSeen) {
            delete t;
            Fail(EvalSyntax);
            return;
        }
        PushOperator(t);
        return;
    }
    if (!OperandSeen) {
        delete t;
        Fail(EvalSyntax);
        return;
    }
    OperandSeen = false;
    PushOperator(t);
}

void FortranEvaluator::PushOperator(EvalToken* t) {
    const EvalToken* Top = Operators.Top();
    if (Top && OperatorPrecedence(t->Id) <= OperatorPrecedence(Top->Id)) Reduce(t->Id);
    Operators.Push(t);
}

void FortranEvaluator::Reduce(int Id) {
    const int32_t Precedence = OperatorPrecedence(Id);
    const bool Closing = Id == OpCloseParen || Id == OpComma;
    while (EvalToken* Top = Operators.Top()) {
        const int TopId = Top->Id;
        if (Id == OpCloseParen && (OperatorFlagsOf(TopId) & Intrinsic)) return;
        // A subscript list is a bracket: what is inside it reduces there, and only the
        // list's own "," ")" or "]" reaches its marker ("," leaves the bracket open).
        if (TopId == OpSubscript) {
            if (Id == OpCloseParen) delete Operators.Pop();
            return;
        }
        if (Id == OpCloseParen && TopId == OpOpenParen) {
            delete Operators.Pop();
            return;
        }
        if (Closing && (TopId == OpOpenParen || TopId == OpComma)) {
            delete Operators.Pop();
            return;
        }
        // A power binds tighter than the minus before its base: -2**2 is -4.
        if (Id == OpPower && TopId == OpNegate) return;
        const int32_t TopPrecedence = OperatorPrecedence(TopId);
        if (Precedence > TopPrecedence) return;
        if (Precedence == TopPrecedence && (OperatorFlagsOf(Id) & RightBinding)) return;
        EvalToken* Applied = Operators.Pop();
        ApplyOperator(TopId);
        delete Applied;
        if (Error != EvalNoError) return;
    }
}

void FortranEvaluator::Finish() {
    Reduce(OpCloseParen);
    if (Error != EvalNoError) return;
    // An unclosed bracket is the better report than the operator it leaves behind.
    if (Operands.Size() != 1) {
        Fail(EvalSyntax);
        return;
    }
    if (Depth != 0) {
        Fail(EvalTooManyOpening);
        return;
    }
    if (!Operators.Empty()) {
        Fail(EvalSyntax);
        return;
    }
    if (!Scope) {
        Operands.Clear();
        return;
    }
    EvalToken* t = PopOperand();
    if (!t) return;
    Result.Attach(t->TakeValue());
    delete t;
}

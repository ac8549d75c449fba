// CHARACTER operands: their bytes, concatenation and comparison. A comparison pads the
// shorter operand with blanks, as Fortran does; both give new constants.
#include "language/FortranEvaluator.h"
#include "language/OperatorTable.h"
#include "language/ValueStore.h"
#include "model/Element.h"

using namespace orvel::lang;

namespace {
// Longest CHARACTER value the language reads or builds; longer is an overflow.
constexpr int MaxCharacterLength = 65536;
} // namespace

// The bytes of a CHARACTER operand, read from the debuggee or from the Element.
bool FortranEvaluator::CharacterValue(Element* e, std::string& Bytes) {
    if (e->Size < 0 || e->Size > MaxCharacterLength) {
        Fail(EvalOverflow);
        return false;
    }
    const int Length = e->Size;
    if (!e->HasFlag(AddressKnown) && !e->HasValue()) e->FetchValue();
    Bytes.assign(static_cast<size_t>(Length), ' ');
    if (Length == 0) return true;
    if (e->HasFlag(AddressKnown)) {
        if (e->CopyDebuggeeMemory(&Bytes[0], 0, static_cast<SIZE_T>(Length)) <
            static_cast<SIZE_T>(Length)) {
            Fail(EvalNoObject);
            return false;
        }
    } else if (e->HasValue()) {
        e->ReadValueBytes(&Bytes[0], Length);
    } else {
        Fail(EvalNoObject);
        return false;
    }
    return true;
}

void FortranEvaluator::Concatenate() {
    EvalToken *Left, *Right;
    if (!PopBinary(Left, Right)) return;
    std::string a, b;
    if (Left->Value->Type != string || Right->Value->Type != string)
        Fail(EvalStringExpected);
    else if (CharacterValue(Left->Value.get(), a) && CharacterValue(Right->Value.get(), b)) {
        if (a.size() + b.size() > static_cast<size_t>(MaxCharacterLength))
            Fail(EvalOverflow);
        else
            a += b;
    }
    delete Left;
    delete Right;
    if (Error == EvalNoError)
        PushResult(MakeConstant(a.data(), static_cast<int>(a.size()), string));
}

void FortranEvaluator::CompareCharacters(int Id, Element* Left, Element* Right) {
    std::string a, b;
    if (!CharacterValue(Left, a) || !CharacterValue(Right, b)) return;
    if (a.size() < b.size()) a.resize(b.size(), ' ');
    if (b.size() < a.size()) b.resize(a.size(), ' ');
    const int Order = a.compare(b); // bytes compare unsigned
    bool Value;
    switch (Id) {
    case OpGreaterEqual:
        Value = Order >= 0;
        break;
    case OpLessEqual:
        Value = Order <= 0;
        break;
    case OpNotEqual:
        Value = Order != 0;
        break;
    case OpEqual:
        Value = Order == 0;
        break;
    case OpGreater:
        Value = Order > 0;
        break;
    default:
        Value = Order < 0;
        break;
    }
    PushResult(MakeLogical4(Value));
}

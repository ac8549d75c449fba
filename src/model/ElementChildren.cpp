// Element: counting, making and walking children.
#include <climits>
#include <new>

#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "platform/Bstr.h"

uint32_t Element::ChildCount() {
    if (IsArrayLike()) return Array.ElementCount();
    // Structure components, COMMON members and a routine's locals are counted from the
    // debug information, which comes with the records.
    return 0;
}

Element* Element::GetChild(uint32_t Which) {
    if (!IsArrayLike()) {
        AddRef();
        return this;
    }
    Array.IndexToSubscripts(Which);
    // Addresses wrap in 32 bits as the debuggee's do.
    const DebuggeeAddress at = Address + static_cast<uint32_t>(Array.ElementOffset());
    return MakeChildAt(at, SubType, Array.ElemSize);
}

// The Element of an unnamed value of the given kind at a debuggee address, found in
// this Element's member scope. Array elements and dereferenced pointers are made here,
// so that both turn into records in one place once the record constructor exists.
Element* Element::MakeChildAt(DebuggeeAddress At, ElementType Kind, int32_t ChildSize) {
    Element* child = new (std::nothrow) Element();
    if (!child) return nullptr;
    child->Cxt = ChildCxt;
    if (ChildCxt) child->ChildCxt.Attach(ChildCxt->MakeChildContext());
    child->SetProcess();
    child->Type = Kind;
    child->Size = ChildSize;
    child->Address = At;
    child->Flags |= AddressKnown;
    if (Kind == structure && TypeName) {
        child->TypeName = SysAllocStringLen(TypeName, SysStringLen(TypeName));
        // Without its type name the child still has its value; only its text is poorer.
    }
    return child;
}

Element* Element::GetNextChild() {
    // Walking the debug information's records comes with the records.
    if (!IsArrayLike()) return nullptr;
    Element* child = GetChild(static_cast<uint32_t>(NextChild));
    if (NextChild < INT32_MAX) ++NextChild;
    return child;
}

void Element::ResetNextChild() {
    NextChild = 0;
}

void Element::SkipNextChild(ULONG Skip) {
    if (!IsArrayLike()) return;
    const int64_t next = int64_t{NextChild} + Skip;
    NextChild = next > INT32_MAX ? INT32_MAX : static_cast<int32_t>(next);
}

Element* Element::FindChild(const char* /*Name*/) {
    // Components are found by name in the debug information, which comes with the
    // records.
    return nullptr;
}

Element* Element::GetChildForField(IDebugField* /*ChildField*/) {
    // Needs the records or the host-field constructor; both come later.
    return nullptr;
}

Element* Element::DereferencePointerField() {
    // The host's pointer-field dereference comes with the host-field constructor.
    return nullptr;
}

Element* Element::ReadyFromEnum() {
    SetProcess();
    if (Type == pointer_4 && SubType == structure) {
        if (Field) {
            if (Element* target = DereferencePointerField()) return target;
        } else {
            if (!(Flags & AddressKnown)) FetchValue();
            DebuggeeAddress target = 0;
            if ((Flags & AddressKnown) && Type == pointer_4 &&
                CopyDebuggeeMemory(&target, 0, sizeof target) == sizeof target) {
                if (Element* child = MakeChildAt(target, structure, 0)) return child;
            }
        }
    }
    if (Type != function) FetchValue();
    AddRef();
    return this;
}

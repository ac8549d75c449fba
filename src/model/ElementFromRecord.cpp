// Element: made from a debug-information record.
#include <cstring>
#include <new>

#include "debuginfo/DebugInfoCache.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/ExtraInfo.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"

namespace {

// A module variable whose module could not be found: the reader left it without an
// address, and its decorated full name module!variable is no static's name either.
bool IsUnlocatedModuleVariable(const ExtraInfo& Ex) {
    return Ex.IsStatic && !Ex.AddressKnown && std::strchr(Ex.FullName, '!') != nullptr;
}

} // namespace

Element::Element(ExtraInfo& Ex, ExpressionContext* Context, bool MemberScope) : Element() {
    Cxt = orvel::ComPtr<ExpressionContext>(Context);
    if (Context && MemberScope) ChildCxt.Attach(Context->MakeChildContext());
    // The record's texts are fixed arrays: bound them even when a hostile record left
    // no NUL.
    Ex.Name[sizeof Ex.Name - 1] = '\0';
    Ex.FullName[sizeof Ex.FullName - 1] = '\0';
    Ex.ExtraTypeInfo[sizeof Ex.ExtraTypeInfo - 1] = '\0';
    SetName(Ex.Name, Ex.FullName);
    Size = Ex.Size;

    if (Ex.IsConst) {
        Flags |= IsConst | HasValueFlag;
        Type = Ex.Type;
        const int32_t length = Ex.ConstValue && Ex.ConstLength > 0 ? Ex.ConstLength : 0;
        Size = length;
        if (length <= RawDataSize) {
            if (length) std::memcpy(RawData, Ex.ConstValue, static_cast<size_t>(length));
            return;
        }
        BigData = new (std::nothrow) uint8_t[static_cast<size_t>(length)];
        if (!BigData) {
            Flags &= static_cast<uint8_t>(~HasValueFlag);
            Error = ErrBindFailure;
            return;
        }
        std::memcpy(BigData, Ex.ConstValue, static_cast<size_t>(length));
        BigDataSize = length;
        Data = BigData;
        return;
    }

    Process = DebuggeeProcessHandle();
    Type = Ex.Type;
    if (Type == structure) {
        TypeName = orvel::NarrowToBstr(Ex.ExtraTypeInfo);
        // Without its type name the Element keeps its value; only its text is poorer.
    }
    if (Ex.AddressKnown) {
        Flags |= AddressKnown;
        Address = Ex.Address + static_cast<uint32_t>(Ex.Offset);
    } else {
        Offset = Ex.Offset;
        // Reading at a guessed base would show another variable's bytes as this one's.
        if (IsUnlocatedModuleVariable(Ex)) Error = ErrNotLocated;
    }
    if (Ex.IsArray) {
        Array.BuildFromRecord(Ex);
        PushType(array);
    }
    if (Ex.IsPointer) PushType(pointer_4);
}

// Element: where the value lies and fetching it.
#include <cstring>

#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/ModelAssert.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"

namespace {

// The one place debuggee memory is read. The debuggee process handle and the read
// itself come with the platform's process access; until then nothing arrives.
SIZE_T ReadDebuggeeMemory(HANDLE /*process*/, DebuggeeAddress /*at*/, void* /*dest*/,
                          SIZE_T /*size*/) {
    return 0;
}

} // namespace

void Element::SetProcess() {
    // Takes the debuggee process handle afresh once the debug-information cache keeps it.
}

SIZE_T Element::CopyDebuggeeMemory(void* Dest, int ByteOffset, SIZE_T SizeInBytes) {
    if (!orvel::ModelAssert((Flags & AddressKnown) != 0, "KnowAddress")) return 0;
    if (!Dest || SizeInBytes == 0) return 0;
    SetProcess();
    // The debuggee computes addresses in 32 bits; so do we, on every host.
    const DebuggeeAddress at = Address + static_cast<uint32_t>(ByteOffset);
    const SIZE_T got = ReadDebuggeeMemory(Process, at, Dest, SizeInBytes);
    return got > SizeInBytes ? SizeInBytes : got;
}

ElementType Element::FetchValue() {
    if (Flags & (FetchTried | HasValueFlag)) return Type;
    if (Type == function || Type == common) return Type;
    Flags |= FetchTried;
    if (Flags & AddressKnown) return FetchAtAddress();
    if (FindStaticAddress()) {
        Flags &= static_cast<uint8_t>(~FetchTried);
        return FetchValue(); // the address is known now: this ends in FetchAtAddress
    }
    if (Error || Type == void_0) return void_0;
    return FetchThroughHost();
}

ElementType Element::FetchAtAddress() {
    if (Type == array) return array;
    SetProcess();
    if (IsScalar()) {
        if (!orvel::ModelAssert(Size <= RawDataSize, "Size<=sizeof(RawData)")) return Type;
        if (Size <= 0) return Type;
        // A short read leaves the bytes held before, as it is not reported.
        uint8_t value[RawDataSize];
        const SIZE_T want = static_cast<SIZE_T>(Size);
        if (CopyDebuggeeMemory(value, 0, want) == want) {
            FreeOwnedBuffer();
            Data = RawData;
            std::memcpy(RawData, value, want);
            // The read value counts as held, so that the expression language sees it.
            Flags |= HasValueFlag;
        }
        return Type;
    }
    if (Type == pointer_4 || Type == allocatable_4) {
        // A pointer or descriptor that cannot be read is taken to point nowhere rather
        // than at its own bytes.
        DebuggeeAddress target = 0;
        if (CopyDebuggeeMemory(&target, 0, sizeof target) != sizeof target) target = 0;
        Address = target;
        if (Type == allocatable_4) return array;
        return PopType();
    }
    return Type;
}

bool Element::FindStaticAddress() {
    if (Flags & OnFrame) return false;
    const bool hasClass = ChildCxt && ChildCxt->ClassName;
    if (!Field && !hasClass) return false;
    // The address cache (by FullName) is asked first once it exists, and a Field's
    // qualified name comes with the host-field code; the class-qualified name is enough
    // for GetAddressOf now.
    DebuggeeAddress at = 0;
    if (!Field && hasClass) {
        OLECHAR name[512];
        const int classLength = static_cast<int>(SysStringLen(ChildCxt->ClassName));
        int length = 0;
        for (; length < classLength && length < 510; ++length)
            name[length] = ChildCxt->ClassName[length];
        name[length++] = '.';
        orvel::NarrowToWide(FullName.c_str(), static_cast<int>(FullName.size()), name + length,
                            static_cast<int>(sizeof name / sizeof name[0]) - length);
        at = GetAddressOf(name);
    }
    if (!at) return false;
    Address = at + static_cast<uint32_t>(Offset);
    Offset = 0;
    Flags |= AddressKnown;
    return true;
}

ElementType Element::FetchThroughHost() {
    // Binding the host field (Object, or Cxt's binder on ContainerObject and Field) and
    // reading the object's value or memory context come with the host-field constructor.
    // Until then an Element without an address has no value.
    return void_0;
}

DebuggeeAddress Element::GetAddressOf(LPCOLESTR /*Name*/) {
    // The address cache and the debuggee's own look-up method come with the
    // debug-information cache.
    return 0;
}

DebuggeeAddress Element::GetAddressValue() {
    FetchValue();
    return (Flags & AddressKnown) ? Address : 0;
}

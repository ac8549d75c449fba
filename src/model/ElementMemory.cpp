// Element: where the value lies and fetching it.
#include <cstdlib>
#include <cstring>

#include "debuginfo/DebugInfoAcquisition.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostObjects.h"
#include "host/HostProperties.h"
#include "host/HostSymbols.h"
#include "model/ContextDebugInfo.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/ModelAssert.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/DebuggeeReadCache.h"

namespace {

constexpr int NameCapacity = 512;

// The debuggee address of a host object's memory context: the address text, read as a
// number with automatic base (the host writes "0x…"). False when the host has none.
bool ObjectAddress(IDebugObject* Object, DebuggeeAddress& At) {
    orvel::ComPtr<IDebugMemoryContext2> memory;
    if (FAILED(Object->GetMemoryContext(memory.put())) || !memory) return false;
    CONTEXT_INFO info{};
    const HRESULT hr = memory->GetInfo(CIF_ADDRESS, &info);
    // Whatever the host filled is ours to free, success or not.
    orvel::BstrHolder texts[] = {
        orvel::BstrHolder(info.bstrModuleUrl), orvel::BstrHolder(info.bstrFunction),
        orvel::BstrHolder(info.bstrAddress), orvel::BstrHolder(info.bstrAddressOffset),
        orvel::BstrHolder(info.bstrAddressAbsolute)};
    if (FAILED(hr) || !info.bstrAddress) return false;
    char text[64];
    orvel::WideToNarrow(info.bstrAddress, static_cast<int>(SysStringLen(info.bstrAddress)), text,
                        static_cast<int>(sizeof text));
    // Debuggee addresses are 32 bits; a wider text keeps its low word, as the debuggee would.
    At = static_cast<DebuggeeAddress>(std::strtoull(text, nullptr, 0));
    return true;
}

} // namespace

void Element::SetProcess() {
    // Taken afresh for every read: the handle changes when the cache is cleared.
    Process = DebuggeeProcessHandle();
}

SIZE_T Element::CopyDebuggeeMemory(void* Dest, int ByteOffset, SIZE_T SizeInBytes) {
    if (!orvel::ModelAssert((Flags & AddressKnown) != 0, "KnowAddress")) return 0;
    if (!Dest || SizeInBytes == 0) return 0;
    SetProcess();
    // The debuggee computes addresses in 32 bits; so do we, on every host.
    const DebuggeeAddress at = Address + static_cast<uint32_t>(ByteOffset);
    const SIZE_T got = orvel::DebuggeeReadCache::Read(Process, at, Dest, SizeInBytes);
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
            // A scalar read at a known address counts as a present value: IntValue and
            // the arithmetic see what Print shows.
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
        const ElementType targetKind = PopType();
        // A POINTER to a scalar stands for its target's value, read like any known-address
        // scalar, so that arithmetic on it works.
        if (IsScalar() && Address != 0) return FetchAtAddress();
        return targetKind;
    }
    return Type;
}

bool Element::FindStaticAddress() {
    if (Flags & OnFrame) return false;
    const bool hasClass = ChildCxt && ChildCxt->ClassName;
    if (!Field && !hasClass) return false;
    // The names read from the program's static table come first: no debuggee call.
    DebuggeeAddress at = FullName.empty() ? 0 : CacheLookupAddress(FullName.c_str());
    if (!at) {
        OLECHAR name[NameCapacity];
        name[0] = 0;
        if (Field) {
            orvel::BstrHolder qualified(QualifiedFieldName(Field.get()));
            if (!qualified.get()) return false;
            const UINT length = SysStringLen(qualified.get());
            if (length >= NameCapacity) return false; // the look-up could not match it
            std::memcpy(name, qualified.get(), length * sizeof(OLECHAR));
            name[length] = 0;
        } else {
            int length = static_cast<int>(SysStringLen(ChildCxt->ClassName));
            if (length >= NameCapacity - 1) return false;
            std::memcpy(name, ChildCxt->ClassName, static_cast<size_t>(length) * sizeof(OLECHAR));
            name[length++] = '.';
            orvel::NarrowToWide(FullName.c_str(), static_cast<int>(FullName.size()), name + length,
                                NameCapacity - length);
        }
        at = GetAddressOf(name);
    }
    if (!at) return false;
    Address = at + static_cast<uint32_t>(Offset);
    Offset = 0;
    Flags |= AddressKnown;
    return true;
}

ElementType Element::FetchThroughHost() {
    if (!Object) {
        if (!Cxt || !Cxt->Binder) return void_0;
        if (Field) Cxt->Binder->Bind(ContainerObject.get(), Field.get(), Object.put());
        if (!Object) {
            Error = ErrNotLocated;
            return Type;
        }
    }
    UINT objectSize = 0;
    if (FAILED(Object->GetSize(&objectSize))) objectSize = 0;
    const int size = objectSize ? static_cast<int>(objectSize) : Size;

    if (IsScalar() && size > 0 && size < RawDataSize && Offset == 0) {
        const HRESULT hr = Object->GetValue(RawData, static_cast<UINT>(size));
        if (FAILED(hr)) {
            Error = ErrHostCall;
            HResult = hr;
            return void_0;
        }
        FreeOwnedBuffer();
        Data = RawData;
        Flags |= HasValueFlag;
        return Type;
    }

    const ElementType entryKind = Type;
    DebuggeeAddress at = 0;
    if (!ObjectAddress(Object.get(), at)) return void_0;
    Address = at + static_cast<uint32_t>(Offset);
    Offset = 0;
    Flags = static_cast<uint8_t>((Flags | AddressKnown) & ~HasValueFlag);
    if (IsScalar() || Type == pointer_4 || Type == allocatable_4) return FetchAtAddress();
    return entryKind;
}

DebuggeeAddress Element::GetAddressOf(LPCOLESTR Name) {
    if (!Name || !Cxt) return 0;
    return LookupStaticAddress(Cxt.get(), Name);
}

DebuggeeAddress Element::GetAddressValue() {
    FetchValue();
    return (Flags & AddressKnown) ? Address : 0;
}

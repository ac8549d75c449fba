// One decoded record of the compiler's extra debug information (see ExtraDebugInfo for
// the reader). Texts are fixed NUL-terminated arrays; flags are one byte, 0 or 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "model/ElementType.h"
#include "platform/PlatformTypes.h"

struct ExtraInfo {
    static constexpr int MaxRank = 7;
    static constexpr int NameSize = 256;
    static constexpr int TypeInfoSize = 128;
    // Bits: which bound items of a dimension came as variable names.
    enum BoundBits : uint32_t {
        BaseIsName = 0x01,
        SizeIsName = 0x02,
        StrideIsName = 0x04,
        BoundSizesIsName = 0x08,
        BoundOfsetIsName = 0x10,
    };

    char Name[NameSize];     // shown and matched
    char FullName[NameSize]; // raw or container name, for address look-ups
    uint8_t IsArray;
    uint8_t IsPointer;
    uint8_t IsTarget; // never set by the reader
    uint8_t IsAllocatable;
    uint8_t IsCommon;
    uint8_t IsModule; // never set by the reader
    uint8_t IsStatic;
    uint8_t IsLocal;
    uint8_t IsConst;
    uint8_t IsArgument;
    uint8_t IsToBeHidden;
    uint8_t IsMangled;
    uint8_t AddressKnown; // Address is an absolute debuggee address
    ElementType Type;
    int32_t Size; // bytes; for CHARACTER the length
    int32_t ElemSize;
    int32_t Rank; // 0 to MaxRank
    uint32_t Bits[MaxRank];
    int32_t Base[MaxRank];    // lower bound
    int32_t DimSize[MaxRank]; // upper bound minus lower bound; "Size[]" in the dump
    int32_t Stride[MaxRank];
    int32_t BoundSizes[MaxRank]; // declared extent, to step to the next dimension
    int32_t BoundOfset[MaxRank]; // extra byte offset of the dimension
    int32_t MemberCount;         // COMMON block
    int32_t CommonInstance;      // COMMON block: tells like-named blocks apart
    int32_t ConstLength;         // constant: value bytes
    // Static address, offset inside the container, or for a constant the offset of its
    // value bytes inside the blob (a pointer would not fit in 32 bits on every host).
    DebuggeeAddress Address;
    // A constant's value bytes inside the blob, valid while its iterator lives; else null.
    const uint8_t* ConstValue;
    int32_t Offset;                   // added once the container's address is known
    char ExtraTypeInfo[TypeInfoSize]; // structure: the derived-type name
    // Kept by ClearForReading: the last module base found while reading records.
    DebuggeeAddress ModuleBase;

    // An empty record is of no kind: a name not among the records must not pass for the
    // kind numbered 0.
    ExtraInfo() {
        std::memset(static_cast<void*>(this), 0, sizeof *this);
        Type = void_0;
    }

    // Zeroes every field but ModuleBase, so that a record variable reused for the next
    // record keeps the last module base found.
    void ClearForReading() {
        std::memset(static_cast<void*>(this), 0, offsetof(ExtraInfo, ModuleBase));
    }

    // The diagnostic text of the record, cut to fit BufSize bytes (always NUL-terminated).
    void Dump(char* Buf, int BufSize) const;
};

static_assert(std::is_standard_layout_v<ExtraInfo> && std::is_trivially_copyable_v<ExtraInfo>,
              "ExtraInfo is cleared and copied as bytes");
static_assert(offsetof(ExtraInfo, ModuleBase) + sizeof(DebuggeeAddress) == sizeof(ExtraInfo),
              "ModuleBase is the last field: ClearForReading keeps only it");

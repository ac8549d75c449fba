// Element: every Fortran entity the evaluator shows or computes with — a variable, a
// component, an array element, a constant, a COMMON block, a module, a managed object
// or an intermediate result. Counted with a plain counter; every function that returns
// an Element returns it with one reference for the caller. Nothing here throws.
#pragma once

#include <string>

#include "model/ArrayDesc.h"
#include "model/ElementType.h"
#include "model/EvalCodes.h"
#include "platform/ComPtr.h"
#include "platform/PlatformTypes.h"

namespace orvel {
class WideText;
}
class ExpressionContext;
class LocalsCache;
struct ExtraInfo;
struct IDebugField;
struct IDebugObject;

// Element::Flags bits.
enum ElementFlags : uint8_t {
    HasValueFlag = 0x01, // the value bytes are present at Data
    OwnsAddress = 0x02,  // Data points to a heap buffer the Element owns
    ViaPointer = 0x04,   // a structure reached by dereferencing a POINTER (P->X applies)
    OnFrame = 0x08,      // a local or argument of the current frame, never a static
    AddressKnown = 0x10, // Address is a debuggee address
    FetchTried = 0x20,   // FetchValue has run once
    IsConst = 0x40,      // a PARAMETER constant
};

// The codes an Element sets in Error, by the names the variable model uses.
enum ElementError : int32_t {
    ErrNoTarget = EvalIllegalPointer, // a pointer with no target
    ErrOverflow = EvalOverflow,
    ErrUnderflow = EvalUnderflow,
    ErrBindFailure = EvalInternalError, // internal failure while binding a host field
    ErrHostCall = EvalHostCallFailed,   // a host call failed; HResult holds its code
    ErrUnknownKind = EvalUnknownKind,
    ErrNotLocated = EvalNotLocated,
};

class Element {
public:
    static constexpr int RawDataSize = 20;
    // Longest CHARACTER value Print shows.
    static constexpr int MaxPrintedChars = 200;

    // Fields, in the order of the record this class models.
    int32_t Counter;
    ElementType Type;
    ElementType SubType;
    ElementType SubSubType;
    uint8_t Flags;
    // Debuggee address of the value; meaningful only with AddressKnown. Kept apart from
    // Data so that a 64-bit host holds the same 32-bit debuggee semantics.
    DebuggeeAddress Address;
    // Local pointer to the value bytes held by this Element: RawData, BigData or an
    // owned buffer. Never null.
    uint8_t* Data;
    int32_t Error;
    orvel::ComPtr<ExpressionContext> Cxt;
    orvel::ComPtr<ExpressionContext> ChildCxt;
    orvel::ComPtr<IDebugField> Field;
    orvel::ComPtr<IDebugObject> ContainerObject;
    orvel::ComPtr<IDebugObject> Object;
    LocalsCache* Locals; // owned; function Elements only
    std::string Name;
    std::string FullName;
    BSTR TypeName;   // owned
    BSTR DeclSuffix; // owned
    HRESULT HResult;
    BSTR RawTypeName; // owned
    int32_t Size;
    HANDLE Process;
    ArrayDesc Array;
    uint8_t* BigData;    // owned (new[]); a PARAMETER constant longer than RawData
    int32_t BigDataSize; // bytes in BigData
    int32_t NextChild;
    int32_t Offset;
    uint8_t RawData[RawDataSize];

    // An empty Element (intermediate results of the expression language).
    Element();
    // From a debug-information record, found in Cxt (a reference is taken). MemberScope
    // false leaves ChildCxt empty: for a value that has no members, such as a scalar array
    // element, whose scope would only cost an allocation per row.
    Element(ExtraInfo& Ex, ExpressionContext* Cxt, bool MemberScope = true);
    // From a host field, with the record Ex when the caller has it. A failing host call
    // leaves the Element with Error set; it never fails as a whole.
    Element(IDebugField* Field, ExpressionContext* Cxt, BSTR Name, IDebugObject* Container,
            ExtraInfo* Ex);

    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    int32_t AddRef();
    int32_t Release();

    // Kind stack.
    void PushType(ElementType t);
    ElementType PopType();
    ElementType GetType() const { return Type; }
    void SetType(ElementType t) { Type = t; }
    int32_t GetSize() const { return Size; }
    bool HasValue() const { return (Flags & HasValueFlag) != 0; }
    bool HasFlag(uint8_t f) const { return (Flags & f) != 0; }

    // Values. The readers give 0 when the Element holds no value. Integers narrower
    // than 4 bytes are widened by their kind (sign-extended for INTEGER). real_10 and
    // complex_20 hold doubles in their first 8 (16) bytes: the arithmetic has no
    // extended precision, and the setters and readers agree on that layout.
    int32_t IntValue() const;
    double RealValue() const;
    void ComplexValue(double out[2]) const;
    uint32_t PointerValue();
    bool IsUndefined(int n) const;
    void SetName(const char* Name, const char* FullName);
    // The setters put the value into the Element itself: AddressKnown is cleared, as
    // the debuggee address no longer says where the value is. Bytes must hold Size
    // bytes (SetValue: its Size argument; SetIntValue: the Element's Size).
    void SetValue(const void* Bytes, int Size, ElementType t);
    void SetRealValue(const double* d);
    void SetComplexValue(const double in[2]);
    void SetIntValue(const void* Bytes);
    // Copies n value bytes held by the Element, zero-filling what it does not hold.
    void ReadValueBytes(void* out, int n) const;
    int CheckRealRange(const double* d) const;
    int CheckComplexRange(const double* pair) const;

    // Kind tests.
    bool IsInteger() const;
    bool IsReal() const;
    bool IsComplex() const;
    bool IsLogical() const;
    bool IsNumeric() const;
    bool IsScalar() const;
    bool IsPointer() const;
    bool IsSameNumericKind(const Element* Other) const;
    bool IsArrayLike() const;
    bool HasError() const { return Error != 0; }
    bool IsExpandable() const;

    // Texts.
    HRESULT GetName(BSTR* out) const;
    void Print(BSTR& bstr);
    // Writes the declaration text into Buf (BufSize bytes, always NUL-terminated).
    void TypeDeclaration(char* Buf, int BufSize);
    HRESULT GetTypeDeclaration(BSTR* out);

    // Memory.
    void SetProcess();
    SIZE_T CopyDebuggeeMemory(void* Dest, int Offset, SIZE_T SizeInBytes);
    ElementType FetchValue();
    DebuggeeAddress GetAddressOf(LPCOLESTR Name);
    DebuggeeAddress GetAddressValue();

    // Children.
    uint32_t ChildCount();
    Element* GetChild(uint32_t Which);
    Element* GetNextChild();
    void ResetNextChild();
    void SkipNextChild(ULONG Skip);
    Element* FindChild(const char* Name);
    Element* GetChildForField(IDebugField* Field);
    Element* ReadyFromEnum();

    // A routine's locals and arguments by name (function Elements only).
    void CacheLocalVariables();
    // The child Element of one record of this Element's debug information.
    Element* GetElement(ExtraInfo& Ex);

private:
    int32_t OwnedSize; // bytes in the owned buffer (OwnsAddress)

    ~Element();
    void FreeOwnedBuffer();
    int DataCapacity() const;
    void StoreSmallValue(const void* Bytes, int n);

    void PrintValue(ElementType Kind, orvel::WideText& Text);
    void PrintString(orvel::WideText& Text);
    void PrintError(orvel::WideText& Text) const;
    void AppendDeclaration(char* Buf, int BufSize);

    ElementType FetchAtAddress();
    bool FindStaticAddress();
    ElementType FetchThroughHost();

    Element* MakeChildAt(DebuggeeAddress At, ElementType Kind, int32_t ChildSize);
    Element* DereferencePointerField();
};

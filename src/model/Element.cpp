// Element: construction, lifetime, the kind stack and kind tests, names.
#include "model/Element.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "host/HostObjects.h"
#include "host/HostSymbols.h"
#include "model/ElementText.h"
#include "model/ExpressionContext.h"
#include "model/LiveCounts.h"
#include "model/LocalsCache.h"
#include "model/ModelAssert.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/TraceSink.h"

Element::Element()
    : Counter(1), Type(void_0), SubType(void_0), SubSubType(void_0), Flags(0), Address(0),
      Data(RawData), Error(0), Locals(nullptr), TypeName(nullptr), DeclSuffix(nullptr),
      HResult(S_OK), RawTypeName(nullptr), Size(0), Process(nullptr), BigData(nullptr),
      BigDataSize(0), NextChild(0), Offset(0), RawData(), OwnedSize(0) {
    // Counted here only: the other constructors delegate to this one, so each object
    // is counted once.
    orvel::model::CountElement(1);
}

Element::~Element() {
    orvel::ModelAssert(Counter == 0, "Counter == 0");
    orvel::model::CountElement(-1);
    FreeOwnedBuffer();
    delete[] BigData;
    if (TypeName) SysFreeString(TypeName);
    if (DeclSuffix) SysFreeString(DeclSuffix);
    if (RawTypeName) SysFreeString(RawTypeName);
    if (Locals) {
        char stats[96];
        std::snprintf(stats, sizeof stats, "LocalsCache Stats: Entries: %d, Hits: %d, Misses: %d",
                      Locals->Entries, Locals->Hits, Locals->Misses);
        orvel::TraceOutput("Orvel EE: ");
        orvel::TraceOutput(stats);
        orvel::TraceOutput("\n");
        delete Locals;
    }
    // The held interfaces and contexts release themselves.
}

int32_t Element::AddRef() {
    return ++Counter;
}

int32_t Element::Release() {
    // A release too many is reported and ignored rather than freeing twice.
    if (!orvel::ModelAssert(Counter > 0, "Counter > 0")) return Counter;
    if (--Counter > 0) return Counter;
    delete this;
    return 0;
}

void Element::PushType(ElementType t) {
    SubSubType = SubType;
    SubType = Type;
    Type = t;
}

ElementType Element::PopType() {
    Type = SubType;
    SubType = SubSubType;
    SubSubType = void_0;
    return Type;
}

bool Element::IsInteger() const {
    switch (Type) {
    case integer_1:
    case integer_2:
    case integer_4:
    case integer_8:
    case unsigned_1:
    case unsigned_2:
    case unsigned_4:
    case enumeration:
        return true;
    default:
        return false;
    }
}

bool Element::IsReal() const {
    return Type == real_4 || Type == real_8 || Type == real_10;
}

bool Element::IsComplex() const {
    return Type == complex_8 || Type == complex_16 || Type == complex_20;
}

bool Element::IsLogical() const {
    return Type == logical_1 || Type == logical_2 || Type == logical_4;
}

bool Element::IsNumeric() const {
    return IsInteger() || IsReal() || IsComplex();
}

bool Element::IsScalar() const {
    return IsNumeric() || IsLogical();
}

bool Element::IsPointer() const {
    return Type == pointer_4 || Type == array;
}

bool Element::IsSameNumericKind(const Element* Other) const {
    return Other && Other->Type == Type && IsNumeric();
}

bool Element::IsArrayLike() const {
    return Type == array || Type == allocatable_4 || (Type == pointer_4 && SubType == array);
}

bool Element::IsExpandable() const {
    if (Type == object_4) {
        // A managed object expands when the host knows its class, error or not.
        orvel::ComPtr<IDebugClassField> classField;
        return Field && SUCCEEDED(Field.As(IID_IDebugClassField, classField)) && classField;
    }
    if (Error) return false;
    switch (Type) {
    case structure:
    case array:
    case allocatable_4:
        return true;
    case pointer_4:
        return SubType == structure;
    default:
        return false;
    }
}

void Element::SetName(const char* NewName, const char* NewFullName) {
    if (!NewName) NewName = "";
    if (!NewFullName) NewFullName = NewName;
    // std::string reports a failed allocation by throwing; it must not leave the model.
    try {
        std::string name(NewName);
        std::string fullName(NewFullName);
        Name.swap(name);
        FullName.swap(fullName);
    } catch (const std::bad_alloc&) {
        Error = ErrBindFailure;
    }
}

HRESULT Element::GetName(BSTR* out) const {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    orvel::BstrHolder wide(orvel::NarrowToBstr(Name.c_str(), static_cast<int>(Name.size())));
    if (!wide.get()) return E_OUTOFMEMORY;
    const int length = static_cast<int>(wide.Length());
    const int start = orvel::DisplayNameStart(wide.get(), length);
    BSTR result = SysAllocStringLen(wide.get() + start, static_cast<UINT>(length - start));
    if (!result) return E_OUTOFMEMORY;
    orvel::UpperCaseAscii(result, length - start);
    *out = result;
    return S_OK;
}

#include "language/ValueStore.h"

#include <cstring>

#include "model/Element.h"

namespace orvel::lang {

namespace {

constexpr int RawSize = Element::RawDataSize;

void ClearAddressKnown(Element* e) {
    e->Flags = static_cast<uint8_t>(e->Flags & ~AddressKnown);
}

// v in little-endian order, sign-extended through the whole buffer.
void FillInt(uint8_t (&Bytes)[RawSize], int32_t v) {
    std::memset(Bytes, v < 0 ? 0xFF : 0, sizeof Bytes);
    std::memcpy(Bytes, &v, sizeof v);
}

int ClampedSize(int Size) {
    return (Size >= 1 && Size <= RawSize) ? Size : 4;
}

} // namespace

Element* MakeConstant(const void* Bytes, int Size, ElementType t) {
    Element* e = new Element();
    e->SetValue(Bytes, Size, t);
    return e;
}

Element* MakeInteger4(int32_t v) {
    return MakeConstant(&v, sizeof v, integer_4);
}

Element* MakeUnsigned4(uint32_t v) {
    return MakeConstant(&v, sizeof v, unsigned_4);
}

Element* MakeLogical4(bool v) {
    const int32_t Value = v ? 1 : 0;
    return MakeConstant(&Value, sizeof Value, logical_4);
}

Element* MakeReal(double d, ElementType t) {
    if (t == real_4) {
        const float f = static_cast<float>(d);
        return MakeConstant(&f, sizeof f, real_4);
    }
    // A real_10 holds the double's 8 bytes under its 10-byte kind, the way the Element
    // reads it back; the two bytes beyond are zero.
    uint8_t Bytes[RawSize] = {};
    std::memcpy(Bytes, &d, sizeof d);
    return MakeConstant(Bytes, t == real_10 ? 10 : 8, t == real_10 ? real_10 : real_8);
}

int NaturalSize(ElementType t, int Fallback) {
    switch (t) {
    case logical_1:
    case integer_1:
    case unsigned_1:
        return 1;
    case logical_2:
    case integer_2:
    case unsigned_2:
        return 2;
    case logical_4:
    case integer_4:
    case unsigned_4:
    case real_4:
    case pointer_4:
    case reference_4:
    case allocatable_4:
    case object_4:
        return 4;
    case logical_8:
    case integer_8:
    case unsigned_8:
    case real_8:
    case complex_8:
        return 8;
    case real_10:
        return 10;
    case complex_16:
        return 16;
    case complex_20:
        return 20;
    default:
        return Fallback;
    }
}

void StoreInt(Element* e, uint32_t v) {
    uint8_t Bytes[RawSize];
    FillInt(Bytes, static_cast<int32_t>(v));
    ClearAddressKnown(e);
    if (e->Size >= 1 && e->Size <= RawSize)
        e->SetIntValue(Bytes);
    else
        e->SetValue(Bytes, 4, e->Type);
}

void StoreReal(Element* e, double d) {
    // The setter may copy up to 10 bytes for real_10: hand it room beyond the double.
    const double Room[2] = {d, 0.0};
    ClearAddressKnown(e);
    e->SetRealValue(Room);
}

void StoreComplex(Element* e, const double Pair[2]) {
    // complex_20 copies 20 bytes: hand it room beyond the pair.
    const double Room[3] = {Pair[0], Pair[1], 0.0};
    ClearAddressKnown(e);
    e->SetComplexValue(Room);
}

void HeldValueToAddress(Element* e) {
    if (!e->HasValue() || e->HasFlag(AddressKnown)) return;
    e->Address = static_cast<DebuggeeAddress>(e->IntValue());
    e->Flags = static_cast<uint8_t>((e->Flags | AddressKnown) & ~HasValueFlag);
}

void ConvertToIntegerKind(Element* B, const Element* A) {
    uint8_t Bytes[RawSize];
    FillInt(Bytes, B->IntValue());
    ClearAddressKnown(B);
    B->SetValue(Bytes, ClampedSize(A->Size), A->Type);
}

void ConvertToRealKind(Element* B, const Element* A) {
    const double d = B->RealValue();
    const uint8_t Zero[RawSize] = {};
    B->SetValue(Zero, NaturalSize(A->Type, ClampedSize(A->Size)), A->Type);
    StoreReal(B, d);
}

void ConvertToComplexKind(Element* B, const Element* A) {
    double Pair[2] = {0.0, 0.0};
    B->ComplexValue(Pair);
    const uint8_t Zero[RawSize] = {};
    B->SetValue(Zero, NaturalSize(A->Type, ClampedSize(A->Size)), A->Type);
    StoreComplex(B, Pair);
}

} // namespace orvel::lang

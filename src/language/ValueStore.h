// How the expression engine makes constants and stores results into Elements. Every
// store goes through a buffer of the Element's full raw size, so an Element whose Size
// disagrees with its kind never makes a copy read past our bytes.
#pragma once

#include <cstdint>

#include "model/ElementType.h"

class Element;

namespace orvel::lang {

// A new Element (one reference) holding Size bytes of Bytes under kind t.
Element* MakeConstant(const void* Bytes, int Size, ElementType t);
Element* MakeInteger4(int32_t v);
Element* MakeUnsigned4(uint32_t v);
Element* MakeLogical4(bool v);
// A real constant of kind real_4, real_8 or real_10 holding d.
Element* MakeReal(double d, ElementType t);

// The value size of a kind, or Fallback for kinds without a fixed size.
int NaturalSize(ElementType t, int Fallback);

// Stores a 32-bit result in e's own width (sign-extended into wider kinds). The value is
// then held by e, no longer at a debuggee address.
void StoreInt(Element* e, uint32_t v);
// Stores d or a pair through the kind's own setter; the value is then held by e.
void StoreReal(Element* e, double d);
void StoreComplex(Element* e, const double Pair[2]);

// A pointer or reference whose value is held locally: that value becomes the debuggee
// address of what it designates.
void HeldValueToAddress(Element* e);

// Promotion steps: B takes A's kind, keeping its value as an integer, a real or a pair.
void ConvertToIntegerKind(Element* B, const Element* A);
void ConvertToRealKind(Element* B, const Element* A);
void ConvertToComplexKind(Element* B, const Element* A);

} // namespace orvel::lang

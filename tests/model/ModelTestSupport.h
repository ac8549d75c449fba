// Helpers for the variable model's tests: owned Elements, texts as std::string, and
// Elements built through the public surface.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "model/Element.h"
#include "platform/Bstr.h"
#include "platform/ComPtr.h"

namespace orvel::test {

using ElementPtr = ComPtr<Element>;

inline ElementPtr NewElement() {
    return ElementPtr::Adopt(new Element());
}

// ASCII stays as it is; anything else shows as \uXXXX so that a failure is readable.
inline std::string ToString(const OLECHAR* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        const unsigned unit = static_cast<unsigned>(text[i]);
        if (unit >= 0x20 && unit < 0x7F) {
            out += static_cast<char>(unit);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unit);
            out += escaped;
        }
    }
    return out;
}

// Takes ownership of b.
inline std::string TakeString(BSTR b) {
    if (!b) return "<null>";
    std::string out = ToString(b, SysStringLen(b));
    SysFreeString(b);
    return out;
}

inline BSTR WideCopy(const char* ascii) {
    std::basic_string<OLECHAR> wide(ascii, ascii + std::strlen(ascii));
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

inline std::string PrintOf(Element& e) {
    BSTR b = nullptr;
    e.Print(b);
    return TakeString(b);
}

inline std::string DeclarationOf(Element& e) {
    char buf[1024];
    e.TypeDeclaration(buf, sizeof buf);
    return buf;
}

// An Element holding the given bytes as a value of kind t.
inline ElementPtr ValueElement(ElementType t, const void* bytes, int size) {
    ElementPtr e = NewElement();
    e->SetValue(bytes, size, t);
    return e;
}

template <class T> ElementPtr ValueOf(ElementType t, T value) {
    return ValueElement(t, &value, sizeof value);
}

// Fills dimension i the way the compiler's records describe it: lower bound, count,
// declared extent; strides and multipliers fold in the lower dimensions.
struct Dim {
    int32_t lower;
    int32_t upper;
    int32_t boundOfset = 0;
};

inline void SetShape(ArrayDesc& shape, int32_t elemSize, std::initializer_list<Dim> dims) {
    shape.Clear();
    shape.ElemSize = elemSize;
    // Unsigned arithmetic: extreme test shapes wrap instead of overflowing.
    uint32_t stride = 1;
    uint32_t multiplier = 1;
    int i = 0;
    for (const Dim& d : dims) {
        const uint32_t extent = static_cast<uint32_t>(d.upper) - static_cast<uint32_t>(d.lower) + 1;
        shape.Lower[i] = d.lower;
        shape.Upper[i] = d.upper;
        shape.BoundSizes[i] = static_cast<int32_t>(extent);
        shape.BoundOfset[i] = d.boundOfset;
        shape.Stride[i] = static_cast<int32_t>(stride);
        shape.Multiplier[i] = multiplier;
        shape.Subscript[i] = d.lower;
        stride *= extent;
        multiplier *= extent;
        ++i;
    }
    shape.Rank = static_cast<int8_t>(i);
}

} // namespace orvel::test

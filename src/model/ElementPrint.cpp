// Element: the value text (Print).
#include <cstdio>
#include <cstring>

#include "host/HostObjects.h"
#include "model/Element.h"
#include "model/ElementText.h"
#include "model/NumberText.h"
#include "platform/Bstr.h"

namespace {

// Bytes of the value that the UNDEFINED test looks at, by kind.
int ValueWidth(ElementType kind) {
    switch (kind) {
    case logical_1:
    case integer_1:
        return 1;
    case logical_2:
    case integer_2:
        return 2;
    case logical_4:
    case integer_4:
    case real_4:
        return 4;
    case real_8:
    case complex_8:
        return 8;
    case complex_16:
        return 16;
    default:
        return 0;
    }
}

template <class T> T Load(const uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Control characters that would break the one-line value text.
char Printable(uint8_t byte) {
    return byte == 0 || byte == 9 || byte == 10 || byte == 13 ? '?' : static_cast<char>(byte);
}

// "(re, im)".
void AppendPair(orvel::WideText& text, const char* re, const char* im) {
    text.AppendNarrow("(");
    text.AppendNarrow(re);
    text.AppendNarrow(", ");
    text.AppendNarrow(im);
    text.AppendNarrow(")");
}

} // namespace

void Element::Print(BSTR& bstr) {
    orvel::WideText text;
    if (!Error) {
        if (Type == void_0) {
            text.AppendNarrow("UNKNOWN");
        } else {
            const ElementType kind = FetchValue();
            if (!Error) PrintValue(kind, text);
        }
    }
    // An error found while fetching is shown as such.
    if (Error) {
        text.Clear();
        PrintError(text);
    }
    bstr = text.ToBstr();
}

void Element::PrintError(orvel::WideText& text) const {
    char line[64];
    switch (Error) {
    case ErrUnknownKind:
        text.AppendNarrow("UNKNOWN");
        return;
    case ErrHostCall:
        std::snprintf(line, sizeof line, "Error, HRESULT = %8x", static_cast<unsigned>(HResult));
        text.AppendNarrow(line);
        return;
    case ErrNotLocated:
        text.AppendNarrow("Variable could not be located.");
        return;
    case ErrNoTarget: {
        const ElementType target = Type == pointer_4 ? SubType : Type;
        if (target == structure)
            text.AppendNarrow("Not pointing at a target.");
        else if (target == array || target == allocatable_4)
            text.AppendNarrow("Not allocated.");
        else
            text.AppendNarrow("Invalid pointer.");
        return;
    }
    default:
        std::snprintf(line, sizeof line, "Error %d", static_cast<int>(Error));
        text.AppendNarrow(line);
        return;
    }
}

void Element::PrintValue(ElementType kind, orvel::WideText& text) {
    const int width = ValueWidth(kind);
    if (width && IsUndefined(width)) {
        text.AppendNarrow("UNDEFINED");
        return;
    }
    uint8_t bytes[16];
    ReadValueBytes(bytes, sizeof bytes);
    char line[128];
    char second[64];
    // The length of a number text in line, which is plain ASCII.
    int number = -1;
    switch (kind) {
    case logical_1:
    case logical_2:
    case logical_4:
        // Only the first byte decides, as the Fortran runtime tests it.
        text.AppendNarrow(bytes[0] ? ".TRUE." : ".FALSE.");
        return;
    case integer_1:
        number = orvel::IntegerText(Load<int8_t>(bytes), line, sizeof line);
        break;
    case integer_2:
        number = orvel::IntegerText(Load<int16_t>(bytes), line, sizeof line);
        break;
    case integer_4:
        number = orvel::IntegerText(Load<int32_t>(bytes), line, sizeof line);
        break;
    case real_4:
        std::snprintf(line, sizeof line, "%#g", static_cast<double>(Load<float>(bytes)));
        break;
    case real_8:
        number = orvel::GeneralText(Load<double>(bytes), 15, line, sizeof line);
        break;
    case complex_8:
        std::snprintf(line, sizeof line, "(%#g, %#g)", static_cast<double>(Load<float>(bytes)),
                      static_cast<double>(Load<float>(bytes + 4)));
        break;
    case complex_16:
        orvel::GeneralText(Load<double>(bytes), 15, line, sizeof line);
        orvel::GeneralText(Load<double>(bytes + 8), 15, second, sizeof second);
        AppendPair(text, line, second);
        return;
    case allocatable_4:
        text.AppendNarrow(Array.Rank == 0 ? "Unallocated" : "{...}");
        return;
    case structure: {
        bool null = false;
        if (Flags & AddressKnown) {
            uint8_t target[4];
            null = Address == 0 || (Type == pointer_4 &&
                                    CopyDebuggeeMemory(target, 0, sizeof target) == sizeof target &&
                                    Load<uint32_t>(target) == 0);
        }
        if (null) {
            text.AppendNarrow("Null");
        } else {
            text.AppendNarrow("TYPE(");
            if (TypeName) text.AppendWide(TypeName, static_cast<int>(SysStringLen(TypeName)));
            text.AppendNarrow(")");
        }
        return;
    }
    case array: {
        char declaration[512];
        TypeDeclaration(declaration, sizeof declaration);
        text.AppendNarrow(declaration);
        return;
    }
    case string:
        PrintString(text);
        return;
    case common:
        text.AppendNarrow("/");
        text.AppendNarrow(Name.c_str(), static_cast<int>(Name.size()));
        text.AppendNarrow("/");
        return;
    case object_4: {
        BOOL isNull = FALSE;
        const bool nullReference = Object && SUCCEEDED(Object->IsNullReference(&isNull)) && isNull;
        text.AppendNarrow(nullReference ? "Null Reference" : "{...}");
        return;
    }
    default:
        text.AppendNarrow("UNKNOWN TYPE");
        return;
    }
    if (number >= 0)
        text.AppendAscii(line, number);
    else
        text.AppendNarrow(line);
}

void Element::PrintString(orvel::WideText& text) {
    // Both quotes and all MaxPrintedChars characters fit the value text (a quoted
    // string takes at most 202 of its 255 characters), so a long string is cut to its
    // first MaxPrintedChars characters and keeps its closing quote.
    int length = Size < 0 ? 0 : (Size > MaxPrintedChars ? MaxPrintedChars : Size);
    uint8_t bytes[MaxPrintedChars];
    if (Flags & AddressKnown) {
        if (CopyDebuggeeMemory(bytes, 0, static_cast<SIZE_T>(length)) <
            static_cast<SIZE_T>(length)) {
            text.AppendNarrow("Unable to read memory");
            return;
        }
    } else if (HasValue()) {
        const int capacity = DataCapacity();
        if (length > capacity) length = capacity;
        if (length > 0) std::memcpy(bytes, Data, static_cast<size_t>(length));
    } else {
        text.AppendNarrow("Debugger failure");
        return;
    }
    char quoted[MaxPrintedChars + 3];
    int n = 0;
    quoted[n++] = '\'';
    for (int i = 0; i < length; ++i)
        quoted[n++] = Printable(bytes[i]);
    quoted[n++] = '\'';
    text.AppendNarrow(quoted, n);
}

// Small text helpers shared by the Element's name, value and declaration texts.
#pragma once

#include "platform/PlatformTypes.h"

namespace orvel {

// Where the display form of a qualified name starts: past the first '~', then past the
// first '!' of the rest (so "MOD!counter" shows as "counter" before upper-casing).
int DisplayNameStart(const OLECHAR* Name, int Length);

// Upper-cases the ASCII letters in place: Fortran names are ASCII, and the result must
// not depend on the host's locale.
void UpperCaseAscii(OLECHAR* Text, int Length);
void UpperCaseAscii(char* Text);

// A bounded text builder: appends stop silently at the capacity, and the text is
// always NUL-terminated.
class NarrowText {
public:
    // KeepText: continue the text already in Buf instead of emptying it.
    NarrowText(char* Buf, int BufSize, bool KeepText = false);
    void Append(const char* Text);
    void Append(const char* Text, int Length);
    void Format(const char* Format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void Clear();
    int Length() const {
        return m_length;
    }
    const char* Text() const {
        return m_buf;
    }

private:
    char* m_buf;
    int m_size;
    int m_length;
};

// A wide text of at most Capacity characters, built by bounded appends.
class WideText {
public:
    static constexpr int Capacity = 255;

    // Only the text and its NUL are ever written, not the whole buffer: a value text is
    // made for every row of an array.
    WideText() { m_buf[0] = 0; }

    // Converts from the narrow code page; Length < 0 means up to the NUL.
    void AppendNarrow(const char* Text, int Length = -1);
    // Digits, signs and letters of a number: the same in every code page, so widened
    // byte for byte without a conversion.
    void AppendAscii(const char* Text, int Length);
    void AppendWide(const OLECHAR* Text, int Length);
    void Clear() {
        m_length = 0;
        m_buf[0] = 0;
    }
    int Length() const { return m_length; }
    const OLECHAR* Text() const { return m_buf; }
    // A new BSTR of the text; null only when out of memory.
    BSTR ToBstr() const;

private:
    OLECHAR m_buf[Capacity + 1];
    int m_length = 0;
};

} // namespace orvel

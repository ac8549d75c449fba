// UTF-16 text from the host's records, walked as code points and written as UTF-8. A
// surrogate without its partner stands for U+FFFD, so the output is always valid UTF-8.
// And the way back, for the texts the tool hands to the evaluator.
#pragma once

#include <string>

#include "RowSink.h"
#include "platform/Utf8.h"

inline void AppendCodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
}

template <class Visit> void ForEachCodePoint(OleText text, Visit&& visit) {
    const size_t size = text.size();
    for (size_t i = 0; i < size; ++i) {
        char32_t c = static_cast<char16_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDFFF) {
            const char32_t next = i + 1 < size ? static_cast<char16_t>(text[i + 1]) : 0;
            if (c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            } else {
                c = 0xFFFD;
            }
        }
        visit(c);
    }
}

inline std::basic_string<OLECHAR> OleTextOf(std::string_view utf8) {
    const std::u16string units = orvel::Utf8ToUtf16(utf8);
    return std::basic_string<OLECHAR>(units.begin(), units.end());
}

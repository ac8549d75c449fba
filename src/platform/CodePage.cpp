// Windows uses the system's ANSI code page through the real conversion functions;
// elsewhere the code page is Windows-1252, from the table below. Both keep the
// bounded-buffer contract of CodePage.h: a too-small buffer truncates, never fails.
#include "platform/CodePage.h"

#include <climits>
#include <cstring>

#include "platform/Bstr.h"

namespace {

int NarrowLength(const char* src, int srcLen) {
    if (!src) return 0;
    return srcLen >= 0 ? srcLen : static_cast<int>(std::strlen(src));
}

int WideLength(const OLECHAR* src, int srcLen) {
    if (!src) return 0;
    if (srcLen >= 0) return srcLen;
    int n = 0;
    while (src[n] && n < INT_MAX)
        ++n;
    return n;
}

bool IsHighSurrogate(OLECHAR c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(OLECHAR c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

#if ORVEL_WINDOWS

#include <vector>

namespace {

// A code page with multi-byte characters must not be cut inside a character.
int WholeCharacterPrefix(const char* text, int length, int limit, bool utf8) {
    if (utf8) {
        // Back up over continuation bytes to the start of the character at limit.
        int pos = limit;
        while (pos > 0 && (static_cast<BYTE>(text[pos]) & 0xC0) == 0x80)
            --pos;
        return pos;
    }
    int pos = 0;
    while (pos < length) {
        const int step = IsDBCSLeadByte(static_cast<BYTE>(text[pos])) ? 2 : 1;
        if (pos + step > limit) break;
        pos += step;
    }
    return pos;
}

// Each surrogate pair reduced to its high half; false (out untouched) when there is none.
bool CollapseSurrogatePairs(const OLECHAR* src, int length, std::vector<OLECHAR>& out) {
    bool any = false;
    for (int i = 0; i + 1 < length && !any; ++i)
        any = IsHighSurrogate(src[i]) && IsLowSurrogate(src[i + 1]);
    if (!any) return false;
    out.reserve(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        out.push_back(src[i]);
        if (IsHighSurrogate(src[i]) && i + 1 < length && IsLowSurrogate(src[i + 1])) ++i;
    }
    return true;
}

// A UTF-8 system code page takes neither WC_NO_BEST_FIT_CHARS nor a default-character
// report: there only ill-formed UTF-16 is lossy (a lone surrogate becomes U+FFFD), which
// WC_ERR_INVALID_CHARS detects.
void ConvertToUtf8(const OLECHAR* src, int length, std::vector<char>& out, bool& lossy) {
    DWORD flags = WC_ERR_INVALID_CHARS;
    int needed = WideCharToMultiByte(CP_UTF8, flags, src, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        lossy = true;
        flags = 0;
        needed = WideCharToMultiByte(CP_UTF8, flags, src, length, nullptr, 0, nullptr, nullptr);
    }
    if (needed <= 0) return;
    out.resize(static_cast<size_t>(needed));
    const int written =
        WideCharToMultiByte(CP_UTF8, flags, src, length, out.data(), needed, nullptr, nullptr);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
}

// Best-fit would show 'a' for U+0101 without telling anyone: we want '?' and the lossy
// flag, as on other platforms. No ANSI code page has characters beyond the BMP, yet the
// API gives each half of a surrogate pair its own '?': keep only the high half, which
// becomes the single '?' the pair stands for.
void ConvertToAnsi(const OLECHAR* src, int length, std::vector<char>& out, bool& lossy) {
    std::vector<OLECHAR> collapsed;
    if (CollapseSurrogatePairs(src, length, collapsed)) {
        src = collapsed.data();
        length = static_cast<int>(collapsed.size());
    }
    BOOL usedDefault = FALSE;
    const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, src, length, nullptr, 0,
                                           nullptr, nullptr);
    if (needed <= 0) return;
    out.resize(static_cast<size_t>(needed));
    const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, src, length, out.data(),
                                            needed, nullptr, &usedDefault);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    lossy = usedDefault != FALSE;
}

} // namespace

namespace orvel {

int NarrowToWide(const char* src, int srcLen, OLECHAR* dst, int dstCap) {
    if (!dst || dstCap <= 0) return 0;
    dst[0] = 0;
    const int length = NarrowLength(src, srcLen);
    if (length == 0) return 0;
    const int needed = MultiByteToWideChar(CP_ACP, 0, src, length, nullptr, 0);
    if (needed <= 0) return 0;
    int written;
    if (needed < dstCap) {
        written = MultiByteToWideChar(CP_ACP, 0, src, length, dst, dstCap - 1);
    } else {
        // The API fails rather than truncates, so convert in full and keep the head.
        try {
            std::vector<OLECHAR> all(static_cast<size_t>(needed));
            written = MultiByteToWideChar(CP_ACP, 0, src, length, all.data(), needed);
            if (written > dstCap - 1) written = dstCap - 1;
            if (written > 0 && IsHighSurrogate(all[written - 1])) --written;
            if (written > 0) std::memcpy(dst, all.data(), written * sizeof(OLECHAR));
        } catch (...) {
            written = 0;
        }
    }
    if (written < 0) written = 0;
    dst[written] = 0;
    return written;
}

int WideToNarrow(const OLECHAR* src, int srcLen, char* dst, int dstCap, bool* lossy) {
    if (lossy) *lossy = false;
    if (!dst || dstCap <= 0) return 0;
    dst[0] = 0;
    const int length = WideLength(src, srcLen);
    if (length == 0) return 0;

    int written = 0;
    bool usedDefault = false;
    try {
        std::vector<char> all;
        const bool utf8 = GetACP() == CP_UTF8;
        if (utf8)
            ConvertToUtf8(src, length, all, usedDefault);
        else
            ConvertToAnsi(src, length, all, usedDefault);
        written = static_cast<int>(all.size());
        if (written > dstCap - 1)
            written = WholeCharacterPrefix(all.data(), written, dstCap - 1, utf8);
        if (written > 0) std::memcpy(dst, all.data(), written);
    } catch (...) {
        written = 0;
    }
    dst[written] = 0;
    if (lossy) *lossy = usedDefault;
    return written;
}

} // namespace orvel

#else // !ORVEL_WINDOWS

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined map to
// the C1 control of the same value, as Windows maps them.
constexpr char16_t HighControlRange[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

char16_t ByteToUnit(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) return HighControlRange[b - 0x80];
    return b;
}

// The byte for one UTF-16 unit, or -1 when the code page has none.
int UnitToByte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int i = 0; i < 32; ++i)
        if (HighControlRange[i] == c) return 0x80 + i;
    return -1;
}

} // namespace

namespace orvel {

int NarrowToWide(const char* src, int srcLen, OLECHAR* dst, int dstCap) {
    if (!dst || dstCap <= 0) return 0;
    const int length = NarrowLength(src, srcLen);
    const int count = length < dstCap - 1 ? length : dstCap - 1;
    for (int i = 0; i < count; ++i)
        dst[i] = ByteToUnit(static_cast<unsigned char>(src[i]));
    dst[count] = 0;
    return count;
}

int WideToNarrow(const OLECHAR* src, int srcLen, char* dst, int dstCap, bool* lossy) {
    if (lossy) *lossy = false;
    if (!dst || dstCap <= 0) return 0;
    const int length = WideLength(src, srcLen);
    int written = 0;
    // The whole source is scanned even once dst is full, so that *lossy speaks for all
    // of it, as the Windows conversion does.
    for (int i = 0; i < length; ++i) {
        int b = UnitToByte(src[i]);
        if (b < 0) {
            // A surrogate pair is one character, so it becomes a single '?'.
            if (IsHighSurrogate(src[i]) && i + 1 < length && IsLowSurrogate(src[i + 1])) ++i;
            b = '?';
            if (lossy) *lossy = true;
        }
        if (written < dstCap - 1) dst[written++] = static_cast<char>(b);
    }
    dst[written] = 0;
    return written;
}

} // namespace orvel

#endif // ORVEL_WINDOWS

namespace orvel {

BSTR NarrowToBstr(const char* src, int srcLen, int maxChars) {
    const int length = NarrowLength(src, srcLen);
    // No code page gives more UTF-16 units than it has bytes, so this is enough.
    int limit = length < maxChars ? length : maxChars;
    if (limit < 0) limit = 0;
    if (limit == INT_MAX) limit = INT_MAX - 1;
    BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(limit));
    if (!text) return nullptr;
    const int written = NarrowToWide(src, length, text, limit + 1);
    if (static_cast<UINT>(written) == SysStringLen(text)) return text;
    // Fewer units than bytes (a double-byte code page): the length prefix must match.
    BSTR exact = SysAllocStringLen(text, static_cast<UINT>(written));
    SysFreeString(text);
    return exact;
}

} // namespace orvel

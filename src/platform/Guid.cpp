#include "platform/Guid.h"

#include "platform/Unknown.h"

#if !ORVEL_WINDOWS
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
#endif

namespace {

// The 16 bytes of a GUID in text order: Data1..Data3 are shown as numbers, most
// significant digit first, whatever the memory order.
void GuidBytes(REFGUID guid, uint8_t (&bytes)[16]) {
    const uint32_t d1 = static_cast<uint32_t>(guid.Data1);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(d1 >> (24 - 8 * i));
    bytes[4] = static_cast<uint8_t>(guid.Data2 >> 8);
    bytes[5] = static_cast<uint8_t>(guid.Data2);
    bytes[6] = static_cast<uint8_t>(guid.Data3 >> 8);
    bytes[7] = static_cast<uint8_t>(guid.Data3);
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = guid.Data4[i];
}

// Byte indexes after which the text form has a hyphen.
bool HyphenAfter(int byteIndex) {
    return byteIndex == 3 || byteIndex == 5 || byteIndex == 7 || byteIndex == 9;
}

// Writes the braced form into out (GuidTextLength units, no NUL).
template <class Char> void FormatGuid(REFGUID guid, Char* out) {
    static const char digits[] = "0123456789ABCDEF";
    uint8_t bytes[16];
    GuidBytes(guid, bytes);
    int pos = 0;
    out[pos++] = '{';
    for (int i = 0; i < 16; ++i) {
        out[pos++] = static_cast<Char>(digits[bytes[i] >> 4]);
        out[pos++] = static_cast<Char>(digits[bytes[i] & 0xF]);
        if (HyphenAfter(i)) out[pos++] = '-';
    }
    out[pos++] = '}';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

#if !ORVEL_WINDOWS
int StringFromGUID2(REFGUID guid, LPOLESTR text, int cchMax) {
    if (!text || cchMax < orvel::GuidTextLength + 1) return 0;
    FormatGuid(guid, text);
    text[orvel::GuidTextLength] = 0;
    return orvel::GuidTextLength + 1;
}
#endif

namespace orvel {

bool GuidFromString(const char* text, GUID* out) {
    if (!text || !out) return false;
    const bool braced = text[0] == '{';
    const char* p = braced ? text + 1 : text;
    uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) {
        // Each read stops at the first bad character, so a short string never reads
        // past its NUL.
        const int hi = HexValue(*p);
        if (hi < 0) return false;
        const int lo = HexValue(*++p);
        if (lo < 0) return false;
        ++p;
        bytes[i] = static_cast<uint8_t>(hi << 4 | lo);
        if (HyphenAfter(i) && *p++ != '-') return false;
    }
    if (braced && *p++ != '}') return false;
    if (*p != '\0') return false;

    GUID g;
    g.Data1 = static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
              static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
    g.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    g.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = bytes[8 + i];
    *out = g;
    return true;
}

std::string GuidToString(REFGUID guid) {
    char text[GuidTextLength];
    FormatGuid(guid, text);
    return std::string(text, GuidTextLength);
}

} // namespace orvel

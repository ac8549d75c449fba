// Portable BSTR: [4-byte byte count][text][NUL unit]; the BSTR points at the text.
// The byte count excludes the NUL. Windows supplies its own, so this is empty there.
#include "platform/Bstr.h"

#if !ORVEL_WINDOWS

#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t PrefixBytes = sizeof(uint32_t);
// The terminating NUL unit, plus one spare byte so that an odd byte count still ends
// in a whole zero unit.
constexpr size_t TrailerBytes = sizeof(OLECHAR) + 1;
// The largest byte count whose whole block still fits in 32 bits, as a BSTR's
// length prefix must.
constexpr uint64_t MaxBytes = UINT32_MAX - PrefixBytes - TrailerBytes;

BSTR AllocateBytes(const void* text, uint64_t byteLength) {
    if (byteLength > MaxBytes) return nullptr;
    const size_t total = PrefixBytes + static_cast<size_t>(byteLength) + TrailerBytes;
    auto* block = static_cast<unsigned char*>(std::malloc(total));
    if (!block) return nullptr;
    const uint32_t prefix = static_cast<uint32_t>(byteLength);
    std::memcpy(block, &prefix, PrefixBytes);
    unsigned char* body = block + PrefixBytes;
    if (text)
        std::memcpy(body, text, static_cast<size_t>(byteLength));
    else
        std::memset(body, 0, static_cast<size_t>(byteLength));
    std::memset(body + byteLength, 0, TrailerBytes);
    return reinterpret_cast<BSTR>(body);
}

const unsigned char* PrefixOf(BSTR text) {
    return reinterpret_cast<const unsigned char*>(text) - PrefixBytes;
}

} // namespace

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    uint64_t length = 0;
    while (text[length])
        ++length;
    return AllocateBytes(text, length * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    return AllocateBytes(text, static_cast<uint64_t>(length) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length) {
    return AllocateBytes(bytes, length);
}

UINT SysStringByteLen(BSTR text) {
    if (!text) return 0;
    uint32_t prefix;
    std::memcpy(&prefix, PrefixOf(text), PrefixBytes);
    return prefix;
}

UINT SysStringLen(BSTR text) {
    return SysStringByteLen(text) / sizeof(OLECHAR);
}

void SysFreeString(BSTR text) {
    if (text) std::free(const_cast<unsigned char*>(PrefixOf(text)));
}

#endif // !ORVEL_WINDOWS

// BSTR: length-prefixed UTF-16 text. Windows supplies these functions; elsewhere we
// provide them with the same layout (a 4-byte byte count before the text, a
// terminating NUL after it).
#pragma once

#include "platform/PlatformTypes.h"

#if !ORVEL_WINDOWS
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);
// Copies length bytes (or allocates them zeroed when bytes is null); the result may
// hold an odd number of bytes. Used to copy a BSTR exactly.
BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length);
void SysFreeString(BSTR text);
#endif

namespace orvel {
// Owns one BSTR; frees it on destruction.
class BstrHolder {
public:
    BstrHolder() = default;
    explicit BstrHolder(BSTR b) : m_bstr(b) {}
    BstrHolder(const BstrHolder&) = delete;
    BstrHolder& operator=(const BstrHolder&) = delete;
    ~BstrHolder() { Reset(); }
    void Reset(BSTR b = nullptr) {
        if (m_bstr) SysFreeString(m_bstr);
        m_bstr = b;
    }
    BSTR* put() {
        Reset();
        return &m_bstr;
    }
    [[nodiscard]] BSTR Detach() {
        BSTR b = m_bstr;
        m_bstr = nullptr;
        return b;
    }
    BSTR get() const { return m_bstr; }
    UINT Length() const { return m_bstr ? SysStringLen(m_bstr) : 0; }

private:
    BSTR m_bstr = nullptr;
};
} // namespace orvel

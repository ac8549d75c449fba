#include "model/ElementText.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/Bstr.h"
#include "platform/CodePage.h"

namespace orvel {

int DisplayNameStart(const OLECHAR* Name, int Length) {
    if (!Name || Length <= 0) return 0;
    int start = 0;
    for (int i = 0; i < Length; ++i) {
        if (Name[i] == '~') {
            start = i + 1;
            break;
        }
    }
    for (int i = start; i < Length; ++i) {
        if (Name[i] == '!') return i + 1;
    }
    return start;
}

void UpperCaseAscii(OLECHAR* Text, int Length) {
    if (!Text) return;
    for (int i = 0; i < Length; ++i) {
        if (Text[i] >= 'a' && Text[i] <= 'z') Text[i] = static_cast<OLECHAR>(Text[i] - 'a' + 'A');
    }
}

void UpperCaseAscii(char* Text) {
    if (!Text) return;
    for (; *Text; ++Text) {
        if (*Text >= 'a' && *Text <= 'z') *Text = static_cast<char>(*Text - 'a' + 'A');
    }
}

NarrowText::NarrowText(char* Buf, int BufSize, bool KeepText)
    : m_buf(BufSize > 0 ? Buf : nullptr), m_size(m_buf ? BufSize : 0), m_length(0) {
    if (!m_buf) return;
    if (KeepText) {
        while (m_length < m_size - 1 && m_buf[m_length])
            ++m_length;
    }
    m_buf[m_length] = '\0';
}

void NarrowText::Append(const char* Text) {
    if (Text) Append(Text, static_cast<int>(std::strlen(Text)));
}

void NarrowText::Append(const char* Text, int Length) {
    if (!m_buf || !Text || Length <= 0) return;
    const int room = m_size - 1 - m_length;
    const int n = Length < room ? Length : room;
    if (n <= 0) return;
    std::memcpy(m_buf + m_length, Text, static_cast<size_t>(n));
    m_length += n;
    m_buf[m_length] = '\0';
}

void NarrowText::Format(const char* Format, ...) {
    if (!m_buf) return;
    va_list args;
    va_start(args, Format);
    const int room = m_size - m_length;
    const int n = std::vsnprintf(m_buf + m_length, static_cast<size_t>(room), Format, args);
    va_end(args);
    if (n < 0) {
        m_buf[m_length] = '\0';
        return;
    }
    m_length += n < room ? n : room - 1;
}

void NarrowText::Clear() {
    m_length = 0;
    if (m_buf) m_buf[0] = '\0';
}

void WideText::AppendNarrow(const char* Text, int Length) {
    if (!Text || Length == 0) return;
    m_length += NarrowToWide(Text, Length, m_buf + m_length, Capacity + 1 - m_length);
}

void WideText::AppendAscii(const char* Text, int Length) {
    if (!Text) return;
    for (int i = 0; i < Length && m_length < Capacity; ++i)
        m_buf[m_length++] = static_cast<OLECHAR>(static_cast<unsigned char>(Text[i]));
    m_buf[m_length] = 0;
}

void WideText::AppendWide(const OLECHAR* Text, int Length) {
    if (!Text) return;
    for (int i = 0; i < Length && m_length < Capacity; ++i)
        m_buf[m_length++] = Text[i];
    m_buf[m_length] = 0;
}

BSTR WideText::ToBstr() const {
    return SysAllocStringLen(m_buf, static_cast<UINT>(m_length));
}

} // namespace orvel

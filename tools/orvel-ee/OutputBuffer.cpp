#include "OutputBuffer.h"

#include <charconv>

OutputBuffer::OutputBuffer(std::FILE* out) : m_out(out) {
    m_text.reserve(kBlock + kBlock / 4);
}

OutputBuffer::~OutputBuffer() {
    Flush();
}

void OutputBuffer::AppendDecimal(uint64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    m_text.append(digits, result.ptr);
}

void OutputBuffer::AppendHresult(HRESULT hr) {
    static const char kHex[] = "0123456789ABCDEF";
    const auto bits = static_cast<uint32_t>(hr);
    char text[10] = {'0', 'x'};
    for (int i = 0; i < 8; ++i)
        text[2 + i] = kHex[(bits >> (28 - 4 * i)) & 0xF];
    m_text.append(text, sizeof text);
}

bool OutputBuffer::Flush() {
    if (!m_text.empty()) {
        if (std::fwrite(m_text.data(), 1, m_text.size(), m_out) != m_text.size()) m_failed = true;
        m_text.clear();
    }
    if (std::fflush(m_out) != 0) m_failed = true;
    return !m_failed;
}

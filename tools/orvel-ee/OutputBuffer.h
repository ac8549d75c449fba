// Standard output through one large buffer: rows are appended as bytes and handed to
// fwrite in big blocks, never flushed per row, so that a million rows cost little more
// than their formatting.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/PlatformTypes.h"

class OutputBuffer {
public:
    explicit OutputBuffer(std::FILE* out);
    ~OutputBuffer();
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    void Append(std::string_view text) {
        m_text.append(text.data(), text.size());
        if (m_text.size() >= kBlock) Flush();
    }
    void Append(char c) { m_text.push_back(c); }
    void Append(size_t count, char c) { m_text.append(count, c); }
    void AppendDecimal(uint64_t value);
    // "0x%08X".
    void AppendHresult(HRESULT hr);
    // Called between rows: writes the buffer out once it holds a block.
    void FlushIfFull() {
        if (m_text.size() >= kBlock) Flush();
    }
    // Writes what is buffered; true when every byte so far reached the stream.
    bool Flush();

    // The buffer itself, for writers that append many small pieces in a row.
    std::string& Text() { return m_text; }

private:
    static constexpr size_t kBlock = size_t(1) << 20;

    std::FILE* m_out;
    std::string m_text;
    bool m_failed = false;
};

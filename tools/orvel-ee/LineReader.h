// Lines of standard input for the interactive watch window. On a terminal: a prompt,
// and line editing and a history walked with the arrow keys where libedit is built in
// (not on Windows, whose console edits lines itself). Otherwise plain lines as they come,
// with no prompt, so that a script can feed them.
#pragma once

#include <cstdio>
#include <string>

class LineReader {
public:
    enum class Result { Line, TooLong, End };

    explicit LineReader(bool interactive);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line without its end. TooLong: a line longer than kMaxLine bytes, read
    // and dropped whole.
    Result Read(const char* prompt, std::string* line);
    // Adds a line to the history (no-op without line editing).
    void Remember(const std::string& line);

    static bool IsTerminal(std::FILE* stream);

    static constexpr size_t kMaxLine = size_t(1) << 20;

private:
    Result ReadPlain(std::string* line);

    bool m_interactive;
    bool m_editing = false;
    std::string m_last; // the last line remembered, not added twice in a row
};

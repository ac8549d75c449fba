#include "LineReader.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/PlatformTypes.h"

#if ORVEL_WINDOWS
#include <io.h>
#else
#include <unistd.h>
#endif

#if ORVEL_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

LineReader::LineReader(bool interactive) : m_interactive(interactive) {
#if ORVEL_HAVE_LIBEDIT
    if (m_interactive) {
        // Only the character type: libedit then takes UTF-8 input as characters. Numbers
        // and messages do not depend on the locale anywhere in the tool or the module.
        std::setlocale(LC_CTYPE, "");
        rl_readline_name = "orvel-ee";
        using_history();
        m_editing = true;
    }
#endif
}

bool LineReader::IsTerminal(std::FILE* stream) {
#if ORVEL_WINDOWS
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

LineReader::Result LineReader::Read(const char* prompt, std::string* line) {
    line->clear();
#if ORVEL_HAVE_LIBEDIT
    if (m_editing) {
        char* text = readline(prompt);
        if (!text) return Result::End;
        const size_t length = std::strlen(text);
        if (length <= kMaxLine) line->assign(text, length);
        std::free(text);
        return length <= kMaxLine ? Result::Line : Result::TooLong;
    }
#endif
    if (m_interactive) {
        std::fputs(prompt, stdout);
        std::fflush(stdout);
    }
    return ReadPlain(line);
}

LineReader::Result LineReader::ReadPlain(std::string* line) {
    char chunk[4096];
    bool any = false;
    bool tooLong = false;
    while (std::fgets(chunk, sizeof chunk, stdin)) {
        any = true;
        size_t length = std::strlen(chunk);
        const bool ended = length > 0 && chunk[length - 1] == '\n';
        if (ended) --length;
        if (!tooLong && line->size() + length > kMaxLine) {
            tooLong = true;
            line->clear();
            line->shrink_to_fit();
        }
        if (!tooLong) line->append(chunk, length);
        if (ended) break;
    }
    if (!any) return Result::End;
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return tooLong ? Result::TooLong : Result::Line;
}

void LineReader::Remember(const std::string& line) {
    if (!m_editing || line.empty() || line == m_last) return;
#if ORVEL_HAVE_LIBEDIT
    add_history(line.c_str());
#endif
    m_last = line;
}

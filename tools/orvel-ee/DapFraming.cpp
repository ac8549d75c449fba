#include "DapFraming.h"

#include <cctype>
#include <cstdlib>

#include "platform/PlatformTypes.h"

#if ORVEL_WINDOWS
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// A header line longer than this is no header a client sends; it stops the read.
constexpr size_t kMaxHeaderLine = 1024;
// Larger bodies are refused rather than allocated.
constexpr unsigned long long kMaxBody = 64ull << 20;

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= text.size()) return false;
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

} // namespace

DapFraming::DapFraming(FILE* in, FILE* out) : m_in(in), m_out(out) {
#if ORVEL_WINDOWS
    // The lengths count bytes: no "\r\n" translation on either side.
    _setmode(_fileno(in), _O_BINARY);
    _setmode(_fileno(out), _O_BINARY);
#endif
}

bool DapFraming::ReadLine(std::string* line) {
    line->clear();
    for (;;) {
        const int c = std::fgetc(m_in);
        if (c == EOF) return false;
        if (c == '\n') break;
        if (line->size() >= kMaxHeaderLine) return false;
        line->push_back(static_cast<char>(c));
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return true;
}

FrameRead DapFraming::Read(std::string* body) {
    std::string line;
    bool any = false;
    bool haveLength = false;
    unsigned long long length = 0;
    for (;;) {
        if (!ReadLine(&line)) return any ? FrameRead::Bad : FrameRead::EndOfFile;
        if (line.empty()) {
            if (!any) continue; // stray blank lines between messages
            break;
        }
        any = true;
        static const char kLength[] = "Content-Length:";
        if (!StartsWithNoCase(line, kLength)) continue;
        const char* digits = line.c_str() + sizeof kLength - 1;
        while (*digits == ' ' || *digits == '\t')
            ++digits;
        char* end = nullptr;
        length = std::strtoull(digits, &end, 10);
        haveLength = end != digits && std::isdigit(static_cast<unsigned char>(*digits));
        while (haveLength && (*end == ' ' || *end == '\t'))
            ++end;
        if (haveLength && *end != '\0') haveLength = false;
    }
    if (!haveLength || length > kMaxBody) return FrameRead::Bad;
    body->assign(static_cast<size_t>(length), '\0');
    if (length > 0 && std::fread(&(*body)[0], 1, body->size(), m_in) != body->size())
        return FrameRead::Bad;
    return FrameRead::Message;
}

bool DapFraming::Write(const std::string& body) {
    const std::string header = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    if (std::fwrite(header.data(), 1, header.size(), m_out) != header.size()) return false;
    if (!body.empty() && std::fwrite(body.data(), 1, body.size(), m_out) != body.size())
        return false;
    return std::fflush(m_out) == 0;
}

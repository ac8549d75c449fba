#include "platform/Trace.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/CodePage.h"
#include "platform/PlatformTypes.h"
#include "platform/TraceSink.h"

namespace orvel {
namespace {

constexpr char kPrefix[] = "Orvel EE: ";
constexpr size_t kBufferSize = 1024; // the formatted text and its NUL

std::string WideToTraceText(const OLECHAR* text) {
    if (!text) return "(null)";
    int length = 0;
    while (text[length])
        ++length;
    std::string narrow(static_cast<size_t>(length) * 2 + 1, '\0');
    const int written = WideToNarrow(text, length, &narrow[0], static_cast<int>(narrow.size()));
    narrow.resize(static_cast<size_t>(written));
    return narrow;
}

// Formats one conversion that the C library knows; spec holds no '*'.
template <class T> std::string FormatOne(const std::string& spec, T value) {
    char piece[kBufferSize];
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    const int n = std::snprintf(piece, sizeof piece, spec.c_str(), value);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return n < 0 ? std::string()
                 : std::string(piece, std::min<size_t>(size_t(n), sizeof piece - 1));
}

// An integer conversion: the length modifier says what was passed.
std::string FormatSigned(const std::string& spec, const std::string& length, char conversion,
                         va_list& args) {
    if (length == "l") return FormatOne(spec + "ld", va_arg(args, long));
    if (length == "ll") return FormatOne(spec + "lld", va_arg(args, long long));
    if (length == "z" || length == "t") return FormatOne(spec + "td", va_arg(args, ptrdiff_t));
    if (length == "j") return FormatOne(spec + "jd", va_arg(args, intmax_t));
    return FormatOne(spec + length + conversion, va_arg(args, int)); // h and hh promote
}

std::string FormatUnsigned(const std::string& spec, const std::string& length, char conversion,
                           va_list& args) {
    if (length == "l") return FormatOne(spec + "l" + conversion, va_arg(args, unsigned long));
    if (length == "ll")
        return FormatOne(spec + "ll" + conversion, va_arg(args, unsigned long long));
    if (length == "z" || length == "t")
        return FormatOne(spec + "z" + conversion, va_arg(args, size_t));
    if (length == "j") return FormatOne(spec + "j" + conversion, va_arg(args, uintmax_t));
    return FormatOne(spec + length + conversion, va_arg(args, unsigned));
}

// One conversion after its '%': appends the result to out and returns the position after
// it. The C library does the work; we only pick the argument type, turn '*' into
// numbers and wide strings into narrow ones.
const char* FormatConversion(const char* p, va_list* argp, std::string& out) {
    va_list& args = *argp;
    std::string spec = "%";
    while (*p && std::strchr("-+ #0", *p))
        spec += *p++;
    for (int part = 0; part < 2; ++part) { // width, then precision
        if (part == 1) {
            if (*p != '.') break;
            spec += *p++;
        }
        if (*p == '*') {
            spec += std::to_string(va_arg(args, int));
            ++p;
        }
        while (*p >= '0' && *p <= '9')
            spec += *p++;
    }
    std::string length;
    while (*p && std::strchr("hljztL", *p))
        length += *p++;
    const char conversion = *p;
    if (!conversion) {
        out += spec + length;
        return p;
    }
    ++p;
    switch (conversion) {
    case 'd':
    case 'i':
        out += FormatSigned(spec, length, conversion, args);
        break;
    case 'u':
    case 'o':
    case 'x':
    case 'X':
        out += FormatUnsigned(spec, length, conversion, args);
        break;
    case 'c':
        out += FormatOne(spec + 'c', va_arg(args, int));
        break;
    case 's':
        if (length == "l") {
            out += FormatOne(spec + 's', WideToTraceText(va_arg(args, const OLECHAR*)).c_str());
        } else {
            const char* text = va_arg(args, const char*);
            out += FormatOne(spec + 's', text ? text : "(null)");
        }
        break;
    case 'S':
        out += FormatOne(spec + 's', WideToTraceText(va_arg(args, const OLECHAR*)).c_str());
        break;
    case 'p':
        out += FormatOne(spec + 'p', va_arg(args, void*));
        break;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        if (length == "L")
            out += FormatOne(spec + 'L' + conversion, va_arg(args, long double));
        else
            out += FormatOne(spec + conversion, va_arg(args, double));
        break;
    case 'n':
        (void)va_arg(args, void*); // never written through: a trace line changes nothing
        break;
    default:
        out += spec + length + conversion;
        break;
    }
    return p;
}

std::string FormatTraceText(const char* format, va_list* args) {
    std::string out;
    const char* p = format;
    while (*p && out.size() < kBufferSize - 1) {
        if (*p != '%') {
            out += *p++;
        } else if (p[1] == '%') {
            out += '%';
            p += 2;
        } else {
            p = FormatConversion(p + 1, args, out);
        }
    }
    if (out.size() > kBufferSize - 1) out.resize(kBufferSize - 1);
    return out;
}

} // namespace

void TraceV(const char* format, va_list args) {
    if (!format) return;
    std::string text;
    try {
        va_list copy;
        va_copy(copy, args);
        text = FormatTraceText(format, &copy);
        va_end(copy);
    } catch (...) {
        return; // out of memory: no line rather than a failure of the traced call
    }
    TraceOutput(kPrefix);
    TraceOutput(text.c_str());
    TraceOutput("\n");
}

void Trace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    TraceV(format, args);
    va_end(args);
}

} // namespace orvel

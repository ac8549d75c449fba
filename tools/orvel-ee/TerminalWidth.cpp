#include "TerminalWidth.h"

#include <cstdlib>

#include "platform/PlatformTypes.h"

#if ORVEL_WINDOWS
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

int WidthFromEnvironment() {
    const char* text = std::getenv("COLUMNS");
    if (!text || !*text) return 0;
    char* end = nullptr;
    const long columns = std::strtol(text, &end, 10);
    if (*end != '\0' || columns <= 0 || columns > 100000) return 0;
    return static_cast<int>(columns);
}

int TerminalColumns(std::FILE* stream) {
#if ORVEL_WINDOWS
    HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(console, &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
#else
    const int fd = fileno(stream);
    if (!isatty(fd)) return 0;
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
#endif
}

} // namespace

int OutputWidth(std::FILE* stream) {
    if (const int columns = WidthFromEnvironment()) return columns;
    return TerminalColumns(stream);
}

// orvel-ee: the evaluator module driven as a debugger host drives it, over a stopped
// program served by the substitute host. See UsageText (Commands.cpp) for the commands.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Commands.h"
#include "HostSession.h"
#include "OutputBuffer.h"
#include "platform/PlatformTypes.h"

#if ORVEL_WINDOWS
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include "platform/Utf8.h"
#endif

#ifndef ORVEL_EE_VERSION
#define ORVEL_EE_VERSION "0.0.0"
#endif

namespace {

constexpr int kExitUsage = 2;

// The arguments as UTF-8. Windows hands a program its arguments in the ANSI code page,
// which cannot hold every expression; the wide command line can.
std::vector<std::string> Arguments(int argc, char** argv) {
    std::vector<std::string> args;
#if ORVEL_WINDOWS
    (void)argc;
    (void)argv;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i)
        args.push_back(orvel::Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
    if (wide) LocalFree(wide);
#else
    args.assign(argv + 1, argv + argc);
#endif
    return args;
}

#if ORVEL_WINDOWS
// The console's code page outlives the process, so it is put back at exit.
UINT g_consoleCodePage = 0;

void RestoreConsoleCodePage() {
    SetConsoleOutputCP(g_consoleCodePage);
}
#endif

// Output bytes as they are: "\n" line ends and UTF-8 text on every platform.
void PrepareStandardOutput() {
#if ORVEL_WINDOWS
    _setmode(_fileno(stdout), _O_BINARY);
    g_consoleCodePage = GetConsoleOutputCP();
    if (g_consoleCodePage != 0 && g_consoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreConsoleCodePage);
#endif
}

int Complain(const std::string& message, bool usage) {
    std::fprintf(stderr, "orvel-ee: %s%s\n", message.c_str(),
                 usage ? " (see orvel-ee --help)" : "");
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    PrepareStandardOutput();
    CommandLine options;
    std::string error;
    if (!options.Parse(Arguments(argc, argv), &error)) return Complain(error, true);
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("orvel-ee " ORVEL_EE_VERSION);
        return 0;
    }
    const Command* command = FindCommand(options.command);
    if (!command) return Complain("unknown command '" + options.command + "'", true);
    error = CheckOperands(*command, options);
    if (!error.empty()) return Complain(error, true);
    if (command->serve) return command->serve(options);

    std::unique_ptr<HostSession> session = HostSession::Open(options, &error);
    if (!session) return Complain(error, false);
    OutputBuffer out(stdout);
    const int status = command->run(options, *session, out);
    if (!out.Flush()) return Complain("cannot write the output", false);
    return status;
}

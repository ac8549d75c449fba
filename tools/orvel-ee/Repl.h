// The interactive watch window: one session for many lines, so that an edit made with
// :set shows in the rows read after it. An expression gives its row; a line that starts
// with ':' is one of the window's own commands (kCommands, :help lists them).
//
// On a terminal it prompts, and edits lines and keeps their history where the line
// reader can; otherwise it reads one line at a time as a script gives them and answers
// each with no prompt: one row per expression.
#pragma once

#include <memory>
#include <string>

#include "CommandLine.h"
#include "HostSession.h"
#include "OutputBuffer.h"
#include "RowSink.h"

class Repl {
public:
    Repl(const CommandLine& options, HostSession& session, OutputBuffer& out);

    // Until :quit or the end of the input. The exit status: 0, or 1 when a line failed
    // (an expression that did not parse, a failed :set, a command that was not one).
    int Run();

    // The window's commands, for :help and the tool's usage text.
    static std::string HelpText();

private:
    enum class Step { Done, Failed, Quit };
    struct ReplCommand {
        const char* name;
        const char* synopsis;
        const char* summary;
        Step (Repl::*run)(const std::string& operands);
    };
    static const ReplCommand kCommands[];

    Step RunLine(const std::string& line);
    // A table (with the column names when header is set), or JSON Lines.
    std::unique_ptr<RowSink> MakeSink(bool header);
    Step ShowRow(const std::string& expr);
    Step Locals(const std::string& operands);
    Step Expand(const std::string& operands);
    Step Set(const std::string& operands);
    Step Help(const std::string& operands);
    Step Quit(const std::string& operands);
    // One line on standard error, after the rows written so far.
    Step Complain(const std::string& message);

    const CommandLine& m_options;
    HostSession& m_session;
    OutputBuffer& m_out;
    bool m_interactive;
};

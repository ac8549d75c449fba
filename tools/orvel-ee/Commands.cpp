#include "Commands.h"

#include <cstdio>
#include <iterator>
#include <memory>

#include "DapServer.h"
#include "JsonSink.h"
#include "LineReader.h"
#include "LocalsEditor.h"
#include "Repl.h"
#include "ResultWalker.h"
#include "TableSink.h"
#include "TerminalWidth.h"

namespace {

// Watches over the demo program that show each kind of row: scalars of several types,
// a character value, array elements and arithmetic on them, a whole array, structure
// and pointer components, a module array at its last element, and an unknown name.
const char* const kDemoWatches[] = {
    "N",
    "I",
    "R",
    "GAIN",
    "TITLE",
    "U(3)",
    "U(3) * 2 + N",
    "U",
    "MESH%NX",
    "CURRENT->ID",
    "HISTORY(1000000)",
    "NOSUCH",
};

std::unique_ptr<RowSink> MakeSink(const CommandLine& options, OutputBuffer& out) {
    if (options.json) return std::make_unique<JsonSink>(out);
    return std::make_unique<TableSink>(out, OutputWidth(stdout));
}

int ShowAll(const std::vector<std::string>& expressions, const CommandLine& options,
            HostSession& session, OutputBuffer& out, WalkLimits limits) {
    const std::unique_ptr<RowSink> sink = MakeSink(options, out);
    ResultWalker walker(session, *sink, limits);
    int status = 0;
    for (const std::string& expr : expressions)
        if (!walker.Show(expr)) status = 1;
    sink->Finish();
    return status;
}

int RunEval(const CommandLine& options, HostSession& session, OutputBuffer& out) {
    return ShowAll(options.operands, options, session, out, WalkLimits{0, 0});
}

int RunExpand(const CommandLine& options, HostSession& session, OutputBuffer& out) {
    return ShowAll(options.operands, options, session, out,
                   WalkLimits{options.depth, options.maxRows});
}

int RunLocals(const CommandLine& options, HostSession& session, OutputBuffer& out) {
    const std::unique_ptr<RowSink> sink = MakeSink(options, out);
    ResultWalker walker(session, *sink, WalkLimits{options.depth, options.maxRows});
    const bool shown = walker.ShowLocals(LocalsFilterGuid(options.filter));
    sink->Finish();
    if (shown) return 0;
    std::fprintf(stderr, "orvel-ee: the evaluator gave no %s view\n",
                 LocalsFilterName(options.filter));
    return 1;
}

int RunSet(const CommandLine& options, HostSession& session, OutputBuffer& out) {
    // The text's words, for when it was not quoted: "set N 2 + 3".
    std::string text = options.operands[1];
    for (size_t i = 2; i < options.operands.size(); ++i)
        text += " " + options.operands[i];
    std::string error;
    const int status = LocalsEditor(session, options.filter)
                           .Set(options.operands[0], text, options.json, out, &error);
    if (status == 2) std::fprintf(stderr, "orvel-ee: %s\n", error.c_str());
    return status;
}

int RunRepl(const CommandLine& options, HostSession& session, OutputBuffer& out) {
    return Repl(options, session, out).Run();
}

// No command. The watch window when a person sits at a terminal on both ends; anything
// else (a pipe, a file, /dev/null, a CI job whose standard input is a script still
// being read) gets where the program stopped and, for the demo, a few watches of it,
// and standard input is never read: a run without a command must never wait for input
// nobody will type, nor eat input meant for someone else. 'repl' reads a script.
int RunOverview(const CommandLine& options, HostSession& session, OutputBuffer& out) {
    if (LineReader::IsTerminal(stdin) && LineReader::IsTerminal(stdout))
        return RunRepl(options, session, out);
    if (!options.json) {
        out.Append("Stopped in " + session.StopLocation() + "\n\n");
        if (!options.snapshot.empty()) {
            out.Append("Give 'eval EXPR...' or 'expand EXPR' to look at its variables.\n");
            return 0;
        }
    }
    if (!options.snapshot.empty()) return 0;
    const std::vector<std::string> watches(std::begin(kDemoWatches), std::end(kDemoWatches));
    return ShowAll(watches, options, session, out, WalkLimits{0, 0});
}

const Command kCommands[] = {
    {"", nullptr, nullptr, "", 0, 0, false, false, RunOverview, nullptr},
    {"eval", "eval EXPR...", "one row per expression: name, value and type", "an expression", 1, -1,
     false, false, RunEval, nullptr},
    {"expand", "expand EXPR... [--depth N] [--max-rows N]",
     "each row with its children as an indented tree: --depth levels of them\n"
     "      (default 1), at most --max-rows below each row (default 100)",
     "an expression", 1, -1, true, false, RunExpand, nullptr},
    {"locals", "locals [--filter F] [--depth N] [--max-rows N]",
     "the variables of the method where the program stopped, as the locals\n"
     "      window shows them, a tree as with 'expand'. --filter picks the view:\n"
     "      locals+args (default: the method's Fortran variables), locals, args\n"
     "      (the host's parameters), all, this",
     "", 0, 0, true, true, RunLocals, nullptr},
    {"set", "set [--filter F] PATH TEXT...",
     "types TEXT as the new value of the locals row at PATH (its row names from\n"
     "      the view down, joined by %, e.g. LOG%LINES; any case), then shows\n"
     "      SetValueAsString's result, whether the value was \"stored\" or\n"
     "      \"evaluated, not stored\" (or \"failed\"), and the row read again",
     "a path and a text", 2, -1, false, true, RunSet, nullptr},
    {"dap", "dap",
     "a Debug Adapter Protocol server on standard input and output; its launch\n"
     "      request names the snapshot (default: --snapshot, else the demo)",
     "", 0, 0, false, false, nullptr, RunDapServer},
    {"repl", "repl [--filter F] [--depth N] [--max-rows N]",
     "an interactive watch window (with line editing and history where built\n"
     "      in); on a pipe it reads one line at a time and answers each with no\n"
     "      prompt. Its lines:",
     "", 0, 0, true, true, RunRepl, nullptr},
};

// The commands that take an option, for the complaint about one that does not:
// "'expand', 'locals' and 'repl'".
std::string CommandsTaking(bool Command::*option) {
    std::vector<std::string> names;
    for (const Command& command : kCommands)
        if (command.*option) names.push_back("'" + std::string(command.name) + "'");
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

} // namespace

const Command* FindCommand(const std::string& name) {
    for (const Command& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

std::string CheckOperands(const Command& command, const CommandLine& options) {
    const std::string what = *command.name ? "'" + std::string(command.name) + "'" : "no command";
    const int given = static_cast<int>(options.operands.size());
    if (given < command.minOperands) return what + " needs " + command.operands;
    if (command.maxOperands == 0 && given > 0)
        return what + " takes no operands, not '" + options.operands[0] + "'";
    if (command.maxOperands > 0 && given > command.maxOperands)
        return what + " takes at most " + std::to_string(command.maxOperands) + " operands";
    if (!command.takesExpandLimits && (options.depthGiven || options.maxRowsGiven))
        return "--depth and --max-rows go with " + CommandsTaking(&Command::takesExpandLimits) +
               " only";
    if (!command.takesFilter && options.filterGiven)
        return "--filter goes with " + CommandsTaking(&Command::takesFilter) + " only";
    return std::string();
}

std::string UsageText() {
    std::string text =
        "Usage: orvel-ee [OPTIONS] [COMMAND [OPERAND...]]\n"
        "\n"
        "Evaluates Fortran watch expressions and shows the locals window as a debugger\n"
        "host does: the evaluator module is loaded and driven through its COM interfaces,\n"
        "over a stopped program that the substitute host serves from a snapshot.\n"
        "\n"
        "Without a command: on a terminal (standard input and output both), the\n"
        "interactive watch window of 'repl'; otherwise where the program stopped and a\n"
        "few watches of the demo program. Standard input is then never read, so that\n"
        "a script or a CI job cannot make it wait; feed lines to 'repl' instead.\n"
        "\n"
        "Commands:\n";
    for (const Command& command : kCommands) {
        if (!command.synopsis) continue;
        text += "  ";
        text += command.synopsis;
        text += "\n      ";
        text += command.summary;
        text += "\n";
    }
    // The window's own lines, under 'repl', the last row.
    std::string lines = Repl::HelpText();
    for (size_t at = 0; at < lines.size(); at = lines.find('\n', at) + 1)
        lines.insert(at, "    ");
    text += lines;
    text += "\n"
            "Options:\n"
            "  --json               JSON Lines: one object per expression or top-level row\n"
            "  --filter F           the locals view: " +
            LocalsFilterNames(", ") +
            "\n"
            "  --snapshot FILE      the stopped program (default: the built-in demo)\n"
            "  --activate beside|registry\n"
            "                       load the evaluator module beside the tool (default), or\n"
            "                       the one registered for the evaluator's class\n"
            "  --trace              the module's trace lines to standard error\n"
            "  -h, --help           this text\n"
            "  --version            the tool's version\n"
            "  --                   what follows is operands, also when it starts with -\n"
            "\n"
            "Environment:\n"
            "  ORVEL_MODULE_PATH    the evaluator module, when none is beside the tool\n"
            "  COLUMNS              the table's width (default: the terminal's; no limit\n"
            "                       when the output is not a terminal)\n"
            "\n"
            "Exit status: 0 when every expression parsed, 1 when one did not, 2 for a usage,\n"
            "snapshot or module error. 'locals': 1 when the evaluator gives no view. 'set':\n"
            "0 when SetValueAsString gave S_OK, 1 when not, 2 when no row has the path.\n"
            "'repl': 1 when a line failed.\n";
    return text;
}

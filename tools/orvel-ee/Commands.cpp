#include "Commands.h"

#include <cstdio>
#include <iterator>
#include <memory>

#include "JsonSink.h"
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

// No command: where the program stopped and, for the demo, a few watches of it.
int RunOverview(const CommandLine& options, HostSession& session, OutputBuffer& out) {
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
    {"", nullptr, nullptr, 0, 0, false, RunOverview},
    {"eval", "eval EXPR...", "one row per expression: name, value and type", 1, -1, false, RunEval},
    {"expand", "expand EXPR... [--depth N] [--max-rows N]",
     "each row with its children as an indented tree: --depth levels of them\n"
     "      (default 1), at most --max-rows below each row (default 100)",
     1, -1, true, RunExpand},
};

} // namespace

const Command* FindCommand(const std::string& name) {
    for (const Command& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

std::string CheckOperands(const Command& command, const CommandLine& options) {
    const std::string what = *command.name ? "'" + std::string(command.name) + "'" : "no command";
    const int given = static_cast<int>(options.operands.size());
    if (given < command.minOperands) return what + " needs an expression";
    if (command.maxOperands >= 0 && given > command.maxOperands)
        return what + " takes at most " + std::to_string(command.maxOperands) + " expressions";
    if (!command.takesExpandLimits && (options.depthGiven || options.maxRowsGiven))
        return "--depth and --max-rows go with 'expand' only";
    return std::string();
}

std::string UsageText() {
    std::string text =
        "Usage: orvel-ee [OPTIONS] [COMMAND [EXPR...]]\n"
        "\n"
        "Evaluates Fortran watch expressions as a debugger host does: the evaluator module\n"
        "is loaded and driven through its COM interfaces, over a stopped program that the\n"
        "substitute host serves from a snapshot. Without a command it shows where the\n"
        "program stopped and a few watches of the demo program.\n"
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
    text += "\n"
            "Options:\n"
            "  --json               JSON Lines: one object per expression\n"
            "  --snapshot FILE      the stopped program (default: the built-in demo)\n"
            "  --activate beside|registry\n"
            "                       load the evaluator module beside the tool (default), or\n"
            "                       the one registered for the evaluator's class\n"
            "  --trace              the module's trace lines to standard error\n"
            "  -h, --help           this text\n"
            "  --version            the tool's version\n"
            "  --                   what follows is expressions, also when it starts with -\n"
            "\n"
            "Environment:\n"
            "  ORVEL_MODULE_PATH    the evaluator module, when none is beside the tool\n"
            "  COLUMNS              the table's width (default: the terminal's; no limit\n"
            "                       when the output is not a terminal)\n"
            "\n"
            "Exit status: 0 when every expression parsed, 1 when one did not, 2 for a usage,\n"
            "snapshot or module error.\n";
    return text;
}

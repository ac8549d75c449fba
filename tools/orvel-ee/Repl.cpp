#include "Repl.h"

#include <algorithm>
#include <cstdio>

#include "JsonSink.h"
#include "LineReader.h"
#include "LocalsEditor.h"
#include "ResultWalker.h"
#include "TableSink.h"
#include "TerminalWidth.h"

namespace {

const char kPrompt[] = "orvel-ee> ";
const char kSpaces[] = " \t";

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(kSpaces);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

// Splits off the first word of text; the rest keeps its inner spaces.
std::string TakeWord(std::string* text) {
    const size_t end = std::min(text->find_first_of(kSpaces), text->size());
    std::string word = text->substr(0, end);
    *text = Trimmed(text->substr(end));
    return word;
}

} // namespace

const Repl::ReplCommand Repl::kCommands[] = {
    {":locals", ":locals [FILTER]",
     "the method's variables in that view (default: the one --filter gave)", &Repl::Locals},
    {":expand", ":expand EXPR", "the expression's row with its children as a tree", &Repl::Expand},
    {":set", ":set [--filter F] PATH TEXT",
     "types TEXT into the locals row at PATH, as the 'set' command does", &Repl::Set},
    {":help", ":help", "this list", &Repl::Help},
    {":quit", ":quit", "leaves the window (so does the end of the input)", &Repl::Quit},
};

Repl::Repl(const CommandLine& options, HostSession& session, OutputBuffer& out)
    : m_options(options), m_session(session), m_out(out),
      m_interactive(LineReader::IsTerminal(stdin)) {}

std::string Repl::HelpText() {
    std::string text =
        "  EXPR\n      the expression's row: name, value and type (docs/expressions.md\n"
        "      lists the operators, constants and intrinsics)\n";
    for (const ReplCommand& command : kCommands) {
        text += "  ";
        text += command.synopsis;
        text += "\n      ";
        text += command.summary;
        text += "\n";
    }
    return text;
}

int Repl::Run() {
    LineReader reader(m_interactive);
    if (m_interactive) {
        m_out.Append("Stopped in " + m_session.StopLocation() +
                     "\nType a Fortran expression to watch it; :help lists the commands.\n");
    }
    int status = 0;
    for (;;) {
        m_out.Flush();
        std::string line;
        const LineReader::Result got = reader.Read(kPrompt, &line);
        if (got == LineReader::Result::End) {
            if (m_interactive) m_out.Append('\n');
            break;
        }
        if (got == LineReader::Result::TooLong) {
            Complain("a line longer than " + std::to_string(LineReader::kMaxLine) +
                     " bytes was left out");
            status = 1;
            continue;
        }
        line = Trimmed(line);
        if (line.empty()) continue;
        reader.Remember(line);
        const Step step = RunLine(line);
        if (step == Step::Quit) break;
        if (step == Step::Failed) status = 1;
    }
    m_out.Flush();
    return status;
}

Repl::Step Repl::RunLine(const std::string& line) {
    if (line[0] != ':') return ShowRow(line);
    std::string operands = line;
    const std::string name = TakeWord(&operands);
    for (const ReplCommand& command : kCommands)
        if (name == command.name) return (this->*command.run)(operands);
    return Complain("unknown command '" + name + "' (:help lists them)");
}

std::unique_ptr<RowSink> Repl::MakeSink(bool header) {
    if (m_options.json) return std::make_unique<JsonSink>(m_out);
    return std::make_unique<TableSink>(m_out, OutputWidth(stdout), header);
}

Repl::Step Repl::ShowRow(const std::string& expr) {
    const std::unique_ptr<RowSink> sink = MakeSink(false);
    ResultWalker walker(m_session, *sink, WalkLimits{0, 0});
    const bool parsed = walker.Show(expr);
    sink->Finish();
    return parsed ? Step::Done : Step::Failed;
}

Repl::Step Repl::Locals(const std::string& operands) {
    LocalsFilter filter = m_options.filter;
    if (!operands.empty() && !FindLocalsFilter(operands, &filter))
        return Complain("':locals' takes " + LocalsFilterNames(", ") + ", not '" + operands + "'");
    const std::unique_ptr<RowSink> sink = MakeSink(true);
    ResultWalker walker(m_session, *sink, WalkLimits{m_options.depth, m_options.maxRows});
    const bool shown = walker.ShowLocals(LocalsFilterGuid(filter));
    sink->Finish();
    if (!shown)
        return Complain(std::string("the evaluator gave no ") + LocalsFilterName(filter) + " view");
    return Step::Done;
}

Repl::Step Repl::Expand(const std::string& operands) {
    if (operands.empty()) return Complain("':expand' needs an expression");
    const std::unique_ptr<RowSink> sink = MakeSink(true);
    ResultWalker walker(m_session, *sink, WalkLimits{m_options.depth, m_options.maxRows});
    const bool parsed = walker.Show(operands);
    sink->Finish();
    return parsed ? Step::Done : Step::Failed;
}

Repl::Step Repl::Set(const std::string& operands) {
    std::string rest = operands;
    LocalsFilter filter = m_options.filter;
    std::string word = TakeWord(&rest);
    if (word == "--filter" || word.rfind("--filter=", 0) == 0) {
        const std::string name = word == "--filter" ? TakeWord(&rest) : word.substr(9);
        if (!FindLocalsFilter(name, &filter))
            return Complain("--filter takes " + LocalsFilterNames(", ") + ", not '" + name + "'");
        word = TakeWord(&rest);
    }
    if (word.empty() || rest.empty()) return Complain("':set' needs a path and a text");
    std::string error;
    const int status =
        LocalsEditor(m_session, filter).Set(word, rest, m_options.json, m_out, &error);
    if (status == 2) return Complain(error);
    return status == 0 ? Step::Done : Step::Failed;
}

Repl::Step Repl::Help(const std::string&) {
    m_out.Append(HelpText());
    return Step::Done;
}

Repl::Step Repl::Quit(const std::string&) {
    return Step::Quit;
}

Repl::Step Repl::Complain(const std::string& message) {
    m_out.Flush();
    std::fprintf(stderr, "orvel-ee: %s\n", message.c_str());
    std::fflush(stderr);
    return Step::Failed;
}

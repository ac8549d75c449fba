// The orvel-ee tool run as a user runs it: a separate process over the built-in demo
// program, checked by its output and exit status; its watch window also on a
// pseudo-terminal. Natively only: under Wine each start costs a second and the shell
// quoting differs.
#include <gtest/gtest.h>

#if defined(ORVEL_EE_TOOL_PATH) && !defined(_WIN32)

#include <sys/wait.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#if defined(ORVEL_EE_LINE_EDITING)
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#endif

namespace {

struct ToolRun {
    std::string out; // standard output, or both streams when asked
    int status = -1;
};

std::string Quoted(const std::string& arg) {
    std::string text = "'";
    for (const char c : arg) {
        if (c == '\'')
            text += "'\\''";
        else
            text += c;
    }
    return text + "'";
}

// Runs the tool with args; prefix goes before the command (for variables), and
// standard error joins the output when withErrors is set.
ToolRun RunTool(const std::vector<std::string>& args, bool withErrors = false,
                const std::string& prefix = "") {
    std::string command = prefix + " " + Quoted(ORVEL_EE_TOOL_PATH);
    for (const std::string& arg : args)
        command += " " + Quoted(arg);
    command += withErrors ? " 2>&1" : " 2>/dev/null";
    ToolRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

struct JsonCase {
    const char* expr;
    const char* line;
};

TEST(OrvelEeTool, EvalJsonRowsFollowTheContract) {
    const JsonCase cases[] = {
        {"7/2",
         R"j({"expr":"7/2","parse":"0x00000000","eval":"0x00000000","name":"7/2",)j"
         R"j("fullName":"7/2","type":"INTEGER*4","value":"3","attrib":0,"expandable":false})j"},
        {"x + y", R"j({"expr":"x + y","parse":"0x00000000","eval":"0x00000000","name":"x + y",)j"
                  R"j("fullName":"x + y","type":"","value":"Unknown FORTRAN variable","attrib":0,)j"
                  R"j("expandable":false})j"},
        {"NOSUCH",
         R"j({"expr":"NOSUCH","parse":"0x00000000","eval":"0x00000000","name":"NOSUCH",)j"
         R"j("fullName":"NOSUCH","type":"","value":"Unknown FORTRAN variable","attrib":0,)j"
         R"j("expandable":false})j"},
        {"1 +", R"j({"expr":"1 +","parse":"0x00000001"})j"},
        {"U", R"j({"expr":"U","parse":"0x00000000","eval":"0x00000000","name":"U","fullName":"U",)j"
              R"j("type":"REAL*8 (8)","value":"REAL*8 (8)","attrib":1,"expandable":true})j"},
        {"TITLE",
         R"j({"expr":"TITLE","parse":"0x00000000","eval":"0x00000000","name":"TITLE",)j"
         R"j("fullName":"TITLE","type":"CHARACTER*12","value":"'Copper rod A'","attrib":0,)j"
         R"j("expandable":false})j"},
        // Quotes and control characters escaped, other text as UTF-8.
        {"'a\"b'", R"j({"expr":"'a\"b'","parse":"0x00000000","eval":"0x00000000",)j"
                   R"j("name":"'A\"B'","fullName":"'A\"B'","type":"CHARACTER*3",)j"
                   R"j("value":"'a\"b'","attrib":0,"expandable":false})j"},
        {"'\xC3\xA9'",
         "{\"expr\":\"'\xC3\xA9'\",\"parse\":\"0x00000000\",\"eval\":\"0x00000000\","
         "\"name\":\"'\xC3\xA9'\",\"fullName\":\"'\xC3\xA9'\",\"type\":\"CHARACTER*1\","
         "\"value\":\"'\xC3\xA9'\",\"attrib\":0,\"expandable\":false}"},
        {"\t1",
         R"j({"expr":"\t1","parse":"0x00000000","eval":"0x00000000","name":"\t1",)j"
         R"j("fullName":"\t1","type":"INTEGER*4","value":"1","attrib":0,"expandable":false})j"},
    };
    std::vector<std::string> args = {"eval", "--json"};
    for (const JsonCase& c : cases)
        args.push_back(c.expr);
    const ToolRun run = RunTool(args);
    EXPECT_EQ(1, run.status) << "'1 +' does not parse";
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(std::size(cases), lines.size()) << run.out;
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(cases[i].line, lines[i]) << cases[i].expr;
}

struct StatusCase {
    std::vector<std::string> args;
    int status;
    const char* message; // in the output or on standard error; "" for none
};

TEST(OrvelEeTool, ExitStatusSaysWhatWentWrong) {
    const std::string data = ORVEL_TEST_DATA_DIR;
    const StatusCase cases[] = {
        {{}, 0, "Stopped in DIFFUSE"},
        {{"eval", "N", "U(3) * 2 + N"}, 0, ""},
        {{"--json", "eval", "1 +", "N"}, 1, ""},
        {{"expand", "U", "--depth", "2", "--max-rows", "1"}, 0, ""},
        {{"--", "eval", "-N"}, 0, ""},
        {{"--help"}, 0, "Usage: orvel-ee"},
        {{"--version"}, 0, "orvel-ee "},
        {{"eval"}, 2, "'eval' needs an expression"},
        {{"frobnicate", "N"}, 2, "unknown command 'frobnicate'"},
        {{"eval", "--bogus", "N"}, 2, "unknown option '--bogus'"},
        {{"eval", "--depth", "2", "N"}, 2, "--depth"},
        {{"expand", "U", "--max-rows", "many"}, 2, "'many'"},
        {{"--activate", "elsewhere", "eval", "N"}, 2, "'elsewhere'"},
        {{"--snapshot"}, 2, "needs a value"},
        {{"--snapshot", "/nonexistent/heat.json", "eval", "N"},
         2,
         "/nonexistent/heat.json: cannot open the file"},
        {{"--snapshot", data + "/snapshots/bad-syntax.json", "eval", "N"},
         2,
         "bad-syntax.json: not valid JSON"},
        {{"locals", "--filter", "locals", "--depth", "0"}, 0, "\nSTEP "},
        {{"locals", "--filter", "bogus"}, 2, "not 'bogus'"},
        {{"locals", "N"}, 2, "'locals' takes no operands"},
        {{"eval", "--filter", "args", "N"}, 2, "--filter goes with 'locals', 'set' and 'repl'"},
        {{"set", "N"}, 2, "'set' needs a path and a text"},
        {{"set", "NOSUCH", "1"}, 2, "no row 'NOSUCH' in the locals+args view"},
        {{"set", "N%X", "1"}, 2, "no row 'N%X'"},
        {{"set", "LOG%", "1"}, 2, "no row 'LOG%'"},
        {{"set", "--filter", "args", "I", "1"}, 2, "no row 'I' in the args view"},
    };
    for (const StatusCase& c : cases) {
        std::string shown;
        for (const std::string& arg : c.args)
            shown += arg + " ";
        SCOPED_TRACE(shown);
        const ToolRun run = RunTool(c.args, true);
        EXPECT_EQ(c.status, run.status) << run.out;
        EXPECT_NE(std::string::npos, run.out.find(c.message)) << run.out;
        if (c.status == 2) {
            EXPECT_EQ(1u, Lines(run.out).size()) << "one line: " << run.out;
        }
    }
}

TEST(OrvelEeTool, ExpandCutsEachListAtMaxRows) {
    // Table: three elements of U's eight, then the count left out.
    const ToolRun table = RunTool({"expand", "U", "--max-rows", "3"});
    EXPECT_EQ(0, table.status);
    const std::vector<std::string> lines = Lines(table.out);
    ASSERT_EQ(6u, lines.size()) << table.out; // header, U, 3 elements, "more"
    EXPECT_EQ(0u, lines[2].find("  (1)")) << table.out;
    EXPECT_EQ("  ... 5 more", lines[5]);

    // JSON: the list holds max-rows rows; a large array is cut the same way.
    const ToolRun json = RunTool({"expand", "--json", "HISTORY", "--max-rows", "7"});
    EXPECT_EQ(0, json.status);
    EXPECT_EQ(1u, Lines(json.out).size());
    EXPECT_EQ(7u, Count(json.out, "{\"name\":")) << json.out;
    EXPECT_NE(std::string::npos, json.out.find("\"fullName\":\"HISTORY(7)\""));
    EXPECT_EQ(std::string::npos, json.out.find("HISTORY(8)"));

    // Depth 2: the components' own children are nested in theirs.
    const ToolRun nested = RunTool({"expand", "--json", "SENSOR", "--depth", "2"});
    EXPECT_EQ(0, nested.status);
    EXPECT_NE(std::string::npos, nested.out.find("\"name\":\"POS\"")) << nested.out;
    EXPECT_NE(std::string::npos, nested.out.find("\"name\":\"(3)\"")) << nested.out;
}

TEST(OrvelEeTool, ExpandJsonListsChildrenOnlyBelowRows) {
    const JsonCase cases[] = {
        {"N", R"j(,"expandable":false,"children":[]})j"},
        {"1 +", R"j({"expr":"1 +","parse":"0x00000001"})j"},
        {"U", R"j(,"expandable":true,"children":[]})j"}, // with --max-rows 0
    };
    for (const JsonCase& c : cases) {
        SCOPED_TRACE(c.expr);
        const ToolRun run = RunTool({"expand", "--json", "--max-rows", "0", c.expr});
        const std::string line = Lines(run.out).empty() ? "" : Lines(run.out).front();
        const std::string tail = c.line;
        ASSERT_GE(line.size(), tail.size()) << run.out;
        EXPECT_EQ(tail, line.substr(line.size() - tail.size()));
    }
}

TEST(OrvelEeTool, TableFitsTheWidthGiven) {
    for (const char* columns : {"40", "60", "200"}) {
        SCOPED_TRACE(columns);
        const ToolRun run = RunTool({"eval", "TITLE", "BANNER", "HISTORY(1000000)", "U"}, false,
                                    std::string("COLUMNS=") + columns);
        EXPECT_EQ(0, run.status);
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_EQ(5u, lines.size()) << run.out;
        for (const std::string& line : lines)
            EXPECT_LE(line.size(), std::stoul(columns)) << line;
        // Each column starts where the header's does.
        const size_t value = lines[0].find("Value");
        for (size_t i = 1; i < lines.size(); ++i)
            EXPECT_EQ(' ', lines[i][value - 1]) << lines[i];
    }
}

// Text of a "key":"text" pair in a JSON line, or "(none)".
std::string JsonText(const std::string& line, const std::string& key) {
    const std::string start = "\"" + key + "\":\"";
    const size_t at = line.find(start);
    if (at == std::string::npos) return "(none)";
    const size_t from = at + start.size();
    return line.substr(from, line.find('"', from) - from);
}

struct ViewCase {
    std::vector<std::string> args;
    size_t rows;
    std::vector<std::string> parts; // each in the output
    const char* absent;             // not in it
};

TEST(OrvelEeTool, LocalsListsEachViewsRows) {
    const ViewCase cases[] = {
        // The method's Fortran variables, each with its children one level down.
        {{"locals", "--json"},
         34,
         {R"j({"name":"N","fullName":"N","type":"INTEGER*4","value":"8",)j",
          R"j({"name":"FLUX","fullName":"FLUX","type":"REAL*4 (4,-1:0)",)j",
          R"j("expandable":true,"children":[{"name":"(1,-1)","fullName":"FLUX(1,-1)",)j",
          R"j({"name":"Lines","fullName":"Kestrin.Demo.Logger.Lines","type":"System.Int32",)j"
          R"j("value":"42")j",
          R"j({"name":"NSTEPS","fullName":"NSTEPS","type":"INTEGER*4","value":"500")j"},
         "\"name\":\"(101)\""},
        // The host's parameters; their children are asked with the same filter.
        {{"locals", "--json", "--filter", "args", "--max-rows", "3"},
         4,
         {R"j({"name":"N","fullName":"HEAT.DIFFUSE.N","type":"INTEGER*4","value":"8",)j",
          R"j({"name":"(3)","fullName":"U(3)","type":"REAL*8","value":"23",)j",
          R"j({"name":"_Length_of_TITLE_","fullName":"HEAT.DIFFUSE._Length_of_TITLE_",)j"},
         "\"name\":\"(4)\""},
        {{"locals", "--json", "--filter", "args", "--depth", "0"},
         4,
         {"\"expandable\":true}\n"},
         "children"},
    };
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(c.args.back());
        const ToolRun run = RunTool(c.args);
        EXPECT_EQ(0, run.status);
        const std::vector<std::string> lines = Lines(run.out);
        EXPECT_EQ(c.rows, lines.size()) << run.out;
        for (const std::string& line : lines)
            EXPECT_EQ(0u, line.find("{\"name\":\"")) << line;
        for (const std::string& part : c.parts)
            EXPECT_NE(std::string::npos, run.out.find(part)) << part;
        EXPECT_EQ(std::string::npos, run.out.find(c.absent));
    }
}

struct SetCase {
    std::vector<std::string> args;
    int status;
    const char* value;   // the row's value as read again
    const char* outcome; // "hr" and "outcome"
};

TEST(OrvelEeTool, SetSaysWhetherTheValueWasStored) {
    const SetCase cases[] = {
        // A Fortran variable's row evaluates the text and keeps nothing.
        {{"set", "N", "5"}, 0, "8", R"j("hr":"0x00000000","outcome":"evaluated, not stored")j"},
        {{"set", "N", "1 +"}, 1, "8", R"j("outcome":"failed")j"},
        // A member of a .NET object stores it; the path's names go by any case, and the
        // text's words are joined.
        {{"set", "log%lines", "40", "+", "3"},
         0,
         "43",
         R"j("hr":"0x00000000","outcome":"stored")j"},
    };
    for (const SetCase& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "--json");
        SCOPED_TRACE(args[2]);
        const ToolRun run = RunTool(args);
        EXPECT_EQ(c.status, run.status) << run.out;
        ASSERT_EQ(1u, Lines(run.out).size()) << run.out;
        EXPECT_EQ(c.value, JsonText(run.out, "value")) << run.out;
        EXPECT_NE(std::string::npos, run.out.find(c.outcome)) << run.out;
    }

    // The table: the outcome, then the row.
    const ToolRun table = RunTool({"set", "LOG%ENABLED", "0"});
    EXPECT_EQ(0, table.status);
    const std::vector<std::string> lines = Lines(table.out);
    ASSERT_EQ(3u, lines.size()) << table.out;
    EXPECT_EQ("SetValueAsString gave 0x00000000: stored", lines[0]);
    EXPECT_TRUE(std::regex_match(lines[2], std::regex("Enabled +false +System.Boolean")))
        << lines[2];
}

// An argument in the arguments view is written through the host's binder; whether the
// host takes it or not, the report agrees with the HRESULT and the value read again.
TEST(OrvelEeTool, SetOfAnArgumentReportsTheHostsAnswer) {
    const ToolRun run = RunTool({"--json", "set", "--filter", "args", "N", "5"});
    ASSERT_EQ(1u, Lines(run.out).size()) << run.out;
    const std::string hr = JsonText(run.out, "hr");
    const std::string value = JsonText(run.out, "value");
    const std::string outcome = JsonText(run.out, "outcome");
    if (hr == "0x00000000") {
        EXPECT_EQ(0, run.status);
        EXPECT_EQ(value == "5" ? "stored" : "evaluated, not stored", outcome) << run.out;
    } else {
        EXPECT_EQ(1, run.status);
        EXPECT_EQ("failed", outcome) << run.out;
        EXPECT_EQ("8", value) << run.out;
    }
}

// Lines fed on a pipe: one row per expression, one session throughout.
TEST(OrvelEeTool, ReplOnAPipeKeepsItsSession) {
    std::string feed = "printf '%s\\n'";
    for (const char* line : {"N", "  U(3) * 2", "", ":set LOG%LINES 43", ":locals", ":expand LOG",
                             "1 +", ":bogus", ":quit", "N + 1"})
        feed += " " + Quoted(line);
    const ToolRun run = RunTool({"repl"}, false, feed + " |");
    EXPECT_EQ(1, run.status) << "'1 +' and ':bogus' failed";
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 4u) << run.out;
    EXPECT_EQ("N  8  INTEGER*4", lines[0]);
    EXPECT_EQ("U(3) * 2  46  REAL*8", lines[1]);
    EXPECT_EQ("SetValueAsString gave 0x00000000: stored", lines[2]);
    // The new value in both :locals and :expand; nothing after :quit.
    size_t newValue = 0;
    for (const std::string& line : lines)
        if (std::regex_match(line, std::regex("  Lines +43 +System.Int32"))) ++newValue;
    EXPECT_EQ(2u, newValue) << run.out;
    EXPECT_EQ(1u, Count(run.out, "\n1 +  (syntax error)\n"));
    EXPECT_EQ(std::string::npos, run.out.find("N + 1"));
}

struct FrameCase {
    const char* input;
    int status;
    const char* output; // in standard output; "" for anything
};

TEST(OrvelEeTool, DapReadsFramedMessagesAndSurvivesBadOnes) {
    const FrameCase cases[] = {
        {"", 0, ""},
        {"Content-Length: 2\r\n\r\n[]", 0, "\"message\":\"the message is not a JSON object\""},
        {"content-length: 3\r\nContent-Type: x\r\n\r\n{x}"
         "Content-Length: 46\r\n\r\n{\"seq\":7,\"type\":\"request\",\"command\":\"threads\"}",
         0, "\"request_seq\":7"},
        {"Content-Length: 9\r\n\r\n{}", 1, ""},
        {"Content-Length: lots\r\n\r\n{}", 1, ""},
        {"no header here\r\n\r\n{}", 1, ""},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.input);
        const ToolRun run = RunTool({"dap"}, false, "printf '%s' " + Quoted(c.input) + " |");
        EXPECT_EQ(c.status, run.status) << run.out;
        EXPECT_NE(std::string::npos, run.out.find(c.output)) << run.out;
    }
}

#if defined(ORVEL_EE_LINE_EDITING)

// The tool started with no command on a pseudo-terminal, typed at as a person types.
class TerminalRun {
public:
    TerminalRun() {
        winsize size{};
        size.ws_row = 40;
        size.ws_col = 120;
        m_pid = forkpty(&m_fd, nullptr, nullptr, &size);
        if (m_pid == 0) {
            setenv("TERM", "xterm", 1);
            unsetenv("COLUMNS");
            execl(ORVEL_EE_TOOL_PATH, ORVEL_EE_TOOL_PATH, static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~TerminalRun() {
        if (m_pid > 0 && !m_exited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_fd >= 0) close(m_fd);
    }
    bool Started() const { return m_pid > 0; }

    // Types keys; the output from here on is what Since gives.
    bool Type(const std::string& keys) {
        m_mark = m_out.size();
        return write(m_fd, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
    }
    // Reads until the output since the keys holds text; false after 20 seconds or at
    // the end of the output.
    bool ReadUntil(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (m_out.find(text, m_mark) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) return false;
        }
        return true;
    }
    std::string Since() const { return m_out.substr(m_mark); }
    // The exit status, once the tool ends within 20 seconds; -1 otherwise.
    int Wait() {
        for (int tries = 0; tries < 200; ++tries) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (!ReadSome(100)) usleep(100 * 1000);
        }
        return -1;
    }

private:
    bool ReadSome(int milliseconds) {
        pollfd ready{m_fd, POLLIN, 0};
        if (poll(&ready, 1, milliseconds) <= 0) return true; // nothing yet
        char buffer[4096];
        const ssize_t got = read(m_fd, buffer, sizeof buffer);
        if (got <= 0) return false; // the tool closed the terminal
        m_out.append(buffer, static_cast<size_t>(got));
        return true;
    }

    pid_t m_pid = -1;
    int m_fd = -1;
    bool m_exited = false;
    std::string m_out;
    size_t m_mark = 0;
};

TEST(OrvelEeTool, ReplOnATerminalEditsAndRecallsLines) {
    const std::string prompt = "orvel-ee> ";
    TerminalRun tool;
    ASSERT_TRUE(tool.Started());
    ASSERT_TRUE(tool.ReadUntil(prompt)) << tool.Since();
    EXPECT_NE(std::string::npos, tool.Since().find("Stopped in DIFFUSE")) << tool.Since();

    struct Step {
        const char* keys;
        const char* shows;
    } steps[] = {
        {"U(3) * 2\r", "U(3) * 2  46  REAL*8"},
        {":set N 5\r", "0x00000000: evaluated, not stored"},
        {":locals\r", "FLUX"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.keys);
        ASSERT_TRUE(tool.Type(step.keys));
        ASSERT_TRUE(tool.ReadUntil(prompt)) << tool.Since();
        EXPECT_NE(std::string::npos, tool.Since().find(step.shows)) << tool.Since();
    }

    // The up arrow brings the last line back onto the prompt line; Enter runs it again.
    ASSERT_TRUE(tool.Type("\x1b[A"));
    EXPECT_TRUE(tool.ReadUntil(":locals")) << tool.Since();
    ASSERT_TRUE(tool.Type("\r"));
    ASSERT_TRUE(tool.ReadUntil(prompt)) << tool.Since();
    EXPECT_NE(std::string::npos, tool.Since().find("FLUX")) << tool.Since();

    ASSERT_TRUE(tool.Type(":quit\r"));
    EXPECT_EQ(0, tool.Wait());
}

#endif

} // namespace

#endif

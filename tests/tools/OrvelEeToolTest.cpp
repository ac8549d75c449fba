// The orvel-ee tool run as a user runs it: a separate process over the built-in demo
// program, checked by its output and exit status. Natively only: under Wine each start
// costs a second and the shell quoting differs.
#include <gtest/gtest.h>

#if defined(ORVEL_EE_TOOL_PATH) && !defined(_WIN32)

#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

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

} // namespace

#endif

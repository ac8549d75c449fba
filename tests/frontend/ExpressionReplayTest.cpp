// A wide net over the language: tests/data/expression-replay.json holds rows as an earlier
// build showed them over the demonstration program and the coverage snapshot. A row that
// gave a value must give exactly that value, type text and name; a row that failed (a
// refused syntax check, an error row, a failure text) must fail the same way unless it is
// one of the intended changes listed below, where the language has grown.
//
// ORVEL_RECORD_EXPRESSIONS=<file> rewrites the table from its texts into <file> instead
// of checking it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "WatchSession.h"

namespace {

using orvel::test::Row;

// Texts that failed when recorded and now give a value (or a clearer error).
const std::set<std::string> IntendedChanges = {
    // operators in any letter case, "/=" and "**"
    "N .eq. 8",
    "n .ne. 8",
    ".true.",
    ".false.",
    ".true. .and. DONE",
    "DONE .or. .false.",
    ".not. DONE",
    "N .gt. I",
    "N .Ge. I",
    "N .lt. I",
    "N .le. I",
    "MESH.NX .eq. 2",
    "1.eq.2",
    "SEG%A%X .eq. 1",
    "N /= 3",
    "N /= 8",
    "N ** 2",
    "R**2",
    "N**2",
    "2**3**2",
    "-2**2",
    "2**-1",
    "0**-1",
    "(-1)**-3",
    "2.0**0.5",
    "C8 ** 2",
    "I2 ** 2",
    "R4 ** 2",
    "I1 ** I1",
    // D exponents and kind suffixes
    "1.5D0",
    "1D-3",
    "3_8",
    "2.5_8",
    "7_2",
    "7_1",
    "7_4",
    "1.5_4",
    "N + 3_2",
    "3_8 + I4",
    "1.5D0 + R4",
    // CHARACTER comparison and concatenation
    "'a' == 'a'",
    "'abc' .LT. 'abd'",
    "CH .EQ. NAME",
    "CH .LT. CH",
    "CH // NAME",
    "STATUS .NE. 'x'",
    "TITLE .EQ. 'Copper rod A'",
    "TITLE == 'Copper rod A'",
    "TITLE // 'x'",
    // intrinsics that give a value
    "leng(TITLE)",
    "1 + leng(TITLE)",
    "LEN(TITLE)",
    "len(TITLE)",
    "LEN(NAME)",
    "LEN_TRIM(TITLE)",
    "loc(U)",
    "LOC(U)",
    "loc(MESH)",
    "LOC(SEG)",
    "ABS(-3)",
    "ABS(I2)",
    "ABS(R)",
    "MOD(N,3)",
    "MOD(N,M)",
    "MIN(N,I)",
    "MAX(N,I,2)",
    "SIZE(U)",
    "SIZE(A)",
    "SIZE(A,2)",
    "LBOUND(A,1)",
    "LBOUND(FLUX,2)",
    "UBOUND(A,2)",
    "UBOUND(FLUX,2)",
};

bool IsFailureText(const std::string& text) {
    return text == "UNKNOWN TYPE" || text == "UNKNOWN" ||
           text.find("dbg error") != std::string::npos;
}

nlohmann::json RowJson(const std::string& text, const Row& row) {
    nlohmann::json out = {{"text", text}, {"parses", row.Hr == S_OK}};
    if (row.Hr == S_OK) {
        out["name"] = row.Name;
        out["type"] = row.Type;
        out["value"] = row.Value;
    }
    return out;
}

bool GaveValue(const nlohmann::json& recorded) {
    if (!recorded.at("parses").get<bool>()) return false;
    const std::string type = recorded.at("type"), value = recorded.at("value");
    return !type.empty() && !IsFailureText(type) && !IsFailureText(value);
}

class ExpressionReplay : public orvel::test::WatchSession {
protected:
    static nlohmann::json& Table() {
        static nlohmann::json table = [] {
            std::ifstream in(std::string(ORVEL_TEST_DATA_DIR) + "/expression-replay.json");
            return nlohmann::json::parse(in, nullptr, false);
        }();
        return table;
    }

    static void Save(const char* path) {
        std::ofstream out(path);
        out << "{";
        const char* separator = "\n";
        for (const auto& [snapshot, rows] : Table().items()) {
            out << separator << nlohmann::json(snapshot).dump() << ": [";
            const char* rowSeparator = "\n";
            for (const nlohmann::json& row : rows) {
                out << rowSeparator << " " << row.dump();
                rowSeparator = ",\n";
            }
            out << "\n]";
            separator = ",\n";
        }
        out << "\n}\n";
    }

    void Replay(const std::string& snapshot) {
        ASSERT_FALSE(Table().is_discarded()) << "expression-replay.json does not parse";
        nlohmann::json& rows = Table().at(snapshot);
        ASSERT_GE(rows.size(), 200u);
        Start(snapshot);
        const char* record = std::getenv("ORVEL_RECORD_EXPRESSIONS");
        for (nlohmann::json& expected : rows) {
            const std::string text = expected.at("text");
            SCOPED_TRACE(text);
            const Row row = Watch(text.c_str());
            if (record) {
                expected = RowJson(text, row);
                continue;
            }
            if (!GaveValue(expected) && IntendedChanges.count(text)) continue;
            EXPECT_EQ(RowJson(text, row), expected);
        }
        if (record) Save(record);
    }
};

TEST_F(ExpressionReplay, DemonstrationProgramRowsStayAsRecorded) {
    Replay("heat.json");
}

TEST_F(ExpressionReplay, CoverageSnapshotRowsStayAsRecorded) {
    Replay("coverage.json");
}

} // namespace

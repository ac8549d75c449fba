// Recorded watch rows replayed through the host's surface: every expression of
// tests/data/watch-replay.json must still give the recorded syntax-check outcome, name,
// type text and value text. The file holds rows as an earlier build showed them, so a
// change to the language that alters any of them is caught here.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "WatchSession.h"

namespace {

using orvel::test::Row;

class WatchReplay : public orvel::test::WatchSession {
protected:
    static nlohmann::json Recorded() {
        std::ifstream in(std::string(ORVEL_TEST_DATA_DIR) + "/watch-replay.json");
        return nlohmann::json::parse(in, nullptr, false);
    }

    void Replay(const std::string& snapshot) {
        const nlohmann::json recorded = Recorded();
        ASSERT_FALSE(recorded.is_discarded()) << "watch-replay.json does not parse";
        const nlohmann::json& rows = recorded.at(snapshot);
        ASSERT_GE(rows.size(), 50u);
        Start(snapshot);
        for (const nlohmann::json& expected : rows) {
            const std::string text = expected.at("text");
            SCOPED_TRACE(text);
            const Row row = Watch(text.c_str());
            if (!expected.at("parses").get<bool>()) {
                EXPECT_EQ(row.Hr, S_FALSE);
                continue;
            }
            ASSERT_EQ(row.Hr, S_OK);
            EXPECT_EQ(row.Name, expected.at("name").get<std::string>());
            EXPECT_EQ(row.Type, expected.at("type").get<std::string>());
            EXPECT_EQ(row.Value, expected.at("value").get<std::string>());
        }
    }
};

TEST_F(WatchReplay, DemonstrationProgramRowsStayAsRecorded) {
    Replay("heat.json");
}

TEST_F(WatchReplay, CoverageSnapshotRowsStayAsRecorded) {
    Replay("coverage.json");
}

} // namespace

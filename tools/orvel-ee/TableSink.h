// The watch-window table: Name, Value and Type columns, aligned, children indented two
// spaces a level under their parent, and a "... N more" row where a list was cut.
//
// Column widths come from the first rows (kMeasuredRows); later rows are written as
// they come, so that a long expansion neither waits nor piles up in memory, and a
// later row wider than its columns shifts rather than loses text while the line has
// room. When the line is narrower than the natural widths the value keeps most of it:
// the name and the type give way first, down to a quarter of the line each.
#pragma once

#include <string>
#include <vector>

#include "OutputBuffer.h"
#include "RowSink.h"

class TableSink : public RowSink {
public:
    // width: the line's width in columns; 0 for no limit. header: the column names first.
    TableSink(OutputBuffer& out, int width, bool header = true);

    void BeginResult(const ResultHeader& header, const PropertyRow* row) override;
    void BeginChild(const PropertyRow& row) override;
    void EndRow() override;
    void BeginChildren() override;
    void EndChildren(const RowsLeft& left) override;
    void Finish() override;

    static constexpr size_t kMeasuredRows = 1000;

private:
    struct Line {
        int depth = 0;
        std::string name; // UTF-8, without the indentation
        std::string value;
        std::string type;
    };

    void Add(Line line);
    void Layout();
    // measured: the row was among those the widths were taken from.
    void Write(const Line& line, bool measured);

    OutputBuffer& m_out;
    int m_width;
    int m_depth = 0; // of the row being written
    std::vector<Line> m_held;
    bool m_laidOut = false;
    size_t m_nameWidth = 0;
    size_t m_valueWidth = 0;
    size_t m_typeWidth = 0;
};

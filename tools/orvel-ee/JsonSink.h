// JSON Lines: one object per expression, its children nested under "children". Written
// by hand straight into the output buffer, since a large expansion is a million rows.
#pragma once

#include <vector>

#include "OutputBuffer.h"
#include "RowSink.h"

class JsonSink : public RowSink {
public:
    explicit JsonSink(OutputBuffer& out) : m_out(out) {}

    void BeginResult(const ResultHeader& header, const PropertyRow* row) override;
    void BeginChild(const PropertyRow& row) override;
    void EndRow() override;
    void BeginChildren() override;
    void EndChildren(const RowsLeft& left) override;
    void Finish() override {}

    // A top-level row after an edit: the row's keys, then "hr" (SetValueAsString's
    // result) and "outcome". Ended by EndRow like any row.
    void BeginEdited(const PropertyRow& row, HRESULT hr, const char* outcome);

    // Appends text as a quoted JSON string: UTF-8, with quotes, backslashes and control
    // characters escaped, and an unpaired surrogate as U+FFFD.
    static void AppendString(std::string& out, OleText text);

private:
    // From "name" to "expandable", with no comma before the first.
    void AppendRowFields(const PropertyRow& row);
    // A comma, then the quoted key and its colon.
    void AppendKey(const char* key);

    OutputBuffer& m_out;
    // Per open "children" list: whether a row was written into it yet.
    std::vector<bool> m_listHasRows;
};

// What the commands produce and the output formats consume: each expression's outcome
// and, below it, its children, as a stream of calls in tree order:
//
//   BeginResult  [BeginChildren  (BeginChild [BeginChildren ... EndChildren] EndRow)*
//                 EndChildren]  EndRow
//
// The texts are borrowed from the host's records and valid only during the call.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/HostProperties.h"

using OleText = std::basic_string_view<OLECHAR>;

// One row as the host's property record gave it.
struct PropertyRow {
    OleText name;
    OleText fullName;
    OleText type;
    OleText value;
    DBG_ATTRIB_FLAGS attrib = 0;

    bool Expandable() const { return (attrib & DBG_ATTRIB_OBJ_IS_EXPANDABLE) != 0; }
};

// How far one expression got through Parse and EvaluateSync.
struct ResultHeader {
    std::string_view expr; // UTF-8, as typed
    HRESULT parse = S_OK;
    bool evaluated = false; // EvaluateSync was called (Parse gave S_OK)
    HRESULT eval = S_OK;
};

// The rows not listed below a parent cut at --max-rows.
struct RowsLeft {
    uint64_t count = 0;
    bool known = true; // false: there are more, but the enumerator cannot say how many
};

class RowSink {
public:
    virtual ~RowSink() = default;

    // row is null when there is no property: Parse or EvaluateSync did not give one.
    virtual void BeginResult(const ResultHeader& header, const PropertyRow* row) = 0;
    virtual void BeginChild(const PropertyRow& row) = 0;
    virtual void EndRow() = 0;
    virtual void BeginChildren() = 0;
    virtual void EndChildren(const RowsLeft& left) = 0;
    // After the last result: lays out and writes whatever is still held back.
    virtual void Finish() = 0;
};

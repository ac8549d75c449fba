// Edits a row of the locals window as a host does when the user types a new value into
// it: SetValueAsString on the row's property, then the row read again from a fresh
// method property, so that the value shown is the one the debuggee holds.
//
// Whether the value was stored is not in the HRESULT: a Fortran variable's row evaluates
// the text and keeps nothing, while an argument of the arguments view or a member of a
// .NET object stores it. So the row's value text before and after tells: changed is
// "stored", unchanged "evaluated, not stored" (also when the text gave the value the row
// already had); a failed call is "failed", and a row that cannot be found again after a
// successful one "not read back" (shown as it was before).
#pragma once

#include <string>

#include "HostSession.h"
#include "LocalsFilter.h"
#include "OutputBuffer.h"

class LocalsEditor {
public:
    LocalsEditor(HostSession& session, LocalsFilter filter)
        : m_session(session), m_filter(filter) {}

    // Sets the row at path (LocalsPath) to text and writes the outcome and the row as a
    // table, or as one JSON object. The exit status: 0 when SetValueAsString gave S_OK,
    // 1 when it did not, 2 with a one-line *error when there is no such row.
    int Set(const std::string& path, const std::string& text, bool json, OutputBuffer& out,
            std::string* error);

private:
    HostSession& m_session;
    LocalsFilter m_filter;
};

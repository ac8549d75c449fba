// A row of the locals window named by its path: the names of the rows from the view's
// top level down, joined by '%' ("N", "LOG%LINES", "U%(3)"). Names compare without
// regard to case, as Fortran names do; the first row of a name wins.
#pragma once

#include <string>
#include <vector>

#include "HostSession.h"
#include "PropertyRecords.h"

class LocalsPath {
public:
    // False when a name in the text is empty ("", "LOG%", "A%%B").
    bool Parse(const std::string& text);

    // Walks the view (the filter's rows, their children asked with the same filter)
    // from a fresh method property down to the row, and puts the row's record, as its
    // parent's enumerator gave it, into row's first record. False when the evaluator
    // gives no method or view, or a name matches no row.
    bool Find(HostSession& session, const GUID& filter, PropertyRecords& row) const;

private:
    std::vector<std::basic_string<OLECHAR>> m_names;
};

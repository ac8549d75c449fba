// Takes expressions through the evaluator the way a watch window does (Parse,
// EvaluateSync, GetPropertyInfo), and the method's variables the way a locals window
// does (GetMethodProperty, EnumChildren with a view's filter), and, down to a given
// depth, through their children (EnumChildren, then Next in batches), handing every
// row to a RowSink.
#pragma once

#include <cstdint>
#include <string>

#include "HostSession.h"
#include "RowSink.h"

struct WalkLimits {
    int depth = 0;          // levels of children below each result
    uint64_t maxRows = 100; // children listed per parent
};

class ResultWalker {
public:
    ResultWalker(HostSession& session, RowSink& sink, WalkLimits limits)
        : m_session(session), m_sink(sink), m_limits(limits) {}

    // One expression's row and children. False when the expression did not parse.
    bool Show(const std::string& expr);
    // The view's rows, each a top-level row with its children asked with the same
    // filter, as a host asks below a view. Every variable is listed (--max-rows cuts
    // the lists below them). False when the evaluator gave no method or no view.
    bool ShowLocals(const GUID& filter);

private:
    // Children of a row at level (0 for a top-level row), when level is within the depth.
    void ShowChildren(IDebugProperty2* property, bool expandable, const GUID& filter, int level);
    void ListChildren(IEnumDebugPropertyInfo2* children, const GUID& filter, int level);

    HostSession& m_session;
    RowSink& m_sink;
    WalkLimits m_limits;
};

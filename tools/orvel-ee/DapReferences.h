// The variablesReference numbers handed to a client: each names a container whose rows
// a later 'variables' request lists, either a view of the method (its rows asked anew
// each time, so that they read the debuggee afresh) or a row's own property. Numbers
// start at 1 (0 means "not expandable") and stay valid until Clear, at a new launch.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/HostInterfaces.h"
#include "platform/ComPtr.h"

struct DapContainer {
    orvel::ComPtr<IDebugProperty2> property; // null: the method's view itself
    GUID filter{};                           // the filter asked of EnumChildren
    bool indexed = false;                    // an array's elements, not named rows
    std::string fullName;                    // the row's expression, empty for a view
};

class DapReferences {
public:
    int64_t AddView(const GUID& filter);
    int64_t Add(DapContainer container);
    // The container of that number, or null.
    const DapContainer* Find(int64_t reference) const;
    void Clear() { m_containers.clear(); }

private:
    std::vector<DapContainer> m_containers;
};

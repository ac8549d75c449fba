#include "LocalsFilter.h"

#include <iterator>

#include "host/HostIds.h"

namespace {

struct FilterRow {
    const char* name;
    const GUID* guid;
};

// ORDER LocalsFilter
const FilterRow kFilters[] = {
    {"locals+args", &guidFilterLocalsPlusArgs},
    {"locals", &guidFilterLocals},
    {"args", &guidFilterArgs},
    {"all", &guidFilterAllLocals},
    {"this", &guidFilterThis},
};
static_assert(std::size(kFilters) == static_cast<size_t>(LocalsFilter::Count),
              "one row per LocalsFilter");

} // namespace

bool FindLocalsFilter(const std::string& name, LocalsFilter* filter) {
    for (size_t i = 0; i < std::size(kFilters); ++i) {
        if (name == kFilters[i].name) {
            *filter = static_cast<LocalsFilter>(i);
            return true;
        }
    }
    return false;
}

const char* LocalsFilterName(LocalsFilter filter) {
    return kFilters[static_cast<size_t>(filter)].name;
}

const GUID& LocalsFilterGuid(LocalsFilter filter) {
    return *kFilters[static_cast<size_t>(filter)].guid;
}

std::string LocalsFilterNames(const char* separator) {
    std::string names;
    for (const FilterRow& row : kFilters) {
        if (!names.empty()) names += separator;
        names += row.name;
    }
    return names;
}

// The locals window's views, by the names the command line gives them, and the child
// filter that asks the evaluator for each.
#pragma once

#include <string>

#include "platform/PlatformTypes.h"

enum class LocalsFilter {
    LocalsPlusArgs, // the method's Fortran variables: arguments, locals, statics, modules
    Locals,
    Args, // the host's parameters, hidden lengths included
    All,
    This,
    Count
};

// The filter of that name ("locals+args", "locals", "args", "all", "this"); false
// when there is none.
bool FindLocalsFilter(const std::string& name, LocalsFilter* filter);

const char* LocalsFilterName(LocalsFilter filter);
const GUID& LocalsFilterGuid(LocalsFilter filter);

// "locals+args, locals, args, all, this", for messages and the usage text.
std::string LocalsFilterNames(const char* separator);

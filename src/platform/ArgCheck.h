// Checks of the pointer arguments a host hands to our objects. A null one is the host's
// mistake: debug builds report it by the parameter's name (on stderr, counted for
// tests) and every build answers it with E_INVALIDARG.
#pragma once

#include "platform/PlatformTypes.h"

namespace orvel {

// True when p is null; then, in debug builds, reports name.
bool NullArg(const void* p, const char* name);

// Reports made since the program started, and the name in the last one (empty when none).
int NullArgReports();
const char* LastNullArg();

// An operation a class does not support: a null out is E_INVALIDARG, otherwise *out is
// cleared and the answer is E_NOTIMPL.
template <class T> HRESULT NotSupported(T* out, const char* name) {
    if (NullArg(out, name)) return E_INVALIDARG;
    *out = T{};
    return E_NOTIMPL;
}

} // namespace orvel

#include "platform/ArgCheck.h"

#include <atomic>
#include <cstdio>

namespace orvel {
namespace {
std::atomic<int> g_reports{0};
// Parameter names are string literals, so keeping the pointer is enough.
std::atomic<const char*> g_lastName{""};
} // namespace

bool NullArg(const void* p, const char* name) {
    if (p) return false;
#ifndef NDEBUG
    // Reported, not aborted: the host process must go on.
    ++g_reports;
    g_lastName = name ? name : "";
    std::fprintf(stderr, "Orvel EE: assertion failed: %s\n", name ? name : "");
#else
    (void)name;
#endif
    return true;
}

int NullArgReports() {
    return g_reports;
}

const char* LastNullArg() {
    return g_lastName;
}

} // namespace orvel

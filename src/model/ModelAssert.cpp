#include "model/ModelAssert.h"

#include <atomic>
#include <cstdio>

namespace orvel {
namespace {
std::atomic<int> g_failures{0};
// Assertion texts are string literals, so keeping the pointer is enough.
std::atomic<const char*> g_lastText{""};
} // namespace

bool ModelAssert(bool ok, const char* text) {
    if (ok) return true;
    if (!text) text = "";
    ++g_failures;
    g_lastText = text;
    std::fprintf(stderr, "Orvel EE: assertion failed: %s\n", text);
    return false;
}

int ModelAssertFailures() {
    return g_failures;
}

const char* LastModelAssert() {
    return g_lastText;
}

} // namespace orvel

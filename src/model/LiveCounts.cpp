#include "model/LiveCounts.h"

#include <atomic>

namespace orvel {
namespace model {
namespace {

// Atomic: the host may build and release objects on several threads.
std::atomic<int> g_elements{0};
std::atomic<int> g_contexts{0};
std::atomic<int> g_recordIterators{0};

} // namespace

int LiveElements() {
    return g_elements.load();
}
int LiveContexts() {
    return g_contexts.load();
}
int LiveRecordIterators() {
    return g_recordIterators.load();
}

void CountElement(int Delta) {
    g_elements += Delta;
}
void CountContext(int Delta) {
    g_contexts += Delta;
}
void CountRecordIterator(int Delta) {
    g_recordIterators += Delta;
}

} // namespace model
} // namespace orvel

#include "simhost/com/LiveObjects.h"

namespace orvel::sim {

namespace {
std::atomic<long>& Counter() {
    static std::atomic<long> count{0};
    return count;
}
} // namespace

long LiveObjects() {
    return Counter().load();
}

LiveObject::LiveObject() {
    Counter().fetch_add(1, std::memory_order_relaxed);
}
LiveObject::LiveObject(const LiveObject&) {
    Counter().fetch_add(1, std::memory_order_relaxed);
}
LiveObject::~LiveObject() {
    Counter().fetch_sub(1, std::memory_order_relaxed);
}

} // namespace orvel::sim

#include "platform/ComObject.h"

namespace orvel {

std::atomic<long>& ObjectCount() {
    static std::atomic<long> count{0};
    return count;
}

} // namespace orvel

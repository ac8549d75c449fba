#include "model/ArrayDesc.h"

#include <cstring>

#include "model/NumberText.h"

namespace {

// The shape may come from a debuggee's debug information: never trust Rank as a bound.
int ClampedRank(int8_t rank) {
    if (rank < 0) return 0;
    return rank > ArrayDesc::MaxRank ? ArrayDesc::MaxRank : rank;
}

// Two's-complement wrap-around without signed overflow: the debuggee does its address
// arithmetic in 32 bits, and so do we.
int32_t Wrap32(uint32_t v) {
    return static_cast<int32_t>(v);
}

// Appends text to Out (capacity OutSize, always NUL-terminated); returns the new length.
int Append(char* Out, int OutSize, int len, const char* text) {
    while (*text && len < OutSize - 1)
        Out[len++] = *text++;
    Out[len] = '\0';
    return len;
}

} // namespace

void ArrayDesc::Clear() {
    std::memset(Lower, 0, sizeof Lower);
    std::memset(Upper, 0, sizeof Upper);
    std::memset(Stride, 0, sizeof Stride);
    std::memset(BoundSizes, 0, sizeof BoundSizes);
    std::memset(BoundOfset, 0, sizeof BoundOfset);
    std::memset(Multiplier, 0, sizeof Multiplier);
    std::memset(Subscript, 0, sizeof Subscript);
    SubscriptCount = 0;
    Rank = 0;
    ElemSize = 0;
}

uint32_t ArrayDesc::ElementCount() const {
    const int rank = ClampedRank(Rank);
    if (rank == 0) return 0;
    uint64_t count = 1;
    for (int i = 0; i < rank; ++i) {
        const int64_t extent = int64_t{Upper[i]} - Lower[i] + 1;
        // An empty or assumed-size dimension has no elements we could show.
        if (extent <= 0) return 0;
        count *= static_cast<uint64_t>(extent); // both factors < 2^33: no wrap
        if (count > UINT32_MAX) count = UINT32_MAX + uint64_t{1};
    }
    return count > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(count);
}

void ArrayDesc::IndexToSubscripts(uint32_t Index) {
    uint32_t rest = Index;
    for (int i = ClampedRank(Rank) - 1; i >= 0; --i) {
        // A zero multiplier only comes from a broken shape; it must not divide.
        const uint32_t sub = Multiplier[i] ? rest / Multiplier[i] : 0;
        rest -= sub * Multiplier[i];
        Subscript[i] = Wrap32(sub + static_cast<uint32_t>(Lower[i]));
    }
}

void ArrayDesc::SubscriptText(uint32_t Index, char* Out, int OutSize) {
    IndexToSubscripts(Index);
    if (!Out || OutSize <= 0) return;
    int len = Append(Out, OutSize, 0, "(");
    const int rank = ClampedRank(Rank);
    for (int i = 0; i < rank; ++i) {
        char number[16];
        int n = 0;
        if (i) number[n++] = ',';
        orvel::IntegerText(Subscript[i], number + n, static_cast<int>(sizeof number) - n);
        len = Append(Out, OutSize, len, number);
    }
    Append(Out, OutSize, len, ")");
}

int64_t ArrayDesc::ElementOffset() const {
    // Unsigned 64-bit arithmetic wraps instead of overflowing; truncated to 32 bits the
    // sum is what the debuggee's own 32-bit arithmetic gives.
    uint64_t offset = 0;
    const int rank = ClampedRank(Rank);
    for (int i = 0; i < rank; ++i) {
        const uint64_t steps = static_cast<uint64_t>(int64_t{Subscript[i]} - Lower[i]);
        offset += static_cast<uint64_t>(int64_t{BoundOfset[i]});
        offset += steps * static_cast<uint64_t>(int64_t{Stride[i]}) *
                  static_cast<uint64_t>(int64_t{ElemSize});
    }
    return static_cast<int64_t>(offset);
}

bool ArrayDesc::SetSubscript(unsigned Dim, int32_t Value) {
    if (Dim >= static_cast<unsigned>(ClampedRank(Rank))) return false;
    // An assumed-size dimension (upper bound 0x80000000) has no upper limit the debugger
    // could know; the user may name any element from the lower bound on, as the
    // program itself may.
    const bool assumedSize = Upper[Dim] == INT32_MIN;
    if (Value < Lower[Dim] || (!assumedSize && Value > Upper[Dim])) return false;
    Subscript[Dim] = Value;
    return true;
}

uint32_t ArrayDesc::LinearIndex() const {
    uint32_t index = 0;
    const int rank = ClampedRank(Rank);
    for (int i = 0; i < rank; ++i) {
        const uint32_t steps =
            static_cast<uint32_t>(Subscript[i]) - static_cast<uint32_t>(Lower[i]);
        index += steps * Multiplier[i];
    }
    return index;
}

// The shape of an array Element and the subscripts currently applied to it. The shape
// may come from a debuggee's debug information: every operation reads at most the
// seven slots, whatever Rank says, and wraps its arithmetic instead of overflowing.
#pragma once

#include <cstdint>

struct ExtraInfo;

class ArrayDesc {
public:
    static constexpr int MaxRank = 7;

    int32_t Lower[MaxRank];
    int32_t Upper[MaxRank];
    int32_t Stride[MaxRank];      // elements per subscript step, lower extents folded in
    int32_t BoundSizes[MaxRank];  // declared extent
    int32_t BoundOfset[MaxRank];  // extra byte offset of the dimension
    uint32_t Multiplier[MaxRank]; // product of the lower dimensions' counts
    int32_t Subscript[MaxRank];
    uint8_t SubscriptCount;
    int8_t Rank;
    int32_t ElemSize;

    ArrayDesc() { Clear(); }
    void Clear();
    // The shape a debug-information record describes; the subscripts are cleared.
    void BuildFromRecord(const ExtraInfo& Ex);

    // 0 for a non-array or when a dimension is empty or assumed-size; else the product
    // of the dimension counts, saturating at UINT32_MAX.
    uint32_t ElementCount() const;
    void IndexToSubscripts(uint32_t Index);
    // Sets the subscripts from Index and writes "(i,j,...)" into Out (at most OutSize bytes).
    void SubscriptText(uint32_t Index, char* Out, int OutSize);
    // Byte offset of the current subscripts from the array's address.
    int64_t ElementOffset() const;
    // The bounds check of the expression language.
    bool SetSubscript(unsigned Dim, int32_t Value);
    uint32_t LinearIndex() const;
};

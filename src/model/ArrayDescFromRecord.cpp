// ArrayDesc: the shape that a debug-information record describes.
#include "model/ArrayDesc.h"
#include "model/ExtraInfo.h"

void ArrayDesc::BuildFromRecord(const ExtraInfo& Ex) {
    Clear();
    // The record comes from the debuggee: a rank outside 0..7 keeps only what fits.
    const int rank = Ex.Rank < 0 ? 0 : (Ex.Rank > MaxRank ? MaxRank : Ex.Rank);
    Rank = static_cast<int8_t>(rank);
    ElemSize = Ex.ElemSize;
    // Unsigned products: hostile bounds wrap instead of overflowing.
    uint32_t stride = 1;
    uint32_t multiplier = 1;
    for (int i = 0; i < rank; ++i) {
        Lower[i] = Ex.Base[i];
        Upper[i] = static_cast<int32_t>(static_cast<uint32_t>(Ex.Base[i]) +
                                        static_cast<uint32_t>(Ex.DimSize[i]));
        Stride[i] = static_cast<int32_t>(stride * static_cast<uint32_t>(Ex.Stride[i]));
        BoundSizes[i] = Ex.BoundSizes[i];
        BoundOfset[i] = Ex.BoundOfset[i];
        Multiplier[i] = multiplier;
        // The subscripts start at the first element.
        Subscript[i] = Lower[i];
        multiplier *= static_cast<uint32_t>(Upper[i]) - static_cast<uint32_t>(Lower[i]) + 1;
        stride *= static_cast<uint32_t>(BoundSizes[i]);
    }
}

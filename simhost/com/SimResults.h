// Result codes the substitute host gives where a real host fails.
#pragma once

#include "platform/PlatformTypes.h"

namespace orvel::sim {

// HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER): a caller's buffer is too small.
constexpr HRESULT kInsufficientBuffer = static_cast<HRESULT>(0x8007007A);
// HRESULT_FROM_WIN32(RPC_X_NULL_REF_POINTER): some hosts refuse a missing buffer so.
constexpr HRESULT kNullBufferRefused = static_cast<HRESULT>(0x800706F4);

} // namespace orvel::sim

#include <new>

namespace orvel::sim {

// Runs the body of an interface method; an exception (an allocation that failed)
// becomes a result code instead of crossing the caller's vtable.
template <class Body> HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace orvel::sim

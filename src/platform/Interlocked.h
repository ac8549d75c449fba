// Atomic increment and decrement of a plain 32-bit counter, for counted objects whose
// counter must stay an ordinary field of a fixed layout (Element's Counter).
// ComObject does not use these: its count is a std::atomic of its own.
//
// GCC and Clang builtins serve both targets (MinGW-w64 included) and accept LONG
// and int32_t alike, which are different types on Windows.
#pragma once

#include <type_traits>

#include "platform/PlatformTypes.h"

namespace orvel {

// Returns the new value.
template <class T> T InterlockedIncrement32(volatile T* value) {
    static_assert(std::is_integral_v<T> && sizeof(T) == 4, "a 32-bit integer counter");
    return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

// Returns the new value.
template <class T> T InterlockedDecrement32(volatile T* value) {
    static_assert(std::is_integral_v<T> && sizeof(T) == 4, "a 32-bit integer counter");
    return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

} // namespace orvel

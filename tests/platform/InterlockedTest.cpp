#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Interlocked.h"

namespace {

// Both LONG and int32_t (different types on Windows) must be accepted.
template <class T> void CountConcurrently() {
    constexpr int kThreads = 4;
    constexpr int kEach = 20000;
    volatile T counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&counter, t] {
            for (int i = 0; i < kEach; ++i) {
                // Half the threads go down, half up, twice: a lost update shows.
                if (t % 2 == 0) {
                    orvel::InterlockedIncrement32(&counter);
                    orvel::InterlockedIncrement32(&counter);
                } else {
                    orvel::InterlockedDecrement32(&counter);
                }
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(static_cast<T>(kThreads / 2 * kEach), counter);
}

TEST(Interlocked, ReturnsTheNewValue) {
    LONG value = 41;
    EXPECT_EQ(42, orvel::InterlockedIncrement32(&value));
    EXPECT_EQ(41, orvel::InterlockedDecrement32(&value));
    int32_t zero = 0;
    EXPECT_EQ(-1, orvel::InterlockedDecrement32(&zero));
}

TEST(Interlocked, NoUpdateIsLostAcrossThreads) {
    CountConcurrently<LONG>();
    CountConcurrently<int32_t>();
}

} // namespace

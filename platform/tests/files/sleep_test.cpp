// Sleep: returns at once for 0, and not before the time asked for has passed otherwise.
#include <chrono>

#include "file_test.h"

namespace platform_test {
namespace {

TEST(Sleep, WaitsAtLeastTheTimeAskedFor) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Sleep(0);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));

    const Clock::time_point before = Clock::now();
    Sleep(100);
    // Windows may wake a thread up to one clock tick (about 16 ms) early.
    EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(84));
}

}  // namespace
}  // namespace platform_test

// The wake-up rule between a capturing device's real-time thread and its delivery thread.
#include "wake_threshold.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace platform::audio {
namespace {

TEST(WakeThreshold, WakesOnlyWhenTheWaitingBytesReachWhatIsWanted) {
    WakeThreshold wake;
    EXPECT_FALSE(wake.Expect(100));  // nothing waiting: sleep
    EXPECT_FALSE(wake.Arrived(60));
    EXPECT_TRUE(wake.Arrived(40));   // reaches 100: wake
    EXPECT_FALSE(wake.Arrived(10));  // already past it: woken before
    wake.Consumed(110);
    EXPECT_FALSE(wake.Expect(50));
    EXPECT_TRUE(wake.Arrived(200));  // one period may bring more than is wanted
    EXPECT_TRUE(wake.Expect(150));   // already there: go on without sleeping
    wake.Consumed(200);
    wake.Consumed(0);
    EXPECT_FALSE(wake.Expect(1));
}

// A producer and a sleeping consumer: every byte arrives and the consumer is never left asleep
// with its bytes waiting (the test would hang).
TEST(WakeThreshold, LosesNoWakeUpBetweenTwoThreads) {
    WakeThreshold wake;
    std::atomic<std::uint64_t> produced{0};
    std::atomic<std::uint32_t> wakeups{0};
    constexpr std::uint64_t kTotal = 2'000'000;
    constexpr std::uint64_t kWanted = 4096;

    std::thread producer([&] {
        for (std::uint64_t sent = 0; sent < kTotal; sent += 7) {
            const bool reached = wake.Arrived(7);
            produced.fetch_add(7, std::memory_order_release);
            if (reached) {
                wakeups.fetch_add(1, std::memory_order_release);
                wakeups.notify_one();
            }
        }
    });
    std::uint64_t consumed = 0;
    while (consumed + kWanted <= kTotal) {
        const std::uint32_t seen = wakeups.load(std::memory_order_acquire);
        if (!wake.Expect(kWanted)) {
            wakeups.wait(seen, std::memory_order_acquire);
            continue;
        }
        while (produced.load(std::memory_order_acquire) < consumed + kWanted) {
            std::this_thread::yield();  // counted, still being written
        }
        wake.Consumed(kWanted);
        consumed += kWanted;
    }
    producer.join();
    EXPECT_EQ(consumed, kTotal / kWanted * kWanted);
}

}  // namespace
}  // namespace platform::audio

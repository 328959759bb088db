// When a capturing device's real-time thread should wake the delivery thread: only once the
// bytes waiting in the ring reach what the delivery thread said it needs (the rest of the buffer
// being filled), instead of after every period. Both sides keep the count of waiting bytes and
// the threshold in one atomic word and change it only with read-modify-write operations, so
// their changes are totally ordered and no wake-up is lost: either the real-time side sees the
// new threshold and wakes the delivery thread, or the delivery side sees the new bytes and goes
// on working.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace platform::audio {

class WakeThreshold {
  public:
    // Real-time side, before putting `bytes` into the ring (those it then has no room for are
    // given back with Consumed). True when they make the waiting bytes reach the threshold: the
    // delivery thread must be woken once they are in the ring.
    bool Arrived(std::size_t bytes) noexcept {
        const std::uint64_t before = word_.fetch_add(bytes, std::memory_order_acq_rel);
        return Waiting(before) < Wanted(before) && Waiting(before) + bytes >= Wanted(before);
    }

    // Delivery side, after taking `bytes` out of the ring; real-time side, for bytes it counted
    // but could not put in.
    void Consumed(std::size_t bytes) noexcept { word_.fetch_sub(bytes, std::memory_order_acq_rel); }

    // Delivery side: `wanted` more bytes are needed for more work. False when the delivery
    // thread may sleep until woken; true when they are already counted (then they are in the
    // ring, or about to be: the real-time side is writing them).
    bool Expect(std::size_t wanted) noexcept {
        const std::uint64_t threshold = wanted < kMaxWanted ? wanted : kMaxWanted;
        std::uint64_t current = word_.load(std::memory_order_acquire);
        while (!word_.compare_exchange_weak(current, (threshold << 32) | Waiting(current),
                                            std::memory_order_acq_rel)) {
        }
        return Waiting(current) >= threshold;
    }

  private:
    static constexpr std::uint64_t kMaxWanted = 0x7FFFFFFFu;
    static std::uint64_t Waiting(std::uint64_t word) noexcept { return word & 0xFFFFFFFFu; }
    static std::uint64_t Wanted(std::uint64_t word) noexcept { return word >> 32; }

    std::atomic<std::uint64_t> word_{0};  // wanted << 32 | bytes waiting in the ring
};

}  // namespace platform::audio

#include "byte_ring.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace platform::audio {

ByteRing::ByteRing(std::size_t minimumCapacity)
    : mask_(std::bit_ceil(std::max<std::size_t>(minimumCapacity, 16)) - 1) {
    storage_ = std::make_unique<std::byte[]>(mask_ + 1);
}

std::size_t ByteRing::Writable() const noexcept {
    return Capacity() -
           (written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire));
}

std::size_t ByteRing::Readable() const noexcept {
    return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_relaxed);
}

std::size_t ByteRing::Write(const std::byte* data, std::size_t bytes) noexcept {
    const std::size_t head = written_.load(std::memory_order_relaxed);
    const std::size_t tail = read_.load(std::memory_order_acquire);
    const std::size_t count = std::min(bytes, Capacity() - (head - tail));
    const std::size_t start = head & mask_;
    const std::size_t first = std::min(count, Capacity() - start);
    if (count > 0) {
        std::memcpy(storage_.get() + start, data, first);
        std::memcpy(storage_.get(), data + first, count - first);
    }
    written_.store(head + count, std::memory_order_release);
    return count;
}

std::size_t ByteRing::Read(std::byte* data, std::size_t bytes) noexcept {
    const std::size_t tail = read_.load(std::memory_order_relaxed);
    const std::size_t head = written_.load(std::memory_order_acquire);
    const std::size_t count = std::min(bytes, head - tail);
    const std::size_t start = tail & mask_;
    const std::size_t first = std::min(count, Capacity() - start);
    if (data != nullptr && count > 0) {
        std::memcpy(data, storage_.get() + start, first);
        std::memcpy(data + first, storage_.get(), count - first);
    }
    read_.store(tail + count, std::memory_order_release);
    return count;
}

void ByteRing::Clear() noexcept {
    written_.store(0, std::memory_order_release);
    read_.store(0, std::memory_order_release);
}

}  // namespace platform::audio

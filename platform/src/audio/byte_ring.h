// A single-producer, single-consumer ring of bytes between a backend's real-time thread and
// the layer: neither side ever blocks or allocates. The storage is allocated once, when the
// device opens.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace platform::audio {

class ByteRing {
  public:
    // The capacity is `minimumCapacity` rounded up to a power of two.
    explicit ByteRing(std::size_t minimumCapacity);

    std::size_t Capacity() const noexcept { return mask_ + 1; }

    // Producer side: copies up to `bytes` bytes in and returns how many fitted.
    std::size_t Write(const std::byte* data, std::size_t bytes) noexcept;
    std::size_t Writable() const noexcept;

    // Consumer side: copies up to `bytes` bytes out (or drops them when `data` is null) and
    // returns how many it took.
    std::size_t Read(std::byte* data, std::size_t bytes) noexcept;
    std::size_t Readable() const noexcept;

    // Empties the ring. Only while neither side can run.
    void Clear() noexcept;

  private:
    std::unique_ptr<std::byte[]> storage_;
    std::size_t mask_;
    std::atomic<std::size_t> written_{0};  // total bytes ever written (producer)
    std::atomic<std::size_t> read_{0};     // total bytes ever read (consumer)
};

}  // namespace platform::audio

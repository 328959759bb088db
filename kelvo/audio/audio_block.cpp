#include "kelvo/audio/audio_block.h"

#include <atomic>
#include <new>

namespace kelvo::audio {
namespace {

std::atomic<unsigned> g_failingAllocation{0};

// Counts one allocation down; true when it is the one a test asked to fail.
bool AllocationFails() {
    unsigned left = g_failingAllocation.load();
    while (left != 0 && !g_failingAllocation.compare_exchange_weak(left, left - 1)) {
    }
    return left == 1;
}

}  // namespace

WAVEHDR* AllocateBlock() {
    if (AllocationFails()) {
        return nullptr;
    }
    auto* block = new (std::nothrow) WAVEHDR{};
    if (block == nullptr) {
        return nullptr;
    }
    block->lpData = new (std::nothrow) char[kBlockBytes];
    if (block->lpData == nullptr) {
        delete block;
        return nullptr;
    }
    block->dwBufferLength = kBlockBytes;
    block->dwFlags = 0;
    return block;
}

void FreeBlock(WAVEHDR* block) {
    if (block != nullptr) {
        delete[] block->lpData;
        delete block;
    }
}

namespace testing {
void FailBlockAllocation(unsigned nth) {
    g_failingAllocation.store(nth);
}
}  // namespace testing

}  // namespace kelvo::audio

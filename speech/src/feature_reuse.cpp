#include "feature_reuse.h"

#include <bit>
#include <mutex>
#include <tuple>
#include <type_traits>
#include <utility>

namespace speech {
namespace {

// Every setting, named one by one so that a setting added later stops this compiling until it
// is compared too.
auto Settings(const FrontEndOptions& options) {
    const auto& [sampleRate, zeroMean, preEmphasis, windowType, windowMs, shiftMs, numFilters,
                 numCepstra, lifter, spectralFloorDb, energy, energyNorm, cms, delta, acc,
                 deltaWindow, outputMode] = options;
    return std::tie(sampleRate, zeroMean, preEmphasis, windowType, windowMs, shiftMs, numFilters,
                    numCepstra, lifter, spectralFloorDb, energy, energyNorm, cms, delta, acc,
                    deltaWindow, outputMode);
}

// Numbers are compared bit for bit: 0 and -0 are equal numbers but need not give equal
// features.
template <typename T>
bool Same(const T& a, const T& b) {
    if constexpr (std::is_same_v<T, double>) {
        return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    } else {
        return a == b;
    }
}

bool SameSettings(const FrontEndOptions& a, const FrontEndOptions& b) {
    return std::apply(
        [&](const auto&... x) {
            return std::apply([&](const auto&... y) { return (Same(x, y) && ...); }, Settings(b));
        },
        Settings(a));
}

struct Remembered {
    std::string samples;
    FrontEndOptions options;
    FeatureMatrix features;
};

std::mutex mutex;
// Entries are swapped in and out under the lock and freed after it is released, so that a
// thread waiting for the lock does not also wait for memory to be given back.
std::optional<Remembered> remembered;
std::size_t reusedCount = 0;

}  // namespace

void ForgetComputedFeatures() {
    std::optional<Remembered> dropped;
    const std::lock_guard lock(mutex);
    dropped.swap(remembered);
}

std::optional<FeatureMatrix> ReusableFeatures(std::string_view samples,
                                              const FrontEndOptions& options) {
    std::optional<Remembered> dropped;
    const std::lock_guard lock(mutex);
    if (!remembered) {
        return std::nullopt;
    }
    if (!SameSettings(remembered->options, options) || remembered->samples != samples) {
        dropped.swap(remembered);
        return std::nullopt;
    }
    ++reusedCount;
    return remembered->features;
}

void RememberComputedFeatures(std::string samples, const FrontEndOptions& options,
                              const FeatureMatrix& features) {
    std::optional<Remembered> entry(Remembered{std::move(samples), options, features});
    const std::lock_guard lock(mutex);
    entry.swap(remembered);
}

std::size_t ReusedFeatureCount() {
    const std::lock_guard lock(mutex);
    return reusedCount;
}

}  // namespace speech

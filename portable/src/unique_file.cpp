#include <array>
#include <random>
#include <string_view>

#include "portable/files.h"
#include "random_bytes.h"

namespace portable {
namespace {

constexpr int kAttempts = 100;

std::string RandomSuffix() {
    constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::array<unsigned char, 12> bytes{};
    if (!FillRandom(bytes.data(), bytes.size())) {
        // No system source: fall back on the library's, which is seeded from the system.
        std::random_device device;
        for (unsigned char& byte : bytes) {
            byte = static_cast<unsigned char>(device());
        }
    }
    std::string suffix;
    for (const unsigned char byte : bytes) {
        suffix += kAlphabet[byte % kAlphabet.size()];
    }
    return suffix;
}

}  // namespace

int CreateUniqueFile(const std::string& base, std::string& name) {
    // An exclusive create fails on anything already at the name, a link included, so nothing
    // planted there is ever written; another name is drawn then.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        name = base + RandomSuffix();
        OpenResult result = OpenResult::kRefused;
        const int fd = OpenFile(name.c_str(), kWriteOnly | kCreate | kExclusive, 0666, &result);
        if (fd >= 0 || result != OpenResult::kExists) {
            return fd;
        }
    }
    return -1;
}

}  // namespace portable

// The profile reader on any text: the input's first line is the speaker, the rest the profile.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kelvo/core/profile_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = std::min(input.find('\n'), input.size());
    const std::string_view speaker = input.substr(0, split);
    const std::string_view profile = input.substr(std::min(split + 1, input.size()));

    const kelvo::EnrolledVectors enrolled = kelvo::ParseProfile(profile, speaker);
    // A vector handed out lies in the pipeline's range; a single line enrols twice.
    for (const auto& vector : {enrolled.first, enrolled.second}) {
        if (vector && !kelvo::AllInRange(*vector)) {
            std::abort();
        }
    }
    if ((enrolled.lines == 0 && (enrolled.first || enrolled.second)) ||
        (enrolled.lines == 1 && enrolled.first != enrolled.second)) {
        std::abort();
    }
    return 0;
}

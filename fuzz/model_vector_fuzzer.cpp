// The model vector reader ("states.txt") on any text, for enrolment and for verification.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kelvo/core/model_vector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kelvo::ModelVector enrolment{};
    kelvo::ModelVector verification{};
    const bool enrols = kelvo::ParseModelVector(text, kelvo::ModelVectorUse::kEnrolment, enrolment);
    const bool verifies =
        kelvo::ParseModelVector(text, kelvo::ModelVectorUse::kVerification, verification);
    // An accepted vector lies in the pipeline's range. Verification asks for more than
    // enrolment, and both read the same numbers.
    if ((enrols && !kelvo::AllInRange(enrolment)) || (verifies && !enrols) ||
        (verifies && enrolment != verification)) {
        std::abort();
    }
    return 0;
}

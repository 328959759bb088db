#include "kelvo/core/argument_vector.h"

namespace kelvo {

ArgumentVector::ArgumentVector(std::initializer_list<std::string_view> arguments)
    : strings_(arguments.begin(), arguments.end()) {
    pointers_.reserve(strings_.size() + 1);
    for (std::string& argument : strings_) {
        pointers_.push_back(argument.data());
    }
    pointers_.push_back(nullptr);
}

}  // namespace kelvo

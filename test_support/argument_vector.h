// Argument vectors for the program-shaped entry points, built the way a caller that counts its
// arguments may build them: the entry after the last is not null but points at an option no
// entry point knows, so reading past the count shows up as a wrong result.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace test_support {

class ArgVector {
  public:
    explicit ArgVector(std::vector<std::string> arguments) : strings_(std::move(arguments)) {
        for (std::string& s : strings_) {
            pointers_.push_back(s.data());
        }
        pointers_.push_back(sentinel_.data());
    }
    int Count() const { return static_cast<int>(strings_.size()); }
    char** Data() { return pointers_.data(); }

  private:
    std::vector<std::string> strings_;
    std::string sentinel_ = "-read_past_the_end";
    std::vector<char*> pointers_;
};

}  // namespace test_support

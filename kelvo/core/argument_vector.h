// A counted argument vector as a program's main receives it: mutable copies of the strings,
// followed by a null entry. The speech library's entry points are shaped like programs, and a
// program may write into its arguments, so they never see the library's constants.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

class ArgumentVector {
  public:
    ArgumentVector(std::initializer_list<std::string_view> arguments);

    ArgumentVector(const ArgumentVector&) = delete;
    ArgumentVector& operator=(const ArgumentVector&) = delete;

    int Count() const { return static_cast<int>(strings_.size()); }
    char** Data() { return pointers_.data(); }

  private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;  // one per string, then nullptr
};

}  // namespace kelvo

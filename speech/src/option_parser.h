// Parses a program-style argument vector ("-name value" pairs and "-flag" switches) into the
// fields of an options struct. Every option is declared once with the field it sets; a
// value must be a whole, well-formed number or word.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace speech {

class OptionParser {
  public:
    void AddFlag(std::string_view name, bool* target);
    void AddInt(std::string_view name, int* target);
    void AddDouble(std::string_view name, double* target);
    void AddString(std::string_view name, std::string* target);

    // Reads argv[1] to argv[argc - 1] (argv[0] is the program name). Returns SPEECH_OK, or
    // the code of the first unknown option, missing value or malformed value.
    int Parse(int argc, char** argv) const;

  private:
    struct Option {
        std::string name;
        bool takesValue;
        std::function<bool(std::string_view)> set;  // false when the value is malformed
    };

    const Option* Find(std::string_view name) const;

    std::vector<Option> options_;
};

// Whole-string number conversions in the C locale; false when anything is left over.
bool ParseInt(std::string_view text, int& value);
bool ParseDouble(std::string_view text, double& value);

}  // namespace speech

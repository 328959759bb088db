// Numbers as text in the profile and the speech pipeline's work files: the "%le" and "%d"
// forms of the C locale, whatever locale the host process has set. A host program may set
// the locale from the environment, and under a locale with ',' decimals the stream functions
// would write "1,5e+00" and read it back as 1.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvo {

// White space as the C locale defines it: blank, \t, \n, \v, \f, \r.
bool IsSpace(char c);

// Reads numbers one after another from a text, as repeated "%le" or "%d" conversions read a
// stream: leading white space is skipped, the longest number at the position is taken and
// the position moves past it. A read that finds no number there fails and leaves the
// position where it was, so every later read fails at the same place. A number too large
// or too small for a double reads as NaN, which no caller accepts as a feature value.
class NumberScanner {
  public:
    explicit NumberScanner(std::string_view text) : text_(text) {}

    bool ReadDouble(double& value);
    bool ReadInt(int& value);

  private:
    // Skips white space and an optional '+'; returns the position of the number's text.
    std::size_t NumberStart();

    std::string_view text_;
    std::size_t position_ = 0;
};

// Appends the value in "%le" form: "-1.234560e+00", "inf", "nan".
void AppendScientific(std::string& out, double value);

// Appends the value in "%d" form.
void AppendDecimal(std::string& out, int value);

}  // namespace kelvo

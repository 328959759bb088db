// The match score as the dialog shows it.
#pragma once

#include <string>

// The score rounded to a whole number (halves away from zero), with a minus sign when
// negative and never "-0": 87.35 gives "87", 100 gives "100", -12.6 gives "-13". Independent
// of the process locale. Infinities and NaN read "inf", "-inf" and "nan".
std::string ScoreText(double score);

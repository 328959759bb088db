// Wide (UTF-16) texts of the library and the resources as Qt strings.
#pragma once

#include <QString>

inline QString WideToQString(const char16_t* text) {
    return text == nullptr ? QString() : QString::fromUtf16(text);
}

#include "option_parser.h"

#include <charconv>
#include <cmath>

#include "speech/speech.h"

namespace speech {

bool ParseInt(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc{} && ptr == end;
}

bool ParseDouble(std::string_view text, double& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc{} && ptr == end && std::isfinite(value);
}

void OptionParser::AddFlag(std::string_view name, bool* target) {
    options_.push_back({std::string(name), false, [target](std::string_view) {
                            *target = true;
                            return true;
                        }});
}

void OptionParser::AddInt(std::string_view name, int* target) {
    options_.push_back({std::string(name), true,
                        [target](std::string_view text) { return ParseInt(text, *target); }});
}

void OptionParser::AddDouble(std::string_view name, double* target) {
    options_.push_back({std::string(name), true,
                        [target](std::string_view text) { return ParseDouble(text, *target); }});
}

void OptionParser::AddString(std::string_view name, std::string* target) {
    options_.push_back({std::string(name), true, [target](std::string_view text) {
                            *target = std::string(text);
                            return !text.empty();
                        }});
}

const OptionParser::Option* OptionParser::Find(std::string_view name) const {
    for (const Option& option : options_) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

int OptionParser::Parse(int argc, char** argv) const {
    if (argc < 1 || argv == nullptr) {
        return SPEECH_ERR_MISSING_VALUE;
    }
    for (int i = 1; i < argc; ++i) {
        const Option* option = argv[i] == nullptr ? nullptr : Find(argv[i]);
        if (option == nullptr) {
            return SPEECH_ERR_UNKNOWN_OPTION;
        }
        if (!option->takesValue) {
            option->set({});
            continue;
        }
        if (i + 1 >= argc || argv[i + 1] == nullptr) {
            return SPEECH_ERR_MISSING_VALUE;
        }
        if (!option->set(argv[++i])) {
            return SPEECH_ERR_BAD_VALUE;
        }
    }
    return SPEECH_OK;
}

}  // namespace speech

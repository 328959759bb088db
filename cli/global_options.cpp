#include "global_options.h"

namespace kelvo_cli {

std::vector<std::string> CommandFirst(const std::vector<std::string>& arguments) {
    std::vector<std::string> moved;
    std::size_t i = 1;
    for (; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--json" || argument.starts_with("--dir=")) {
            moved.push_back(argument);
        } else if (argument == "--dir" && i + 1 < arguments.size()) {
            moved.push_back(argument);
            moved.push_back(arguments[++i]);
        } else {
            break;
        }
    }
    if (moved.empty() || i == arguments.size() || arguments[i].starts_with("-")) {
        return arguments;  // no command name follows: the parser says what is wrong
    }
    std::vector<std::string> result(arguments.begin(), arguments.begin() + 1);
    result.push_back(arguments[i]);
    result.insert(result.end(), moved.begin(), moved.end());
    result.insert(result.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                  arguments.end());
    return result;
}

}  // namespace kelvo_cli

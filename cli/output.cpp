#include "output.h"

#include <cstdio>
#include <iostream>

namespace kelvo_cli {

void Output::Line(std::string_view text) const {
    if (!json_) {
        std::cout << text << '\n';
    }
}

void Output::Problem(std::string_view message) {
    std::cout.flush();
    std::cerr << "kelvo: " << message << '\n';
}

void Output::Fail(const CliError& error) {
    Problem(error.what());
    data_["error"] = error.what();
}

int Output::Finish(ExitCode code) {
    if (json_) {
        data_["exit_code"] = static_cast<int>(code);
        // Invalid UTF-8 in a file or speaker name is replaced rather than throwing.
        std::cout << data_.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }
    return Checked(code);
}

int Output::Checked(ExitCode code) {
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::cerr << "kelvo: cannot write to standard output\n";
        return kExitSetUp;
    }
    return code;
}

}  // namespace kelvo_cli

#include "temporary_directory.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "exit_codes.h"

namespace kelvo_cli {

TemporaryDirectory::TemporaryDirectory() {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "kelvo-XXXXXX").string();
    if (error || mkdtemp(pattern.data()) == nullptr) {
        throw CliError(kExitSetUp, std::string("cannot make a temporary directory (") +
                                       std::strerror(errno) + ")");
    }
    path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace kelvo_cli

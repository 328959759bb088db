// A fresh directory under the system's temporary directory, removed with its content.
#pragma once

#include <filesystem>

namespace kelvo_cli {

class TemporaryDirectory {
  public:
    // Throws CliError (profile not written) when it cannot be made.
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace kelvo_cli

// A progress bar on standard error, drawn only when standard error is a terminal.
#pragma once

#include <cstddef>
#include <string>

namespace kelvo_cli {

class ProgressBar {
  public:
    explicit ProgressBar(std::string what);
    // Ends the bar's line.
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Show(std::size_t done, std::size_t total);

  private:
    std::string what_;
    bool shown_ = false;
    bool terminal_;
};

}  // namespace kelvo_cli

#include "progress_bar.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

namespace kelvo_cli {
namespace {

constexpr std::size_t kBarWidth = 40;

}  // namespace

ProgressBar::ProgressBar(std::string what)
    : what_(std::move(what)), terminal_(isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() {
    if (shown_) {
        std::fputc('\n', stderr);
    }
}

void ProgressBar::Show(std::size_t done, std::size_t total) {
    if (!terminal_ || total == 0) {
        return;
    }
    const std::size_t filled = done * kBarWidth / total;
    std::string bar(filled, '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(stderr, "\r%s [%s] %zu/%zu", what_.c_str(), bar.c_str(), done, total);
    std::fflush(stderr);
    shown_ = true;
}

}  // namespace kelvo_cli

// The cost of converting a sound file into a kelvo recording (what enrol, verify and eval do
// to every input not already one), with each of libsamplerate's converters: for every file,
// the median and the fastest wall time and the median processor time of
// ConvertToKelvoRecording over RUNS runs (default 30), the output thrown away. The converter
// recordings are made with is marked.
//
//   kelvo_conversion_timer FILE... [--runs N]
//
// e.g. 3 s of a committed sample at 16 and 44.1 kHz:
//   head -c 33075 speech/tests/data/real16_1234_4.raw > short.raw
//   sox -t raw -e unsigned-integer -b 8 -c 1 -r 11025 short.raw -b 16 -r 16000 short16k.wav
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "sound_conversion.h"

namespace {

struct Timing {
    double medianMs = 0.0;
    double fastestMs = 0.0;
    double processorMs = 0.0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Timing TimeConversion(const std::string& file, kelvo_cli::Resampling resampling, int runs) {
    std::vector<double> wall;
    std::vector<double> processor;
    for (int run = 0; run < runs; ++run) {
        const int fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t started = std::clock();
        kelvo_cli::ConvertToKelvoRecording(file, file, fd, resampling);
        processor.push_back(1000.0 * static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC);
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return {Median(wall), *std::min_element(wall.begin(), wall.end()), Median(processor)};
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    int runs = 30;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            files.push_back(argument);
        }
    }
    if (files.empty() || runs < 1) {
        std::fprintf(stderr, "usage: %s FILE... [--runs N]\n", argv[0]);
        return 2;
    }
    struct Converter {
        const char* name;
        kelvo_cli::Resampling resampling;
    };
    const Converter converters[] = {{"best", kelvo_cli::Resampling::kBest},
                                    {"medium", kelvo_cli::Resampling::kMedium},
                                    {"fastest", kelvo_cli::Resampling::kFastest}};
    std::printf("%-28s %8s %7s %-9s %11s %12s %14s\n", "file", "rate", "seconds", "converter",
                "median ms", "fastest ms", "processor ms");
    try {
        for (const std::string& file : files) {
            const kelvo_cli::SoundFacts facts = kelvo_cli::ProbeSound(file, file);
            const double seconds = static_cast<double>(facts.frames) / facts.rate;
            // A file at kelvo's rate is copied as it is: no converter runs.
            const bool copied = facts.rate == kelvo_cli::kKelvoRate;
            for (const Converter& converter : converters) {
                const Timing timing = TimeConversion(file, converter.resampling, runs);
                const bool used = converter.resampling == kelvo_cli::kRecordingResampling;
                std::printf("%-28s %8d %7.2f %-9s %11.2f %12.2f %14.2f%s\n", file.c_str(),
                            facts.rate, seconds, copied ? "none" : converter.name, timing.medianMs,
                            timing.fastestMs, timing.processorMs,
                            used && !copied ? "  (recordings)" : "");
                if (copied) {
                    break;
                }
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

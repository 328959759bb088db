// The whole front end against reference_mfcc.py, an independent numpy implementation of the
// same chain in double precision. Both read the same 8-bit recording; every value of every
// frame must agree within kAbsolute + kRelative * |reference|. The difference comes from the
// single-precision FFT and the float output; it stays near a tenth of the tolerance, while a
// fault in any stage (even y[0] of the pre-emphasis) exceeds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "speech/speech.h"
#include "test_support.h"

namespace speech {
namespace {

constexpr double kAbsolute = 1e-3;
constexpr double kRelative = 1e-3;

bool ReferenceAvailable() {
    return std::system("/usr/bin/python3 -c 'import numpy' >/dev/null 2>&1") == 0;
}

class FrontendGolden : public test::WorkDirTest {
  protected:
    // Runs ExtractFeatures with `arguments` (plus the list options) and the reference script
    // with `referenceOptions` on the same recording, and compares the two feature files.
    void Compare(const std::vector<std::string>& arguments, const std::string& referenceOptions,
                 std::size_t expectedDims) {
        if (!ReferenceAvailable()) {
            GTEST_SKIP() << "/usr/bin/python3 with numpy is needed for the reference";
        }
        // 0.3 s of chirp and noise, then the chirp again at a quarter of the loudness.
        std::string recording = test::TestRecording(3308);
        const std::string quiet = test::TestRecording(1500, 11025.0, 7);
        for (const char byte : quiet) {
            const int centred = static_cast<unsigned char>(byte) - 128;
            recording += static_cast<char>(128 + centred / 4);
        }
        test::WriteFile("in.raw", recording);
        test::WriteFile("in.txt", "in.raw");
        test::WriteFile("out.txt", "out.mfc");

        std::vector<std::string> full = arguments;
        full.insert(full.end(), {"-input", "in.txt", "-output", "out.txt"});
        test::ArgVector vector(full);
        ASSERT_EQ(ExtractFeatures(vector.Count(), vector.Data()), SPEECH_OK);
        const std::string command = std::string("/usr/bin/python3 ") + REFERENCE_SCRIPT +
                                    " in.raw reference.mfc " + referenceOptions;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;

        const auto ours = test::ReadFeatures("out.mfc");
        const auto reference = test::ReadFeatures("reference.mfc");
        ASSERT_TRUE(ours);
        ASSERT_TRUE(reference);
        ASSERT_EQ(ours->frames, reference->frames);
        ASSERT_EQ(ours->dims, reference->dims);
        ASSERT_EQ(ours->dims, expectedDims);
        ASSERT_GT(ours->frames, 40u);
        double worst = 0.0;
        for (std::size_t t = 0; t < ours->frames; ++t) {
            for (std::size_t d = 0; d < ours->dims; ++d) {
                const double expected = reference->At(t, d);
                const double error = std::abs(ours->At(t, d) - expected);
                worst = std::max(worst, error / (kAbsolute + kRelative * std::abs(expected)));
                ASSERT_LE(error, kAbsolute + kRelative * std::abs(expected))
                    << "frame " << t << ", value " << d;
            }
        }
        RecordProperty("worst_error_fraction_of_tolerance", std::to_string(worst));
    }
};

TEST_F(FrontendGolden, PipelineSettings) {
    std::vector<std::string> arguments = test::PipelineArguments();
    arguments.resize(arguments.size() - 4);  // the lists are added by Compare
    Compare(arguments, "--zero-mean --energy --energy-norm --cms --delta --acc", 45);
}

// Without the normalisations, which would hide an offset in the cepstra or the energy, at
// another rate and geometry (25 ms = 200 samples every 10 ms at 8000/s, a 256-point FFT).
TEST_F(FrontendGolden, StaticsOnlyAtAnotherRate) {
    Compare(
        {"extract_feature", "-sf", "8000", "-window_dur", "25", "-frame_dur", "10", "-num_fbanks",
         "20", "-mfcc", "12", "-lifter_coeff", "0", "-pre_emph_coeff", "0.9", "-energy"},
        "--sf 8000 --window-ms 25 --shift-ms 10 --fbanks 20 --mfcc 12 --lifter 0 "
        "--pre-emph 0.9 --energy",
        13);
}

}  // namespace
}  // namespace speech

// InitHMM through its entry point, as kelvo calls it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "argument_vector.h"
#include "feature_file.h"
#include "speech/speech.h"
#include "temp_dir.h"
#include "text_io.h"

namespace speech {
namespace {

class InitHmm : public test_support::InTempDir {
  protected:
    static int Run(std::vector<std::string> arguments) {
        test_support::ArgVector argv(std::move(arguments));
        return InitHMM(argv.Count(), argv.Data());
    }

    static std::vector<std::string> KelvoArguments() {
        return {
            "init_hmm",   "-input",     "mfc.txt", "-models",       "ml.txt",     "-trans",
            "trans.txt",  "-mode",      "ascii",   "-state",        "states.txt", "-vfloor_file",
            "vfloor.txt", "-var_floor", "0.0002",  "-num_features", "45"};
    }

    // Speech-like frames: statics that move with time, loud frames between quiet ones, a
    // pitch that moves with them, voicing that breaks off between syllables.
    static FeatureMatrix Features(std::size_t frames, std::size_t dims = 45) {
        FeatureMatrix features(frames, dims);
        for (std::size_t t = 0; t < frames; ++t) {
            features.pitch.push_back(
                t % 40 < 34
                    ? static_cast<float>(120.0 + 20.0 * std::sin(0.05 * static_cast<double>(t)))
                    : 0.0f);
            for (std::size_t d = 0; d < dims; ++d) {
                features.At(t, d) =
                    static_cast<float>(std::sin(0.1 * static_cast<double>(t * (d + 1))));
            }
            features.At(t, dims / 3 - 1) = (t % 10 == 0) ? -20.0f : 1.0f;
        }
        return features;
    }

    void Prepare(const FeatureMatrix& features) {
        WriteFile("1.mfc", FormatFeatureFile(features));
        WriteFile("mfc.txt", "1.mfc");
        WriteFile("ml.txt", "0 sp\n1 sil");
    }

    static std::vector<double> Numbers(const std::string& text, std::size_t count) {
        NumberReader reader(text);
        std::vector<double> numbers(count);
        for (double& number : numbers) {
            EXPECT_TRUE(reader.Read(number));
        }
        return numbers;
    }
};

TEST_F(InitHmm, WritesTheModelVectorFirstThenTheStatesAndTheVarianceFloor) {
    Prepare(Features(200));
    ASSERT_EQ(Run(KelvoArguments()), SPEECH_OK);
    const std::string states = ReadFile("states.txt");
    const std::vector<double> vector = Numbers(states, 45);
    for (double value : vector) {
        EXPECT_TRUE(std::isfinite(value));
        EXPECT_GE(value, 0.5);
    }
    EXPECT_NE(states.find("\nmodels 2 features 45\nmodel sp states 3\ntransitions\n0.6 0.4 0 0\n"),
              std::string::npos);
    EXPECT_NE(states.find("model sil states 3"), std::string::npos);
    // The floor is the relative floor times each feature's global variance.
    const std::vector<double> floor = Numbers(ReadFile("vfloor.txt"), 45);
    for (double value : floor) {
        EXPECT_GT(value, 0.0);
        EXPECT_LT(value, 0.0002 * 500.0);
    }
}

TEST_F(InitHmm, UsesATransitionsFileWhenThereIsOne) {
    Prepare(Features(200));
    WriteFile("trans.txt", "2\n0.5 0.5 0\n0 0.5 0.5\n");
    ASSERT_EQ(Run(KelvoArguments()), SPEECH_OK);
    const std::string states = ReadFile("states.txt");
    EXPECT_NE(states.find("model sp states 2\ntransitions\n0.5 0.5 0\n0 0.5 0.5\n"),
              std::string::npos);
    WriteFile("trans.txt", "2\n0.5 0.4 0\n");
    EXPECT_EQ(Run(KelvoArguments()), SPEECH_ERR_FORMAT);
}

TEST_F(InitHmm, RefusesTooLittleOrConstantSpeechAndLeavesNoStateFile) {
    const struct {
        const char* what;
        FeatureMatrix features;
    } cases[] = {
        {"no frames", FeatureMatrix(0, 45)},
        {"too few frames", Features(40)},
        {"constant frames", FeatureMatrix(500, 45)},
    };
    for (const auto& c : cases) {
        WriteFile("states.txt", "stale");
        Prepare(c.features);
        EXPECT_EQ(Run(KelvoArguments()), SPEECH_ERR_TOO_LITTLE_SPEECH) << c.what;
        EXPECT_FALSE(std::filesystem::exists("states.txt")) << c.what;
    }
}

TEST_F(InitHmm, EveryFaultHasItsCode) {
    Prepare(Features(200));
    const auto with = [](std::size_t at, const char* value) {
        std::vector<std::string> arguments = KelvoArguments();
        arguments[at] = value;
        return arguments;
    };
    std::vector<std::string> truncated = KelvoArguments();
    truncated.pop_back();
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        int code;
    } cases[] = {
        {"unknown option", with(7, "-modes"), SPEECH_ERR_UNKNOWN_OPTION},
        {"value missing at the end", truncated, SPEECH_ERR_MISSING_VALUE},
        {"no state file given",
         {"init_hmm", "-input", "mfc.txt", "-models", "ml.txt"},
         SPEECH_ERR_MISSING_VALUE},
        {"malformed number", with(14, "0.0002x"), SPEECH_ERR_BAD_VALUE},
        {"malformed count", with(16, "4five"), SPEECH_ERR_BAD_VALUE},
        {"binary mode", with(8, "binary"), SPEECH_ERR_BAD_VALUE},
        {"features not in three blocks", with(16, "44"), SPEECH_ERR_IMPOSSIBLE},
        {"negative floor", with(14, "-1"), SPEECH_ERR_IMPOSSIBLE},
        {"features differ from the files", with(16, "39"), SPEECH_ERR_FORMAT},
        {"missing feature list", with(2, "none.txt"), SPEECH_ERR_READ},
        {"missing model list", with(4, "none.txt"), SPEECH_ERR_READ},
        {"state file is a directory", with(10, "."), SPEECH_ERR_WRITE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.arguments), c.code) << c.what;
    }

    WriteFile("mfc.txt", "missing.mfc");
    EXPECT_EQ(Run(KelvoArguments()), SPEECH_ERR_READ);
    WriteFile("mfc.txt", "");
    EXPECT_EQ(Run(KelvoArguments()), SPEECH_ERR_FORMAT);
    WriteFile("mfc.txt", "1.mfc");
    WriteFile("1.mfc", "3 45\n1 2 3\n");
    EXPECT_EQ(Run(KelvoArguments()), SPEECH_ERR_FORMAT);
    Prepare(Features(200));
    WriteFile("ml.txt", "0 sp\n0 sil");
    EXPECT_EQ(Run(KelvoArguments()), SPEECH_ERR_FORMAT);
}

}  // namespace
}  // namespace speech

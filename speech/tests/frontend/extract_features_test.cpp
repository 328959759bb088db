// ExtractFeatures through its argument vector: the pipeline's exact call, every refused
// argument with its code, the files it reads and writes, and when it reuses the features it
// computed last.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "feature_file.h"
#include "feature_reuse.h"
#include "front_end.h"
#include "speech/speech.h"
#include "test_support.h"

namespace speech {
namespace {

using test::ArgVector;
using test::PipelineArguments;
using test::ReadFeatures;
using test::TestRecording;
using test::ToSamples;
using test::WriteFile;

using Arguments = std::vector<std::string>;

int CallExtractFeatures(Arguments arguments) {
    ArgVector vector(std::move(arguments));
    return ExtractFeatures(vector.Count(), vector.Data());
}

// Sets an option's value, adding the option when it is not there.
void Set(Arguments& arguments, const std::string& option, const std::string& value) {
    const auto at = std::find(arguments.begin(), arguments.end(), option);
    if (at == arguments.end()) {
        arguments.push_back(option);
        arguments.push_back(value);
    } else {
        *(at + 1) = value;
    }
}

// Removes an option, and its value when it has one.
void Remove(Arguments& arguments, const std::string& option, bool hasValue) {
    const auto at = std::find(arguments.begin(), arguments.end(), option);
    ASSERT_NE(at, arguments.end()) << option;
    arguments.erase(at, at + (hasValue ? 2 : 1));
}

// The 8-bit samples as a RIFF/WAVE file at 11025/s.
std::string WaveFile(const std::string& samples) {
    const auto le = [](std::uint32_t v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i, v >>= 8) {
            out += static_cast<char>(v & 0xffu);
        }
        return out;
    };
    const auto size = static_cast<std::uint32_t>(samples.size());
    return "RIFF" + le(36 + size, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(11025, 4) +
           le(11025, 4) + le(1, 2) + le(8, 2) + "data" + le(size, 4) + samples;
}

// The recording with one sample raised by one step.
std::string WithSampleChanged(std::string recording, std::size_t at) {
    recording[at] = static_cast<char>(static_cast<unsigned char>(recording[at]) ^ 1u);
    return recording;
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

class FrontendEntryPoint : public test::WorkDirTest {
  protected:
    void SetUp() override {
        test::WorkDirTest::SetUp();
        ForgetComputedFeatures();  // what an earlier test computed
        recording_ = TestRecording(3000);
        WriteFile("1.raw", recording_);
        WriteFile("raw.txt", "1.raw\n");
        WriteFile("mfc.txt", "1.mfc\n");
    }

    std::string recording_;
};

TEST_F(FrontendEntryPoint, PipelineCallWritesTheFeatureFile) {
    const Arguments arguments = PipelineArguments();
    ASSERT_EQ(arguments.size(), 31u);
    ASSERT_EQ(CallExtractFeatures(arguments), SPEECH_OK);

    const auto features = ReadFeatures("1.mfc");
    ASSERT_TRUE(features);
    EXPECT_EQ(features->frames, 1 + (3000 - 176) / 88u);
    EXPECT_EQ(features->dims, 45u);
    float loudest = -1e30f;
    for (std::size_t t = 0; t < features->frames; ++t) {
        loudest = std::max(loudest, features->At(t, 14));
    }
    EXPECT_EQ(loudest, 1.0f);
    // The file holds exactly what the front end computes, in the shared file format.
    EXPECT_EQ(ReadWholeFile("1.mfc"),
              FormatFeatureFile(ComputeFeatures(ToSamples(recording_), FrontEndOptions{})));
}

TEST_F(FrontendEntryPoint, EachRefusedArgumentGivesItsCode) {
    using Edit = std::function<void(Arguments&)>;
    const auto set = [](const char* option, const char* value) -> Edit {
        return [=](Arguments& a) { Set(a, option, value); };
    };
    const struct {
        const char* label;
        Edit edit;
        int code;
    } cases[] = {
        {"unknown option", [](Arguments& a) { a.push_back("-dither"); }, SPEECH_ERR_UNKNOWN_OPTION},
        {"value as option", [](Arguments& a) { a.insert(a.begin() + 1, "14"); },
         SPEECH_ERR_UNKNOWN_OPTION},
        {"last option without value", [](Arguments& a) { a.push_back("-mfcc"); },
         SPEECH_ERR_MISSING_VALUE},
        {"no -input", [](Arguments& a) { Remove(a, "-input", true); }, SPEECH_ERR_MISSING_VALUE},
        {"no -output", [](Arguments& a) { Remove(a, "-output", true); }, SPEECH_ERR_MISSING_VALUE},
        {"mfcc word", set("-mfcc", "many"), SPEECH_ERR_BAD_VALUE},
        {"mfcc fraction", set("-mfcc", "14.5"), SPEECH_ERR_BAD_VALUE},
        {"sf trailing text", set("-sf", "11025Hz"), SPEECH_ERR_BAD_VALUE},
        {"sf nan", set("-sf", "nan"), SPEECH_ERR_BAD_VALUE},
        {"delta_win word", set("-delta_win", "two"), SPEECH_ERR_BAD_VALUE},
        {"empty input name", set("-input", ""), SPEECH_ERR_BAD_VALUE},
        {"window type", set("-window_type", "blackman"), SPEECH_ERR_BAD_VALUE},
        {"output mode", set("-output_mode", "binary"), SPEECH_ERR_BAD_VALUE},
        {"mfcc 0", set("-mfcc", "0"), SPEECH_ERR_IMPOSSIBLE},
        {"mfcc = num_fbanks", set("-mfcc", "22"), SPEECH_ERR_IMPOSSIBLE},
        {"one filter bank",
         [](Arguments& a) {
             Set(a, "-mfcc", "1");
             Set(a, "-num_fbanks", "1");
         },
         SPEECH_ERR_IMPOSSIBLE},
        {"more filters than bins", set("-num_fbanks", "129"), SPEECH_ERR_IMPOSSIBLE},
        {"filter without a bin", set("-num_fbanks", "120"), SPEECH_ERR_IMPOSSIBLE},
        {"window of 1 sample", set("-window_dur", "0.1"), SPEECH_ERR_IMPOSSIBLE},
        {"window too short for the filters", set("-window_dur", "0.2"), SPEECH_ERR_IMPOSSIBLE},
        {"negative window", set("-window_dur", "-16"), SPEECH_ERR_IMPOSSIBLE},
        {"huge window", set("-window_dur", "1e300"), SPEECH_ERR_IMPOSSIBLE},
        {"shift of 0 samples", set("-frame_dur", "0.04"), SPEECH_ERR_IMPOSSIBLE},
        {"sf 0", set("-sf", "0"), SPEECH_ERR_IMPOSSIBLE},
        {"sf absurd", set("-sf", "192001"), SPEECH_ERR_IMPOSSIBLE},
        {"pre-emphasis 1", set("-pre_emph_coeff", "1"), SPEECH_ERR_IMPOSSIBLE},
        {"pre-emphasis negative", set("-pre_emph_coeff", "-0.1"), SPEECH_ERR_IMPOSSIBLE},
        {"delta_win 0", set("-delta_win", "0"), SPEECH_ERR_IMPOSSIBLE},
        {"delta_win too wide", set("-delta_win", "101"), SPEECH_ERR_IMPOSSIBLE},
        {"lifter negative", set("-lifter_coeff", "-1"), SPEECH_ERR_IMPOSSIBLE},
        {"lifter below 1", set("-lifter_coeff", "0.5"), SPEECH_ERR_IMPOSSIBLE},
        {"acc without delta", [](Arguments& a) { Remove(a, "-delta", false); },
         SPEECH_ERR_IMPOSSIBLE},
        {"energy_norm without energy", [](Arguments& a) { Remove(a, "-energy", false); },
         SPEECH_ERR_IMPOSSIBLE},
        // Limits that are still accepted.
        {"mfcc = num_fbanks - 1", set("-mfcc", "21"), SPEECH_OK},
        {"lifter off", set("-lifter_coeff", "0"), SPEECH_OK},
        {"no pre-emphasis", set("-pre_emph_coeff", "0"), SPEECH_OK},
        {"longer window", set("-window_dur", "32"), SPEECH_OK},
        {"hanning", set("-window_type", "hanning"), SPEECH_OK},
        {"rectangular", set("-window_type", "rectangular"), SPEECH_OK},
        {"integer rate", set("-sf", "11025"), SPEECH_OK},
    };
    for (const auto& c : cases) {
        Arguments arguments = PipelineArguments();
        c.edit(arguments);
        std::filesystem::remove("1.mfc");
        EXPECT_EQ(CallExtractFeatures(arguments), c.code) << c.label;
        EXPECT_EQ(std::filesystem::exists("1.mfc"), c.code == SPEECH_OK) << c.label;
    }
}

TEST_F(FrontendEntryPoint, FlagsAbsentTurnTheirStagesOff) {
    Arguments arguments{"extract_feature", "-input", "raw.txt", "-output", "mfc.txt"};
    ASSERT_EQ(CallExtractFeatures(arguments), SPEECH_OK);
    const auto features = ReadFeatures("1.mfc");
    ASSERT_TRUE(features);
    EXPECT_EQ(features->dims, 14u);  // cepstra only, at the default settings

    FrontEndOptions options;
    options.zeroMean = options.energy = options.energyNorm = false;
    options.cms = options.delta = options.acc = false;
    EXPECT_EQ(ReadWholeFile("1.mfc"),
              FormatFeatureFile(ComputeFeatures(ToSamples(recording_), options)));
}

TEST_F(FrontendEntryPoint, EveryRecordingOfTheListIsProcessed) {
    const std::string second = TestRecording(5000, 11025.0, 99);
    WriteFile("2.raw", second);
    WriteFile("raw.txt", "1.raw\n  2.raw");
    WriteFile("mfc.txt", "1.mfc 2.mfc\n");
    ASSERT_EQ(CallExtractFeatures(PipelineArguments()), SPEECH_OK);
    EXPECT_EQ(ReadWholeFile("1.mfc"),
              FormatFeatureFile(ComputeFeatures(ToSamples(recording_), FrontEndOptions{})));
    EXPECT_EQ(ReadWholeFile("2.mfc"),
              FormatFeatureFile(ComputeFeatures(ToSamples(second), FrontEndOptions{})));
}

TEST_F(FrontendEntryPoint, WaveFileGivesTheSameFeaturesAsRaw) {
    ASSERT_EQ(CallExtractFeatures(PipelineArguments()), SPEECH_OK);
    const auto fromRaw = ReadWholeFile("1.mfc");

    WriteFile("1.raw", WaveFile(recording_));
    ASSERT_EQ(CallExtractFeatures(PipelineArguments()), SPEECH_OK);
    EXPECT_EQ(ReadWholeFile("1.mfc"), fromRaw);

    WriteFile("1.raw", std::string("RIFF\x04\0\0\0WAVE", 12));  // no chunks at all
    EXPECT_EQ(CallExtractFeatures(PipelineArguments()), SPEECH_ERR_FORMAT);
}

TEST_F(FrontendEntryPoint, ShortOrEmptyRecordingGivesNoFrames) {
    WriteFile("1.raw", std::string(175, '\x80'));
    WriteFile("2.raw", "");
    WriteFile("raw.txt", "1.raw 2.raw");
    WriteFile("mfc.txt", "1.mfc 2.mfc");
    ASSERT_EQ(CallExtractFeatures(PipelineArguments()), SPEECH_OK);
    EXPECT_EQ(ReadWholeFile("1.mfc"), "0 45\n");
    EXPECT_EQ(ReadWholeFile("2.mfc"), "0 45\n");
}

TEST_F(FrontendEntryPoint, FileProblemsGiveTheirCodes) {
    const struct {
        const char* label;
        const char* recordings;  // content of raw.txt, or null for no such file
        const char* outputs;     // content of mfc.txt, or null
        int code;
    } cases[] = {
        {"no input list", nullptr, "1.mfc", SPEECH_ERR_READ},
        {"no output list", "1.raw", nullptr, SPEECH_ERR_READ},
        {"missing recording", "9.raw", "1.mfc", SPEECH_ERR_READ},
        {"directory as recording", ".", "1.mfc", SPEECH_ERR_READ},
        {"more recordings than outputs", "1.raw 1.raw", "1.mfc", SPEECH_ERR_FORMAT},
        {"fewer recordings than outputs", "1.raw", "1.mfc 2.mfc", SPEECH_ERR_FORMAT},
        {"empty lists", " \n", "", SPEECH_ERR_FORMAT},
        {"output is a directory", "1.raw", "out", SPEECH_ERR_WRITE},
        {"output in a missing directory", "1.raw", "missing/1.mfc", SPEECH_ERR_WRITE},
    };
    std::filesystem::create_directory("out");
    for (const auto& c : cases) {
        std::filesystem::remove("raw.txt");
        std::filesystem::remove("mfc.txt");
        if (c.recordings != nullptr) {
            WriteFile("raw.txt", c.recordings);
        }
        if (c.outputs != nullptr) {
            WriteFile("mfc.txt", c.outputs);
        }
        EXPECT_EQ(CallExtractFeatures(PipelineArguments()), c.code) << c.label;
    }
    EXPECT_TRUE(std::filesystem::is_directory("out"));  // never removed or replaced
}

TEST_F(FrontendEntryPoint, AFailedRecordingLeavesNoStaleOutputAndTheRestIsDone) {
    WriteFile("1.mfc", "0 45\n");  // from an earlier run
    WriteFile("3.raw", "RIFF" + std::string(4, '\0') + "AVI ");
    WriteFile("raw.txt", "9.raw 3.raw 1.raw");
    WriteFile("mfc.txt", "1.mfc 3.mfc 2.mfc");
    EXPECT_EQ(CallExtractFeatures(PipelineArguments()), SPEECH_ERR_READ);  // the first failure
    EXPECT_FALSE(std::filesystem::exists("1.mfc"));
    EXPECT_FALSE(std::filesystem::exists("3.mfc"));
    EXPECT_TRUE(ReadFeatures("2.mfc"));
}

TEST_F(FrontendEntryPoint, APassReusesTheLastFeaturesOnlyForTheSameContentAndSettings) {
    using Edit = std::function<void(Arguments&)>;
    const Edit same = [](Arguments&) {};
    const auto set = [](const char* option, const char* value) -> Edit {
        return [=](Arguments& a) { Set(a, option, value); };
    };
    const auto without = [](const char* flag) -> Edit {
        return [=](Arguments& a) { Remove(a, flag, false); };
    };
    const struct {
        const char* label;
        std::string second;  // the recording of the second pass
        Edit edit;           // to the second pass's arguments
        bool reused;
    } cases[] = {
        {"same take under another name", recording_, same, true},
        {"same samples in a wave file", WaveFile(recording_), same, true},
        {"same rate written otherwise", recording_, set("-sf", "11025"), true},
        {"first sample", WithSampleChanged(recording_, 0), same, false},
        {"middle sample", WithSampleChanged(recording_, 1500), same, false},
        {"last sample", WithSampleChanged(recording_, 2999), same, false},
        {"one sample more", recording_ + '\x80', same, false},
        {"one sample less", recording_.substr(0, 2999), same, false},
        {"cepstra", recording_, set("-mfcc", "12"), false},
        {"pre-emphasis", recording_, set("-pre_emph_coeff", "0.96"), false},
        {"delta window", recording_, set("-delta_win", "3"), false},
        {"no mean normalisation", recording_, without("-cms"), false},
    };
    WriteFile("raw2.txt", "2.raw");
    WriteFile("mfc2.txt", "2.mfc");
    for (const auto& c : cases) {
        ForgetComputedFeatures();
        WriteFile("2.raw", c.second);
        ASSERT_EQ(CallExtractFeatures(PipelineArguments()), SPEECH_OK) << c.label;
        Arguments second = PipelineArguments("raw2.txt", "mfc2.txt");
        c.edit(second);
        const std::size_t before = ReusedFeatureCount();
        ASSERT_EQ(CallExtractFeatures(second), SPEECH_OK) << c.label;
        EXPECT_EQ(ReusedFeatureCount() - before, c.reused ? 1u : 0u) << c.label;
        const auto reusedOrNot = ReadWholeFile("2.mfc");
        ASSERT_TRUE(reusedOrNot) << c.label;

        // Computed afresh, the feature file is the same to the byte.
        ForgetComputedFeatures();
        ASSERT_EQ(CallExtractFeatures(second), SPEECH_OK) << c.label;
        EXPECT_EQ(ReusedFeatureCount() - before, c.reused ? 1u : 0u) << c.label;
        EXPECT_EQ(reusedOrNot, ReadWholeFile("2.mfc")) << c.label;
    }
}

TEST_F(FrontendEntryPoint, WithinAListOnlyTheLastRecordingComputedIsReusedAndFailuresStillCount) {
    // a.raw and c.raw hold the same take, b.raw another.
    const std::string other = TestRecording(5000, 11025.0, 99);
    WriteFile("a.raw", recording_);
    WriteFile("b.raw", other);
    WriteFile("c.raw", recording_);
    WriteFile("bad.raw", "RIFF" + std::string(4, '\0') + "AVI ");
    const auto take = FormatFeatureFile(ComputeFeatures(ToSamples(recording_), FrontEndOptions{}));
    const auto otherTake = FormatFeatureFile(ComputeFeatures(ToSamples(other), FrontEndOptions{}));
    const struct {
        const char* label;
        const char* recordings;
        const char* outputs;
        int code;
        std::size_t reused;
    } cases[] = {
        {"the same take twice", "a.raw c.raw", "1.mfc 2.mfc", SPEECH_OK, 1},
        {"three times", "a.raw c.raw a.raw", "1.mfc 2.mfc 3.mfc", SPEECH_OK, 2},
        {"another take between", "a.raw b.raw c.raw", "1.mfc 2.mfc 3.mfc", SPEECH_OK, 0},
        {"another take twice after", "a.raw b.raw b.raw", "1.mfc 2.mfc 3.mfc", SPEECH_OK, 1},
        {"unreadable between", "a.raw missing.raw c.raw", "1.mfc 2.mfc 3.mfc", SPEECH_ERR_READ, 1},
        {"unsupported between", "a.raw bad.raw c.raw", "1.mfc 2.mfc 3.mfc", SPEECH_ERR_FORMAT, 1},
        {"unreadable first", "missing.raw a.raw c.raw", "1.mfc 2.mfc 3.mfc", SPEECH_ERR_READ, 1},
        {"first not written", "a.raw c.raw", "no/1.mfc 2.mfc", SPEECH_ERR_WRITE, 1},
        {"second not written", "a.raw c.raw", "1.mfc no/2.mfc", SPEECH_ERR_WRITE, 1},
    };
    for (const auto& c : cases) {
        ForgetComputedFeatures();
        WriteFile("raw.txt", c.recordings);
        WriteFile("mfc.txt", c.outputs);
        const auto recordings = Words(c.recordings);
        const auto outputs = Words(c.outputs);
        for (const auto& output : outputs) {
            WriteFile(output, "0 45\n");  // from an earlier run, where it can be written
        }
        const std::size_t before = ReusedFeatureCount();
        EXPECT_EQ(CallExtractFeatures(PipelineArguments()), c.code) << c.label;
        EXPECT_EQ(ReusedFeatureCount() - before, c.reused) << c.label;
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            const bool written = recordings[i] != "missing.raw" && recordings[i] != "bad.raw" &&
                                 !outputs[i].starts_with("no/");
            const auto text = ReadWholeFile(outputs[i]);
            ASSERT_EQ(text.has_value(), written) << c.label << ": " << outputs[i];
            if (text) {
                EXPECT_EQ(*text, recordings[i] == "b.raw" ? otherTake : take)
                    << c.label << ": " << outputs[i];
            }
            std::filesystem::remove(outputs[i]);
        }
    }
}

TEST_F(FrontendEntryPoint, TwoThreadsEachGetTheFeaturesOfTheirOwnRecording) {
    const std::string other = TestRecording(3000, 11025.0, 99);
    WriteFile("2.raw", other);
    WriteFile("raw2.txt", "2.raw");
    WriteFile("mfc2.txt", "2.mfc");
    const auto take = FormatFeatureFile(ComputeFeatures(ToSamples(recording_), FrontEndOptions{}));
    const auto otherTake = FormatFeatureFile(ComputeFeatures(ToSamples(other), FrontEndOptions{}));
    std::atomic<int> wrong{0};
    const auto passes = [&](const std::string& input, const std::string& output,
                            const std::string& features, const std::string& expected) {
        for (int pass = 0; pass < 20; ++pass) {
            if (CallExtractFeatures(PipelineArguments(input, output)) != SPEECH_OK ||
                ReadWholeFile(features) != expected) {
                ++wrong;
            }
        }
    };
    std::thread first(passes, "raw.txt", "mfc.txt", "1.mfc", take);
    std::thread second(passes, "raw2.txt", "mfc2.txt", "2.mfc", otherTake);
    first.join();
    second.join();
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace speech

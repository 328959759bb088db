#include "kelvo/core/feature_pipeline.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "speech_double.h"
#include "work_dir.h"

namespace kelvo {
namespace {

using FeaturePipeline = testing::InWorkDir;

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

const std::vector<std::string> kExtractArguments = Words(
    "extract_feature -delta -acc -cms -zero_mean -energy -energy_norm -mfcc 14 -delta_win 2 "
    "-lifter_coeff 36 -window_dur 16 -frame_dur 8 -num_fbanks 22 -window_type hamming "
    "-sf 11025.0 -pre_emph_coeff 0.97 -output_mode ascii -input raw.txt -output mfc.txt");

const std::vector<std::string> kInitArguments = Words(
    "init_hmm -input mfc.txt -models ml.txt -trans trans.txt -mode ascii -state states.txt "
    "-vfloor_file vfloor.txt -var_floor 0.0002 -num_features 45");

TEST_F(FeaturePipeline, CallsBothEntryPointsWithFreshArgumentVectorsAndListFiles) {
    speech_double::WriteStates("1 2 3");
    speech_double::SetInitHmmResult(7);
    const FeaturePipelineRun first = RunFeaturePipeline(3);
    const FeaturePipelineRun second = RunFeaturePipeline(-12);
    EXPECT_EQ(first.initHmmResult, 7);
    EXPECT_TRUE(first.Scorable());
    EXPECT_TRUE(second.Scorable());

    const auto& calls = speech_double::Calls();
    ASSERT_EQ(calls.size(), 4u);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const speech_double::Call& call = calls[i];
        const bool extract = i % 2 == 0;
        EXPECT_EQ(call.entryPoint, extract ? "ExtractFeatures" : "InitHMM");
        // The double scribbles over its arguments, so the second run shows that each run
        // gets new copies, and the strings are writable at all.
        EXPECT_EQ(call.arguments, extract ? kExtractArguments : kInitArguments);
        EXPECT_EQ(call.arguments.size(), extract ? 31u : 17u);
        EXPECT_TRUE(call.nullAfterLast);
        // The list files are complete, and the first run's model vector is gone, before
        // either entry point of the second run runs.
        EXPECT_EQ(call.recordingList, i < 2 ? "3.raw" : "-12.raw");
        EXPECT_EQ(call.featureList, i < 2 ? "3.mfc" : "-12.mfc");
        EXPECT_EQ(call.modelList, "0 sp\n1 sil");
        EXPECT_FALSE(call.statesPresent);
    }
}

TEST_F(FeaturePipeline, AListFileThatCannotBeRewrittenStillCallsTheEntryPointsButIsNotScorable) {
    // A directory in place of the file: it cannot be opened for writing, even by root.
    for (const char* listFile : {"raw.txt", "mfc.txt", "ml.txt"}) {
        std::filesystem::remove(listFile);
        std::filesystem::create_directory(listFile);
        const FeaturePipelineRun run = RunFeaturePipeline(1);
        EXPECT_FALSE(run.Scorable()) << listFile;
        EXPECT_TRUE(run.staleStatesRemoved) << listFile;
        std::filesystem::remove(listFile);
    }
    EXPECT_EQ(speech_double::Calls().size(), 6u);
}

TEST_F(FeaturePipeline, AStatesFileThatCannotBeRemovedIsNotScorable) {
    std::filesystem::create_directories("states.txt/inside");
    const FeaturePipelineRun run = RunFeaturePipeline(1);
    EXPECT_TRUE(run.listFilesWritten);
    EXPECT_FALSE(run.Scorable());
}

}  // namespace
}  // namespace kelvo

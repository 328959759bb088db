// The command's parts that need no process of their own: the equal error rate estimate, the
// trial list, the conversion to kelvo's recording format and the recording numbers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "eval_stats.h"
#include "exit_codes.h"
#include "global_options.h"
#include "profile_dir.h"
#include "sound_conversion.h"
#include "temp_dir.h"
#include "trial_list.h"

namespace kelvo_cli {
namespace {

namespace fs = std::filesystem;

std::vector<ScoredTrial> Scores(std::vector<double> targets, std::vector<double> impostors) {
    std::vector<ScoredTrial> scored;
    for (const double s : targets) {
        scored.push_back({TrialLabel::kTarget, s});
    }
    for (const double s : impostors) {
        scored.push_back({TrialLabel::kImpostor, s});
    }
    scored.push_back({TrialLabel::kWrongPhrase, 99.0});  // not part of the estimate
    return scored;
}

TEST(CliEqualErrorRate, LeastLargerErrorOverObservedThresholds) {
    struct Case {
        std::vector<double> targets, impostors;
        double rate, threshold;
    };
    for (const Case& c : {
             Case{{50, 60}, {0, 0}, 0.0, 50},
             Case{{10, 30, 50}, {20, 40}, 0.5, 30},
             // The tie at 0 is never split: half the targets are missed or every impostor
             // accepted.
             Case{{0, 80}, {0, 0}, 0.5, 80},
             Case{{0, 0}, {0, 0}, 1.0, 0},
         }) {
        const auto eer = EstimateEqualErrorRate(OperatingPoints(Scores(c.targets, c.impostors)));
        ASSERT_TRUE(eer.has_value());
        EXPECT_DOUBLE_EQ(eer->LargerError(), c.rate) << ::testing::PrintToString(c.targets);
        EXPECT_DOUBLE_EQ(eer->threshold, c.threshold) << ::testing::PrintToString(c.targets);
    }
    EXPECT_FALSE(EstimateEqualErrorRate(OperatingPoints(Scores({50}, {}))).has_value());
    const auto points = OperatingPoints(Scores({10}, {20}));
    EXPECT_TRUE(std::isinf(points.back().threshold));
    EXPECT_EQ(points.back().miss, 1.0);
    EXPECT_EQ(points.back().falseAlarm, 0.0);
}

TEST(CliTrialList, ParsesAndNamesTheBadLine) {
    const TrialList list = ParseTrialList(
        "enrol\ttest\tlabel\r\n# comment\n\na.wav\tb.wav\ttarget\r\n/x/a.wav\tc.flac\timpostor\n"
        "sub/../a.wav\td.ogg\tnear-phrase",
        "/lists", "t.tsv");
    ASSERT_EQ(list.trials.size(), 3u);
    EXPECT_EQ(list.enrolments, (std::vector<fs::path>{"/lists/a.wav", "/x/a.wav"}));
    EXPECT_EQ(list.trials[2].enrolment, 0u) << "the same file, spelt otherwise";
    EXPECT_EQ(list.trials[1].test, "/lists/c.flac");
    EXPECT_EQ(list.trials[2].label, TrialLabel::kNearPhrase);

    for (const auto& [text, message] : std::vector<std::pair<const char*, const char*>>{
             {"a\tb\ttarget\na\tb\n", "t.tsv:2: expected three"},
             {"a\tb\tgenuine\n", "t.tsv:1: unknown label \"genuine\""},
             {"#\n\ta\ttarget\n", "t.tsv:2: an empty path"},
             {"a\tb\ttarget\nenrol\ttest\tlabel\n", "t.tsv:2: unknown label"},
         }) {
        try {
            ParseTrialList(text, "/", "t.tsv");
            ADD_FAILURE() << text;
        } catch (const CliError& error) {
            EXPECT_EQ(error.Code(), kExitInputFile);
            EXPECT_EQ(std::string(error.what()).rfind(message, 0), 0u) << error.what();
        }
    }
}

class CliFiles : public test_support::InTempDir {
  protected:
    static std::string Converted(const std::string& input) {
        const int fd = open("out.raw", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ConvertToKelvoRecording(input, input, fd);
        return ReadFile("out.raw");
    }
};

// kelvo's own recordings come through unchanged, whatever their level; beyond full scale is
// clamped, NaN silent, the rest rounded to the nearest step.
TEST_F(CliFiles, RoundsAndClampsTo8Bits) {
    std::string everyByte;
    for (int value = 0; value < 256; ++value) {
        everyByte += static_cast<char>(value);
    }
    WriteFile("every.raw", everyByte);
    EXPECT_TRUE(Converted("every.raw") == everyByte);

    const float samples[] = {
        2.0f,      -3.0f,        0.0f,         std::numeric_limits<float>::quiet_NaN(),
        -1.0f,     127.0f / 128, 100.0f / 128, 1.4f / 128,
        1.6f / 128};
    SF_INFO info{};
    info.samplerate = 11025;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open("float.wav", SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    sf_writef_float(file, samples, std::size(samples));
    sf_close(file);
    const std::string expected = {'\xff', '\x00', '\x80', '\x80', '\x00',
                                  '\xff', '\xe4', '\x81', '\x82'};
    EXPECT_TRUE(Converted("float.wav") == expected)
        << ::testing::PrintToString(Converted("float.wav"));
}

// The power of a recording's samples at `hz`, per sample (a tone of amplitude a: a^2 / 4).
double PowerAt(const std::vector<double>& samples, double hz) {
    const double step = 2.0 * M_PI * hz / kKelvoRate;
    double re = 0.0;
    double im = 0.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        re += samples[i] * std::cos(step * static_cast<double>(i));
        im += samples[i] * std::sin(step * static_cast<double>(i));
    }
    const double n = static_cast<double>(samples.size());
    return (re * re + im * im) / (n * n);
}

// With each converter, a tone in the band the features use keeps its
// frequency, level and length, and one above the recording's half rate is filtered out rather
// than folded back into that band.
TEST_F(CliFiles, ResamplingKeepsATonesPitchAndLevel) {
    struct Case {
        int rate;
        double hz;
        bool kept;
    };
    for (const Resampling resampling :
         {Resampling::kBest, Resampling::kMedium, Resampling::kFastest}) {
        for (const Case c :
             {Case{16000, 1000.0, true}, Case{44100, 1000.0, true}, Case{48000, 3000.0, true},
              Case{22050, 4000.0, true}, Case{44100, 7000.0, false}, Case{16000, 7500.0, false}}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(resampling)) + ": " +
                         std::to_string(c.hz) + " Hz at " + std::to_string(c.rate) + " Hz");
            const int frames = 2 * c.rate;
            std::vector<float> tone(static_cast<std::size_t>(frames));
            for (int i = 0; i < frames; ++i) {
                tone[static_cast<std::size_t>(i)] =
                    static_cast<float>(0.5 * std::sin(2.0 * M_PI * c.hz * i / c.rate));
            }
            SF_INFO info{};
            info.samplerate = c.rate;
            info.channels = 1;
            info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
            SNDFILE* file = sf_open("tone.wav", SFM_WRITE, &info);
            ASSERT_NE(file, nullptr);
            sf_writef_float(file, tone.data(), frames);
            sf_close(file);

            const int fd = open("out.raw", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            ConvertToKelvoRecording("tone.wav", "tone.wav", fd, resampling);
            const std::string bytes = ReadFile("out.raw");
            EXPECT_NEAR(static_cast<double>(bytes.size()), 2.0 * kKelvoRate, 2.0);
            // The middle second: the filter's start and end are no concern here.
            std::vector<double> samples;
            for (std::size_t i = kKelvoRate / 2; i < kKelvoRate * 3 / 2 && i < bytes.size(); ++i) {
                samples.push_back((static_cast<unsigned char>(bytes[i]) - 128.0) / 128.0);
            }
            double total = 0.0;
            for (const double s : samples) {
                total += s * s;
            }
            total /= static_cast<double>(samples.size());
            if (c.kept) {
                // Within 0.5 dB of the tone's power, nearly all of it at its own frequency.
                EXPECT_NEAR(10.0 * std::log10(total / 0.125), 0.0, 0.5);
                EXPECT_GT(PowerAt(samples, c.hz), 0.95 * total / 2.0);
                EXPECT_LT(PowerAt(samples, c.hz + 40.0), 0.01 * total);
            } else {
                EXPECT_LT(total, 1e-4);  // below -39 dB of full scale
            }
        }
    }
}

// Numbers in use, by this process or another, are never handed out again.
TEST_F(CliFiles, RecordingSlotsNeverShareANumber) {
    WriteFile("1.raw", "taken");
    {
        RecordingSlot first;
        RecordingSlot second;
        EXPECT_EQ(first.Number(), 2);
        EXPECT_EQ(second.Number(), 3);
        WriteFile("2.mfc", "features");
    }
    EXPECT_TRUE(fs::exists("1.raw"));
    EXPECT_FALSE(fs::exists("2.raw") || fs::exists("2.mfc") || fs::exists("3.raw"));
}

// --json and --dir before the command's name go just after it; nothing else is moved.
TEST(CliGlobalOptions, MovedBehindTheCommandsName) {
    using Args = std::vector<std::string>;
    const struct {
        Args given;
        Args parsed;
    } cases[] = {
        {{"kelvo", "--json", "speakers"}, {"kelvo", "speakers", "--json"}},
        {{"kelvo", "--dir", "p", "--json", "enrol", "a", "f.wav"},
         {"kelvo", "enrol", "--dir", "p", "--json", "a", "f.wav"}},
        {{"kelvo", "--dir=p", "forget", "a"}, {"kelvo", "forget", "--dir=p", "a"}},
        {{"kelvo", "speakers", "--json"}, {"kelvo", "speakers", "--json"}},
        {{"kelvo", "--json"}, {"kelvo", "--json"}},
        {{"kelvo", "--json", "--help"}, {"kelvo", "--json", "--help"}},
        {{"kelvo", "--dir"}, {"kelvo", "--dir"}},
        {{"kelvo", "--frob", "speakers"}, {"kelvo", "--frob", "speakers"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CommandFirst(c.given), c.parsed) << c.given[1];
    }
}

}  // namespace
}  // namespace kelvo_cli

// kelvo's files among other programs: sox and libsndfile read a recording with a header as the
// WAV file it claims to be, and the player plays a WAV file that sox wrote with that file's own
// format. kelvo runs on the virtual device, so every byte recorded and played is known.
#include <child_process.h>
#include <sndfile.h>

#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "audio_test_support.h"

namespace audio_test {
namespace {

using kelvo::audio::kBlockBytes;
using test_support::ChildResult;

// What the recording holds: the two buffers queued at the start, ten more the clock filled.
constexpr std::size_t kRecordedBytes = 12 * kBlockBytes;

class PeerPrograms : public AudioTest {
  protected:
    // A recording of the microphone with a header, in the demo's format.
    static void RecordWave(const char16_t* name) {
        const HWAVEIN handle = Record(name, 1);
        ASSERT_NE(handle, nullptr);
        va::Advance(handle, kRecordedBytes - 2 * kBlockBytes);
        StopRecordAfter(handle);
        ASSERT_EQ(TL_Error, 0u);
    }
};

class SoxPeer : public PeerPrograms {
  protected:
    void SetUp() override {
        PeerPrograms::SetUp();
        ASSERT_TRUE(test_support::OnPath("sox"))
            << "sox is not on PATH: these tests run it to read kelvo's recordings and to write "
               "WAV files for the player (scripts/install-deps.sh installs it)";
    }

    static ChildResult Sox(const std::vector<std::string>& arguments) {
        return test_support::RunProgram("sox", arguments, {}, ".");
    }
};

// The "Name : value" lines of `sox --i`.
std::map<std::string, std::string> ParseSoxInfo(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const auto trim = [](const std::string& s) {
            const std::size_t first = s.find_first_not_of(' ');
            return first == std::string::npos
                       ? std::string()
                       : s.substr(first, s.find_last_not_of(' ') - first + 1);
        };
        fields[trim(line.substr(0, colon))] = trim(line.substr(colon + 1));
    }
    return fields;
}

// The sample count in sox's "Duration : 00:00:04.46 = 49152 samples ~ ..." line; -1 without.
long SamplesOfDuration(const std::string& duration) {
    const std::size_t equals = duration.find("= ");
    const std::size_t samples = duration.find(" samples");
    if (equals == std::string::npos || samples == std::string::npos || samples < equals) {
        return -1;
    }
    return std::stol(duration.substr(equals + 2, samples - equals - 2));
}

TEST_F(SoxPeer, ReadsTheRecordingsFormatLengthAndSamples) {
    ASSERT_NO_FATAL_FAILURE(RecordWave(u"x.wav"));

    const ChildResult info = Sox({"--i", "x.wav"});
    ASSERT_EQ(info.exit_code, 0) << info.out << info.err;
    EXPECT_EQ(info.err, "") << "sox warned about the file";
    const auto fields = ParseSoxInfo(info.out);
    const auto field = [&fields](const char* name) {
        const auto found = fields.find(name);
        return found == fields.end() ? std::string("(missing)") : found->second;
    };
    EXPECT_EQ(field("Channels"), "1") << info.out;
    EXPECT_EQ(field("Sample Rate"), "11025") << info.out;
    EXPECT_EQ(field("Precision"), "8-bit") << info.out;
    EXPECT_EQ(field("Sample Encoding"), "8-bit Unsigned Integer PCM") << info.out;
    EXPECT_EQ(SamplesOfDuration(field("Duration")), static_cast<long>(kRecordedBytes)) << info.out;

    const ChildResult samples =
        Sox({"x.wav", "-t", "raw", "-e", "unsigned-integer", "-b", "8", "samples.raw"});
    ASSERT_EQ(samples.exit_code, 0) << samples.out << samples.err;
    EXPECT_TRUE(ReadFile("samples.raw") == microphone_.substr(0, kRecordedBytes))
        << "sox reads other samples than the microphone's";
}

TEST_F(PeerPrograms, LibsndfileReadsTheRecordingsFormatLengthAndSamples) {
    ASSERT_NO_FATAL_FAILURE(RecordWave(u"x.wav"));

    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open("x.wav", SFM_READ, &info),
                                                           &sf_close);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.samplerate, 11025);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
    ASSERT_EQ(info.frames, static_cast<sf_count_t>(kRecordedBytes));

    // libsndfile gives an unsigned 8-bit sample b as the 16-bit (b - 128) * 256; read one
    // sample more than there are to see that the data ends where the header says.
    std::vector<short> values(kRecordedBytes + 1);
    ASSERT_EQ(sf_read_short(file.get(), values.data(), static_cast<sf_count_t>(values.size())),
              static_cast<sf_count_t>(kRecordedBytes));
    std::string samples;
    for (std::size_t i = 0; i < kRecordedBytes; ++i) {
        samples += static_cast<char>((values[i] >> 8) + 128);
    }
    EXPECT_TRUE(samples == microphone_.substr(0, kRecordedBytes))
        << "libsndfile reads other samples than the microphone's";
}

struct SoxLayout {
    int bits;
    int channels;
    const char* encoding;
};

void PrintTo(const SoxLayout& layout, std::ostream* out) {
    *out << layout.bits << "-bit " << layout.channels << "-channel";
}

class SoxWrittenFiles : public SoxPeer, public testing::WithParamInterface<SoxLayout> {};

TEST_P(SoxWrittenFiles, PlayInTheirOwnFormatFromByte44) {
    const SoxLayout layout = GetParam();
    // Known samples, more than one block of them, in whole frames.
    const std::string samples = Pattern(6000, 7);
    WriteFile("in.raw", samples);
    const ChildResult sox =
        Sox({"-t", "raw", "-r", "8000", "-b", std::to_string(layout.bits), "-c",
             std::to_string(layout.channels), "-e", layout.encoding, "in.raw", "sox.wav"});
    ASSERT_EQ(sox.exit_code, 0) << sox.out << sox.err;
    const std::string wave = ReadFile("sox.wav");
    ASSERT_EQ(wave.size(), 44 + samples.size()) << "sox wrote more than a 44-byte header";
    ASSERT_TRUE(wave.substr(44) == samples) << "sox changed the samples";

    // The caller's format differs from the file's in rate, and in bits or channels too.
    const HWAVEOUT handle = Play(u"sox.wav", Pcm(22050, 8, 1));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(TL_Error, 0u);
    const WAVEFORMATEX opened = kelvo::audio::Player().format;
    EXPECT_EQ(opened.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(opened.nSamplesPerSec, 8000u);
    EXPECT_EQ(opened.wBitsPerSample, layout.bits);
    EXPECT_EQ(opened.nChannels, layout.channels);
    EXPECT_EQ(opened.nBlockAlign, layout.bits / 8 * layout.channels);
    EXPECT_EQ(opened.nAvgBytesPerSec, 8000u * opened.nBlockAlign);

    StopPlayAfter(handle, samples.size());
    EXPECT_EQ(TL_Error, 0u);
    EXPECT_EQ(TL_PlayStatus, 4u);
    const std::vector<unsigned char> played = va::SpeakerBytes(0);
    EXPECT_TRUE(std::string(played.begin(), played.end()) == samples)
        << "played " << played.size() << " bytes, not the file's " << samples.size()
        << " samples from byte 44";
}

INSTANTIATE_TEST_SUITE_P(Layouts, SoxWrittenFiles,
                         testing::Values(SoxLayout{8, 1, "unsigned-integer"},
                                         SoxLayout{16, 2, "signed-integer"}),
                         [](const testing::TestParamInfo<SoxLayout>& param_info) {
                             return std::to_string(param_info.param.bits) + "bit" +
                                    std::to_string(param_info.param.channels) + "ch";
                         });

}  // namespace
}  // namespace audio_test

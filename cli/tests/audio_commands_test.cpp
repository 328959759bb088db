// record, play and devices on the virtual audio device, at full speed.
#include <filesystem>

#include "cli_test.h"

namespace kelvo_cli_test {
namespace {

namespace fs = std::filesystem;

using CliAudioCommands = CliTest;

std::map<std::string, std::string> Virtual(const std::string& settings) {
    return {{"KELVO_VIRTUAL_AUDIO", settings}};
}

// The microphone's bytes arrive in the WAV file, which libsndfile reads back. The recording
// stops once the file holds the time asked for: long before that time has passed, at full
// speed. (Only the two buffers queued before the start are compared: at full speed the
// virtual device runs on while the recorder queues the next buffer.)
TEST_F(CliAudioCommands, RecordWritesAWaveOfTheInput) {
    const std::string voice = ReadFile(Sample("voiceA_pass_1.raw"));
    const auto result = Kelvo({"record", "take.wav", "--seconds", "5", "--json"},
                              Virtual("in=file:" + Sample("voiceA_pass_1.raw") + ",pace=max"));
    ASSERT_EQ(result.exit_code, 0) << result.err;
    // Exactly the length asked for, however far the device ran ahead.
    EXPECT_EQ(Json(result)["seconds"].get<double>(), 5.0);
    const std::string wave = ReadFile("take.wav");
    ASSERT_EQ(wave.size(), 44u + 5 * 11025u);
    EXPECT_TRUE(wave.substr(44, 8192) == voice.substr(0, 8192));
    SF_INFO info{};
    SNDFILE* file = sf_open("take.wav", SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.samplerate, 11025);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.frames, 5 * 11025);
    sf_close(file);
}

TEST_F(CliAudioCommands, DeviceErrorsCarryTheLibrarysText) {
    struct Case {
        std::vector<std::string> arguments;
        std::string settings;
        const char* message;
    };
    fs::create_directory("dir.wav");
    for (const Case& c : {
             Case{{"record", "take.wav"}, "inputs=0", "No sound devices present. (code 21)"},
             Case{{"record", "dir.wav"}, "pace=max", "Error on creating file. (code 23)"},
             Case{{"play", Sample("voiceA_pass_1.raw")},
                  "outputs=0",
                  "No sound devices present. (code 21)"},
         }) {
        const auto result = Kelvo(c.arguments, Virtual(c.settings));
        EXPECT_EQ(result.exit_code, 6) << c.settings;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

// A raw recording and a plain WAV are played as they are; a FLAC is converted to a WAV of
// its own rate first. The speaker hears the file's samples.
TEST_F(CliAudioCommands, PlayPlaysEachFormatToItsEnd) {
    const std::string sample = Sample("voiceA_pass_1.raw");
    const std::string voice = ReadFile(sample);
    ASSERT_NO_FATAL_FAILURE(WriteCdWave("voiceA_pass_1.raw", "cd.wav"));
    SF_INFO info{};
    SNDFILE* in = sf_open("cd.wav", SFM_READ, &info);
    ASSERT_NE(in, nullptr);
    std::vector<short> frames(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_short(in, frames.data(), info.frames);
    sf_close(in);
    SF_INFO flacInfo{};
    flacInfo.samplerate = info.samplerate;
    flacInfo.channels = info.channels;
    flacInfo.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* flac = sf_open("cd.flac", SFM_WRITE, &flacInfo);
    ASSERT_NE(flac, nullptr);
    sf_writef_short(flac, frames.data(), info.frames);
    sf_close(flac);
    const std::string cdBytes(reinterpret_cast<const char*>(frames.data()), frames.size() * 2);

    struct Case {
        std::string file;
        std::string played;  // the bytes the speaker must get, in order
        bool converted;
    };
    for (const Case& c : {Case{sample, voice.substr(12), false}, Case{"cd.wav", cdBytes, false},
                          Case{"cd.flac", cdBytes, true}}) {
        fs::remove("speaker.raw");
        const auto result =
            Kelvo({"play", c.file, "--json"}, Virtual("out=file:speaker.raw,pace=max"));
        ASSERT_EQ(result.exit_code, 0) << c.file << result.err;
        EXPECT_EQ(Json(result)["converted"], c.converted) << c.file;
        EXPECT_TRUE(ReadFile("speaker.raw").substr(0, c.played.size()) == c.played) << c.file;
    }
}

TEST_F(CliAudioCommands, DevicesCountsInputsAndOutputs) {
    const auto result = Kelvo({"devices", "--json"}, Virtual("inputs=2,outputs=3"));
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(Json(result)["inputs"], 2);
    EXPECT_EQ(Json(result)["outputs"], 3);
    EXPECT_NE(Kelvo({"devices"}, Virtual("inputs=2,outputs=3")).out.find("input devices: 2"),
              std::string::npos);
}

}  // namespace
}  // namespace kelvo_cli_test

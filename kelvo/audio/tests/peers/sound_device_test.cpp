// kelvo's recorder and player on the machine's sound-device backend, without sound hardware:
// ALSA's `file` PCM captures from one file and writes what is played into another, over the
// `null` PCM, which does not pace, so the device runs faster than real time. Each case runs
// kelvo in a child process of its own (PortAudio reads the ALSA configuration once per
// process), with the virtual device switched off.
//
// The platform layer moves played sound through a ring of a quarter second (at least 4096
// bytes); the unpaced PCM outruns the layer's thread, which a paced device never does, so the
// files played here fit in one ring.
#include <alsa/asoundlib.h>
#include <child_process.h>
#include <gtest/gtest.h>
#include <temp_dir.h>
#include <wave_signals.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using test_support::ChildResult;
using test_support::U32At;

constexpr std::size_t kBufferBytes = 4096;  // kelvo's capture buffers and playback blocks

bool MachineHasSoundCard() {
    int card = -1;
    return snd_card_next(&card) == 0 && card >= 0;
}

// Bytes that look like sound and never equal 8-bit silence (0x80), so played bytes stand out
// from the silence the device plays around them.
std::string TestSignal(std::size_t bytes, unsigned seed) {
    std::string data(bytes, '\0');
    std::uint32_t state = seed * 2654435761u + 12345u;
    for (char& c : data) {
        state = state * 1103515245u + 12345u;
        auto value = static_cast<unsigned char>(state >> 16);
        if (value == 0x80) {
            value = 0x81;
        }
        c = static_cast<char>(value);
    }
    return data;
}

class KelvoOnSoundDevice : public test_support::InTempDir {
  protected:
    void SetUp() override {
        InTempDir::SetUp();
        if (MachineHasSoundCard()) {
            GTEST_SKIP() << "the platform layer's device 0 is this machine's sound card";
        }
        directory_ = std::filesystem::current_path();
    }

    // The stock configuration plus the file PCM, which captures from in.raw and plays into
    // out.raw. On a machine without a sound card it is the only device, so kelvo's mapper
    // opens it.
    ChildResult Run(const std::vector<std::string>& arguments) {
        WriteFile("asound.conf",
                  "</usr/share/alsa/alsa.conf>\n"
                  "pcm.kelvo_file {\n"
                  "    type file\n"
                  "    slave.pcm \"null\"\n"
                  "    format \"raw\"\n"
                  "    infile \"" +
                      directory_ + "/in.raw\"\n" + "    file \"" + directory_ +
                      "/out.raw\"\n"
                      "}\n");
        return test_support::RunChild(
            arguments,
            {{"ALSA_CONFIG_PATH", directory_ + "/asound.conf"}, {"KELVO_VIRTUAL_AUDIO", ""}},
            directory_);
    }

    // Runs the recording scenario and gives the recording. The input is long enough that
    // the device, running ahead of kelvo, does not read all of it before the stop.
    std::string Record(int header) {
        input_ = TestSignal(1 << 20, 1);
        WriteFile("in.raw", input_);
        const std::string name = header != 0 ? "recorded.wav" : "recorded.raw";
        const ChildResult record = Run({"record", name, std::to_string(header)});
        EXPECT_EQ(record.exit_code, 0) << record.out << record.err;
        EXPECT_EQ(record.err, "");
        return ReadFile(name);
    }

    // The two buffers StartRecord queued hold the input from its first byte: kelvo queues
    // them before it starts the device. What comes after them may have gaps: the unpaced
    // PCM captures faster than anything can take it, and the platform layer's ring of about
    // a second overflows, which a paced device never makes it do.
    void ExpectRecordingBeginsWithTheInput(const std::string& samples) {
        ASSERT_GE(samples.size(), 2 * kBufferBytes);
        EXPECT_TRUE(samples.substr(0, 2 * kBufferBytes) == input_.substr(0, 2 * kBufferBytes))
            << "the first two buffers differ from the start of the input";
    }

    // Runs the playback scenario on `file` and gives the format the device was opened with,
    // as the child printed it.
    std::string PlayFile(const std::string& file) {
        WriteFile("play.bin", file);
        const ChildResult play = Run({"play", "play.bin"});
        EXPECT_EQ(play.exit_code, 0) << play.out << play.err;
        EXPECT_EQ(play.err, "");
        return play.out;
    }

    // The device plays silence before the first bytes and may play it after the last; between
    // them must be exactly `played`.
    void ExpectOutputIsSilenceAround(const std::string& played) {
        const std::string out = ReadFile("out.raw");
        const std::size_t first = out.find_first_not_of('\x80');
        ASSERT_NE(first, std::string::npos) << "nothing but silence was played";
        ASSERT_GE(out.size() - first, played.size());
        EXPECT_TRUE(out.substr(first, played.size()) == played) << "the played bytes differ";
        EXPECT_EQ(out.find_first_not_of('\x80', first + played.size()), std::string::npos)
            << "sound after the played bytes";
    }

    std::string directory_;
    std::string input_;
};

TEST_F(KelvoOnSoundDevice, RecordingHoldsTheInputInWholeBuffers) {
    const std::string recorded = Record(0);
    EXPECT_EQ(recorded.size() % kBufferBytes, 0u) << recorded.size() << " bytes";
    ExpectRecordingBeginsWithTheInput(recorded);
}

TEST_F(KelvoOnSoundDevice, HeaderRecordingHasItsSizesPatchedAndHoldsTheInput) {
    const std::string recorded = Record(1);
    ASSERT_GE(recorded.size(), 44u);
    const std::size_t data_bytes = recorded.size() - 44;
    EXPECT_EQ(data_bytes % kBufferBytes, 0u) << data_bytes << " bytes";
    EXPECT_EQ(U32At(recorded, 4), 36 + data_bytes);
    EXPECT_EQ(recorded.substr(36, 4), "data");
    EXPECT_EQ(U32At(recorded, 40), data_bytes);
    ExpectRecordingBeginsWithTheInput(recorded.substr(44));
}

// A file without a RIFF header plays in the caller's format, without the 12 bytes the player
// read to look for a header.
TEST_F(KelvoOnSoundDevice, RawFilePlaysAfterItsFirstTwelveBytesInTheCallersFormat) {
    const std::string file = TestSignal(12 + 4000, 2);
    EXPECT_EQ(PlayFile(file), "format 11025 8 1\n");
    ExpectOutputIsSilenceAround(file.substr(12));
}

TEST_F(KelvoOnSoundDevice, WaveFilePlaysItsSamplesInItsOwnFormat) {
    const std::string samples = TestSignal(4000, 3);
    EXPECT_EQ(PlayFile(test_support::WaveFile(samples, test_support::Pcm(8000))),
              "format 8000 8 1\n");
    ExpectOutputIsSilenceAround(samples);
}

}  // namespace

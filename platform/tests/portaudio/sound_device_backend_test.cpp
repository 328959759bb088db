// The sound-device backend end to end, without sound hardware: ALSA's `file` PCM reads what
// is captured from one file and writes what is played to another, over the `null` PCM, which
// does not pace, so the streams run faster than real time.
#include <alsa/asoundlib.h>
#include <child_process.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>

namespace portaudio_test {
namespace {

using test_support::ChildResult;
using test_support::RunChild;

constexpr char kFilePcm[] = "kelvo_file";
constexpr char kNullPcm[] = "kelvo_sink";

bool MachineHasSoundCard() {
    int card = -1;
    return snd_card_next(&card) == 0 && card >= 0;
}

// Bytes that look like sound and never equal `silence`, so played data stands out from the
// silence around it.
std::string TestSignal(std::size_t bytes, unsigned char silence) {
    std::string data(bytes, '\0');
    unsigned state = 12345;
    for (char& c : data) {
        state = state * 1103515245u + 12345u;
        auto value = static_cast<unsigned char>(state >> 16);
        if (value == silence) {
            value = static_cast<unsigned char>(value + 1);
        }
        c = static_cast<char>(value);
    }
    return data;
}

class SoundDeviceBackend : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = std::filesystem::temp_directory_path() / "portaudio-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    static void Write(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    // The stock configuration plus a file PCM (capture from in.raw, playback into out.raw)
    // and a PCM of type null, which must not count as a device. The file PCM captures only
    // when its input file exists.
    std::map<std::string, std::string> PrivateAlsa() {
        if (!std::filesystem::exists(Path("in.raw"))) {
            Write(Path("in.raw"), TestSignal(4096, 0x80));
        }
        const std::string config = Path("asound.conf");
        Write(config,
              "</usr/share/alsa/alsa.conf>\n"
              "pcm." +
                  std::string(kFilePcm) +
                  " {\n"
                  "    type file\n"
                  "    slave.pcm \"null\"\n"
                  "    format \"raw\"\n"
                  "    infile \"" +
                  Path("in.raw") +
                  "\"\n"
                  "    file \"" +
                  Path("out.raw") +
                  "\"\n"
                  "}\n"
                  "pcm." +
                  std::string(kNullPcm) + " { type null }\n");
        return {{"ALSA_CONFIG_PATH", config}};
    }

    ChildResult Run(const std::vector<std::string>& arguments,
                    const std::map<std::string, std::string>& environment) {
        return RunChild(arguments, environment, dir_);
    }

    std::string dir_;
};

TEST_F(SoundDeviceBackend, MachineWithoutSoundCardHasNoDevicesAndPrintsNothing) {
    const ChildResult devices = Run({"devices"}, {{"ALSA_CONFIG_PATH", ""}});
    ASSERT_EQ(devices.exit_code, 0) << devices.out << devices.err;
    EXPECT_EQ(devices.err, "");
    if (MachineHasSoundCard()) {
        GTEST_SKIP() << "this machine has a sound card";
    }
    EXPECT_EQ(devices.out, "input:\noutput:\n");

    const ChildResult formats = Run({"formats", kFilePcm}, {{"ALSA_CONFIG_PATH", ""}});
    ASSERT_EQ(formats.exit_code, 0) << formats.out << formats.err;
    EXPECT_EQ(formats.err, "");
    // No device at all: every id, the mapper too, is a bad device id (2).
    EXPECT_EQ(formats.out,
              "input device:2 count:0 mapper:2 12bit:2 200ch:2 open-mapper:2\n"
              "output device:2 count:0 mapper:2 12bit:2 200ch:2 open-mapper:2\n");
}

TEST_F(SoundDeviceBackend, ConfiguredFilePcmCountsAndNullPcmDoesNot) {
    const ChildResult devices = Run({"devices"}, PrivateAlsa());
    ASSERT_EQ(devices.exit_code, 0) << devices.out << devices.err;
    EXPECT_EQ(devices.err, "");
    EXPECT_NE(devices.out.find(kFilePcm), std::string::npos) << devices.out;
    EXPECT_EQ(devices.out.find(kNullPcm), std::string::npos) << devices.out;
    if (!MachineHasSoundCard()) {
        EXPECT_EQ(devices.out, "input:kelvo_file\noutput:kelvo_file\n");
    }
}

TEST_F(SoundDeviceBackend, ChecksFormatsOnTheFilePcm) {
    const ChildResult formats = Run({"formats", kFilePcm}, PrivateAlsa());
    ASSERT_EQ(formats.exit_code, 0) << formats.out << formats.err;
    EXPECT_EQ(formats.err, "");
    if (MachineHasSoundCard()) {
        GTEST_SKIP() << "the mapper may choose this machine's sound card";
    }
    // 8-bit mono runs (0); 12-bit samples and 200 channels are bad formats (32); the mapper
    // finds the file PCM and opens it.
    EXPECT_EQ(formats.out,
              "input device:0 count:1 mapper:0 12bit:32 200ch:32 open-mapper:0\n"
              "output device:0 count:1 mapper:0 12bit:32 200ch:32 open-mapper:0\n");
}

struct Layout {
    int bits;
    int channels;
};

void PrintTo(const Layout& layout, std::ostream* out) {
    *out << layout.bits << "-bit " << layout.channels << "-channel";
}

class SoundDeviceFormats : public SoundDeviceBackend, public testing::WithParamInterface<Layout> {};

TEST_P(SoundDeviceFormats, CaptureRecordsTheInputFile) {
    const Layout layout = GetParam();
    // Two seconds of sound, recorded in a fraction of that.
    const std::size_t bytes =
        2 * 11025 * static_cast<std::size_t>(layout.channels * layout.bits / 8);
    const std::string input = TestSignal(bytes + 4096, 0x80);
    Write(Path("in.raw"), input);

    const ChildResult capture =
        Run({"capture", kFilePcm, std::to_string(layout.bits), std::to_string(layout.channels),
             std::to_string(bytes), Path("recorded.raw")},
            PrivateAlsa());
    ASSERT_EQ(capture.exit_code, 0) << capture.out << capture.err;
    EXPECT_EQ(capture.err, "");
    const std::string recorded = Read(Path("recorded.raw"));
    ASSERT_EQ(recorded.size(), bytes);
    EXPECT_TRUE(recorded == input.substr(0, bytes)) << "the recording differs from the input";
}

TEST_P(SoundDeviceFormats, PlaybackWritesThePlayedBytes) {
    const Layout layout = GetParam();
    const unsigned char silence = layout.bits == 8 ? 0x80 : 0x00;
    const std::size_t bytes =
        2 * 11025 * static_cast<std::size_t>(layout.channels * layout.bits / 8);
    const std::string played = TestSignal(bytes, silence);
    Write(Path("play.raw"), played);

    const ChildResult play = Run({"play", kFilePcm, std::to_string(layout.bits),
                                  std::to_string(layout.channels), Path("play.raw")},
                                 PrivateAlsa());
    ASSERT_EQ(play.exit_code, 0) << play.out << play.err;
    EXPECT_EQ(play.err, "");

    // The device may play silence before the first bytes and after the last; between them
    // must be exactly the played bytes.
    const std::string out = Read(Path("out.raw"));
    const std::size_t first = out.find_first_not_of(static_cast<char>(silence));
    ASSERT_NE(first, std::string::npos) << "nothing but silence was played";
    ASSERT_GE(out.size() - first, bytes);
    EXPECT_TRUE(out.substr(first, bytes) == played) << "the played bytes differ";
    EXPECT_EQ(out.find_first_not_of(static_cast<char>(silence), first + bytes), std::string::npos)
        << "sound after the played bytes";
}

INSTANTIATE_TEST_SUITE_P(Layouts, SoundDeviceFormats, testing::Values(Layout{8, 1}, Layout{16, 2}),
                         [](const testing::TestParamInfo<Layout>& param_info) {
                             return std::to_string(param_info.param.bits) + "bit" +
                                    std::to_string(param_info.param.channels) + "ch";
                         });

TEST_F(SoundDeviceBackend, DestroyingRunningStreamsEndsTheirCallbacks) {
    Write(Path("in.raw"), TestSignal(1 << 20, 0x80));
    const ChildResult abandon = Run({"abandon", kFilePcm}, PrivateAlsa());
    EXPECT_EQ(abandon.exit_code, 0) << abandon.out << abandon.err;
    EXPECT_EQ(abandon.err, "");
}

// The same through the wave calls: on a machine without a sound card the file PCM is device 0.
// The layer moves sound between its buffers and the device through a ring of about a second
// (input) or a quarter second (output, at least 4096 bytes); the unpaced file PCM outruns the
// layer's thread, which a paced device never does, so each transfer here fits in one ring.
class ThroughWaveCalls : public SoundDeviceBackend {
  protected:
    void SetUp() override {
        SoundDeviceBackend::SetUp();
        if (MachineHasSoundCard()) {
            GTEST_SKIP() << "device 0 is this machine's sound card";
        }
    }
};

TEST_F(ThroughWaveCalls, WaveInRecordsTheInputFile) {
    const std::size_t bytes = 8192;
    const std::string input = TestSignal(bytes + 4096, 0x80);
    Write(Path("in.raw"), input);
    const ChildResult capture =
        Run({"wave-capture", std::to_string(bytes), Path("recorded.raw")}, PrivateAlsa());
    ASSERT_EQ(capture.exit_code, 0) << capture.out << capture.err;
    EXPECT_EQ(capture.err, "");
    EXPECT_TRUE(Read(Path("recorded.raw")) == input.substr(0, bytes))
        << "the recording differs from the input";
}

TEST_F(ThroughWaveCalls, WaveOutWritesThePlayedBytes) {
    const std::string played = TestSignal(4096, 0x80);
    Write(Path("play.raw"), played);
    const ChildResult play = Run({"wave-play", Path("play.raw")}, PrivateAlsa());
    ASSERT_EQ(play.exit_code, 0) << play.out << play.err;
    EXPECT_EQ(play.err, "");
    const std::string out = Read(Path("out.raw"));
    const std::size_t first = out.find_first_not_of('\x80');
    ASSERT_NE(first, std::string::npos) << "nothing but silence was played";
    EXPECT_TRUE(out.substr(first, played.size()) == played) << "the played bytes differ";
    EXPECT_EQ(out.find_first_not_of('\x80', first + played.size()), std::string::npos)
        << "sound after the played bytes";
}

}  // namespace
}  // namespace portaudio_test

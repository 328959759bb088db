// The recording file's container: the header the recorder writes and patches, and which files
// the player recognises, with which format and from which byte it plays them.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "audio_test_support.h"
#include "kelvo/audio/wave_container.h"

namespace audio_test {
namespace {

using kelvo::audio::OpenWaveFile;
using kelvo::audio::PatchWaveSizes;
using kelvo::audio::WaveHeaderSizes;
using kelvo::audio::WriteWaveHeader;
using test_support::Le32;
using test_support::WaveFile;

HANDLE CreateNew(const char16_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

using WaveHeader = test_support::InTempDir;

TEST_F(WaveHeader, WritesTheFormatAndPatchesBothSizes) {
    const WAVEFORMATEX format = Pcm(44100, 16, 2);
    HANDLE file = CreateNew(u"x.wav");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    WaveHeaderSizes sizes;
    ASSERT_TRUE(WriteWaveHeader(file, format, sizes));
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 44u);
    const std::string samples = Pattern(1000);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file, samples.data(), 1000, &written, nullptr));
    sizes.AddDataBytes(written);
    PatchWaveSizes(file, sizes);
    PatchWaveSizes(file, sizes);  // a second patch writes the same sizes again
    CloseHandle(file);
    EXPECT_TRUE(ReadFile("x.wav") == WaveFile(samples, format));
}

TEST_F(WaveHeader, DataCountStopsAtTheLargestSize) {
    WaveHeaderSizes sizes;
    sizes.AddDataBytes(0xFFFFFF00u);
    sizes.AddDataBytes(0x1000u);
    EXPECT_EQ(sizes.dataBytes.load(), 0xFFFFFFFFu);
}

TEST_F(WaveHeader, FailedWriteReportsFalse) {
    std::filesystem::create_symlink("/dev/full", "full.wav");
    HANDLE file = CreateNew(u"full.wav");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    WaveHeaderSizes sizes;
    EXPECT_FALSE(WriteWaveHeader(file, DemoFormat(), sizes));
    PatchWaveSizes(file, sizes);  // silent
    CloseHandle(file);
}

struct Recognition {
    const char* name;
    std::string content;
    bool fileFormat;  // played with the file's format, else with the caller's
    DWORD firstByte;  // where playback starts
};

void PrintTo(const Recognition& row, std::ostream* out) {
    *out << row.name;
}

// A format that differs from the caller's in every field.
WAVEFORMATEX FileFormat() {
    return Pcm(8000, 16, 2);
}

std::string Valid(const std::string& samples = std::string(100, 'x')) {
    return WaveFile(samples, FileFormat());
}

std::string Replace(std::string content, std::size_t offset, const std::string& with) {
    content.replace(offset, with.size(), with);
    return content;
}

class WaveRecognition : public test_support::InTempDir,
                        public testing::WithParamInterface<Recognition> {};

TEST_P(WaveRecognition, ChoosesFormatAndFirstByte) {
    const Recognition& row = GetParam();
    WriteFile("f.wav", row.content);
    WAVEFORMATEX format = DemoFormat();
    format.cbSize = 0;
    TL_Error = 7;
    HANDLE file = OpenWaveFile(u"f.wav", format);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ErrorWord(), 7u) << "recognition reports nothing";
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), row.firstByte);
    CloseHandle(file);
    WAVEFORMATEX expected = DemoFormat();
    expected.cbSize = 0;
    if (row.fileFormat) {
        expected = FileFormat();
        expected.cbSize = 18;
    }
    EXPECT_EQ(memcmp(&format, &expected, sizeof format), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WaveRecognition,
    testing::Values(Recognition{"Empty", "", false, 0}, Recognition{"ShortRaw", "12345", false, 5},
                    Recognition{"Raw", std::string(5000, '\x80'), false, 12},
                    Recognition{"LowerCaseRiff", Replace(Valid(), 0, "riff"), false, 12},
                    Recognition{"BytesAfterTheRiffChunk", Valid() + "tail", false, 12},
                    Recognition{"UnpatchedRiffSize", Replace(Valid(), 4, Le32(0)), false, 12},
                    Recognition{"NotWave", Replace(Valid(), 8, "WAVX"), false, 12},
                    Recognition{"NotFmt", Replace(Valid(), 12, "LIST"), false, 36},
                    Recognition{"EighteenByteFmtChunk", Replace(Valid(), 16, Le32(18)), false, 36},
                    Recognition{"NoDataChunkAfterFmt", Replace(Valid(), 36, "fact"), false, 44},
                    Recognition{"Recognised", Valid(), true, 44},
                    Recognition{"RecognisedWithoutSamples", Valid(""), true, 44}),
    [](const testing::TestParamInfo<Recognition>& row) { return row.param.name; });

// A header cut short inside the fmt chunk plays from its end with the caller's format; one cut
// short before the data chunk keeps the file's format.
TEST_F(WaveHeader, TruncatedHeadersPlayFromTheirEnd) {
    for (const std::uint32_t length : {20u, 40u}) {
        WriteFile("f.wav", Replace(Valid().substr(0, length), 4, Le32(length - 8)));
        WAVEFORMATEX format = DemoFormat();
        HANDLE file = OpenWaveFile(u"f.wav", format);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), length);
        EXPECT_EQ(format.nSamplesPerSec, length == 40 ? 8000u : 11025u) << length;
        CloseHandle(file);
    }
}

TEST_F(WaveHeader, FilesThatDoNotOpenGiveErrorOnOpeningFile) {
    WriteFile("readonly.raw", "abc");
    ASSERT_EQ(chmod("readonly.raw", 0444), 0);
    std::filesystem::create_directory("directory.raw");
    for (const char16_t* name : {u"missing.raw", u"readonly.raw", u"directory.raw"}) {
        TL_Error = 0;
        WAVEFORMATEX format = DemoFormat();
        EXPECT_EQ(OpenWaveFile(name, format), nullptr);
        EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_OPEN_FILE));
    }
    TL_Error = 0;
}

}  // namespace
}  // namespace audio_test

// Decoding of raw and RIFF/WAVE recordings.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "recording.h"
#include "speech/speech.h"
#include "temp_dir.h"

namespace speech {
namespace {

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(value & 0xffu);
        value >>= 8;
    }
}

std::string Chunk(const std::string& id, const std::string& body, std::uint32_t declared) {
    std::string chunk = id;
    PutLittleEndian(chunk, declared, 4);
    chunk += body;
    return chunk;
}
std::string Chunk(const std::string& id, const std::string& body) {
    std::string chunk = Chunk(id, body, static_cast<std::uint32_t>(body.size()));
    if (body.size() % 2 == 1) {
        chunk += '\0';
    }
    return chunk;
}

std::string Format(std::uint32_t tag, std::uint32_t channels, std::uint32_t rate,
                   std::uint32_t bits) {
    std::string fmt;
    PutLittleEndian(fmt, tag, 2);
    PutLittleEndian(fmt, channels, 2);
    PutLittleEndian(fmt, rate, 4);
    PutLittleEndian(fmt, rate * channels * bits / 8, 4);
    PutLittleEndian(fmt, channels * bits / 8, 2);
    PutLittleEndian(fmt, bits, 2);
    return fmt;
}

std::string Riff(const std::string& chunks, const std::string& form = "WAVE") {
    std::string file = "RIFF";
    PutLittleEndian(file, static_cast<std::uint32_t>(4 + chunks.size()), 4);
    return file + form + chunks;
}

const std::string kPcm = Format(1, 1, 11025, 8);
const std::string kData("\x80\x00\xff\x81\x7f", 5);  // 0, -128, 127, 1, -1

std::vector<double> Decoded(const std::string& bytes, int expectedStatus = SPEECH_OK) {
    std::vector<double> samples{42.0};
    EXPECT_EQ(DecodeRecording(bytes, 11025.0, samples), expectedStatus);
    return samples;
}

TEST(FrontendRecording, RawBytesAreUnsignedAroundTheBias) {
    EXPECT_EQ(Decoded(kData), (std::vector<double>{0.0, -128.0, 127.0, 1.0, -1.0}));
    EXPECT_TRUE(Decoded("").empty());
}

TEST(FrontendRecording, WaveFileGivesItsDataChunk) {
    const std::string& data = kData;
    const std::vector<double> expected{0.0, -128.0, 127.0, 1.0, -1.0};
    EXPECT_EQ(Decoded(Riff(Chunk("fmt ", kPcm) + Chunk("data", data))), expected);
    // Other chunks around, an odd-sized one padded, a longer fmt chunk.
    EXPECT_EQ(Decoded(Riff(Chunk("LIST", "abc") + Chunk("fmt ", kPcm + std::string(2, '\0')) +
                           Chunk("fact", "wxyz") + Chunk("data", data) + Chunk("id3 ", "tag"))),
              expected);
    // A data chunk declaring more than the file holds is cut at the end of the file.
    EXPECT_EQ(Decoded(Riff(Chunk("fmt ", kPcm) + Chunk("data", data, 0xffffffffu))), expected);
    // An empty data chunk is an empty recording.
    EXPECT_TRUE(Decoded(Riff(Chunk("fmt ", kPcm) + Chunk("data", ""))).empty());
}

TEST(FrontendRecording, OtherRiffFilesAreRefused) {
    const std::string& data = kData;
    const struct {
        const char* label;
        std::string file;
    } cases[] = {
        {"stereo", Riff(Chunk("fmt ", Format(1, 2, 11025, 8)) + Chunk("data", data))},
        {"16 bit", Riff(Chunk("fmt ", Format(1, 1, 11025, 16)) + Chunk("data", data))},
        {"not PCM", Riff(Chunk("fmt ", Format(3, 1, 11025, 8)) + Chunk("data", data))},
        {"other rate", Riff(Chunk("fmt ", Format(1, 1, 8000, 8)) + Chunk("data", data))},
        {"short fmt", Riff(Chunk("fmt ", kPcm.substr(0, 14)) + Chunk("data", data))},
        {"no fmt", Riff(Chunk("data", data))},
        {"no data", Riff(Chunk("fmt ", kPcm))},
        {"not WAVE", Riff(Chunk("fmt ", kPcm) + Chunk("data", data), "AVI ")},
        {"truncated header", std::string("RIFF\x10\0\0", 7)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Decoded(c.file, SPEECH_ERR_FORMAT).empty()) << c.label;
    }
}

TEST(FrontendRecording, UnreadableFileIsAReadError) {
    std::vector<double> samples;
    EXPECT_EQ(ReadRecording("/nonexistent/recording.raw", 11025.0, samples), SPEECH_ERR_READ);
    EXPECT_EQ(ReadRecording("/", 11025.0, samples), SPEECH_ERR_READ);
}

class FrontendRecordingFile : public test_support::InTempDir {};

TEST_F(FrontendRecordingFile, RecordingsLongerThanTheLimitAreRefused) {
    const std::string wave = Riff(Chunk("fmt ", kPcm) + Chunk("data", "", 0xffffffffu));
    const struct {
        const char* label;
        std::string head;  // the file's first bytes, then zeros up to its size
        std::uintmax_t size;
        int code;
    } cases[] = {
        {"raw at the limit", "", kMaxRecordingSamples, SPEECH_OK},
        {"raw a sample over", "", kMaxRecordingSamples + 1, SPEECH_ERR_READ},
        {"wave at the limit", wave, wave.size() + kMaxRecordingSamples, SPEECH_OK},
        {"wave a sample over", wave, wave.size() + kMaxRecordingSamples + 1, SPEECH_ERR_READ},
        {"file too large to read", "", kMaxRecordingFileBytes + 1, SPEECH_ERR_READ},
    };
    std::vector<double> samples;
    for (const auto& c : cases) {
        WriteFile("1.raw", c.head);
        std::filesystem::resize_file("1.raw", c.size);
        EXPECT_EQ(ReadRecording("1.raw", 11025.0, samples), c.code) << c.label;
        EXPECT_EQ(samples.size(), c.code == SPEECH_OK ? kMaxRecordingSamples : 0u) << c.label;
    }
}

// The undecoded bytes are the samples ReadRecording decodes, one byte each, for every kind of
// file, and a file refused one way is refused the same way.
TEST_F(FrontendRecordingFile, BytesAreTheSamplesUndecoded) {
    const struct {
        const char* label;
        std::string file;
        int code;
    } cases[] = {
        {"raw", kData, SPEECH_OK},
        {"wave", Riff(Chunk("fmt ", kPcm) + Chunk("data", kData)), SPEECH_OK},
        {"wave with chunks around the data",
         Riff(Chunk("LIST", "abc") + Chunk("fmt ", kPcm) + Chunk("data", kData) +
              Chunk("cue ", "xy")),
         SPEECH_OK},
        {"wave cut short in its data", Riff(Chunk("fmt ", kPcm) + Chunk("data", kData, 99)),
         SPEECH_OK},
        {"16-bit wave", Riff(Chunk("fmt ", Format(1, 1, 11025, 16)) + Chunk("data", kData)),
         SPEECH_ERR_FORMAT},
        {"empty", "", SPEECH_OK},
    };
    for (const auto& c : cases) {
        WriteFile("1.raw", c.file);
        std::string bytes = "stale";
        std::vector<double> samples;
        ASSERT_EQ(ReadRecordingBytes("1.raw", 11025.0, bytes), c.code) << c.label;
        ASSERT_EQ(ReadRecording("1.raw", 11025.0, samples), c.code) << c.label;
        ASSERT_EQ(bytes.size(), samples.size()) << c.label;
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            EXPECT_EQ(static_cast<double>(static_cast<unsigned char>(bytes[n])) - 128.0, samples[n])
                << c.label << ", sample " << n;
        }
    }
    std::string bytes = "stale";
    EXPECT_EQ(ReadRecordingBytes("/nonexistent/1.raw", 11025.0, bytes), SPEECH_ERR_READ);
    EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace speech

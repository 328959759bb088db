#include "sound_conversion.h"

#include <fcntl.h>
#include <samplerate.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "exit_codes.h"
#include "kelvo/core/text_file.h"

namespace kelvo_cli {
namespace {

constexpr sf_count_t kChunkFrames = 4096;

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

struct ResamplerDeleter {
    void operator()(SRC_STATE* state) const { src_delete(state); }
};
using Resampler = std::unique_ptr<SRC_STATE, ResamplerDeleter>;

[[noreturn]] void InputError(const std::string& shown, const std::string& what) {
    throw CliError(kExitInputFile, shown + ": " + what);
}

bool HasRawExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".raw";
}

// Whether the file starts with "RIFF": a ".raw" recording saved with a header.
bool StartsWithRiff(int fd) {
    char tag[4] = {};
    return pread(fd, tag, sizeof tag, 0) == 4 && std::memcmp(tag, "RIFF", 4) == 0;
}

// An open input and what libsndfile says it holds.
struct Input {
    SoundHandle file;
    SF_INFO info{};
};

// Opens the input without blocking (a FIFO would block) and checks it is a regular file
// before libsndfile reads it; a ".raw" file without a RIFF header is kelvo's own format.
Input OpenInput(const std::filesystem::path& path, const std::string& shown) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        InputError(shown, std::string("cannot open (") + std::strerror(errno) + ")");
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const bool directory = S_ISDIR(status.st_mode);
        close(fd);
        InputError(shown, directory ? "is a directory, not a sound file"
                                    : "not a regular file (a FIFO, device or socket)");
    }
    Input input;
    if (HasRawExtension(path) && !StartsWithRiff(fd)) {
        input.info.samplerate = kKelvoRate;
        input.info.channels = 1;
        input.info.format = SF_FORMAT_RAW | SF_FORMAT_PCM_U8;
    }
    // sf_open_fd closes the descriptor itself, also when it fails.
    input.file.reset(sf_open_fd(fd, SFM_READ, &input.info, SF_TRUE));
    if (!input.file) {
        InputError(shown, std::string("not a sound file libsndfile can read (") +
                              sf_strerror(nullptr) + ")");
    }
    if (input.info.channels < 1 || input.info.samplerate < 1) {
        InputError(shown, "no channels or no sample rate");
    }
    return input;
}

// A sample as an integer of `half` steps each side of zero, the scale libsndfile reads PCM
// of that size with (2^(bits - 1)): rounded to the nearest step and clamped to
// [-half, half - 1], NaN as silence. A sample read from such a file comes out as it was.
double QuantiseSample(float value, double half) {
    if (std::isnan(value)) {
        return 0.0;
    }
    return std::clamp(std::round(static_cast<double>(value) * half), -half, half - 1.0);
}

[[noreturn]] void TooLong(const std::string& shown) {
    InputError(shown, "longer than the " + std::to_string(kMaxRecordingSeconds / 60) +
                          " minutes a recording may last");
}

// kelvo's recording: 8-bit unsigned samples, no header, written straight to the file. It
// ends with an input error once the output passes the longest recording the library takes.
class RecordingSink {
  public:
    RecordingSink(int fd, std::string shown) : fd_(fd), shown_(std::move(shown)) {}
    ~RecordingSink() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    void Write(const float* samples, sf_count_t count) {
        written_ += count;
        if (written_ > kMaxRecordingSamples) {
            TooLong(shown_);
        }
        bytes_.resize(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            bytes_[i] = static_cast<char>(
                static_cast<unsigned char>(QuantiseSample(samples[i], 128.0) + 128.0));
        }
        if (!kelvo::WriteAll(fd_, std::string_view(bytes_.data(), bytes_.size()))) {
            Fail();
        }
    }

    void Close() {
        const int fd = std::exchange(fd_, -1);
        if (close(fd) != 0) {
            Fail();
        }
    }

  private:
    [[noreturn]] static void Fail() {
        throw CliError(kExitSetUp, std::string("cannot write the converted recording (") +
                                       std::strerror(errno) + ")");
    }

    int fd_;
    std::string shown_;
    long long written_ = 0;
    std::string bytes_;
};

// 16-bit PCM into a file libsndfile writes.
class WaveSink {
  public:
    WaveSink(SNDFILE* file, int channels, std::string shown)
        : file_(file), channels_(channels), shown_(std::move(shown)) {}

    void Write(const float* frames, sf_count_t count) {
        samples_.resize(static_cast<std::size_t>(count * channels_));
        for (std::size_t i = 0; i < samples_.size(); ++i) {
            samples_[i] = static_cast<short>(QuantiseSample(frames[i], 32768.0));
        }
        if (sf_writef_short(file_.get(), samples_.data(), count) != count) {
            throw CliError(kExitSetUp,
                           shown_ + ": cannot write (" + sf_strerror(file_.get()) + ")");
        }
    }

    void Close() {
        if (sf_close(file_.release()) != 0) {
            throw CliError(kExitSetUp, shown_ + ": cannot write");
        }
    }

  private:
    SoundHandle file_;
    int channels_;
    std::string shown_;
    std::vector<short> samples_;
};

// Reads the input in chunks, each mixed to `channels` (1: the mean of all; otherwise the
// input's own channels) with NaN made silence.
class Reader {
  public:
    Reader(Input& input, int channels)
        : input_(input),
          channels_(channels),
          raw_(static_cast<std::size_t>(kChunkFrames * input.info.channels)),
          mixed_(static_cast<std::size_t>(kChunkFrames * channels)) {}

    // The next chunk's frames; 0 at the end.
    sf_count_t Next(const std::string& shown) {
        const sf_count_t got = sf_readf_float(input_.file.get(), raw_.data(), kChunkFrames);
        if (got < 0 || (got == 0 && sf_error(input_.file.get()) != SF_ERR_NO_ERROR)) {
            InputError(shown, std::string("read error (") + sf_strerror(input_.file.get()) + ")");
        }
        const auto in = static_cast<std::size_t>(input_.info.channels);
        const auto out = static_cast<std::size_t>(channels_);
        for (std::size_t frame = 0; frame < static_cast<std::size_t>(got); ++frame) {
            const float* source = raw_.data() + frame * in;
            for (std::size_t c = 0; c < out; ++c) {
                float value = 0.0f;
                if (out == 1) {
                    for (std::size_t k = 0; k < in; ++k) {
                        value += source[k];
                    }
                    value /= static_cast<float>(in);
                } else {
                    value = source[c];
                }
                mixed_[frame * out + c] = std::isnan(value) ? 0.0f : value;
            }
        }
        return got;
    }

    const float* Data() const { return mixed_.data(); }

  private:
    Input& input_;
    int channels_;
    std::vector<float> raw_;
    std::vector<float> mixed_;
};

// libsamplerate's converter for each setting.
int ConverterType(Resampling resampling) {
    switch (resampling) {
        case Resampling::kBest:
            return SRC_SINC_BEST_QUALITY;
        case Resampling::kMedium:
            return SRC_SINC_MEDIUM_QUALITY;
        case Resampling::kFastest:
            break;
    }
    return SRC_SINC_FASTEST;
}

// Moves every frame from reader to sink, resampled by `ratio` (output rate / input rate) with
// `resampling` unless it is 1.
template <typename Sink>
void Pump(Reader& reader, Sink& sink, int channels, double ratio, Resampling resampling,
          const std::string& shown) {
    if (ratio == 1.0) {
        while (const sf_count_t got = reader.Next(shown)) {
            sink.Write(reader.Data(), got);
        }
        return;
    }
    if (src_is_valid_ratio(ratio) == 0) {
        InputError(shown, "unsupported sample rate");
    }
    int error = 0;
    const Resampler resampler(src_new(ConverterType(resampling), channels, &error));
    if (!resampler) {
        InputError(shown, std::string("cannot resample (") + src_strerror(error) + ")");
    }
    const auto outFrames =
        static_cast<long>(std::ceil(static_cast<double>(kChunkFrames) * ratio)) + 64;
    std::vector<float> out(static_cast<std::size_t>(outFrames * channels));
    SRC_DATA step{};
    step.src_ratio = ratio;
    bool ending = false;
    for (;;) {
        sf_count_t got = 0;
        if (!ending) {
            got = reader.Next(shown);
            ending = got == 0;
        }
        step.data_in = reader.Data();
        step.input_frames = static_cast<long>(got);
        step.end_of_input = ending ? 1 : 0;
        // Each call takes what input it can and gives what output it has; an ending call
        // with nothing left to give has flushed the filter.
        do {
            step.data_out = out.data();
            step.output_frames = outFrames;
            if ((error = src_process(resampler.get(), &step)) != 0) {
                InputError(shown, std::string("cannot resample (") + src_strerror(error) + ")");
            }
            sink.Write(out.data(), step.output_frames_gen);
            step.data_in += step.input_frames_used * channels;
            step.input_frames -= step.input_frames_used;
        } while (step.input_frames > 0 || (ending && step.output_frames_gen > 0));
        if (ending) {
            return;
        }
    }
}

}  // namespace

SoundFacts ProbeSound(const std::filesystem::path& path, const std::string& shown) {
    const Input input = OpenInput(path, shown);
    return {input.info.samplerate, input.info.channels, input.info.frames};
}

bool LongerThanARecording(const SoundFacts& facts) {
    // frames / rate > 600 s, without rounding.
    return facts.frames != SF_COUNT_MAX && facts.rate > 0 &&
           facts.frames > kMaxRecordingSeconds * facts.rate;
}

void RequireRecordingLength(const SoundFacts& facts, const std::string& shown) {
    if (LongerThanARecording(facts)) {
        TooLong(shown);
    }
}

void ConvertToKelvoRecording(const std::filesystem::path& path, const std::string& shown, int fd,
                             Resampling resampling) {
    RecordingSink sink(fd, shown);
    Input input = OpenInput(path, shown);
    RequireRecordingLength({input.info.samplerate, input.info.channels, input.info.frames}, shown);
    Reader reader(input, 1);
    Pump(reader, sink, 1, static_cast<double>(kKelvoRate) / input.info.samplerate, resampling,
         shown);
    sink.Close();
}

void ConvertToPlayableWave(const std::filesystem::path& path, const std::string& shown,
                           const std::filesystem::path& out) {
    Input input = OpenInput(path, shown);
    const int channels = input.info.channels <= 2 ? input.info.channels : 1;
    const int rate = input.info.samplerate >= 8000 && input.info.samplerate <= 96000
                         ? input.info.samplerate
                         : 48000;
    SF_INFO format{};
    format.samplerate = rate;
    format.channels = channels;
    format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(out.c_str(), SFM_WRITE, &format);
    if (file == nullptr) {
        throw CliError(kExitSetUp, out.string() + ": cannot write (" + sf_strerror(nullptr) + ")");
    }
    WaveSink sink(file, channels, out.string());
    Reader reader(input, channels);
    Pump(reader, sink, channels, static_cast<double>(rate) / input.info.samplerate,
         Resampling::kBest, shown);
    sink.Close();
}

}  // namespace kelvo_cli

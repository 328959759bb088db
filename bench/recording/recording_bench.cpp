// Records through kelvo's StartRecord / StopRecord on the virtual device at real-time pace,
// 8-bit mono at 11025 Hz, while the machine's other core is kept busy, and reports:
//  - the integrity of a long recording: the virtual microphone plays a pseudo-random input
//    file once, with no 8-byte window occurring twice in it (checked), so every recorded
//    byte has exactly one place in the input. The device may drop the first bytes captured
//    before kelvo's first buffer reaches it, so the recording must be one contiguous stretch
//    of the input from wherever its first 64 bytes occur: reported are that offset, the
//    length (a multiple of kelvo's 4096-byte buffers), and the bytes lost (input skipped),
//    duplicated (input recorded again) or foreign (in no place of the input), found by
//    resynchronising after each mismatch;
//  - the wall time StopRecord takes: once after the long recording, and min / median / max
//    over short recordings stopped at random moments (a stop waits for the at most two
//    buffers still with the device, so up to about 2 x 4096 / 11025 s = 0.74 s);
//  - CPU per second of recorded audio during the long recording: getrusage(RUSAGE_SELF) user
//    + system from just before StartRecord to just after StopRecord (kelvo's callbacks, the
//    virtual device's pacing and delivery threads, and the main thread, which sleeps);
//  - TL_Error after every start and stop (must be 0) and TL_RecordStatus after every stop
//    (must be 4).
// The load is a child process forked before anything else starts, spinning until it is
// killed at the end, so its CPU time is not the bench's: RUSAGE_SELF counts this process
// only, and the load's own CPU time (from wait4) is reported to show it really ran.
//
// kelvo writes its recordings into the working directory: the bench works in a fresh
// temporary directory (the input file, the recordings) and removes it at the end.
//
// Usage: kelvo_recording_bench [SECONDS] [--no-load]   (default 120 s of the long recording,
// with the load). Exits 1 when a byte was lost, duplicated or foreign, a length is not a
// multiple of 4096, or a status word was wrong.
#include <kelvo/kelvo.h>
#include <platform/virtual_audio.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

namespace va = platform::virtual_audio;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<unsigned char>;

constexpr DWORD kRate = 11025;        // bytes per second: 8-bit mono
constexpr std::size_t kBlock = 4096;  // kelvo's capture buffer
constexpr std::size_t kAnchor = 64;   // bytes that place the recording's start in the input
constexpr std::size_t kKey = 8;       // window length of the input's position index
constexpr double kSpareSeconds = 30;  // input beyond the longest recording
constexpr int kStopRuns = 10;
constexpr double kStopRunSeconds = 3;
constexpr char kInputName[] = "input.raw";

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double CpuSeconds(const rusage& usage) {
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage);
}

// A process that keeps one core busy until it is killed.
class BusyLoad {
  public:
    // Forks the spinning child; call before any thread exists.
    bool Start() {
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ < 0) {
            std::perror("fork");
            return false;
        }
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the bench
            if (getppid() != parent) {
                _exit(0);
            }
            volatile std::uint64_t spins = 0;
            for (;;) {
                spins = spins + 1;
            }
        }
        started_ = Clock::now();
        return true;
    }

    // Kills the child; its CPU time and wall time alive, when there was one.
    std::optional<std::pair<double, double>> Stop() {
        if (pid_ <= 0) {
            return std::nullopt;
        }
        kill(pid_, SIGKILL);
        int status = 0;
        rusage usage{};
        while (wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return std::pair{CpuSeconds(usage), Seconds(Clock::now() - started_)};
    }

    ~BusyLoad() { Stop(); }

  private:
    pid_t pid_ = -1;
    Clock::time_point started_;
};

// A fresh temporary directory as the working directory; removed, and the previous working
// directory restored, on destruction.
class TemporaryWorkingDirectory {
  public:
    bool Enter() {
        std::string pattern = (fs::temp_directory_path() / "kelvo_recording_bench.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            return false;
        }
        previous_ = fs::current_path();
        path_ = pattern;
        fs::current_path(path_);
        return true;
    }

    ~TemporaryWorkingDirectory() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::current_path(previous_, ignored);
            fs::remove_all(path_, ignored);
        }
    }

  private:
    fs::path previous_;
    fs::path path_;
};

// splitmix64, eight bytes per step: a sequence in which a repeated window is vanishingly
// unlikely (and PositionIndex checks it).
Bytes PseudoRandomBytes(std::size_t count) {
    Bytes bytes(count);
    std::uint64_t state = 0x6b656c766f2d6265;
    for (std::size_t at = 0; at < count; at += 8) {
        state += 0x9e3779b97f4a7c15;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        z ^= z >> 31;
        for (std::size_t i = 0; i < 8 && at + i < count; ++i) {
            bytes[at + i] = static_cast<unsigned char>(z >> (8 * i));
        }
    }
    return bytes;
}

std::uint64_t KeyAt(const Bytes& bytes, std::size_t at) {
    std::uint64_t key = 0;
    std::memcpy(&key, bytes.data() + at, kKey);
    return key;
}

// Where each 8-byte window of the input starts; `unique` is false when a window repeats.
struct PositionIndex {
    std::unordered_map<std::uint64_t, std::size_t> at;
    bool unique = true;

    explicit PositionIndex(const Bytes& input) {
        at.reserve(input.size());
        for (std::size_t i = 0; i + kKey <= input.size(); ++i) {
            unique = at.emplace(KeyAt(input, i), i).second && unique;
        }
    }
};

struct Integrity {
    std::size_t length = 0;
    std::size_t anchors = 0;  // places of the first 64 bytes in the input (must be 1)
    std::size_t start = 0;    // input offset of the recording's first byte
    std::size_t mismatches = 0;
    std::size_t lost = 0;
    std::size_t duplicated = 0;
    std::size_t foreign = 0;

    bool Contiguous() const {
        return anchors == 1 && mismatches == 0 && lost == 0 && duplicated == 0 && foreign == 0;
    }
    bool WholeBlocks() const { return length % kBlock == 0; }
};

// Places the recording in the input and walks both together. After a mismatch the next
// recorded 64 bytes found in the input say where the recording went on: further on (input
// lost) or back (input recorded twice); recorded bytes with no place there are foreign.
Integrity CheckRecording(const Bytes& recorded, const Bytes& input, const PositionIndex& index) {
    Integrity result;
    result.length = recorded.size();
    if (recorded.size() < kAnchor) {
        return result;
    }
    const std::boyer_moore_searcher searcher(recorded.begin(), recorded.begin() + kAnchor);
    for (auto from = input.begin();;) {
        const auto found = std::search(from, input.end(), searcher);
        if (found == input.end()) {
            break;
        }
        if (result.anchors++ == 0) {
            result.start = static_cast<std::size_t>(found - input.begin());
        }
        from = found + 1;
    }
    if (result.anchors == 0) {
        return result;
    }
    const auto placeOf = [&](std::size_t i) -> std::optional<std::size_t> {
        if (i + kAnchor > recorded.size()) {
            return std::nullopt;
        }
        const auto hit = index.at.find(KeyAt(recorded, i));
        if (hit == index.at.end() || hit->second + kAnchor > input.size() ||
            !std::equal(recorded.begin() + static_cast<std::ptrdiff_t>(i),
                        recorded.begin() + static_cast<std::ptrdiff_t>(i + kAnchor),
                        input.begin() + static_cast<std::ptrdiff_t>(hit->second))) {
            return std::nullopt;
        }
        return hit->second;
    };
    std::size_t j = result.start;
    for (std::size_t i = 0; i < recorded.size();) {
        if (j < input.size() && recorded[i] == input[j]) {
            ++i;
            ++j;
            continue;
        }
        ++result.mismatches;
        if (const auto place = placeOf(i)) {
            if (*place > j) {
                result.lost += *place - j;
            } else {
                result.duplicated += j - *place;
            }
            j = *place;
        } else {
            ++result.foreign;
            ++i;
        }
    }
    return result;
}

bool ReadFileBytes(const char* name, Bytes& bytes) {
    std::error_code error;
    const auto size = fs::file_size(name, error);
    std::ifstream file(name, std::ios::binary);
    if (error || !file) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool WriteFileBytes(const char* name, const Bytes& bytes) {
    std::ofstream file(name, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

std::string ErrorText(DWORD code) {
    std::string text;
    if (const WCHAR* wide = GetErrorString(code)) {
        for (; *wide != 0; ++wide) {
            text += *wide < 0x80 ? static_cast<char>(*wide) : '?';
        }
    }
    return text;
}

struct Recording {
    DWORD errorAfterStart = 0;
    DWORD errorAfterStop = 0;
    DWORD statusAfterStop = 0;
    double seconds = 0;      // from StartRecord's return to StopRecord's return
    double stopSeconds = 0;  // StopRecord alone
    double cpuSeconds = 0;   // this process, StartRecord to StopRecord's return
    Bytes bytes;

    bool StatusOk() const {
        return errorAfterStart == 0 && errorAfterStop == 0 && statusAfterStop == 4;
    }
};

// One recording into `name` (raw, no header), stopped after `seconds`.
Recording Record(const char16_t* name, double seconds) {
    Recording result;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 8;
    format.nBlockAlign = 1;
    format.nAvgBytesPerSec = kRate;
    format.cbSize = 0;

    InitTonlet();
    HWAVEIN handle = nullptr;
    const double cpuBefore = ProcessCpuSeconds();
    StartRecord(name, format, &handle, 0);
    const Clock::time_point started = Clock::now();
    result.errorAfterStart = TL_Error;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const Clock::time_point stopping = Clock::now();
    StopRecord(handle);
    const Clock::time_point stopped = Clock::now();
    result.cpuSeconds = ProcessCpuSeconds() - cpuBefore;
    result.errorAfterStop = TL_Error;
    result.statusAfterStop = TL_RecordStatus;
    result.seconds = Seconds(stopped - started);
    result.stopSeconds = Seconds(stopped - stopping);

    std::string narrow;
    for (const char16_t* c = name; *c != 0; ++c) {
        narrow += static_cast<char>(*c);
    }
    ReadFileBytes(narrow.c_str(), result.bytes);
    return result;
}

void PrintStatus(const Recording& r) {
    const auto word = [](DWORD code) {
        return code == 0 ? std::string("0") : std::to_string(code) + " (" + ErrorText(code) + ")";
    };
    std::printf("  TL_Error after start %s, after stop %s; TL_RecordStatus after stop %u%s\n",
                word(r.errorAfterStart).c_str(), word(r.errorAfterStop).c_str(), r.statusAfterStop,
                r.StatusOk() ? "" : "   <-- WRONG");
}

void PrintIntegrity(const Integrity& r) {
    if (r.anchors != 1) {
        std::printf("  first %zu recorded bytes found %zu times in the input   <-- WRONG\n",
                    kAnchor, r.anchors);
        return;
    }
    std::printf("  starts at input offset %zu (%.3f s), %zu bytes = %.2f blocks of %zu%s\n",
                r.start, static_cast<double>(r.start) / kRate, r.length,
                static_cast<double>(r.length) / kBlock, kBlock,
                r.WholeBlocks() ? "" : "   <-- NOT WHOLE BLOCKS");
    std::printf("  lost %zu, duplicated %zu, foreign %zu bytes (%zu mismatches)%s\n", r.lost,
                r.duplicated, r.foreign, r.mismatches, r.Contiguous() ? "" : "   <-- WRONG");
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 120;
    bool load = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        char* end = nullptr;
        if (arg == "--no-load") {
            load = false;
        } else if (const double value = std::strtod(argv[i], &end); *end == 0 && value > 0) {
            seconds = value;
        } else {
            std::fprintf(stderr, "usage: %s [SECONDS] [--no-load]\n", argv[0]);
            return 2;
        }
    }

    BusyLoad busy;
    if (load && !busy.Start()) {
        return 1;
    }
    TemporaryWorkingDirectory directory;
    if (!directory.Enter()) {
        return 1;
    }
    const auto inputBytes =
        static_cast<std::size_t>((std::max(seconds, kStopRunSeconds + 1) + kSpareSeconds) * kRate);
    const Bytes input = PseudoRandomBytes(inputBytes);
    const PositionIndex index(input);
    if (!WriteFileBytes(kInputName, input)) {
        std::fprintf(stderr, "cannot write %s\n", kInputName);
        return 1;
    }
    if (!va::Install("in=file:input.raw,out=discard,pace=realtime")) {
        std::fprintf(stderr, "cannot install the virtual device\n");
        return 1;
    }
    bool ok = index.unique;
    std::printf("kelvo recording at real-time pace, 8-bit mono %u Hz, %s\n", kRate,
                load ? "one core kept busy by a spinning child process" : "no load");
    std::printf("input: %zu pseudo-random bytes (%.1f s)%s\n\n", input.size(),
                static_cast<double>(input.size()) / kRate,
                index.unique ? ", no 8-byte window repeats" : ", HAS REPEATED WINDOWS");

    std::printf("long recording, stopped after %.1f s:\n", seconds);
    std::fflush(stdout);
    const Recording longRun = Record(u"recording.raw", seconds);
    const Integrity mainIntegrity = CheckRecording(longRun.bytes, input, index);
    const double audioSeconds = static_cast<double>(longRun.bytes.size()) / kRate;
    PrintStatus(longRun);
    PrintIntegrity(mainIntegrity);
    std::printf("  %.2f s of audio in %.2f s from start to stopped\n", audioSeconds,
                longRun.seconds);
    std::printf("  StopRecord took %.3f s\n", longRun.stopSeconds);
    if (audioSeconds > 0) {
        std::printf("  CPU: %.3f s = %.2f ms per second of audio (%.3f%% of a core)\n",
                    longRun.cpuSeconds, 1000 * longRun.cpuSeconds / audioSeconds,
                    100 * longRun.cpuSeconds / audioSeconds);
    }
    ok = ok && longRun.StatusOk() && mainIntegrity.Contiguous() && mainIntegrity.WholeBlocks() &&
         !longRun.bytes.empty();

    // Stop moments spread over two buffer periods, so that the stop meets every fill level
    // of the buffer the device is filling.
    std::printf("\n%d short recordings, stopped after %.1f s + a random 0 to %.2f s:\n", kStopRuns,
                kStopRunSeconds, 2.0 * kBlock / kRate);
    std::fflush(stdout);
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> extra(0.0, 2.0 * kBlock / kRate);
    std::vector<double> stops;
    int shortFailures = 0;
    for (int run = 0; run < kStopRuns; ++run) {
        const Recording r = Record(u"short.raw", kStopRunSeconds + extra(random));
        const Integrity integrity = CheckRecording(r.bytes, input, index);
        stops.push_back(r.stopSeconds);
        const bool runOk =
            r.StatusOk() && integrity.Contiguous() && integrity.WholeBlocks() && !r.bytes.empty();
        if (!runOk) {
            ++shortFailures;
            std::printf(" run %d:\n", run + 1);
            PrintStatus(r);
            PrintIntegrity(integrity);
        }
    }
    std::sort(stops.begin(), stops.end());
    const double median = kStopRuns % 2 == 1
                              ? stops[kStopRuns / 2]
                              : (stops[kStopRuns / 2 - 1] + stops[kStopRuns / 2]) / 2;
    std::printf("  StopRecord: min %.3f s, median %.3f s, max %.3f s (two buffers: %.3f s)\n",
                stops.front(), median, stops.back(), 2.0 * kBlock / kRate);
    std::printf("  %d of %d contiguous, whole blocks, status words right\n",
                kStopRuns - shortFailures, kStopRuns);
    ok = ok && shortFailures == 0;

    va::Reset();
    if (const auto spent = busy.Stop()) {
        std::printf("\nload: the child spun %.1f s of CPU in %.1f s\n", spent->first,
                    spent->second);
    }
    std::printf("\n%s\n", ok ? "OK" : "FAILED");
    return ok ? 0 : 1;
}

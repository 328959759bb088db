// Captures from the virtual microphone at real-time pace through waveIn* with a callback that
// re-queues its buffers, and reports:
//  - the delivery latency: from the moment the device's clock completed a buffer (captured
//    its last byte) to the start of that buffer's WIM_DATA callback (median, 99th percentile,
//    maximum);
//  - the process's CPU time per second of capture (getrusage), the virtual device included.
//
// Usage: platform_audio_bench [SECONDS] [BUFFER_BYTES]   (defaults: 10 s, 441 bytes = 40 ms
// of 8-bit mono at 11025 Hz, the format kelvo records in).
#include <mmsystem.h>
#include <platform/virtual_audio.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace va = platform::virtual_audio;
using Clock = std::chrono::steady_clock;

struct Capture {
    std::vector<Clock::time_point> deliveredAt;  // preallocated: the callback only stores
    std::atomic<std::size_t> delivered{0};
    std::atomic<bool> requeue{true};
};

void CALLBACK OnWave(HANDLE device, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
    if (message != WIM_DATA) {
        return;
    }
    const Clock::time_point now = Clock::now();
    auto* capture = reinterpret_cast<Capture*>(instance);
    auto* header = reinterpret_cast<WAVEHDR*>(param1);
    const std::size_t index = capture->delivered.load(std::memory_order_relaxed);
    if (index < capture->deliveredAt.size() && header->dwBytesRecorded == header->dwBufferLength) {
        capture->deliveredAt[index] = now;
        capture->delivered.store(index + 1, std::memory_order_release);
    }
    if (capture->requeue.load()) {
        waveInAddBuffer(static_cast<HWAVEIN>(device), header, sizeof *header);
    }
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Microseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const DWORD bufferBytes = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 441;
    if (seconds <= 0 || bufferBytes == 0) {
        std::fprintf(stderr, "usage: %s [SECONDS] [BUFFER_BYTES]\n", argv[0]);
        return 2;
    }
    if (!va::Install("in=tone:440,out=discard,pace=realtime")) {
        return 1;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 11025;
    format.wBitsPerSample = 8;
    format.nBlockAlign = 1;
    format.nAvgBytesPerSec = 11025;
    format.cbSize = sizeof format;

    Capture capture;
    const auto expected = static_cast<std::size_t>(seconds * 11025 / bufferBytes) + 16;
    capture.deliveredAt.resize(expected);
    HWAVEIN handle = nullptr;
    if (waveInOpen(&handle, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&OnWave),
                   reinterpret_cast<DWORD_PTR>(&capture), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
        return 1;
    }
    constexpr std::size_t kQueued = 8;
    std::vector<std::vector<char>> data(kQueued, std::vector<char>(bufferBytes));
    std::vector<WAVEHDR> headers(kQueued);
    for (std::size_t i = 0; i < kQueued; ++i) {
        headers[i].lpData = data[i].data();
        headers[i].dwBufferLength = bufferBytes;
        waveInPrepareHeader(handle, &headers[i], sizeof(WAVEHDR));
        waveInAddBuffer(handle, &headers[i], sizeof(WAVEHDR));
    }

    const double cpuBefore = CpuSeconds();
    const Clock::time_point wallBefore = Clock::now();
    waveInStart(handle);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const std::size_t delivered = capture.delivered.load(std::memory_order_acquire);
    // The device's clock of this run, read while the stream still runs.
    std::vector<double> latencies;
    for (std::size_t i = 0; i < delivered; ++i) {
        Clock::time_point completed;
        if (va::DeviceClockTime(handle, (i + 1) * bufferBytes - 1, completed)) {
            latencies.push_back(Microseconds(capture.deliveredAt[i] - completed));
        }
    }
    const double cpu = CpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    capture.requeue = false;
    waveInReset(handle);
    va::WaitDelivered(handle);
    waveInClose(handle);
    va::Reset();

    if (latencies.empty()) {
        std::fprintf(stderr, "no buffers delivered\n");
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies[std::min(
            latencies.size() - 1,
            static_cast<std::size_t>(q * static_cast<double>(latencies.size())))];
    };
    std::printf("buffers: %zu of %u bytes (%.1f ms) in %.1f s\n", latencies.size(), bufferBytes,
                1000.0 * bufferBytes / 11025, wall);
    std::printf("delivery latency (us): median %.0f  p99 %.0f  max %.0f\n", at(0.5), at(0.99),
                latencies.back());
    std::printf("CPU: %.3f ms per second of capture (%.3f%% of a core)\n", 1000.0 * cpu / wall,
                100.0 * cpu / wall);
    return 0;
}

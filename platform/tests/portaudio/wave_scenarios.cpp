#include "wave_scenarios.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <mmsystem.h>

namespace portaudio_test {
namespace {

WAVEFORMATEX Mono8Bit() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 11025;
    format.nAvgBytesPerSec = 11025;
    format.nBlockAlign = 1;
    format.wBitsPerSample = 8;
    format.cbSize = 0;
    return format;
}

// Counts the buffers the device is done with.
void CALLBACK CountDone(HANDLE, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message == WIM_DATA || message == WOM_DONE) {
        reinterpret_cast<std::atomic<int>*>(instance)->fetch_add(1, std::memory_order_release);
    }
}

// The deadline only keeps a broken device from hanging the test.
bool WaitForDone(const std::atomic<int>& done, int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (done.load(std::memory_order_acquire) < count) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

int Fail(const char* what, MMRESULT result) {
    std::printf("%s: %u\n", what, result);
    return 1;
}

}  // namespace

int WaveCapture(std::size_t bytes, const std::string& out) {
    const WAVEFORMATEX format = Mono8Bit();
    std::atomic<int> done{0};
    HWAVEIN handle = nullptr;
    if (MMRESULT r = waveInOpen(&handle, 0, &format, reinterpret_cast<DWORD_PTR>(&CountDone),
                                reinterpret_cast<DWORD_PTR>(&done), CALLBACK_FUNCTION);
        r != MMSYSERR_NOERROR) {
        return Fail("waveInOpen", r);
    }
    std::vector<std::vector<char>> data(2, std::vector<char>(bytes / 2));
    std::vector<WAVEHDR> headers(2);
    for (std::size_t i = 0; i < headers.size(); ++i) {
        headers[i] = WAVEHDR{};
        headers[i].lpData = data[i].data();
        headers[i].dwBufferLength = static_cast<DWORD>(data[i].size());
        waveInPrepareHeader(handle, &headers[i], sizeof(WAVEHDR));
        waveInAddBuffer(handle, &headers[i], sizeof(WAVEHDR));
    }
    if (MMRESULT r = waveInStart(handle); r != MMSYSERR_NOERROR) {
        return Fail("waveInStart", r);
    }
    const bool finished = WaitForDone(done, 2);
    waveInReset(handle);
    std::ofstream file(out, std::ios::binary);
    for (WAVEHDR& header : headers) {
        file.write(header.lpData, header.dwBytesRecorded);
        waveInUnprepareHeader(handle, &header, sizeof(WAVEHDR));
    }
    if (MMRESULT r = waveInClose(handle); r != MMSYSERR_NOERROR) {
        return Fail("waveInClose", r);
    }
    return finished ? 0 : Fail("buffers never recorded", 0);
}

int WavePlay(const std::string& in) {
    std::ifstream file(in, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    std::string data = content.str();

    const WAVEFORMATEX format = Mono8Bit();
    std::atomic<int> done{0};
    HWAVEOUT handle = nullptr;
    if (MMRESULT r = waveOutOpen(&handle, 0, &format, reinterpret_cast<DWORD_PTR>(&CountDone),
                                 reinterpret_cast<DWORD_PTR>(&done), CALLBACK_FUNCTION);
        r != MMSYSERR_NOERROR) {
        return Fail("waveOutOpen", r);
    }
    WAVEHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(data.size());
    waveOutPrepareHeader(handle, &header, sizeof(WAVEHDR));
    if (MMRESULT r = waveOutWrite(handle, &header, sizeof(WAVEHDR)); r != MMSYSERR_NOERROR) {
        return Fail("waveOutWrite", r);
    }
    const bool finished = WaitForDone(done, 1);
    waveOutReset(handle);
    waveOutUnprepareHeader(handle, &header, sizeof(WAVEHDR));
    if (MMRESULT r = waveOutClose(handle); r != MMSYSERR_NOERROR) {  // flushes the file
        return Fail("waveOutClose", r);
    }
    return finished ? 0 : Fail("buffer never played", 0);
}

}  // namespace portaudio_test

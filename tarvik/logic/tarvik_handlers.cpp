#include "tarvik_handlers.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "demo_wave_format.h"
#include "kelvo/kelvo.h"
#include "module_state.h"
#include "score_text.h"
#include "user_messages.h"

namespace {

constexpr const WCHAR* kTrainFile = TEXT("1.raw");
constexpr const WCHAR* kTrainCopy = TEXT("2.raw");
constexpr const WCHAR* kMatchFile = TEXT("3.raw");
constexpr const WCHAR* kProfile = TEXT("kelvo.cfg");
constexpr const char* kSpeaker = "Demo";

constexpr DWORD kWaitBeforeTraining = 100;
constexpr DWORD kWaitAfterTraining = 500;

// The library's audio callbacks write TL_Error from their own thread.
DWORD LibraryError() {
    return std::atomic_ref<DWORD>(TL_Error).load();
}

bool RecordingRuns() {
    return g_bTrainRecording || g_bMatchRecording;
}

}  // namespace

void CTarvikHandlers::InitWaveFormat() {
    g_waveFormat = DemoWaveFormat();
}

void CTarvikHandlers::OnStartTrainRecord() {
    if (RecordingRuns()) {
        m_host.ShowDialogMessage(kRecordingRunning, kUserErrorCaption);
        return;
    }
    for (const WCHAR* file : {kTrainFile, kTrainCopy, kMatchFile, kProfile}) {
        m_host.RemoveFile(file);
    }
    m_host.Wait(kWaitBeforeTraining);
    StartRecord(kTrainFile, g_waveFormat, &g_hRecord, 0);
    if (LibraryError() == 0) {
        g_bTrainRecording = true;
    } else {
        g_bTrainRecording = false;
        ShowLibraryError();
    }
}

void CTarvikHandlers::OnStopTrainRecord() {
    if (!g_bTrainRecording) {
        g_bTrainingReady = false;
        m_host.ShowDialogMessage(kNoRecordingExists, kUserErrorCaption);
        return;
    }
    StopRecord(g_hRecord);
    g_bTrainRecording = false;
    g_bTrainingReady = true;
    m_host.Wait(kWaitAfterTraining);
    m_host.CopyFileReplacing(kTrainFile, kTrainCopy);
    m_host.Wait(kWaitAfterTraining);
    // The one recording is enrolled twice, as recordings 1 and 2, so that the profile holds
    // the two lines a verification compares against.
    TrainSpeaker(kSpeaker, 1);
    TrainSpeaker(kSpeaker, 2);
}

void CTarvikHandlers::OnStartMatchRecord() {
    if (!g_bTrainingReady) {
        m_host.ShowDialogMessage(kTrainingNotStopped, kUserErrorCaption);
        return;
    }
    // An earlier enrolment leaves g_bTrainingReady set while a new training recording runs.
    if (RecordingRuns()) {
        m_host.ShowDialogMessage(kRecordingRunning, kUserErrorCaption);
        return;
    }
    StartRecord(kMatchFile, g_waveFormat, &g_hRecord, 0);
    if (LibraryError() == 0) {
        g_bTrainingReady = false;
        g_bMatchRecording = true;
    } else {
        g_bMatchRecording = false;
        ShowLibraryError();
    }
}

void CTarvikHandlers::OnStopMatchRecord() {
    if (!g_bMatchRecording) {
        m_host.ShowDialogMessage(kNoMatchingRecording, kUserErrorCaption);
        return;
    }
    StopRecord(g_hRecord);
    const std::string digits = ScoreText(EvalSpeaker(kSpeaker, 3));
    // The whole string, terminator included, into one wide character per byte plus one.
    std::vector<WCHAR> wide(digits.size() + 1, 0);
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, digits.c_str(), -1, wide.data(),
                            static_cast<int>(wide.size())) == 0) {
        wide.assign(1, 0);
    }
    m_host.SetMatchText(wide.data());
    g_bMatchRecording = false;
}

void CTarvikHandlers::OnPlayTrainRecord() {
    StartPlay(kTrainFile, g_waveFormat, &g_hPlay);
    ShowLibraryError();
}

void CTarvikHandlers::OnStopPlayTrain() {
    StopPlay(g_hPlay);
}

void CTarvikHandlers::OnPlayMatchRecord() {
    StartPlay(kMatchFile, g_waveFormat, &g_hPlay);
    ShowLibraryError();
}

void CTarvikHandlers::OnStopPlayMatch() {
    StopPlay(g_hPlay);
}

void CTarvikHandlers::ShowLibraryError() {
    if (const DWORD code = LibraryError(); code != 0) {
        ShowErrorBox(code);
    }
}

void CTarvikHandlers::ShowErrorBox(DWORD code) {
    // "Error: " and " (" with ")" and the terminator take 11 characters and the code at most
    // 11 (a sign and ten digits); a longer text is cut so that wsprintfW, which knows no
    // buffer size, stays inside the buffer. Every text of the library fits whole.
    constexpr std::size_t kMaxText = kErrorTextLength - 22;
    std::array<WCHAR, kMaxText + 1> text{};
    if (const WCHAR* library = GetErrorString(code); library != nullptr) {
        const std::basic_string_view<WCHAR> full(library);
        std::copy_n(full.begin(), std::min(full.size(), kMaxText), text.begin());
    }
    std::array<WCHAR, kErrorTextLength> message{};
    // %d takes an int: the code's bits, as the format has always shown them.
    wsprintfW(message.data(), kLibraryErrorFormat, text.data(), static_cast<int>(code));
    m_host.ShowOwnerlessMessage(message.data(), kLibraryErrorCaption);
}

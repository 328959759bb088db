#include "module_state.h"

WAVEFORMATEX g_waveFormat{};
HWAVEIN g_hRecord = nullptr;
HWAVEOUT g_hPlay = nullptr;
bool g_bTrainRecording = false;
bool g_bTrainingReady = false;
bool g_bMatchRecording = false;

void ResetModuleState() {
    g_waveFormat = WAVEFORMATEX{};
    g_hRecord = nullptr;
    g_hPlay = nullptr;
    g_bTrainRecording = false;
    g_bTrainingReady = false;
    g_bMatchRecording = false;
}

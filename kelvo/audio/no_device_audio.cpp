// Recording and playback entry points while kelvo has no wave device layer to run on: every
// start reports that no sound device is present, as a start does on a machine without one,
// and a stop has no running device to end.
#include "kelvo/core/status_words.h"
#include "kelvo/kelvo.h"

extern "C" {

void StartRecord(LPCWSTR, WAVEFORMATEX, HWAVEIN*, int) {
    kelvo::StoreStatus(TL_Error, KELVO_ERR_NO_DEVICE);
}

void StopRecord(HWAVEIN) {}

void StartPlay(LPCWSTR, WAVEFORMATEX, HWAVEOUT*) {
    kelvo::StoreStatus(TL_Error, KELVO_ERR_NO_DEVICE);
    kelvo::StoreStatus(TL_PlayStatus, 4);  // a failed start leaves the player stopped
}

void StopPlay(HWAVEOUT) {}

}  // extern "C"

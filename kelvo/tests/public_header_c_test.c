/* The public header compiles as plain C, and a C program can use the library through it. */
#include <kelvo/kelvo.h>

#include <stdio.h>

int main(void) {
    const WCHAR* text = GetErrorString(KELVO_ERR_NO_DEVICE);
    const char* expected = "No sound devices present.";
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, sizeof(WAVEFORMATEX)};
    int i = 0;

    for (; expected[i] != '\0'; ++i) {
        if (text[i] != (WCHAR)expected[i]) {
            fprintf(stderr, "error text differs at %d\n", i);
            return 1;
        }
    }
    if (text[i] != 0 || format.cbSize != 18) {
        fprintf(stderr, "error text too long or format record not 18 bytes\n");
        return 1;
    }
    TL_Error = 7;
    InitTonlet();
    if (TL_Error != 0 || TL_RecordStatus != 0 || TL_PlayStatus != 0) {
        fprintf(stderr, "InitTonlet left a status word set\n");
        return 1;
    }
    if (TrainSpeaker(NULL, 1) != KELVO_TRAIN_BAD_NAME || EvalSpeaker("", 1) != 0.0) {
        fprintf(stderr, "invalid speaker names not refused\n");
        return 1;
    }
    return 0;
}

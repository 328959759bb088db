/* The shortest use of libkelvo that verifies: EvalSpeaker on recording 3.raw of the working
 * directory against the speaker "Bench" enrolled there. Exits 0 when the attempt is accepted.
 *   kelvo_startup_probe enrol    enrols 1.raw and 2.raw as "Bench" (once, before timing)
 *   kelvo_startup_probe          verifies 3.raw
 *   kelvo_startup_probe --maps   verifies, then prints how many shared objects are mapped */
#include <kelvo/kelvo.h>

#include "mapped_objects.h"

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "enrol") == 0) {
        return TrainSpeaker("Bench", 1) == KELVO_TRAIN_OK &&
                       TrainSpeaker("Bench", 2) == KELVO_TRAIN_OK
                   ? 0
                   : 1;
    }
    const int accepted = EvalSpeaker("Bench", 3) > 0.0;
    if (argc > 1 && strcmp(argv[1], "--maps") == 0) {
        printf("%d\n", CountMappedObjects());
    }
    return accepted ? 0 : 1;
}

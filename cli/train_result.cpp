#include "train_result.h"

#include <kelvo/kelvo.h>

namespace kelvo_cli {

const char* TrainResultName(int result) {
    switch (result) {
        case KELVO_TRAIN_OK:
            return "ok";
        case KELVO_TRAIN_BAD_NAME:
            return "bad-name";
        case KELVO_TRAIN_NO_MODEL_VECTOR:
            return "no-model-vector";
        case KELVO_TRAIN_PROFILE_NOT_WRITTEN:
            return "profile-not-written";
        default:
            return "unknown";
    }
}

}  // namespace kelvo_cli

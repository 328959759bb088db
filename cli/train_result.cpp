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

const char* TrainResultReason(int result) {
    switch (result) {
        case KELVO_TRAIN_OK:
            return "enrolled";
        case KELVO_TRAIN_BAD_NAME:
            return "the speaker name is not one token of 1 to 1023 bytes without white space";
        case KELVO_TRAIN_NO_MODEL_VECTOR:
            return "no model vector: the recording holds too little speech (under about half "
                   "a second), no voice (silence, noise, tones), or is longer than 10 minutes";
        case KELVO_TRAIN_PROFILE_NOT_WRITTEN:
            return "the profile kelvo.cfg was not written, or the directory stayed busy with "
                   "another call for 30 s";
        default:
            return "an unknown result of TrainSpeaker";
    }
}

}  // namespace kelvo_cli

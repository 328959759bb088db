// TrainSpeaker's results as words, for machine-readable output.
#pragma once

namespace kelvo_cli {

// "ok", "bad-name", "no-model-vector", "profile-not-written" or "unknown".
const char* TrainResultName(int result);

}  // namespace kelvo_cli

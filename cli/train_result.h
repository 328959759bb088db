// TrainSpeaker's results as words and reasons people can read.
#pragma once

namespace kelvo_cli {

// "ok", "bad-name", "no-model-vector", "profile-not-written" or "unknown".
const char* TrainResultName(int result);

// Why the result came about, as a sentence without a final full stop.
const char* TrainResultReason(int result);

}  // namespace kelvo_cli

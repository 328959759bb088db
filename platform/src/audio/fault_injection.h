// Results injected into wave calls by tests (the n-th next call of a function returns a chosen
// code instead of running), and the switches that hold notifications back.
#pragma once

#include <optional>

#include <mmsystem.h>
#include <platform/virtual_audio.h>

namespace platform::audio {

using virtual_audio::WaveCall;

// Counts one call of `call`; returns the injected result when this call is the chosen one.
std::optional<MMRESULT> InjectedResult(WaveCall call);

// Whether tests asked to hold open / close notifications back (see virtual_audio.h).
bool OpenNotificationsHeld();
bool CloseNotificationsHeld();

}  // namespace platform::audio

// PortAudio probes every ALSA device and JACK server when it starts; on a machine without
// sound both libraries report each failed probe on stderr. These hooks keep them quiet.
#pragma once

namespace platform::audio::portaudio {

// Routes ALSA's and JACK's diagnostic messages to nowhere. Call before Pa_Initialize.
void QuietAudioLibraries();

}  // namespace platform::audio::portaudio

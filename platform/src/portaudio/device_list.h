// Which of the devices PortAudio lists the layer offers, and in which order.
//
// PortAudio lists an ALSA PCM only when it could open it. A machine without a sound card still
// has PCMs that open but go nowhere, so a listed device counts only when it can carry sound:
//   - hardware devices count: ALSA's card devices ("... (hw:N,M)") and OSS devices;
//   - PCMs defined in the ALSA configuration count, except those of type `null` (ALSA's "null"
//     and any PCM the user defines on it), which discard what is played and capture silence;
//   - when ALSA reports no sound card, the stock PCMs that only route to a card or to a sound
//     server (default, sysdefault, dmix, dsnoop, pulse, pipewire, jack, oss and the rate,
//     mixing and encoding plugins) do not count, nor do the devices of a JACK server: with no
//     card there is nothing for them to reach. PCMs the user configured under other names (for
//     example a `file` PCM) still count.
// Device ids are positions in these lists, which keep PortAudio's order.
#pragma once

#include <portaudio.h>

#include <string>
#include <vector>

namespace platform::audio::portaudio {

struct Device {
    PaDeviceIndex index;
    std::string name;  // PortAudio's name: the ALSA PCM name for configuration PCMs
};

struct DeviceList {
    std::vector<Device> input;
    std::vector<Device> output;
};

// Builds the lists from PortAudio's devices. PortAudio must be initialised; the caller
// serialises PortAudio calls.
DeviceList ListUsableDevices();

}  // namespace platform::audio::portaudio

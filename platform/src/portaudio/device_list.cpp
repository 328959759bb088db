#include "portaudio/device_list.h"

#include <alsa/asoundlib.h>

#include <array>
#include <string_view>

namespace platform::audio::portaudio {
namespace {

bool AlsaHasSoundCard() {
    int card = -1;
    return snd_card_next(&card) == 0 && card >= 0;
}

// PortAudio names card devices "<card>: <device> (hw:N,M)".
bool IsAlsaHardwareDevice(std::string_view name) {
    return name.ends_with(')') && name.find("(hw:") != std::string_view::npos;
}

// The plugin type of a PCM of the ALSA configuration ("file", "null", "plug", ...), or "" when
// the configuration does not define it plainly.
std::string AlsaPcmType(const std::string& name) {
    std::string type;
    if (snd_config_update() < 0 || snd_config == nullptr) {
        return type;
    }
    snd_config_t* definition = nullptr;
    if (snd_config_search_definition(snd_config, "pcm", name.c_str(), &definition) < 0) {
        return type;
    }
    snd_config_t* type_node = nullptr;
    const char* value = nullptr;
    if (snd_config_search(definition, "type", &type_node) == 0 &&
        snd_config_get_string(type_node, &value) == 0 && value != nullptr) {
        type = value;
    }
    snd_config_delete(definition);
    return type;
}

// Stock PCMs of ALSA and of the sound-server plugins that reach a card or a server.
bool IsStockRoutingPcm(std::string_view name) {
    static constexpr std::array<std::string_view, 18> kNames = {
        "default",    "sysdefault", "dmix",     "dsnoop",   "pulse",     "pipewire",
        "jack",       "oss",        "upmix",    "vdownmix", "speex",     "speexrate",
        "samplerate", "lavrate",    "lavcrate", "a52",      "usbstream", "spdif"};
    for (std::string_view stock : kNames) {
        if (name == stock) {
            return true;
        }
    }
    return false;
}

bool IsServerPcmType(std::string_view type) {
    return type == "pulse" || type == "pipewire" || type == "jack";
}

bool Counts(const PaDeviceInfo& info, bool have_card) {
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info.hostApi);
    if (api == nullptr || info.name == nullptr) {
        return false;
    }
    const std::string name = info.name;
    switch (api->type) {
        case paOSS:
            return true;
        case paJACK:
            return have_card;
        case paALSA: {
            if (IsAlsaHardwareDevice(name)) {
                return true;
            }
            const std::string type = AlsaPcmType(name);
            if (name == "null" || type == "null") {
                return false;
            }
            return have_card || !(IsStockRoutingPcm(name) || IsServerPcmType(type));
        }
        default:
            return false;
    }
}

}  // namespace

DeviceList ListUsableDevices() {
    DeviceList list;
    const bool have_card = AlsaHasSoundCard();
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < count; ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (info == nullptr || !Counts(*info, have_card)) {
            continue;
        }
        if (info->maxInputChannels > 0) {
            list.input.push_back({index, info->name});
        }
        if (info->maxOutputChannels > 0) {
            list.output.push_back({index, info->name});
        }
    }
    return list;
}

}  // namespace platform::audio::portaudio

#include "portaudio/alsa_quiet.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

namespace platform::audio::portaudio {
namespace {

// ALSA's handler is a C variadic function; the arguments are simply not read.
extern "C" void IgnoreAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/,
                                  int /*err*/, const char* /*fmt*/, ...) {}

extern "C" void IgnoreJackMessage(const char* /*message*/) {}

}  // namespace

void QuietAudioLibraries() {
    snd_lib_error_set_handler(IgnoreAlsaMessage);
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
}

}  // namespace platform::audio::portaudio

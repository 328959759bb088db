// kelvo devices: the audio devices the platform layer offers. It gives counts only; devices
// have no names there.
#include <mmsystem.h>

#include "commands.h"

namespace kelvo_cli {

ExitCode RunDevices(Output& out) {
    const UINT inputs = waveInGetNumDevs();
    const UINT outputs = waveOutGetNumDevs();
    out.Data()["inputs"] = inputs;
    out.Data()["outputs"] = outputs;
    out.Line("input devices: " + std::to_string(inputs));
    out.Line("output devices: " + std::to_string(outputs));
    return kExitSuccess;
}

}  // namespace kelvo_cli

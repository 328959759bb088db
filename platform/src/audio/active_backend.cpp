#include "active_backend.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform::audio {

namespace {

// Stands in when there is no device at all.
class NoDeviceBackend final : public Backend {
  public:
    UINT DeviceCount(Direction) override { return 0; }
    MMRESULT CheckFormat(Direction, UINT, const WAVEFORMATEX&) override {
        return MMSYSERR_BADDEVICEID;
    }
    MMRESULT Open(Direction, UINT, const WAVEFORMATEX&, StreamClient&,
                  std::unique_ptr<Stream>&) override {
        return MMSYSERR_BADDEVICEID;
    }
};

std::shared_ptr<Backend> FromEnvironment() {
    if (const char* configuration = std::getenv("KELVO_VIRTUAL_AUDIO")) {
        if (std::unique_ptr<Backend> backend = MakeVirtualBackend(configuration)) {
            return backend;
        }
        std::fprintf(stderr,
                     "KELVO_VIRTUAL_AUDIO=\"%s\" is not a valid configuration; "
                     "no audio devices\n",
                     configuration);
        return std::make_shared<NoDeviceBackend>();
    }
    if (std::unique_ptr<Backend> backend = MakeSoundDeviceBackend()) {
        return backend;
    }
    return std::make_shared<NoDeviceBackend>();
}

struct Selection {
    std::mutex mutex;
    std::shared_ptr<Backend> backend;
};

// Never destroyed: devices may be closed by the exit hook after static destruction began.
Selection& Selected() {
    static Selection* selection = new Selection;
    return *selection;
}

}  // namespace

std::shared_ptr<Backend> CurrentBackend() {
    Selection& selection = Selected();
    const std::lock_guard lock(selection.mutex);
    if (selection.backend == nullptr) {
        selection.backend = FromEnvironment();
    }
    return selection.backend;
}

void InstallBackend(std::shared_ptr<Backend> backend) {
    Selection& selection = Selected();
    const std::lock_guard lock(selection.mutex);
    selection.backend = std::move(backend);
}

Backend& ActiveBackend() {
    return *CurrentBackend();
}

}  // namespace platform::audio

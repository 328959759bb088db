// Which backend the wave calls use: one installed by the test control, or else the one the
// environment selects on first use.
#pragma once

#include <memory>

#include "backend.h"

namespace platform::audio {

// The backend in use (never null). Devices keep it alive while they are open.
std::shared_ptr<Backend> CurrentBackend();

// Makes `backend` the one in use; nullptr goes back to the environment's choice. The caller
// has closed every device first.
void InstallBackend(std::shared_ptr<Backend> backend);

}  // namespace platform::audio

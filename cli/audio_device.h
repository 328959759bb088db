// What the record and play commands share: kelvo's recording format, the library's status
// words read atomically, and its error codes turned into errors people can read.
#pragma once

#include <kelvo/kelvo.h>

#include <string>

#include "exit_codes.h"
#include "kelvo/core/status_words.h"

namespace kelvo_cli {

// The status words, which the library's callback threads write, read atomically as the
// library itself reads them.
using kelvo::LoadStatus;

// 8-bit unsigned mono PCM at 11025 Hz, cbSize the record's own size as the library expects.
WAVEFORMATEX KelvoWaveFormat();

// An audio device error (exit status 6) for `file`: "<file>: <what>: <text> (code N)", the
// text being GetErrorString's.
CliError DeviceError(const std::string& file, const std::string& what, DWORD code);

}  // namespace kelvo_cli

// How PortAudio's error codes read as wave result codes.
#pragma once

#include <portaudio.h>

#include <mmsystem.h>

namespace platform::audio::portaudio {

// paNoError                               -> MMSYSERR_NOERROR
// paInsufficientMemory                    -> MMSYSERR_NOMEM
// paInvalidDevice                         -> MMSYSERR_BADDEVICEID
// paDeviceUnavailable (in use elsewhere)  -> MMSYSERR_ALLOCATED
// paInvalidChannelCount, paInvalidSampleRate, paSampleFormatNotSupported,
//   paBadIODeviceCombination, paIncompatibleHostApiSpecificStreamInfo,
//   paBufferTooBig, paBufferTooSmall      -> WAVERR_BADFORMAT (the device cannot run the format)
// paNotInitialized, paHostApiNotFound, paInvalidHostApi, paIncompatibleStreamHostApi
//                                         -> MMSYSERR_NODRIVER (no sound system to talk to)
// paBadStreamPtr                          -> MMSYSERR_INVALHANDLE
// paInvalidFlag                           -> MMSYSERR_INVALFLAG
// paNullCallback, paBadBufferPtr          -> MMSYSERR_INVALPARAM
// paCanNotReadFromACallbackStream, paCanNotWriteToACallbackStream,
//   paCanNotReadFromAnOutputOnlyStream, paCanNotWriteToAnInputOnlyStream
//                                         -> MMSYSERR_NOTSUPPORTED
// anything else (paUnanticipatedHostError, paInternalError, paTimedOut, ...)
//                                         -> MMSYSERR_ERROR
// paStreamIsStopped and paStreamIsNotStopped are not errors for Stop and Start; the stream
// handles them before asking here, which maps them to MMSYSERR_ERROR like any other surprise.
MMRESULT ToMmResult(PaError error);

}  // namespace platform::audio::portaudio

#include "portaudio/error_mapping.h"

namespace platform::audio::portaudio {

MMRESULT ToMmResult(PaError error) {
    switch (error) {
        case paNoError:
            return MMSYSERR_NOERROR;
        case paInsufficientMemory:
            return MMSYSERR_NOMEM;
        case paInvalidDevice:
            return MMSYSERR_BADDEVICEID;
        case paDeviceUnavailable:
            return MMSYSERR_ALLOCATED;
        case paInvalidChannelCount:
        case paInvalidSampleRate:
        case paSampleFormatNotSupported:
        case paBadIODeviceCombination:
        case paIncompatibleHostApiSpecificStreamInfo:
        case paBufferTooBig:
        case paBufferTooSmall:
            return WAVERR_BADFORMAT;
        case paNotInitialized:
        case paHostApiNotFound:
        case paInvalidHostApi:
        case paIncompatibleStreamHostApi:
            return MMSYSERR_NODRIVER;
        case paBadStreamPtr:
            return MMSYSERR_INVALHANDLE;
        case paInvalidFlag:
            return MMSYSERR_INVALFLAG;
        case paNullCallback:
        case paBadBufferPtr:
            return MMSYSERR_INVALPARAM;
        case paCanNotReadFromACallbackStream:
        case paCanNotWriteToACallbackStream:
        case paCanNotReadFromAnOutputOnlyStream:
        case paCanNotWriteToAnInputOnlyStream:
            return MMSYSERR_NOTSUPPORTED;
        default:
            return MMSYSERR_ERROR;
    }
}

}  // namespace platform::audio::portaudio

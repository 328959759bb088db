/* kelvo: speaker verification by a spoken password.
 *
 * Records the audio input into files and plays files back, enrols a speaker from a recording
 * and verifies a new recording against the enrolment. Audio operations return nothing and
 * report through the status word TL_Error; read it right after each start or stop call.
 * Every file lives in the working directory. Usable from C and C++. */
#ifndef KELVO_KELVO_H
#define KELVO_KELVO_H

#include <windows.h>
/* after windows.h, which the system's own mmsystem.h needs first */
#include <mmsystem.h>

/* The Windows DLL lists its exports in kelvo.def; its users import the status words (data) and
 * the functions through the import library. */
#if defined(_WIN32)
#if defined(KELVO_BUILDING_LIBRARY)
#define KELVO_API
#else
#define KELVO_API __declspec(dllimport)
#endif
#elif defined(KELVO_BUILDING_LIBRARY)
#define KELVO_API __attribute__((visibility("default")))
#else
#define KELVO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status words. 0 when the library is loaded. TL_Error holds the code of the last failure of
 * an audio operation (0 = none; texts via GetErrorString). The audio callbacks write these
 * words from their own thread; each read sees a whole 32-bit value. */
KELVO_API extern DWORD TL_Error;
KELVO_API extern DWORD TL_RecordStatus;
KELVO_API extern DWORD TL_PlayStatus;

/* Error codes of the library's own, above the platform's multimedia result codes 0 to 20. */
#define KELVO_ERR_NO_DEVICE 21   /* "No sound devices present." */
#define KELVO_ERR_MEMORY 22      /* "Memory full." */
#define KELVO_ERR_CREATE_FILE 23 /* "Error on creating file." */
#define KELVO_ERR_WRITE_FILE 24  /* "Error on write to file." */
#define KELVO_ERR_OPEN_FILE 25   /* "Error on opening file." */
#define KELVO_ERR_READ_FILE 26   /* "Error on read from file." */

/* Results of TrainSpeaker. Anything but KELVO_TRAIN_OK means no usable profile line was added. */
#define KELVO_TRAIN_OK 0
#define KELVO_TRAIN_BAD_NAME 1            /* null, empty, white space, or 1024 bytes or longer */
#define KELVO_TRAIN_NO_MODEL_VECTOR 2     /* the speech pipeline left no usable model vector */
#define KELVO_TRAIN_PROFILE_NOT_WRITTEN 3 /* "kelvo.cfg" not appended to, or the directory busy */

/* Starts capturing the audio input into the named file (emptied first) in 4096-byte buffers;
 * with writeHeader nonzero the file gets a RIFF/WAVE header. On success *handle receives the
 * device. While a recording runs, another start is refused with TL_Error 4 and the running
 * one goes on; a null handle pointer gives 11 and starts nothing. A name that is not a regular
 * file (a FIFO, directory or device, or a link to one) gives 23 and starts nothing. */
KELVO_API void StartRecord(LPCWSTR fileName, WAVEFORMATEX format, HWAVEIN* handle, int writeHeader);
/* Ends the capture started with this handle: the buffers still with the device are filled
 * and written, then device and file are closed. Does nothing for any other handle. */
KELVO_API void StopRecord(HWAVEIN handle);
/* Starts playing the named file: with its own format from byte 44 when it has a RIFF/WAVE
 * header, else as raw samples in the given format from byte 12. On success *handle receives
 * the device. A playback still running is stopped first; a null handle pointer gives 11 and
 * starts nothing; a file that is not a regular file gives 25. */
KELVO_API void StartPlay(LPCWSTR fileName, WAVEFORMATEX format, HWAVEOUT* handle);
/* Ends the playback started with this handle once the blocks already queued have played.
 * Does nothing for any other handle. */
KELVO_API void StopPlay(HWAVEOUT handle);

/* Enrolment and verification work in the working directory, one call at a time: each holds
 * the directory (a process-wide mutex and a lock on "kelvo.lock") for the whole call and
 * waits at most 30 s for another call to let it go; one that cannot get it does nothing and
 * gives KELVO_TRAIN_PROFILE_NOT_WRITTEN or 0.0. */

/* Enrols recording n ("<n>.raw") for the speaker: appends one line to the profile
 * "kelvo.cfg". Returns KELVO_TRAIN_OK, once reading the profile back finds the new line, or
 * one of the other KELVO_TRAIN_ codes. */
KELVO_API int TrainSpeaker(const char* speaker, int n);
/* Scores recording n against the speaker's enrolment: the mean similarity to the first
 * enrolment (100 = no difference) when accepted, exactly 0.0 when rejected or when the
 * recording or the enrolment cannot be read. */
KELVO_API double EvalSpeaker(const char* speaker, int n);

/* The text of an error code; a constant string the caller neither frees nor modifies. */
KELVO_API const WCHAR* GetErrorString(DWORD code);
/* Sets TL_Error, TL_RecordStatus and TL_PlayStatus to 0. */
KELVO_API void InitTonlet(void);

#ifdef __cplusplus
}
#endif

#endif /* KELVO_KELVO_H */

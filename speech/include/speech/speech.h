/* The speech library's two entry points. Each is shaped like a command-line program: it takes
 * an argument count and a vector of narrow strings (argv[0] is the program name and is not
 * read) and returns SPEECH_OK or one of the codes below. Implementations go by the count
 * alone and never rely on a null entry after the last argument. Nothing is printed.
 *
 * ExtractFeatures: -input LIST -output LIST, each list file naming recordings and as many
 *   feature files, white-space separated. Options: -sf RATE, -zero_mean, -pre_emph_coeff A,
 *   -window_type hamming, -window_dur MS, -frame_dur MS, -num_fbanks N, -mfcc N,
 *   -lifter_coeff L, -energy, -energy_norm, -cms, -delta, -acc, -delta_win K,
 *   -output_mode ascii.
 * InitHMM: -input LIST (feature files), -models LIST, -trans FILE (optional), -mode ascii,
 *   -state FILE, -vfloor_file FILE, -var_floor F, -num_features N.
 * File formats: speech/FORMATS.md. */
#ifndef SPEECH_SPEECH_H
#define SPEECH_SPEECH_H

/* The entry points are the library's only exports, whatever visibility the rest is built with.
 * The Windows DLL lists its exports in speech.def instead. */
#if defined(_WIN32)
#define SPEECH_API
#else
#define SPEECH_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results of the entry points. */
#define SPEECH_OK 0
/* An option neither entry point knows. */
#define SPEECH_ERR_UNKNOWN_OPTION 1
/* An option without its value, or a required option not given. */
#define SPEECH_ERR_MISSING_VALUE 2
/* A value that is not a number or not a known word. */
#define SPEECH_ERR_BAD_VALUE 3
/* Settings out of range or that cannot work together, e.g. more cepstra than filter banks. */
#define SPEECH_ERR_IMPOSSIBLE 4
/* A list, recording or feature file cannot be read. */
#define SPEECH_ERR_READ 5
/* An output file cannot be written. */
#define SPEECH_ERR_WRITE 6
/* A file's content is malformed, or the lists do not match. */
#define SPEECH_ERR_FORMAT 7
/* Too short, silent or constant: nothing to model. */
#define SPEECH_ERR_TOO_LITTLE_SPEECH 8

/* Turns the recordings named in a list file into feature files. */
SPEECH_API int ExtractFeatures(int argc, char** argv);

/* Initialises a model from feature files and writes its state parameters. */
SPEECH_API int InitHMM(int argc, char** argv);

#ifdef __cplusplus
}
#endif

#endif /* SPEECH_SPEECH_H */

/* The speech library's two entry points. Each is shaped like a command-line program: it takes
 * an argument count and a vector of narrow strings and returns 0 on success. Implementations
 * go by the count alone and must not rely on a null entry after the last argument. */
#ifndef SPEECH_SPEECH_H
#define SPEECH_SPEECH_H

#ifdef __cplusplus
extern "C" {
#endif

/* Turns the recordings named in a list file into feature files. */
int ExtractFeatures(int argc, char** argv);

/* Initialises a model from feature files and writes its state parameters. */
int InitHMM(int argc, char** argv);

#ifdef __cplusplus
}
#endif

#endif /* SPEECH_SPEECH_H */

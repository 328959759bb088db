// What a child process of the test program does: it drives the sound-device backend on the
// ALSA configuration its parent chose and reports on stdout, in files and by its exit code.
#pragma once

namespace portaudio_test {

// argv holds the scenario name and its arguments; returns the process exit code (0 = done).
//   devices                               prints "input:NAME,...\noutput:NAME,...\n"
//   formats DEVICE                        prints the CheckFormat results for assorted formats
//   capture DEVICE BITS CHANNELS BYTES OUT   records BYTES bytes from input device DEVICE
//                                            (an ALSA PCM name) and writes them to file OUT
//   play DEVICE BITS CHANNELS IN          plays the bytes of file IN on output device DEVICE
//   wave-capture BYTES OUT                the same as capture, through waveIn* on device 0
//   wave-play IN                          the same as play, through waveOut* on device 0
//   abandon DEVICE                        starts streams both ways and destroys them running
int RunScenario(int argc, char** argv);

}  // namespace portaudio_test

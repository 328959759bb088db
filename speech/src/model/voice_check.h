// Whether recordings hold a voice at all. Noise of any colour has no pitch; hum, tones, chords
// and click trains have one that never moves; sweeps and whistles are pure tones, which the
// front end does not count as voiced; fans and motors hum on without a break while their pitch
// wanders. A voice has enough loud frames, enough voiced ones, a pitch that moves with the
// intonation of what is said, and voicing that breaks off between syllables.
#pragma once

#include <cstddef>
#include <vector>

#include "feature_matrix.h"
#include "speech_frames.h"

namespace speech {

// Fewer voiced frames than this (0.16 s at an 8 ms frame shift) is not a voice.
inline constexpr std::size_t kMinVoicedFrames = 20;
// A pitch whose standard deviation over the voiced frames stays below this, in semitones, is a
// machine's: the flattest speakers measured move theirs by about half a semitone.
inline constexpr double kMinPitchMovement = 0.25;
// A stretch voiced without a break for longer than this (1.5 s at an 8 ms frame shift) is a
// machine's: speech breaks its voicing at consonants and pauses several times a second, and the
// longest vowels and voiced runs of words measured last well under a second. Breaks of up to
// kVoicingGapFrames frames (a pitch the tracker missed) do not end a stretch.
inline constexpr std::size_t kMaxVoicedStretch = 190;
inline constexpr std::size_t kVoicingGapFrames = 2;
// Below this variance a feature is constant: digital silence or a constant signal gives
// cepstra that do not move at all.
inline constexpr double kConstantVariance = 1e-8;

bool HasVoice(const std::vector<FeatureMatrix>& files, const FrameLayout& frames);

}  // namespace speech

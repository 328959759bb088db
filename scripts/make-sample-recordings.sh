#!/usr/bin/env bash
# Makes the small sample recordings that the speech library's tests read, into
# speech/tests/data/: one password phrase spoken by two synthetic voices, two takes each, one
# other phrase by the first voice, and two seconds of digital silence.
#
#   scripts/make-sample-recordings.sh
#
# Every file is exactly 2 s of 8-bit unsigned mono PCM at 11025 samples/s without a header
# (22050 bytes). The two takes of a voice differ a little, as two attempts of one person do:
# pitch by a few tens of cents, tempo by a few percent, leading silence and level, with a faint
# noise floor. All parameters are fixed and the noise comes from SoX's repeatable mode, so the
# script writes the same bytes on every run with the same espeak-ng, flite and SoX.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out_dir="$root/speech/tests/data"

"$root/scripts/install-deps.sh" espeak-ng flite sox

password="open sesame now"
other_phrase="seven silver swans"
rate=11025
length=2.0
raw_format=(-t raw -e unsigned-integer -b 8 -c 1 -r "$rate")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every SoX call runs in repeatable mode (fixed seed for the noise generator) and without
# dither, so that the 8-bit output depends on nothing but the parameters below.
sox() { command sox -R -D "$@"; }

# Noise floor: 10 s of white noise, the same on every run. Each take
# cuts its own stretch out of it, so no two takes share their noise.
sox -n -r "$rate" -c 1 -b 16 "$work/noise.wav" synth 10 whitenoise

# speak ENGINE VOICE TEXT WAV: renders the text with one of the two synthesizers.
speak() {
    case $1 in
        espeak-ng) espeak-ng -v "$2" -w "$4" "$3" ;;
        flite) flite -voice "$2" -t "$3" -o "$4" ;;
    esac
}

# take NAME ENGINE VOICE TEXT CENTS TEMPO PEAK_DB LEAD_S SNR_DB NOISE_OFFSET_S
# Writes NAME.raw: the synthesized text without its own leading and trailing silence, shifted
# in pitch, stretched in tempo, brought to the given peak level, placed after LEAD_S of silence,
# cut or padded to the fixed length, and mixed with noise SNR_DB below the speech's RMS level.
take() {
    local name=$1 engine=$2 voice=$3 text=$4 cents=$5 tempo=$6 peak=$7 lead=$8 snr=$9
    local noise_offset=${10}
    speak "$engine" "$voice" "$text" "$work/tts.wav"
    sox "$work/tts.wav" -b 16 "$work/speech.wav" remix - \
        silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse \
        pitch "$cents" tempo -s "$tempo" rate "$rate" norm "$peak"
    local speech_rms noise_rms noise_factor
    speech_rms=$(sox "$work/speech.wav" -n stats 2>&1 | awk '/^RMS lev dB/ {print $4}')
    noise_rms=$(sox "$work/noise.wav" -n stats 2>&1 | awk '/^RMS lev dB/ {print $4}')
    noise_factor=$(awk -v s="$speech_rms" -v n="$noise_rms" -v snr="$snr" \
        'BEGIN {printf "%.6f", 10 ^ ((s - snr - n) / 20)}')
    # trim ends the padding early on purpose; -V1 keeps pad from warning about it.
    sox -V1 "$work/speech.wav" "$work/placed.wav" pad "$lead" "$length" trim 0 "$length"
    sox "$work/noise.wav" "$work/noise_cut.wav" trim "$noise_offset" "$length"
    sox -m -v 1 "$work/placed.wav" -v "$noise_factor" "$work/noise_cut.wav" \
        "${raw_format[@]}" "$out_dir/$name.raw"
    echo "$name.raw: $engine $voice \"$text\" pitch ${cents} cents, tempo $tempo," \
        "peak $peak dB, lead ${lead} s, SNR $snr dB"
}

mkdir -p "$out_dir"
# name             engine     voice     text             cents tempo peak lead  SNR noise at
take voiceA_pass_1  espeak-ng  en-us+m3  "$password"      0     1.00  -3   0.20  35  0.0
take voiceA_pass_2  espeak-ng  en-us+m3  "$password"      30    1.04  -5   0.35  30  2.5
take voiceB_pass_1  flite      slt       "$password"      0     1.00  -3   0.15  35  5.0
take voiceB_pass_2  flite      slt       "$password"      -25   0.97  -4   0.30  30  7.5
take voiceA_other_1 espeak-ng  en-us+m3  "$other_phrase"  0     1.00  -3   0.25  35  1.0

# Digital silence: every sample at the zero level, 128.
sox -n "${raw_format[@]}" "$out_dir/silence.raw" trim 0 "$length"
echo "silence.raw: $length s of the value 128"

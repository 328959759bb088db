#!/usr/bin/env bash
# Makes the evaluation corpus for the accuracy bench: short password phrases spoken by sixteen
# synthetic voices, several sessions of each, every session a little different.
#
#   scripts/make-voice-corpus.sh [--seed N] OUTDIR [SESSIONS]
#
# Voices: espeak-ng en-us+m1..m7 and en-us+f1..f5, and the flite voices kal, awb, rms and slt
# (those this machine's flite has). The espeak-ng variants are one synthesizer voice with other
# settings, so they are named as one person's variants, espeak~m1 … espeak~f5 (the fitting
# and measuring benches take the part before '~' as the person: one fold, and no impostor
# trials between them). SESSIONS (default 5) takes per voice and phrase. Each
# session draws its own pitch (±50 cents, moved by the synthesizer), tempo (0.92 to 1.08),
# peak level (-12 to -2 dBFS), leading and trailing silence (0.1 to 0.5 s each) and a white or
# pink noise floor at 20 to 30 dB SNR. Output: OUTDIR/<voice>/<phrase>_<session>.raw, 8-bit unsigned mono PCM
# at 11025 samples/s without a header, and OUTDIR/manifest.tsv with the columns voice, phrase,
# session, path (relative to OUTDIR), written last. A session's parameters come from the seed
# (default 1) and its voice, phrase and session number alone, so the corpus is the same on
# every run, and its first sessions do not change with SESSIONS.
set -euo pipefail

usage() {
    echo "usage: $0 [--seed N] OUTDIR [SESSIONS]" >&2
    exit 2
}

seed=1
positional=()
while [ $# -gt 0 ]; do
    case $1 in
        --seed) [ $# -ge 2 ] || usage; seed=$2; shift 2 ;;
        -h | --help) usage ;;
        -*) usage ;;
        *) positional+=("$1"); shift ;;
    esac
done
if [ ${#positional[@]} -lt 1 ] || [ ${#positional[@]} -gt 2 ]; then
    usage
fi
out_dir=${positional[0]}
sessions=${positional[1]:-5}
[[ $sessions =~ ^[1-9][0-9]*$ ]] || usage
[[ $seed =~ ^[0-9]+$ ]] || usage

# Installs the synthesizers and SoX when missing.
"$(dirname "$0")/install-deps.sh" espeak-ng flite sox libsox-fmt-all

# Phrase ids and texts. Some share sounds ("open ... now", the s and v of the last two), so
# that a phrase check has near misses to reject.
phrase_ids=(open-sesame open-door silver-swans my-voice)
phrase_texts=("open sesame now" "open the door now" "seven silver swans" "my voice is my password")

voices=()
for variant in m1 m2 m3 m4 m5 m6 m7 f1 f2 f3 f4 f5; do
    voices+=("espeak~$variant")
done
flite_voices=$(flite -lv)
for name in kal awb rms slt; do
    if [[ " $flite_voices " == *" $name "* ]]; then
        voices+=("flite-$name")
    else
        echo "$0: this flite has no voice $name; left out" >&2
    fi
done

rate=11025
raw_format=(-t raw -e unsigned-integer -b 8 -c 1 -r "$rate")
noise_seconds=60

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every SoX call runs in repeatable mode (fixed seed for the noise generators) and without
# dither, so that the 8-bit output depends on nothing but the drawn parameters.
sox() { command sox -R -D "$@"; }

# One minute each of white and pink noise, the same on every run. A session cuts its noise
# out of one of them at a random offset, so that sessions do not share their noise.
colours=(white pink)
noise_rms=()
for colour in "${colours[@]}"; do
    sox -n -r "$rate" -c 1 -b 16 "$work/$colour.wav" synth "$noise_seconds" "${colour}noise"
    noise_rms+=("$(sox "$work/$colour.wav" -n stats 2>&1 | awk '/^RMS lev dB/ {print $4}')")
done

# speak VOICE TEXT WAV CENTS: renders the text with the voice's synthesizer, its pitch raised by
# CENTS, without the silence the synthesizer puts before and after it, at the corpus rate. The
# synthesizer moves the pitch itself: shifting the rendered audio would move the formants
# along with it, which a speaker's voice does not do from one session to the next.
speak() {
    local voice=$1 text=$2 wav=$3 cents=$4
    local ratio percent
    ratio=$(awk -v c="$cents" 'BEGIN {printf "%.6f", 2 ^ (c / 1200)}')
    percent=$(awk -v r="$ratio" 'BEGIN {printf "%+.2f", (r - 1) * 100}')
    case $voice in
        espeak~*)
            espeak-ng -m -v "en-us+${voice#espeak~}" -w "$work/tts.wav" \
                "<speak><prosody pitch=\"$percent%\">$text</prosody></speak>"
            ;;
        flite-kal)  # a diphone voice: its pitch target is 95 Hz
            flite -voice kal --setf int_f0_target_mean="$(awk -v r="$ratio" 'BEGIN {print 95 * r}')" \
                -t "$text" -o "$work/tts.wav"
            ;;
        flite-*)  # statistical voices scale their pitch contour (rms ignores it)
            flite -voice "${voice#flite-}" --setf f0_shift="$ratio" -t "$text" -o "$work/tts.wav"
            ;;
    esac
    sox "$work/tts.wav" -b 16 "$wav" remix - rate "$rate" \
        silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse
}

# draw LOW HIGH: a uniform integer in [LOW, HIGH] into $drawn. Uses $RANDOM of this shell, so
# it must not run in a subshell.
draw() {
    drawn=$(((RANDOM * 32768 + RANDOM) % ($2 - $1 + 1) + $1))
}

# seconds MILLISECONDS: the value as decimal seconds, into $secs.
seconds() {
    printf -v secs '%d.%03d' $(($1 / 1000)) $(($1 % 1000))
}

manifest="$out_dir/manifest.tsv"
rm -f "$manifest"
mkdir -p "$out_dir"
rows="$work/manifest.tsv"
printf 'voice\tphrase\tsession\tpath\n' >"$rows"

start=$SECONDS
for voice in "${voices[@]}"; do
    mkdir -p "$out_dir/$voice"
    for p in "${!phrase_ids[@]}"; do
        phrase=${phrase_ids[$p]}
        for ((session = 1; session <= sessions; ++session)); do
            # The session's own random stream, from the seed and the session's identity.
            RANDOM=$(cksum <<<"$seed/$voice/$phrase/$session" | cut -d' ' -f1)
            draw -50 50 && cents=$drawn
            draw 920 1080 && seconds "$drawn" && tempo=$secs
            draw -12 -2 && peak=$drawn
            draw 100 500 && seconds "$drawn" && lead=$secs
            draw 100 500 && seconds "$drawn" && trail=$secs
            draw 20 30 && snr=$drawn
            draw 0 1 && colour_index=$drawn
            draw 0 $(((noise_seconds - 5) * 1000)) && seconds "$drawn" && noise_offset=$secs
            colour=${colours[$colour_index]}

            speak "$voice" "${phrase_texts[$p]}" "$work/clean.wav" "$cents"
            sox "$work/clean.wav" "$work/speech.wav" tempo -s "$tempo" \
                rate "$rate" norm "$peak"
            speech_rms=$(sox "$work/speech.wav" -n stats 2>&1 | awk '/^RMS lev dB/ {print $4}')
            noise_factor=$(awk -v s="$speech_rms" -v n="${noise_rms[$colour_index]}" \
                -v snr="$snr" 'BEGIN {printf "%.6f", 10 ^ ((s - snr - n) / 20)}')
            sox "$work/speech.wav" "$work/placed.wav" pad "$lead" "$trail"
            length=$(soxi -D "$work/placed.wav")
            sox "$work/$colour.wav" "$work/noise.wav" trim "$noise_offset" "$length"
            path="$voice/${phrase}_$session.raw"
            sox -m -v 1 "$work/placed.wav" -v "$noise_factor" "$work/noise.wav" \
                "${raw_format[@]}" "$out_dir/$path"
            printf '%s\t%s\t%d\t%s\n' "$voice" "$phrase" "$session" "$path" >>"$rows"
        done
    done
    echo "$voice: ${#phrase_ids[@]} phrases x $sessions sessions ($((SECONDS - start)) s)"
done

mv "$rows" "$manifest"
count=$(($(wc -l <"$manifest") - 1))
echo "Wrote $count recordings and $manifest in $((SECONDS - start)) s"

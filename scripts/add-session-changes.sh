#!/usr/bin/env bash
# Adds changed versions of a corpus's recordings: the level, noise, room, line and speaking
# rate changes that set one session of a speaker apart from another in real use.
#
#   scripts/add-session-changes.sh [--seed N] CORPUS_DIR [CHANGE...]
#
# CORPUS_DIR holds a manifest.tsv (voice, phrase, session, path) of 8-bit unsigned mono
# recordings at 11025 samples/s without a header, as scripts/make-voice-corpus.sh and
# scripts/make-real-corpus.sh make them. For every recording and change this writes
# CORPUS_DIR/changes/<change>/<voice>/<phrase>_<session>.raw in the same format, then
# CORPUS_DIR/changes.tsv with the columns voice, phrase, session, path (relative to
# CORPUS_DIR), change, written last. Changes:
#
#   level-24 level-18 level-12 level-6 level-0
#       peak brought to -24 ... 0 dBFS, then stored in 8 bits again: a quiet (or loud) speaker
#       on an 8-bit recorder, with the coarse steps that gives
#   white-10 white-20 white-30 pink-10 pink-20 pink-30
#       white or pink noise added at that SNR (dB, against the recording's RMS), cut from a
#       minute of noise at a drawn offset
#   babble-10 babble-20 babble-30
#       the sum of recordings of four other voices of the corpus (drawn, each from a drawn
#       point, looped to the length) added at that SNR
#   reverb       a small room (SoX reverb 40 50 30: reverberance 40 %, HF damping 50 %, room
#                scale 30 %)
#   telephone    the telephone band, 300 to 3400 Hz
#   tempo-92 tempo-108
#       spoken at 0.92 and 1.08 times the speed, the pitch kept
#
# A change with added sound is brought back to the recording's own peak only when the sum
# would clip; reverb, telephone and tempo keep the recording's peak. Without CHANGE arguments:
# level-24 level-18 level-12 level-0 white-20 pink-20 babble-20 white-10 reverb telephone
# tempo-92 tempo-108. The noise offset and the babble are drawn from the seed (default 1) and
# the recording's identity alone, so the changes are the same on every run, and the levels of
# one kind of sound (e.g. white-10 and white-20) differ only in their level. The changes named
# are made afresh; changes.tsv lists only them. Voices are worked on in parallel, one per core.
set -euo pipefail

usage() {
    echo "usage: $0 [--seed N] CORPUS_DIR [CHANGE...]" >&2
    exit 2
}

all_changes=(level-24 level-18 level-12 level-6 level-0 white-10 white-20 white-30 pink-10
    pink-20 pink-30 babble-10 babble-20 babble-30 reverb telephone tempo-92 tempo-108)
default_changes=(level-24 level-18 level-12 level-0 white-20 pink-20 babble-20 white-10 reverb
    telephone tempo-92 tempo-108)

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
[ ${#positional[@]} -ge 1 ] || usage
[[ $seed =~ ^[0-9]+$ ]] || usage
corpus=${positional[0]}
changes=("${positional[@]:1}")
if [ ${#changes[@]} -eq 0 ]; then
    changes=("${default_changes[@]}")
fi
for change in "${changes[@]}"; do
    if [[ " ${all_changes[*]} " != *" $change "* ]]; then
        echo "$0: unknown change $change; the changes are: ${all_changes[*]}" >&2
        exit 2
    fi
done
if [ ! -f "$corpus/manifest.tsv" ]; then
    echo "$0: no manifest.tsv in $corpus" >&2
    exit 1
fi

# Installs SoX when missing.
"$(dirname "$0")/install-deps.sh" sox libsox-fmt-all

rate=11025
raw_format=(-t raw -e unsigned-integer -b 8 -c 1 -r "$rate")
noise_seconds=60

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every SoX call runs in repeatable mode (fixed seed for the noise generators) and without
# dither, so that the 8-bit output depends on nothing but the drawn parameters.
sox() { command sox -R -D "$@"; }

# The recordings, in manifest order, and the voices with the numbers of their recordings.
voices=()
phrases=()
session_numbers=()
paths=()
voice_list=()
declare -A voice_recordings
while IFS=$'\t' read -r voice phrase session path rest; do
    if [ -z "$voice" ] || [[ $voice == \#* ]] || [ "$voice" = voice ]; then
        continue
    fi
    [[ $path == /* ]] || path="$corpus/$path"
    if [ -n "${rest:-}" ] || [ ! -f "$path" ]; then
        echo "$0: $corpus/manifest.tsv: bad row or missing recording: $voice $phrase $session" >&2
        exit 1
    fi
    if [ -z "${voice_recordings[$voice]+set}" ]; then
        voice_list+=("$voice")
        voice_recordings[$voice]=""
    fi
    voice_recordings[$voice]+=" ${#paths[@]}"
    voices+=("$voice")
    phrases+=("$phrase")
    session_numbers+=("$session")
    paths+=("$path")
done <"$corpus/manifest.tsv"
if [ ${#paths[@]} -eq 0 ]; then
    echo "$0: $corpus/manifest.tsv lists no recordings" >&2
    exit 1
fi
if [[ " ${changes[*]}" == *" babble-"* ]] && [ ${#voice_list[@]} -lt 2 ]; then
    echo "$0: babble needs recordings of at least two voices" >&2
    exit 1
fi

# One minute each of white and pink noise, the same on every run.
for colour in white pink; do
    sox -n -r "$rate" -c 1 -b 16 "$work/$colour.wav" synth "$noise_seconds" "${colour}noise"
done

# draw LOW HIGH: a uniform integer in [LOW, HIGH] into $drawn. Uses $RANDOM of this shell, so
# it must not run in a subshell of its caller.
draw() {
    drawn=$(((RANDOM * 32768 + RANDOM) % ($2 - $1 + 1) + $1))
}

# stat_db FILE FIELD [SOX INPUT OPTIONS]: a level of the file from SoX's stats ("Pk" or "RMS").
stat_db() {
    local file=$1 field=$2
    shift 2
    sox "$@" "$file" -n stats 2>&1 | awk -v f="$field" '$1 == f && $2 == "lev" {print $4}'
}

# add_sound OUT SOUND SNR: adds SOUND (a WAV at least as long as the recording) to the current
# recording at SNR dB below its RMS; the sum is brought back to the recording's peak only if it
# would clip. Mixing happens at half level, in floating point, so that nothing clips on the way.
add_sound() {
    local out=$1 sound=$2 snr=$3 sound_rms factor mix_peak
    sound_rms=$(stat_db "$sound" RMS)
    factor=$(awk -v s="$rms" -v n="$sound_rms" -v snr="$snr" \
        'BEGIN {printf "%.6f", 0.5 * 10 ^ ((s - snr - n) / 20)}')
    sox -m -v 0.5 "${raw_format[@]}" "$input" -v "$factor" "$sound" -e floating-point -b 32 \
        "$dir/mix.wav" trim 0 "${samples}s"
    mix_peak=$(stat_db "$dir/mix.wav" Pk)
    if awk -v p="$mix_peak" 'BEGIN {exit !(p + 6.0206 > -0.01)}'; then
        sox "$dir/mix.wav" "${raw_format[@]}" "$out" norm "$peak"
    else
        sox "$dir/mix.wav" "${raw_format[@]}" "$out" vol 2
    fi
}

# make_babble: four recordings of other voices (fewer when the corpus has fewer), each from a
# drawn point and looped to the length of the current recording, summed into $dir/babble.wav.
make_babble() {
    local others=() v i j swap parts=() source source_samples offset repeats
    for v in "${voice_list[@]}"; do
        [ "$v" = "${voices[$r]}" ] || others+=("$v")
    done
    RANDOM=$(cksum <<<"$seed/${voices[$r]}/${phrases[$r]}/${session_numbers[$r]}/babble" |
        cut -d' ' -f1)
    for ((i = 0; i < 4 && i < ${#others[@]}; ++i)); do
        draw "$i" $((${#others[@]} - 1)) && j=$drawn
        swap=${others[i]} && others[i]=${others[j]} && others[j]=$swap
        local candidates
        read -ra candidates <<<"${voice_recordings[${others[i]}]}"
        draw 0 $((${#candidates[@]} - 1)) && source=${paths[${candidates[$drawn]}]}
        source_samples=$(stat -c %s "$source")
        draw 0 $((source_samples - 1)) && offset=$drawn
        repeats=$(((offset + samples) / source_samples + 1))
        sox "${raw_format[@]}" "$source" -b 16 "$dir/babble-$i.wav" repeat "$repeats" \
            trim "${offset}s" "${samples}s"
        parts+=("$dir/babble-$i.wav")
    done
    if [ ${#parts[@]} -eq 1 ]; then
        cp "${parts[0]}" "$dir/babble.wav"
    else
        sox -m "${parts[@]}" -b 16 "$dir/babble.wav"
    fi
}

# cut_noise COLOUR: the recording's length of that noise from a drawn offset, into
# $dir/COLOUR-cut.wav.
cut_noise() {
    local colour=$1
    RANDOM=$(cksum <<<"$seed/${voices[$r]}/${phrases[$r]}/${session_numbers[$r]}/$colour" |
        cut -d' ' -f1)
    draw 0 $(((noise_seconds - 10) * rate)) && local offset=$drawn
    sox "$work/$colour.wav" "$dir/$colour-cut.wav" trim "${offset}s" "${samples}s"
}

# make_voice VOICE: every change of every recording of the voice; rows into
# $work/rows/<change>/VOICE.tsv.
make_voice() {
    local voice=$1 r change out input samples peak rms relative
    local dir="$work/voices/$voice"
    mkdir -p "$dir"
    for r in ${voice_recordings[$voice]}; do
        input=${paths[$r]}
        samples=$(stat -c %s "$input")
        peak=$(stat_db "$input" Pk "${raw_format[@]}")
        rms=$(stat_db "$input" RMS "${raw_format[@]}")
        rm -f "$dir"/*-cut.wav "$dir/babble.wav"
        for change in "${changes[@]}"; do
            relative="changes/$change/$voice/${phrases[$r]}_${session_numbers[$r]}.raw"
            out="$corpus/$relative"
            case $change in
                level-*)
                    # The largest positive 8-bit sample is 127/128 of full scale (-0.07 dB).
                    local level=${change#level-}
                    [ "$level" != 0 ] || level=0.07
                    sox "${raw_format[@]}" "$input" "${raw_format[@]}" "$out" norm "-$level"
                    ;;
                white-* | pink-*)
                    local colour=${change%-*}
                    [ -f "$dir/$colour-cut.wav" ] || cut_noise "$colour"
                    add_sound "$out" "$dir/$colour-cut.wav" "${change#*-}"
                    ;;
                babble-*)
                    [ -f "$dir/babble.wav" ] || make_babble
                    add_sound "$out" "$dir/babble.wav" "${change#babble-}"
                    ;;
                reverb)
                    sox "${raw_format[@]}" "$input" "${raw_format[@]}" "$out" reverb 40 50 30 \
                        norm "$peak"
                    ;;
                telephone)
                    sox "${raw_format[@]}" "$input" "${raw_format[@]}" "$out" sinc 300-3400 \
                        norm "$peak"
                    ;;
                tempo-*)
                    local factor
                    factor=$(awk -v p="${change#tempo-}" 'BEGIN {printf "%.2f", p / 100}')
                    sox "${raw_format[@]}" "$input" "${raw_format[@]}" "$out" tempo -s "$factor" \
                        norm "$peak"
                    ;;
            esac
            printf '%s\t%s\t%s\t%s\t%s\n' "$voice" "${phrases[$r]}" "${session_numbers[$r]}" \
                "$relative" "$change" >>"$work/rows/$change/$voice.tsv"
        done
    done
    echo "$voice: $(wc -w <<<"${voice_recordings[$voice]}") recordings x ${#changes[@]} changes" \
        "($((SECONDS - start_time)) s)"
}

rm -f "$corpus/changes.tsv"
for change in "${changes[@]}"; do
    rm -rf "${corpus:?}/changes/$change"
    mkdir -p "$work/rows/$change"
    for voice in "${voice_list[@]}"; do
        mkdir -p "$corpus/changes/$change/$voice"
    done
done

jobs=$(nproc 2>/dev/null || echo 1)
start_time=$SECONDS
running=0
# wait_one: waits for one voice to finish; on a failure stops the others and exits.
wait_one() {
    if ! wait -n; then
        jobs -p | xargs -r kill 2>/dev/null || true
        wait || true
        echo "$0: making the changes failed" >&2
        exit 1
    fi
    running=$((running - 1))
}
for voice in "${voice_list[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait_one
    fi
    make_voice "$voice" &
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    wait_one
done

rows="$work/changes.tsv"
printf 'voice\tphrase\tsession\tpath\tchange\n' >"$rows"
for change in "${changes[@]}"; do
    for voice in "${voice_list[@]}"; do
        cat "$work/rows/$change/$voice.tsv" >>"$rows"
    done
done
mv "$rows" "$corpus/changes.tsv"
count=$(($(wc -l <"$corpus/changes.tsv") - 1))
echo "Wrote $count changed recordings (${#paths[@]} x ${#changes[@]}) and $corpus/changes.tsv" \
    "in $((SECONDS - start_time)) s"

#!/usr/bin/env bash
# Makes an evaluation corpus from recordings of real people: spoken passwords of four keywords
# each, joined from single-word takes of one speaker, several sessions of each.
#
#   scripts/make-real-corpus.sh [--seed N] [--source DIR] [--speakers LIST] OUTDIR [SESSIONS]
#
# Source (default: real-speech/ next to the repository): <keyword>/<speaker>_<take>.flac, 20
# speakers saying the keywords zero..nine, open and enter ten times each, mono at 11025
# samples/s, every take one second with the word somewhere inside it (see the README there for
# where the recordings come from and their licence). --speakers takes only the speakers of a
# comma-separated list (e.g. 00000016,00000021); their recordings are the same as in the whole
# corpus, since every draw depends on the speaker and not on who else is made.
#
# Passwords: six phrases of four keywords, no keyword twice in a phrase and every keyword in
# two phrases; the phrase id is its keywords joined by '-'. Some pairs of phrases share no
# keyword, others share two or three, so that a phrase check meets both clear and near misses.
#
# Takes: for each speaker and keyword the ten takes are put in an order of their own (drawn
# from the seed), and the first phrase with that keyword takes its sessions from the first
# half of that order, the second phrase from the second half. So the sessions of one phrase
# never share a take, and with SESSIONS up to 5 (the default) two phrases never share a take
# either. SESSIONS goes up to 10: beyond 5, a phrase's later sessions reuse the takes of the
# other phrase with that keyword (still never a take twice within a phrase).
#
# Each take is cut to its word: 10 ms frames quieter than a threshold are cut from both ends,
# keeping 40 ms on either side. The threshold is 12 dB above the clip's room level (its 10th
# percentile frame energy), but at least 30 and at most 45 dB below its loudest frame: weak
# fricatives at word edges lie 35 to 45 dB below the vowels. Only a run of three frames counts
# as the word, so that a click does not. A word shorter than 0.15 s this way keeps its whole
# clip. Each session draws leading silence (0.1 to 0.4 s), a pause before each further word
# (0.05 to 0.3 s), trailing silence (0.1 to 0.4 s), a peak level (-12 to -2 dBFS) and a white
# or pink noise floor at 25 to 35 dB SNR against the speech's RMS. Output:
# OUTDIR/<speaker>/<phrase>_<session>.raw, 8-bit unsigned mono PCM at 11025 samples/s without
# a header, and OUTDIR/manifest.tsv with the columns voice (the speaker id), phrase, session,
# path (relative to OUTDIR), written last. Every draw comes from the seed (default 1) and the
# identity of what it is drawn for, so the corpus is the same on every run, and its first
# sessions do not change with SESSIONS. Speakers are made in parallel, one per core.
set -euo pipefail

usage() {
    echo "usage: $0 [--seed N] [--source DIR] [--speakers LIST] OUTDIR [SESSIONS]" >&2
    exit 2
}

root=$(cd "$(dirname "$0")/.." && pwd)
seed=1
source_dir=$root/../shared/real-speech
wanted=
positional=()
while [ $# -gt 0 ]; do
    case $1 in
        --seed) [ $# -ge 2 ] || usage; seed=$2; shift 2 ;;
        --source) [ $# -ge 2 ] || usage; source_dir=$2; shift 2 ;;
        --speakers) [ $# -ge 2 ] || usage; wanted=$2; shift 2 ;;
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
if ! [[ $sessions =~ ^[1-9][0-9]*$ ]] || [ "$sessions" -gt 10 ]; then
    usage
fi
[[ $seed =~ ^[0-9]+$ ]] || usage
[ -z "$wanted" ] || [[ $wanted =~ ^[0-9A-Za-z_]+(,[0-9A-Za-z_]+)*$ ]] || usage

# Installs SoX when missing.
"$root/scripts/install-deps.sh" sox libsox-fmt-all

phrase_ids=(one-two-three-four five-six-seven-eight nine-zero-open-enter
    one-two-three-nine five-six-zero-eight open-seven-four-enter)

rate=11025
raw_format=(-t raw -e unsigned-integer -b 8 -c 1 -r "$rate")
noise_seconds=60

# The speakers are those with a first take of every keyword (of --speakers, when given).
speakers=()
if [ -d "$source_dir" ]; then
    source_dir=$(cd "$source_dir" && pwd)
    for first in "$source_dir"/zero/*_01.flac; do
        [ -f "$first" ] || continue
        speaker=$(basename "$first" _01.flac)
        [ -z "$wanted" ] || [[ ,$wanted, == *",$speaker,"* ]] || continue
        complete=1
        for phrase in "${phrase_ids[@]}"; do
            for keyword in ${phrase//-/ }; do
                [ -f "$source_dir/$keyword/${speaker}_01.flac" ] || complete=0
            done
        done
        if [ $complete = 1 ]; then
            speakers+=("$speaker")
        fi
    done
fi
if [ ${#speakers[@]} -eq 0 ]; then
    echo "$0: no real-speech recordings in $source_dir: expected <keyword>/<speaker>_<take>.flac" \
        "for the keywords zero..nine, open and enter (give the folder with --source DIR)" >&2
    exit 1
fi
if [ -n "$wanted" ]; then
    for speaker in ${wanted//,/ }; do
        if ! [[ " ${speakers[*]} " == *" $speaker "* ]]; then
            echo "$0: speaker $speaker has no first take of every keyword in $source_dir" >&2
            exit 1
        fi
    done
fi
source_rate=$(soxi -r "${source_dir}/zero/${speakers[0]}_01.flac")
if [ "$source_rate" != "$rate" ]; then
    echo "$0: the recordings in $source_dir are at $source_rate samples/s, not $rate" >&2
    exit 1
fi

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

# Which of the phrases with a keyword a phrase is (0 or 1): it picks the half of the takes.
declare -A keyword_rank
declare -A keyword_users
for phrase in "${phrase_ids[@]}"; do
    for keyword in ${phrase//-/ }; do
        keyword_rank[$phrase/$keyword]=${keyword_users[$keyword]:-0}
        keyword_users[$keyword]=$((${keyword_users[$keyword]:-0} + 1))
    done
done

# The sample where the word starts in a clip and its length in samples, from the 10 ms frames'
# energies (see the header).
word_bounds_awk='
/^;/ { next }
{
    total++; sum += $2 * $2
    if (++n == 110) { e[frames++] = sum; sum = 0; n = 0 }
}
END {
    peak = 0
    for (i = 0; i < frames; i++) { if (e[i] > peak) peak = e[i]; s[i] = e[i] }
    for (i = 1; i < frames; i++) {
        v = s[i]
        for (j = i - 1; j >= 0 && s[j] > v; j--) s[j + 1] = s[j]
        s[j + 1] = v
    }
    threshold = s[int(frames / 10)] * 10 ^ 1.2
    if (threshold < peak * 10 ^ -4.5) threshold = peak * 10 ^ -4.5
    if (threshold > peak * 10 ^ -3) threshold = peak * 10 ^ -3
    first = -1; run = 0
    for (i = 0; i < frames; i++) {
        if (e[i] < threshold) { run = 0; continue }
        if (++run == 3 && first < 0) first = i - 2
        if (run >= 3) last = i
    }
    if (first < 0 || (last - first + 1) * 110 < 0.15 * 11025) { print 0, total; exit }
    start = first * 110 - 441
    if (start < 0) start = 0
    end = (last + 1) * 110 + 441
    if (end > total) end = total
    print start, end - start
}'

# draw LOW HIGH: a uniform integer in [LOW, HIGH] into $drawn. Uses $RANDOM of this shell, so
# it must not run in a subshell of its caller.
draw() {
    drawn=$(((RANDOM * 32768 + RANDOM) % ($2 - $1 + 1) + $1))
}

# seconds MILLISECONDS: the value as decimal seconds, into $secs.
seconds() {
    printf -v secs '%d.%03d' $(($1 / 1000)) $(($1 % 1000))
}

# make_speaker SPEAKER: every session of every phrase of one speaker, and their manifest rows
# in $work/rows/SPEAKER.tsv.
make_speaker() {
    local speaker=$1
    local dir="$work/$speaker"
    mkdir -p "$dir" "$out_dir/$speaker"
    local rows="$work/rows/$speaker.tsv"
    : >"$rows"

    # The speaker's takes of each keyword in a drawn order (a shuffle of 01..10).
    declare -A order
    local keyword i j swap
    for keyword in zero one two three four five six seven eight nine open enter; do
        local takes=(01 02 03 04 05 06 07 08 09 10)
        RANDOM=$(cksum <<<"$seed/$speaker/$keyword" | cut -d' ' -f1)
        for ((i = 9; i > 0; --i)); do
            draw 0 "$i" && j=$drawn
            swap=${takes[i]} && takes[i]=${takes[j]} && takes[j]=$swap
        done
        order[$keyword]="${takes[*]}"
    done

    local phrase session words lengths take word bounds start length
    local lead trail snr colour_index noise_offset peak pauses
    for phrase in "${phrase_ids[@]}"; do
        for ((session = 1; session <= sessions; ++session)); do
            words=()
            lengths=()
            for keyword in ${phrase//-/ }; do
                local keyword_takes
                read -ra keyword_takes <<<"${order[$keyword]}"
                take=${keyword_takes[$(((5 * keyword_rank[$phrase/$keyword] + session - 1) % 10))]}
                word="$dir/$keyword-$take.wav"
                if [ ! -f "$word" ]; then
                    local clip="$source_dir/$keyword/${speaker}_$take.flac"
                    bounds=$(sox "$clip" -t dat - | awk "$word_bounds_awk")
                    read -r start length <<<"$bounds"
                    sox "$clip" -b 16 -t wav "$word.part" trim "${start}s" "${length}s" \
                        fade h 0.01 -0 0.01
                    mv "$word.part" "$word"
                    echo "$length" >"$word.length"
                fi
                words+=("$word")
                lengths+=("$(<"$word.length")")
            done

            # The session's own random stream, from the seed and the session's identity.
            RANDOM=$(cksum <<<"$seed/$speaker/$phrase/$session" | cut -d' ' -f1)
            draw 100 400 && seconds "$drawn" && lead=$secs
            pauses=()
            local at=0
            for ((i = 1; i < ${#words[@]}; ++i)); do
                at=$((at + lengths[i - 1]))
                draw 50 300 && seconds "$drawn" && pauses+=("$secs@${at}s")
            done
            draw 100 400 && seconds "$drawn" && trail=$secs
            draw -12 -2 && peak=$drawn
            draw 25 35 && snr=$drawn
            draw 0 1 && colour_index=$drawn
            draw 0 $(((noise_seconds - 10) * 1000)) && seconds "$drawn" && noise_offset=$secs
            colour=${colours[$colour_index]}

            sox "${words[@]}" "$dir/speech.wav" pad "$lead" "${pauses[@]}" "$trail" \
                norm "$peak"
            local speech_rms noise_factor samples
            speech_rms=$(sox "$dir/speech.wav" -n stats 2>&1 | awk '/^RMS lev dB/ {print $4}')
            noise_factor=$(awk -v s="$speech_rms" -v n="${noise_rms[$colour_index]}" \
                -v snr="$snr" 'BEGIN {printf "%.6f", 10 ^ ((s - snr - n) / 20)}')
            samples=$(soxi -s "$dir/speech.wav")
            sox "$work/$colour.wav" "$dir/noise.wav" trim "$noise_offset" "${samples}s"
            local path="$speaker/${phrase}_$session.raw"
            sox -m -v 1 "$dir/speech.wav" -v "$noise_factor" "$dir/noise.wav" \
                "${raw_format[@]}" "$out_dir/$path"
            printf '%s\t%s\t%d\t%s\n' "$speaker" "$phrase" "$session" "$path" >>"$rows"
        done
    done
    echo "$speaker: ${#phrase_ids[@]} phrases x $sessions sessions ($((SECONDS - start_time)) s)"
}

manifest="$out_dir/manifest.tsv"
rm -f "$manifest"
mkdir -p "$out_dir" "$work/rows"

jobs=$(nproc 2>/dev/null || echo 1)
start_time=$SECONDS
running=0
# wait_one: waits for one speaker to finish; on a failure stops the others and exits.
wait_one() {
    if ! wait -n; then
        jobs -p | xargs -r kill 2>/dev/null || true
        wait || true
        echo "$0: making the corpus failed" >&2
        exit 1
    fi
    running=$((running - 1))
}
for speaker in "${speakers[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait_one
    fi
    make_speaker "$speaker" &
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    wait_one
done

rows="$work/manifest.tsv"
printf 'voice\tphrase\tsession\tpath\n' >"$rows"
for speaker in "${speakers[@]}"; do
    cat "$work/rows/$speaker.tsv" >>"$rows"
done
mv "$rows" "$manifest"
count=$(($(wc -l <"$manifest") - 1))
echo "Wrote $count recordings of ${#speakers[@]} speakers and $manifest in" \
    "$((SECONDS - start_time)) s"

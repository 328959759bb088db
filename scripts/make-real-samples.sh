#!/usr/bin/env bash
# Makes the real-voice sample recordings in speech/tests/data/: two speakers whom the shipped
# model vector was fitted without (00000016 and 00000021), each saying the password
# one-two-three-four in sessions 4 and 5 and five-six-seven-eight in session 1.
#
#   scripts/make-real-samples.sh [--source DIR]
#
# The recordings are those of scripts/make-real-corpus.sh with its default seed (the same bytes
# as in a whole real corpus), made into a temporary folder and copied as
# real<NN>_<digits>_<session>.raw, e.g. real16_1234_5.raw. --source goes to the corpus maker.
set -euo pipefail

usage() {
    echo "usage: $0 [--source DIR]" >&2
    exit 2
}

root=$(cd "$(dirname "$0")/.." && pwd)
corpus_options=()
while [ $# -gt 0 ]; do
    case $1 in
        --source) [ $# -ge 2 ] || usage; corpus_options+=(--source "$2"); shift 2 ;;
        *) usage ;;
    esac
done

speakers=(00000016 00000021)
# phrase id, its short name in the file name, session
samples=("one-two-three-four 1234 4" "one-two-three-four 1234 5" "five-six-seven-eight 5678 1")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

speaker_list=$(IFS=,; echo "${speakers[*]}")
"$root/scripts/make-real-corpus.sh" "${corpus_options[@]}" --speakers "$speaker_list" \
    "$work/corpus" 5

data="$root/speech/tests/data"
for speaker in "${speakers[@]}"; do
    for sample in "${samples[@]}"; do
        read -r phrase digits session <<<"$sample"
        name="real${speaker: -2}_${digits}_$session.raw"
        cp "$work/corpus/$speaker/${phrase}_$session.raw" "$data/$name"
        echo "$name: $(stat -c %s "$data/$name") bytes"
    done
done

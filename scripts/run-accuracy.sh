#!/usr/bin/env bash
# Measures speaker-verification accuracy: builds the accuracy bench, makes the evaluation
# corpus when it is not there yet, and runs the bench on it.
#
#   scripts/run-accuracy.sh [OUTDIR] [--changes] [bench options...]
#
# OUTDIR is the corpus folder (default /tmp/kelvo-voice-corpus); it is made with
# scripts/make-voice-corpus.sh unless it already has a manifest.tsv. With --changes the
# corpus's changed recordings (OUTDIR/changes.tsv, made with scripts/add-session-changes.sh
# unless it is there) are attempted too. Further arguments go to speech_accuracy_bench, e.g.
# --sessions 2 --voices 4 for a quick run, or --max-impostors 400 to keep a run with changes
# within about 20 minutes on two cores. The build uses build/, configured by
# scripts/configure.sh build (this script configures it when it is not).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpus=/tmp/kelvo-voice-corpus
if [ $# -gt 0 ] && [[ $1 != -* ]]; then
    corpus=$1
    shift
fi
changes=0
bench_options=()
for argument in "$@"; do
    if [ "$argument" = --changes ]; then
        changes=1
    else
        bench_options+=("$argument")
    fi
done
build_dir="$root/build"

if [ ! -f "$build_dir/build.ninja" ]; then
    "$root/scripts/configure.sh" "$build_dir"
fi
cmake --build "$build_dir" --target speech_accuracy_bench

if [ ! -f "$corpus/manifest.tsv" ]; then
    "$root/scripts/make-voice-corpus.sh" "$corpus"
fi

manifests=(--manifest "$corpus/manifest.tsv")
if [ $changes = 1 ]; then
    if [ ! -f "$corpus/changes.tsv" ]; then
        "$root/scripts/add-session-changes.sh" "$corpus"
    fi
    manifests+=(--manifest "$corpus/changes.tsv")
fi

"$build_dir/bench/accuracy/speech_accuracy_bench" "${manifests[@]}" "${bench_options[@]}"

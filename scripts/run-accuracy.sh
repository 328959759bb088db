#!/usr/bin/env bash
# Measures speaker-verification accuracy: builds the accuracy bench, makes the evaluation
# corpus when it is not there yet, and runs the bench on it.
#
#   scripts/run-accuracy.sh [OUTDIR] [bench options...]
#
# OUTDIR is the corpus folder (default /tmp/kelvo-voice-corpus); it is made with
# scripts/make-voice-corpus.sh unless it already has a manifest.tsv. Further arguments go to
# speech_accuracy_bench, e.g. --sessions 2 --voices 4 for a quick run. The build uses build/,
# configured by scripts/configure.sh build (this script configures it when it is not).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpus=/tmp/kelvo-voice-corpus
if [ $# -gt 0 ] && [[ $1 != -* ]]; then
    corpus=$1
    shift
fi
build_dir="$root/build"

if [ ! -f "$build_dir/build.ninja" ]; then
    "$root/scripts/configure.sh" "$build_dir"
fi
cmake --build "$build_dir" --target speech_accuracy_bench

if [ ! -f "$corpus/manifest.tsv" ]; then
    "$root/scripts/make-voice-corpus.sh" "$corpus"
fi

"$build_dir/bench/accuracy/speech_accuracy_bench" --manifest "$corpus/manifest.tsv" "$@"

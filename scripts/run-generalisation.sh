#!/usr/bin/env bash
# Prints how verification holds on voices and corpora no choice saw, one table per corpus and
# session recipe: k-fold by person, then each corpus left out of the fit (a new language,
# microphone and recipe), enrolled from one take and from three, over the corpora of
# scripts/make-corpora.sh (made when missing); then the DTW baseline on the same trials of
# each corpus.
#
#   scripts/run-generalisation.sh [CORPORA_ROOT]      (default /tmp/kelvo-corpora)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpora=${1:-/tmp/kelvo-corpora}
build_dir="$root/build"

if [ ! -f "$build_dir/build.ninja" ]; then
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build_dir" --target speech_generalisation_bench speech_dtw_baseline
"$root/scripts/make-corpora.sh" "$corpora"

"$build_dir/bench/generalisation/speech_generalisation_bench" --takes 3 \
    --fit-only "$corpora/english-speed" \
    "$corpora/real" "$corpora/real-b" "$corpora/synth" "$corpora/english"
for corpus in real real-b synth; do
    echo
    echo "DTW baseline, $corpus voices (threshold chosen afterwards, on the same trials)"
    "$build_dir/bench/baseline/speech_dtw_baseline" \
        --manifest "$corpora/$corpus/manifest.tsv" --manifest "$corpora/$corpus/changes.tsv"
done

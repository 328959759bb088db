#!/usr/bin/env bash
# Prints how verification holds on voices no choice saw: the k-fold bench by voice over the
# real and synthetic corpora with their session changes (made when missing,
# scripts/make-corpora.sh), then the DTW baseline on the same trials of each corpus.
#
#   scripts/run-generalisation.sh [CORPORA_ROOT]      (default /tmp/kelvo-corpora)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpora=${1:-/tmp/kelvo-corpora}
build_dir="$root/build"

if [ ! -f "$build_dir/build.ninja" ]; then
    "$root/scripts/configure.sh" "$build_dir"
fi
cmake --build "$build_dir" --target speech_generalisation_bench speech_dtw_baseline
"$root/scripts/make-corpora.sh" "$corpora"

"$build_dir/bench/generalisation/speech_generalisation_bench" "$corpora/real" "$corpora/synth"
for corpus in real synth; do
    echo
    echo "DTW baseline, $corpus voices (threshold chosen afterwards, on the same trials)"
    "$build_dir/bench/baseline/speech_dtw_baseline" \
        --manifest "$corpora/$corpus/manifest.tsv" --manifest "$corpora/$corpus/changes.tsv"
done

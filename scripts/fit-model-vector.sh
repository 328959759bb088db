#!/usr/bin/env bash
# Refits the model vector's table, speech/src/model/model_vector_table.cpp, with the shipped
# settings: on every corpus of scripts/make-corpora.sh (made when missing) with their session
# changes, the speed-changed English voices for fitting only, holding out the two real
# speakers whose recordings the tests commit, so that the end-to-end test verifies voices the
# table never saw.
#
#   scripts/fit-model-vector.sh [CORPORA_ROOT]      (default /tmp/kelvo-corpora)
#
# Rebuild afterwards (scripts/configure.sh build) to ship the new table.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpora=${1:-/tmp/kelvo-corpora}
build_dir="$root/build"
held_out=(00000016 00000021)  # scripts/make-real-samples.sh takes its recordings from them

if [ ! -f "$build_dir/build.ninja" ]; then
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build_dir" --target speech_model_vector_fit
"$root/scripts/make-corpora.sh" "$corpora"

table="$root/speech/src/model/model_vector_table.cpp"
options=()
for voice in "${held_out[@]}"; do
    options+=(--hold-out "$voice")
done
"$build_dir/bench/model_vector/speech_model_vector_fit" "${options[@]}" --output "$table" \
    --fit-only "$corpora/english-speed" \
    "$corpora/real" "$corpora/real-b" "$corpora/synth" "$corpora/english"
echo "Wrote $table"

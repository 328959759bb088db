#!/usr/bin/env bash
# Builds the libFuzzer harnesses (fuzz/) with clang, ASan and UBSan in build-fuzz/ and runs each
# for a bounded time: scripts/fuzz.sh [SECONDS_PER_TARGET] (default 30).
# Each harness starts from a copy of its seeds (fuzz/corpus/<harness>/) in
# build-fuzz/corpus/<harness>/, which keeps what earlier runs found; the repository is not
# written. Prints the executions of every harness and fails when any of them finds a crash,
# a leak, undefined behaviour, a timeout or too much memory; the input that did it is left in
# build-fuzz/artifacts/<harness>/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS_PER_TARGET]" >&2
    exit 2
fi
build_dir="$root/build-fuzz"

"$root/scripts/install-deps.sh"
# clang, its sanitizer and libFuzzer runtimes, and llvm-symbolizer for readable reports.
"$root/scripts/install-deps.sh" clang libclang-rt-dev llvm

cmake -S "$root" -B "$build_dir" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DKELVO_FUZZ=ON -DKELVO_WARNINGS_AS_ERRORS=ON
cmake --build "$build_dir" --target fuzz

if command -v llvm-symbolizer > /dev/null; then
    export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-$(command -v llvm-symbolizer)}
fi
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for source in "$root"/fuzz/*_fuzzer.cpp; do
    harness=$(basename "$source" _fuzzer.cpp)
    corpus="$build_dir/corpus/$harness"
    artifacts="$build_dir/artifacts/$harness"
    log="$build_dir/logs/$harness.log"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    for seed in "$root/fuzz/corpus/$harness/"*; do
        [ -e "$corpus/$(basename "$seed")" ] || cp "$seed" "$corpus/"
    done
    status=0
    "$build_dir/fuzz/${harness}_fuzzer" "$corpus" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" > "$log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" -eq 0 ]; then
        echo "$harness: ${executions:-?} executions in ${seconds} s, no failure"
    else
        echo "$harness: FAILED (exit $status) after ${executions:-?} executions; log $log"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|artifact_prefix|Test unit written)' \
            "$log" | head -n 20 || true
        failed+=("$harness")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing failed: ${failed[*]}" >&2
    exit 1
fi

#!/usr/bin/env bash
# What linking libkelvo costs a process at start-up: the wall time of a whole run, start-up
# included, of
#   - an empty C program not linked to libkelvo,
#   - the same program linked to it (nothing called),
#   - a probe that verifies one recording (EvalSpeaker) against a speaker enrolled beforehand,
# and how many shared objects each has mapped when it ends. Timed with hyperfine when it is
# installed, otherwise with the fork/exec timer built here: median and fastest of the runs.
#
#   bench/startup/run-startup-bench.sh [BUILD_DIR] [RUNS]   (default: build/, 300 runs)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-300}
cmake --build "$build" --target kelvo_startup_probe kelvo_startup_empty startup_empty_unlinked \
    startup_timer > /dev/null
bin=$build/bench/startup

work=$(mktemp -d /tmp/kelvo-startup-XXXXXX)
trap 'rm -rf "$work"' EXIT
data=$root/speech/tests/data
cp "$data/voiceA_pass_1.raw" "$work/1.raw"
cp "$data/voiceA_pass_1.raw" "$work/2.raw"
cp "$data/voiceA_pass_2.raw" "$work/3.raw"
cd "$work"
"$bin/kelvo_startup_probe" enrol
"$bin/kelvo_startup_probe"  # fails the script when the attempt is not accepted

names=("empty, not linked" "empty, linked to libkelvo" "verify (EvalSpeaker)")
commands=("$bin/startup_empty_unlinked" "$bin/kelvo_startup_empty" "$bin/kelvo_startup_probe")

for i in "${!names[@]}"; do
    printf '%-28s %3s shared objects mapped\n' "${names[$i]}" "$("${commands[$i]}" --maps)"
done
echo
if command -v hyperfine > /dev/null; then
    arguments=()
    for i in "${!names[@]}"; do
        arguments+=(-n "${names[$i]}" "${commands[$i]}")
    done
    hyperfine -N --warmup 20 --runs "$runs" --export-json startup.json "${arguments[@]}" \
        > /dev/null 2>&1
    /usr/bin/python3 - startup.json <<'PY'
import json, statistics, sys
print(f'{"program":<28} {"median (ms)":>12} {"fastest (ms)":>13} {"mean ± sd (ms)":>16}')
for result in json.load(open(sys.argv[1]))["results"]:
    times = [t * 1000 for t in result["times"]]
    print(f'{result["command"]:<28} {statistics.median(times):12.2f} {min(times):13.2f} '
          f'{statistics.mean(times):9.2f} ± {statistics.stdev(times):4.2f}')
PY
else
    for i in "${!names[@]}"; do
        printf '%-28s %s\n' "${names[$i]}" "$("$bin/startup_timer" "$runs" "${commands[$i]}")"
    done
fi

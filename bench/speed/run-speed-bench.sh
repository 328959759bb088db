#!/usr/bin/env bash
# Times the demo's whole enrol-and-verify cycle (list files, feature extraction, feature file,
# model initialisation, states.txt, profile, comparison; two enrolments and one verification)
# as a process, side by side with another MFCC front end, sphinx_fe, on 3 s and 60 s
# recordings, with all work files on the same file system. Prints real-time factors: seconds
# of audio processed per second of wall time (for the cycle, per pipeline run: it runs three).
#
#   bench/speed/run-speed-bench.sh [BUILD_DIR]     (default: build/, configured and built)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cmake --build "$build" --target kelvo_demo_cycle > /dev/null

"$root/scripts/install-deps.sh" hyperfine sox sphinxbase-utils

work=$(mktemp -d /tmp/kelvo-speed-XXXXXX)
trap 'rm -rf "$work"' EXIT
data=$root/speech/tests/data
raw=(-t raw -e unsigned-integer -b 8 -c 1 -r 11025)

# 60 s of speech: the spoken samples, six times over; 3 s: its beginning.
spoken=()
for round in 1 2 3 4 5 6; do
    for take in voiceA_pass_1 voiceA_pass_2 voiceB_pass_1 voiceB_pass_2 voiceA_other_1; do
        spoken+=("$data/$take.raw")
    done
done
cat "${spoken[@]}" > "$work/long.raw"
head -c $((3 * 11025)) "$work/long.raw" > "$work/short.raw"

cd "$work"
for length in short long; do
    sox "${raw[@]}" "$length.raw" -b 16 -e signed-integer "$length.wav"
done

cycle=$build/bench/speed/kelvo_demo_cycle
sphinx=(sphinx_fe -mswav yes -samprate 11025 -ncep 15 -upperf 5400 -nfft 512)
results=()
for length in short long; do
    seconds=$(( $(stat -c %s "$length.raw") / 11025 ))
    runs=$([ "$length" = short ] && echo 200 || echo 20)
    hyperfine -N --warmup 3 --runs "$runs" --export-json "$length.json" \
        -n "kelvo cycle ${seconds}s" "$cycle $length.raw" \
        -n "sphinx_fe ${seconds}s" "${sphinx[*]} -i $length.wav -o $length.mfc" > /dev/null 2>&1
    results+=("$length.json:$seconds")
done

printf '%-22s %12s %16s %22s\n' "command" "mean (ms)" "x real time" "x real time per run"
for entry in "${results[@]}"; do
    file=${entry%%:*}
    seconds=${entry##*:}
    /usr/bin/python3 - "$file" "$seconds" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
seconds = float(sys.argv[2])
for result in data["results"]:
    mean = result["mean"]
    runs = 3 if result["command"].startswith("kelvo") else 1
    print(f'{result["command"]:<22} {mean * 1000:12.2f} {seconds / mean:16.0f} '
          f'{runs * seconds / mean:22.0f}')
PY
done
echo "(the cycle runs the pipeline three times: two enrolments and one verification)"

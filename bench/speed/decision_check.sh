#!/usr/bin/env bash
# Whether two builds of the kelvo command decide every trial alike: writes the accuracy
# bench's trials for each corpus, runs `kelvo eval` on them with both commands and counts the
# trials whose decision, or whose score, differs. Used to show that a change meant to make a
# pass faster leaves every decision as it was.
#
#   bench/speed/decision_check.sh OLD_KELVO NEW_KELVO MANIFEST... [--max-impostors N]
#
# The trials are written by the accuracy bench of build/ (default --max-impostors 20).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
old=$1
new=$2
shift 2
manifests=()
impostors=20
while [ $# -gt 0 ]; do
    case $1 in
        --max-impostors) impostors=$2; shift 2 ;;
        *) manifests+=("$1"); shift ;;
    esac
done
cmake --build "$root/build" --target speech_accuracy_bench > /dev/null
work=$(mktemp -d /tmp/kelvo-decisions-XXXXXX)
trap 'rm -rf "$work"' EXIT

for manifest in "${manifests[@]}"; do
    "$root/build/bench/accuracy/speech_accuracy_bench" --manifest "$manifest" \
        --max-impostors "$impostors" --write-trials "$work/trials.tsv" > /dev/null
    "$old" eval "$work/trials.tsv" --results "$work/old.tsv" > /dev/null || true
    "$new" eval "$work/trials.tsv" --results "$work/new.tsv" > /dev/null || true
    /usr/bin/python3 - "$manifest" "$work/old.tsv" "$work/new.tsv" <<'PY'
import sys
def read(path):
    rows = {}
    for line in open(path):
        fields = line.rstrip("\n").split("\t")
        if fields[0] == "enrol" or line.startswith("#"):
            continue
        rows[(fields[0], fields[1])] = (fields[3], fields[4])
    return rows
old, new = read(sys.argv[2]), read(sys.argv[3])
keys = old.keys() & new.keys()
decisions = sum(old[k][1] != new[k][1] for k in keys)
scores = sum(old[k][0] != new[k][0] for k in keys)
print(f"{sys.argv[1]}: {len(keys)} trials ({len(old)} old, {len(new)} new), "
      f"{decisions} decisions differ, {scores} scores differ")
PY
done

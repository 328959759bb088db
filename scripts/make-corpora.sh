#!/usr/bin/env bash
# Makes the voice corpora that the model vector is fitted and measured on, unless they are
# there already, each with its session changes:
#   ROOT/real   spoken passwords of 20 real speakers (scripts/make-real-corpus.sh)
#   ROOT/synth  sixteen synthetic voices, five sessions (scripts/make-voice-corpus.sh --seed 7)
#
#   scripts/make-corpora.sh [ROOT]      (default /tmp/kelvo-corpora)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpora=${1:-/tmp/kelvo-corpora}

if [ ! -f "$corpora/real/manifest.tsv" ]; then
    "$root/scripts/make-real-corpus.sh" "$corpora/real"
fi
if [ ! -f "$corpora/synth/manifest.tsv" ]; then
    "$root/scripts/make-voice-corpus.sh" --seed 7 "$corpora/synth" 5
fi
for corpus in real synth; do
    if [ ! -f "$corpora/$corpus/changes.tsv" ]; then
        "$root/scripts/add-session-changes.sh" "$corpora/$corpus"
    fi
done

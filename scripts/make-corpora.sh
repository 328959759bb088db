#!/usr/bin/env bash
# Makes the voice corpora that the model vector is fitted and measured on, unless they are
# there already, each with its session changes:
#   ROOT/real           spoken passwords of 20 real Arabic speakers, one session recipe
#                       (scripts/make-real-corpus.sh, scripts/add-session-changes.sh)
#   ROOT/real-b         the same speakers, other passwords (PINs, keyword sequences) by a
#                       recipe written apart from the first (bench/corpora/make_sessions.py)
#   ROOT/synth          sixteen synthetic voices, five sessions (scripts/make-voice-corpus.sh)
#   ROOT/english        pieces of the readings of 258 real English speakers, each piece a
#                       session saying other words (bench/corpora/make_sessions.py)
#   ROOT/english-speed  the same at 0.9 and 1.1 times the speed, as further voices: for
#                       fitting only
#
#   scripts/make-corpora.sh [ROOT]      (default /tmp/kelvo-corpora)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpora=${1:-/tmp/kelvo-corpora}
shared=$root/../shared
sessions=$root/bench/corpora/make_sessions.py

"$root/scripts/install-deps.sh" python3-numpy python3-scipy sox libsox-fmt-all
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
if [ ! -f "$corpora/real-b/manifest.tsv" ]; then
    /usr/bin/python3 "$sessions" arabic "$shared/real-speech" "$corpora/real-b"
fi
if [ ! -f "$corpora/english/manifest.tsv" ]; then
    /usr/bin/python3 "$sessions" english "$shared/real-speech-en" "$corpora/english"
fi
if [ ! -f "$corpora/english-speed/manifest.tsv" ]; then
    /usr/bin/python3 "$sessions" english "$shared/real-speech-en" "$corpora/english-speed" \
        --speeds 0.9,1.1
fi

#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ and starts the demo tarvik.
#   scripts/demo.sh                          on the machine's microphone and speakers
#   scripts/demo.sh --samples same-voice     without a microphone: the virtual audio device
#                                            plays a committed recording of a spoken password
#                                            into the training recording and another take of
#                                            the same voice into the verification recording
#   scripts/demo.sh --samples other-voice    the same, with another voice's attempt
# The demo writes its recordings and the profile into build/tarvik-work/ (or $TARVIK_WORK_DIR).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
samples=""
while [ $# -gt 0 ]; do
    case $1 in
        --samples) samples=${2:-}; shift 2 || { echo "--samples needs a value" >&2; exit 2; } ;;
        *) echo "usage: $0 [--samples same-voice|other-voice]" >&2; exit 2 ;;
    esac
done

data="$root/speech/tests/data"
case $samples in
    "") ;;
    same-voice) attempt=voiceA_pass_2.raw ;;
    other-voice) attempt=voiceB_pass_1.raw ;;
    *) echo "usage: $0 [--samples same-voice|other-voice]" >&2; exit 2 ;;
esac

"$root/scripts/install-deps.sh"
"$root/scripts/configure.sh" "$root/build"

work=${TARVIK_WORK_DIR:-$root/build/tarvik-work}
mkdir -p "$work"
cd "$work"
if [ -n "$samples" ]; then
    # Each recording opens the input anew and takes the next file of the list in turn.
    export KELVO_VIRTUAL_AUDIO="in=file:$data/voiceA_pass_1.raw;$data/$attempt"
    echo "Virtual microphone: voiceA_pass_1.raw for the password, $attempt for the attempt"
fi
echo "Starting tarvik in $work"
exec "$root/build/tarvik/tarvik"

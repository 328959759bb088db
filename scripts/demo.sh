#!/usr/bin/env bash
# Installs what is missing, builds what the demo runs into build/ and starts the demo tarvik.
#   scripts/demo.sh                          on the machine's microphone and speakers
#   scripts/demo.sh --samples same-voice     without a microphone: the virtual audio device
#                                            plays a committed recording of a spoken password
#                                            into the training recording and another take of
#                                            the same voice into the verification recording
#   scripts/demo.sh --samples other-voice    the same, with another voice's attempt
# The demo writes its recordings and the profile into build/tarvik-work/ (or $TARVIK_WORK_DIR).
# Without a display (no DISPLAY or WAYLAND_DISPLAY, and no QT_QPA_PLATFORM chosen) it runs the
# same cycle with the kelvo command on committed recordings of real voices instead: enrols one
# speaker's password, verifies another take of it and the same password said by another
# speaker, and says how to get the dialog.
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
# Only what is run: the kelvo command without a display, the dialog (and the command) with
# one. scripts/configure.sh build builds everything else too: tests, benches.
cmake -S "$root" -B "$root/build" -G Ninja -DKELVO_WARNINGS_AS_ERRORS=ON >/dev/null
display=${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}
if [ -z "$display" ]; then
    cmake --build "$root/build" --target kelvo_cli
else
    cmake --build "$root/build" --target kelvo_cli tarvik
fi

if [ -z "$display" ]; then
    kelvo=$root/build/cli/kelvo
    profile=$root/build/kelvo-cli-demo
    rm -rf "$profile"
    echo "No display: the enrol-and-verify cycle with the kelvo command, profile in $profile"
    echo
    echo "1. Enrol speaker 00000016 saying one-two-three-four (session 4):"
    "$kelvo" enrol --dir "$profile" speaker16 "$data/real16_1234_4.raw"
    echo "2. Verify another take of the same speaker and password (session 5):"
    "$kelvo" verify --dir "$profile" speaker16 "$data/real16_1234_5.raw" || true
    echo "3. Verify speaker 00000021 saying the same password:"
    "$kelvo" verify --dir "$profile" speaker16 "$data/real21_1234_5.raw" || true
    echo
    echo "The recordings are made from the Arabic Speech Commands Dataset (CC BY 4.0; see"
    echo "THIRD_PARTY_NOTICES.md). Try your own: $kelvo --help"
    echo "The dialog needs a display: run $0 on a desktop or over ssh -X (add"
    echo "--samples same-voice without a microphone); scripts/render-dialog.sh dialog.png"
    echo "saves a picture of it drawn on a virtual X server."
    exit 0
fi

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

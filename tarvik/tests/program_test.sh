#!/usr/bin/env bash
# tarvik as a program.
#   program_test.sh no-display TARVIK        without a display it says so and exits with 2
#   program_test.sh render RENDER TARVIK     on a virtual X server its dialog renders to a PNG
#                                            (exits 77, skipped, when xvfb-run is missing)
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

case $1 in
    no-display)
        set +e
        output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$2" 2>&1)
        status=$?
        set -e
        echo "$output"
        [ "$status" -eq 2 ] || fail "exit status $status, expected 2"
        grep -q '^tarvik: no display available' <<<"$output" || fail "no message"
        [ -z "$(ls -A)" ] || fail "files written: $(ls -A)"
        ;;
    render)
        command -v xvfb-run >/dev/null || { echo "xvfb-run missing"; exit 77; }
        "$2" "$work/dialog.png" "$3"
        [ "$(head -c 8 dialog.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
            fail "not a PNG"
        # Width and height from the header chunk: at least one pixel per dialog unit.
        width=$((16#$(od -An -tx1 -j16 -N4 dialog.png | tr -d ' \n')))
        height=$((16#$(od -An -tx1 -j20 -N4 dialog.png | tr -d ' \n')))
        echo "dialog.png: $width x $height"
        [ "$width" -ge 233 ] && [ "$height" -ge 142 ] || fail "image too small"
        ;;
    *)
        fail "unknown case $1"
        ;;
esac

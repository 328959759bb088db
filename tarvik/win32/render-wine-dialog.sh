#!/usr/bin/env bash
# Renders the dialog of tarvik.exe under wine on a virtual X server (Xvfb) into a PNG file:
# the whole window, with the caption and frame that wine draws itself when no window manager
# runs (the prefix's X11 driver is set to unmanaged windows).
#   tarvik/win32/render-wine-dialog.sh TARVIK.EXE OUT.png
# Needs wine, xvfb-run, xdotool, x11-utils and imagemagick. Runs in a wine prefix of its own
# in a temporary folder (its first start takes a few seconds), with the audio drivers off.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 TARVIK.EXE OUT.png" >&2
    exit 2
fi
program=$(realpath "$1")
out=$(realpath -m "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run"

export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winepulse.drv,wineoss.drv,winecoreaudio.drv,winealsa.drv="
export TARVIK_PROGRAM="$program" TARVIK_OUT="$out" TARVIK_RUN="$work/run"

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    wine wineboot -i >/dev/null 2>&1
    wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    cd "$TARVIK_RUN"
    wine "$TARVIK_PROGRAM" &
    window=$(timeout 60 xdotool search --sync --onlyvisible --name "Kestrune" | head -1)
    sleep 1  # let the controls paint
    eval "$(xwininfo -id "$window" | awk "/Absolute upper-left X/ {print \"x=\" \$4}
        /Absolute upper-left Y/ {print \"y=\" \$4} /Width:/ {print \"w=\" \$2}
        /Height:/ {print \"h=\" \$2}")"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$TARVIK_OUT"
    wineserver -k
'
echo "Rendered: $out"

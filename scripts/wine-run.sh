#!/bin/sh
# Runs a Windows program of the cross build under wine, in a private wine prefix.
#   wine-run.sh PREFIX_DIR PROGRAM.exe [ARGS...]
# The prefix is made (wineboot) on first use, once even when several tests start together.
# wine's own messages are off; the program's output is left as it is. Audio drivers are off,
# so a program sees no sound device, unless KELVO_WINE_ALSA_HOME names a folder: then wine's
# ALSA driver is on and that folder is HOME, so ALSA reads its .asoundrc (a test's own
# default device, e.g. one that reads and writes files).
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
overrides="mscoree,mshtml=;winemenubuilder.exe=d;winepulse.drv,wineoss.drv,winecoreaudio.drv="
if [ -n "${KELVO_WINE_ALSA_HOME:-}" ]; then
    export HOME="$KELVO_WINE_ALSA_HOME"
else
    overrides="$overrides;winealsa.drv="
fi
export WINEDLLOVERRIDES="$overrides"
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$(dirname "$prefix")"
    flock "$prefix.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] || wine wineboot -i >/dev/null 2>&1'
fi
exec wine "$@"

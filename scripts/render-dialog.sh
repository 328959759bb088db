#!/usr/bin/env bash
# Renders the demo's dialog on a virtual X server (Xvfb) into a PNG file.
#   scripts/render-dialog.sh [OUT.png] [TARVIK]   default: tarvik-dialog.png, build/tarvik/tarvik
# Installs Xvfb when missing and builds tarvik when TARVIK is not given.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-tarvik-dialog.png}")
tarvik=${2:-}

"$root/scripts/install-deps.sh" xvfb xauth fonts-dejavu-core
if [ -z "$tarvik" ]; then
    "$root/scripts/install-deps.sh"
    "$root/scripts/configure.sh" "$root/build" >/dev/null
    tarvik="$root/build/tarvik/tarvik"
fi

# The dialog writes nothing until a button is pressed; run it in a scratch directory anyway.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 800x600x24" "$tarvik" --screenshot "$out"
echo "Rendered: $out"

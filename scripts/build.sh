#!/usr/bin/env bash
# Installs what is missing and builds everything into build/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/configure.sh" "$root/build"
echo "Built: $root/build/kelvo/libkelvo.so"

#!/usr/bin/env bash
# Configures and builds the project: scripts/configure.sh BUILD_DIR [cmake options...]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$1
shift
cmake -S "$root" -B "$build_dir" -G Ninja -DKELVO_WARNINGS_AS_ERRORS=ON "$@"
cmake --build "$build_dir"

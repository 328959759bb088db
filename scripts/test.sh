#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   scripts/test.sh                                  plain build in build/, then the Windows
#                                                    build in build-windows/ with its tests
#                                                    under wine (scripts/build-windows.sh)
#   scripts/test.sh --sanitize address,undefined     sanitizer build in build-address-undefined/
#   scripts/test.sh --sanitize thread --label audio  only the tests labelled audio, under TSan
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
sanitize=""
label=()
while [ $# -gt 0 ]; do
    case $1 in
        --sanitize) sanitize=$2; shift 2 ;;
        --label) label=(-L "$2"); shift 2 ;;
        *) echo "usage: $0 [--sanitize LIST] [--label LABEL]" >&2; exit 2 ;;
    esac
done

build_dir="$root/build"
if [ -n "$sanitize" ]; then
    build_dir="$root/build-${sanitize//,/-}"
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
fi

"$root/scripts/install-deps.sh"
"$root/scripts/configure.sh" "$build_dir" -DKELVO_SANITIZE="$sanitize"
ctest --test-dir "$build_dir" --output-on-failure --no-tests=error -j "$(nproc)" "${label[@]}"
if [ -z "$sanitize" ] && [ ${#label[@]} -eq 0 ]; then
    "$root/scripts/build-windows.sh" --test
fi

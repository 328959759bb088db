#!/usr/bin/env bash
# Cross-builds kelvo.dll, speech.dll and tarvik.exe for Windows with Debian's mingw-w64, from
# the same sources as the Linux build, on the system's own <windows.h> and <mmsystem.h>.
#   scripts/build-windows.sh          installs what is missing, builds x86_64 and i686
#   scripts/build-windows.sh --test   the same, then runs the x86_64 tests under wine (on a
#                                     virtual X server, for the dialog's tests)
# Output: build-windows/x86_64/ and build-windows/i686/ (override with KELVO_WINDOWS_BUILD).
# KISS FFT and GoogleTest are built from the sources of Debian's own packages, fetched with
# apt-get source into build-windows/third_party/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${KELVO_WINDOWS_BUILD:-$root/build-windows}
run_tests=false
for arg in "$@"; do
    case $arg in
        --test) run_tests=true ;;
        *) echo "usage: $0 [--test]" >&2; exit 2 ;;
    esac
done

"$root/scripts/install-deps.sh" \
    cmake ninja-build dpkg-dev \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
    wine wine64 fonts-wine libxrender1 xvfb xauth

# Debian's source packages, from the archive this machine already uses: its own package
# entries, copied as source entries into a private apt configuration (nothing of the
# machine's is changed).
third_party=$out/third_party
fetch_sources() {
    local apt_dir=$out/apt
    mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" \
        "$third_party"
    : >"$apt_dir/sources.list"
    local found=false
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        sed -e 's/^Types:.*/Types: deb-src/' "$file" >"$apt_dir/parts/$(basename "$file")"
        found=true
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n -e 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list >>"$apt_dir/sources.list"
        [ -s "$apt_dir/sources.list" ] && found=true
    fi
    if ! $found; then
        echo "build-windows: no apt package entry found to copy as a source entry" >&2
        exit 1
    fi
    local apt_options=(
        -o "Dir::Etc::SourceList=$apt_dir/sources.list"
        -o "Dir::Etc::SourceParts=$apt_dir/parts"
        -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::Cache=$apt_dir/cache"
        -o "APT::Sandbox::User=root"
    )
    apt-get -qq "${apt_options[@]}" update
    local work=$apt_dir/unpack
    rm -rf "$work"
    mkdir -p "$work"
    (cd "$work" && apt-get -qq "${apt_options[@]}" source kissfft googletest >/dev/null)
    rm -rf "$third_party/kissfft" "$third_party/googletest"
    mv "$work"/kissfft-*/ "$third_party/kissfft"
    mv "$work"/googletest-*/ "$third_party/googletest"
    rm -rf "$work"
}
if [ ! -f "$third_party/kissfft/kiss_fftr.c" ] ||
    [ ! -f "$third_party/googletest/googletest/CMakeLists.txt" ]; then
    fetch_sources
fi

for arch in x86_64 i686; do
    cmake -S "$root" -B "$out/$arch" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKELVO_WARNINGS_AS_ERRORS=ON \
        -DKELVO_WINDOWS_THIRD_PARTY="$third_party"
    cmake --build "$out/$arch"
done

if $run_tests; then
    # The dialog's tests need an X server; the others run the same without one.
    xvfb-run -a -s "-screen 0 1024x768x24" \
        ctest --test-dir "$out/x86_64" --output-on-failure -j2
fi

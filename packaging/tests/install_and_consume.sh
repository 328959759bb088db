#!/usr/bin/env bash
# Installs the built project into a temporary prefix and builds two programs against it as
# their authors would: one in C through pkg-config, one in C++ through find_package(kelvo).
# Both enrol a committed sample and verify another take of the voice and another voice.
#   install_and_consume.sh BUILD_DIR WORK_DIR SAMPLE_DIR C_COMPILER CMAKE_GENERATOR
set -euo pipefail

build=$1 work=$2 samples=$3 cc=$4 generator=$5
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log"

# The layout: versioned libraries with SONAMEs, headers only under include/kelvo/.
for library in lib/libkelvo.so.0 lib/kelvo/libspeech.so.0 lib/kelvo/libplatform.so.0; do
    [ -e "$prefix/$library" ] || fail "$library not installed"
    soname=$(readelf -d "$prefix/$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
    [ "$soname" = "$(basename "$library")" ] || fail "$library has SONAME '$soname'"
done
[ -e "$prefix/lib/kelvo/libkelvo-portaudio.so" ] || fail "the sound-device module not installed"
stray=$(find "$prefix/include" -mindepth 1 -maxdepth 1 ! -name kelvo)
[ -z "$stray" ] || fail "headers outside include/kelvo/: $stray"
# The installed README and docs/ link only to what is installed with them.
python3 "$here/check_doc_links.py" "$prefix/share/doc/kelvo" >/dev/null ||
    fail "the installed documents have broken links"

run_consumer() {
    local program=$1 dir=$work/run-$(basename "$(dirname "$1")")
    mkdir -p "$dir"
    (cd "$dir" && "$program" "$samples/voiceA_pass_1.raw" "$samples/voiceA_pass_2.raw" \
        "$samples/voiceB_pass_1.raw") || fail "$program did not accept only the same voice"
}

# C with pkg-config. The prefix is not on the loader's path, so the program carries it.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
mkdir -p "$work/c"
# shellcheck disable=SC2046  # pkg-config prints several words
"$cc" -std=c11 -Wall -Wextra -Werror -o "$work/c/enrol_and_verify" \
    "$here/consumer_c/enrol_and_verify.c" $(pkg-config --cflags --libs kelvo) \
    -Wl,-rpath,"$prefix/lib"
run_consumer "$work/c/enrol_and_verify"

# C++ with the CMake package (CMake gives the program the library's run path itself).
cmake -S "$here/consumer_cxx" -B "$work/cxx" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >"$work/cxx-configure.log"
cmake --build "$work/cxx" >"$work/cxx-build.log"
run_consumer "$work/cxx/enrol_and_verify"
echo "installed into $prefix; both consumers enrolled and verified"

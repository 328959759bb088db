#!/usr/bin/env bash
# Installs Debian packages when they are missing.
#   scripts/install-deps.sh               what building and testing need, and the de_DE.UTF-8
#                                         locale the tests use to check that numbers ignore the
#                                         process locale
#   scripts/install-deps.sh PACKAGE...    those packages (for the benchmark and corpus scripts)
set -euo pipefail

build_packages=(
    build-essential  # compilers
    cmake
    ninja-build
    libgtest-dev     # GoogleTest
    libkissfft-dev   # FFT of the speech front end
    libeigen3-dev    # linear algebra of the model vector's fitting bench
    python3-numpy    # the independent reference the front end's golden test compares with
    locales
    pkg-config          # finds PortAudio, ALSA and JACK for the sound-device backend
    portaudio19-dev     # the machine's sound devices
    libasound2-dev      # ALSA: its message hook and configuration (device rule, file PCM test)
    libjack-jackd2-dev  # JACK's message hooks (Debian's PortAudio links JACK)
    sox                 # another program that reads kelvo's recordings and writes WAVs it plays
    libsndfile1-dev     # reads WAV, FLAC and the other formats the kelvo command takes
    libsamplerate0-dev  # the kelvo command's resampling to 11025 Hz
    libcli11-dev        # the kelvo command's argument parsing
    nlohmann-json3-dev  # the kelvo command's --json output
    gnuplot-nox         # kelvo eval --plot draws score distributions and a DET curve
    qt6-base-dev        # the demo's dialog (Qt 6 Widgets) and its tests (Qt Test)
    fonts-dejavu-core   # a font for the dialog, also on machines without a desktop
    xvfb                # a virtual X server: the demo's start-up test and dialog rendering
    xauth               # used by xvfb-run
)
if [ $# -gt 0 ]; then
    packages=("$@")
else
    packages=("${build_packages[@]}")
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi

if [ $# -eq 0 ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "Generating locale de_DE.UTF-8"
    "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when they are missing, and the
# de_DE.UTF-8 locale that the tests use to check that numbers ignore the process locale.
set -euo pipefail

packages=(
    build-essential  # compilers
    cmake
    ninja-build
    libgtest-dev     # GoogleTest
    libbenchmark-dev # Google Benchmark, for bench/
    libkissfft-dev   # FFT of the speech front end
    python3-numpy    # the independent reference the front end's golden test compares with
    locales
)

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

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "Generating locale de_DE.UTF-8"
    "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

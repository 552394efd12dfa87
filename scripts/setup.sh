#!/usr/bin/env bash
# Installs the Debian packages phasemeter needs to build, run and test, skipping those already
# installed. Works as root on a fresh Debian 12; as another user it uses sudo when it must.
# `scripts/setup.sh package` adds the tools that build and check the Debian package.
set -euo pipefail

# What the build compiles and links against, with the tools the scripts and tests run. Check the
# link lines, not only the headers: `pkg-config --libs --static xlsxwriter` names zlib as well.
packages=(
    build-essential cmake ninja-build pkgconf
    qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n
    libqt6sql6-sqlite sqlite3
    libxlsxwriter-dev zlib1g-dev libqpdf-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-arphic-uming fonts-wqy-microhei
    librsvg2-bin
    socat xvfb xauth xdotool imagemagick poppler-utils unzip
)
if [ "${1:-}" = package ]; then
    packages+=(dpkg-dev file lintian desktop-file-utils appstream udev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: every package is installed"
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        as_root=(sudo)
    else
        echo "setup: these packages are missing and I am not root: ${missing[*]}" >&2
        echo "setup: install them as root (apt-get install ${missing[*]}) and run me again" >&2
        exit 1
    fi
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"

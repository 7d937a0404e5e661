#!/usr/bin/env bash
# Installs the Debian packages Quillo needs to build, run and test, skipping what is there.
# Usage: tools/deps.sh [--fuzz] [--update]   (--update runs apt-get update first)
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-qpa-plugins libqt6svg6 libxcb1-dev libgl-dev fontconfig
    # The present's shared-memory puts to the X server (also the benchmark's floor).
    libx11-dev libxext-dev
    libsdl2-mixer-dev fluid-soundfont-gm lame
    libjpeg-dev libjpeg-turbo-progs
    # Filtered scaling and compositing.
    libpixman-1-dev
    libgtest-dev libbenchmark-dev
    xvfb xauth x11-utils xdotool imagemagick xdg-utils
    desktop-file-utils libxml2-utils man-db openbox python3-xlib x11-xserver-utils strace procps
    fonts-liberation fonts-dejavu-core
    # CJK names in captions (DejaVu already holds the common emoji, in outline).
    fonts-wqy-microhei
    # Benchmarks: feh's slideshow as the fade's baseline, and the GL slideshow (software
    # rendered) as the pan and zoom's.
    feh xscreensaver-gl
)
# Fuzzing only: tools/fuzz.sh asks for these with --fuzz.
[ "${1:-}" = "--fuzz" ] && { PACKAGES+=(clang libclang-rt-14-dev); shift; }

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ "${1:-}" = "--update" ] || [ ${#missing[@]} -gt 0 ] || exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ "${1:-}" = "--update" ] || [ ${#missing[@]} -gt 0 ]; then
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi

#!/usr/bin/env bash
# Configures and builds Quillo into build/ (Release with debug info), or with --sanitize into
# build-asan/ (the same under AddressSanitizer and UndefinedBehaviorSanitizer).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
options=()
if [ "${1:-}" = "--sanitize" ]; then
    dir=build-asan
    options+=(-DQUILLO_SANITIZE=ON)
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
ninja -C "$dir"

#!/usr/bin/env bash
# Configures and builds Quillo into build/ (Release with debug info), with --sanitize into
# build-asan/ (the same under AddressSanitizer and UndefinedBehaviorSanitizer), or with --tsan
# into build-tsan/ (under ThreadSanitizer). Further arguments name the targets to build (all
# when none).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
options=()
case "${1:-}" in
    --sanitize)
        dir=build-asan
        options+=(-DQUILLO_SANITIZE=ON)
        shift
        ;;
    --tsan)
        dir=build-tsan
        options+=(-DQUILLO_TSAN=ON)
        shift
        ;;
esac
# ccache, where installed, lets sibling checkouts share compiled objects (paths taken relative to
# each checkout's root).
if command -v ccache >/dev/null; then
    options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
ninja -C "$dir" "$@"

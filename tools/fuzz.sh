#!/usr/bin/env bash
# Builds the libFuzzer targets with ASan and UBSan and runs each for the given seconds.
# Usage: tools/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh --fuzz
seconds=${1:-600}
shift || true
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQUILLO_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build-fuzz
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//'))
for t in "${targets[@]}"; do
    name=${t#fuzz_}
    corpus="build-fuzz/corpus/$name"
    mkdir -p "$corpus" "build-fuzz/artifacts/$name"
    [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
    echo "== $t for ${seconds}s"
    "build-fuzz/fuzz/$t" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/artifacts/$name/" 2>&1 | tail -n 12
done

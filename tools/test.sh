#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit, dialog and end-to-end) twice: in the
# normal build (build/) and under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/).
# Then the saver's and the pictures' unit tests, which run the decode ahead's thread, under
# ThreadSanitizer (build-tsan/).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh "$@"
tools/build.sh
(cd build && ctest --output-on-failure --timeout 600)

tools/build.sh --sanitize
# Any report ends the test that made it. Leaks are checked; the suppressions are system
# libraries' own.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
(cd build-asan && ctest --output-on-failure --timeout 900)

tools/build.sh --tsan quillo_saver_tests quillo_platform_tests
# Any report ends the test program. The peak-memory test is left out: the sanitizer's shadow
# memory counts in the resident size.
export TSAN_OPTIONS=halt_on_error=1
build-tsan/tests/quillo_saver_tests --gtest_brief=1
build-tsan/tests/quillo_platform_tests --gtest_brief=1 \
    --gtest_filter='Picture*:Jpeg*:BmpDecoder*:DecodeStop*:Shrink*:Orientation*:Blend*:Scale*-Picture.AJpegIsReadFromItsFileWhileItDecodes'

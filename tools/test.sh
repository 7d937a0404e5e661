#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit, dialog and end-to-end).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh "$@"
tools/build.sh
cd build
ctest --output-on-failure --timeout 600

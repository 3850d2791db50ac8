#!/usr/bin/env bash
# Builds and runs every test, headless; arguments go to ctest (-R NAME, -L LABEL).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build test
scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2 "$@"

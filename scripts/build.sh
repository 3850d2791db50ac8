#!/usr/bin/env bash
# Configures and builds everything into build/ (programs in build/bin).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Debug}" >/dev/null
cmake --build build

#!/usr/bin/env bash
# Configures (CMakePresets.json: linux) and builds everything into build/ (programs in build/bin).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake --preset linux -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Debug}" >/dev/null
cmake --build --preset linux

#!/usr/bin/env bash
# Builds in release mode and measures the programs against their natural limits: prints one
# table (or only the measures named: startup idle launcher removal). Windows are shown on a display of their own (Xvfb) unless one is given.
# "scripts/bench.sh windows" measures the Windows executables under Wine instead.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh build bench
if [ "${1:-}" = windows ]; then
    # The Windows executables under Wine, against yardsticks built the same way.
    scripts/windows.sh build >/dev/null
    . scripts/display.sh
    bench/windows-bench.sh build-windows "${@:2}"
    exit
fi
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

. scripts/display.sh
export QT_QPA_PLATFORM=xcb
unset XDG_RUNTIME_DIR
cd build-release
echo "Benchmarking on $(date -u +%Y-%m-%d), display $DISPLAY ..."
"$root/build-release/bench/benchrunner" "$root/build-release" "$@"

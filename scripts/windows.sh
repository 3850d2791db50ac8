#!/usr/bin/env bash
# The Windows programs: cross-builds installer.exe, uninstaller.exe and launcher.exe into
# build-windows/bin/ with MinGW-w64 and a Qt for Windows built once per machine, then runs their
# test suites and whole runs under Wine on a display of their own.
#   scripts/windows.sh          build and test
#   scripts/windows.sh build    build only
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh
kit=$(scripts/qt-windows-kit.sh)
build=$root/build-windows

"$kit/bin/qt-cmake" -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$root/tests/wine/run-under-wine.sh;$build/wine-prefix" >/dev/null
cmake --build "$build"
for program in installer uninstaller launcher; do
    printf '%-16s %s bytes\n' "$program.exe" "$(stat -c %s "$build/bin/$program.exe")"
done
[ "${1:-}" = build ] && exit 0

# One Wine prefix, one program at a time: the suites run one after another. Those that need an
# X display get one of their own from a CTest fixture.
ctest --test-dir "$build" -L windows --output-on-failure
. scripts/display.sh
tests/wine/whole-runs.sh "$build"

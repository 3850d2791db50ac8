#!/usr/bin/env bash
# The Windows programs: cross-builds installer.exe and uninstaller.exe into build-windows/bin/
# (single files, on a static Qt) and the launcher's folder build-windows/launcher/ (on a shared
# Qt, built in build-windows/shared/) with MinGW-w64 and Qts for Windows built once per
# machine, then runs their test suites and whole runs under Wine on a display of their own, and
# checks that a second build elsewhere gives the same bytes.
#   scripts/windows.sh            build and test
#   scripts/windows.sh build      build only
#   scripts/windows.sh programs   build only what is shipped (no suites, no tools)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh build windows
static_kit=$(scripts/qt-windows-kit.sh static)
shared_kit=$(scripts/qt-windows-kit.sh shared)
build=$root/build-windows
# windows_build KIT FOLDER PROGRAMS [OPTIONS...]: configures and builds those programs.
windows_build() {
    local kit=$1 folder=$2 programs=$3 targets=()
    if [ "${mode:-}" = programs ]; then
        set -- "$@" -DZELVANE_BUILD_TESTS=OFF
        for t in ${programs//;/ }; do targets+=(--target "$t"); done
        [ "$programs" = launcher ] && targets+=(--target launcher_folder)
    fi
    # A folder configured with another kit (an older revision) would keep using it.
    if [ "$(cat "$folder/zelvane-kit" 2>/dev/null)" != "$kit" ]; then
        rm -rf "$folder/CMakeCache.txt" "$folder/CMakeFiles"
        mkdir -p "$folder" && echo "$kit" >"$folder/zelvane-kit"
    fi
    "$kit/bin/qt-cmake" -S "$root" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        "-DZELVANE_PROGRAMS=$programs" "${@:4}" \
        "-DCMAKE_CROSSCOMPILING_EMULATOR=$root/tests/wine/run-under-wine.sh;$build/wine-prefix" >/dev/null
    cmake --build "$folder" "${targets[@]}"
}
mode=${1:-}
windows_build "$static_kit" "$build" "installer;uninstaller"
windows_build "$shared_kit" "$build/shared" launcher "-DZELVANE_LAUNCHER_FOLDER=$build/launcher"
for program in bin/installer.exe bin/uninstaller.exe launcher/launcher.exe; do
    printf '%-24s %s bytes\n' "$program" "$(stat -c %s "$build/$program")"
done
printf '%-24s %s bytes in %s files\n' launcher/ "$(du -sb "$build/launcher" | cut -f1)" \
    "$(find "$build/launcher" -type f | wc -l)"
[ -n "$mode" ] && exit 0

# The suites share one Wine prefix and run one at a time in it; the planted-DLL check has a
# prefix of its own and runs beside them. Those that need an X display get one of their own
# from a CTest fixture.
ctest --test-dir "$build" -L windows --output-on-failure --parallel 2
ctest --test-dir "$build/shared" -L windows --output-on-failure --parallel 2
. scripts/display.sh
tests/wine/whole-runs.sh "$build"
scripts/reproducible.sh

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
# windows_build static|shared PROGRAMS: configures (CMakePresets.json: windows-KIND, with the
# kit this machine has) and builds those programs.
windows_build() {
    local kind=$1 programs=$2 kit folder targets=() options=()
    kit=$([ "$kind" = static ] && echo "$static_kit" || echo "$shared_kit")
    folder=$build$([ "$kind" = static ] || echo /shared)
    if [ "${mode:-}" = programs ]; then
        options+=(-DZELVANE_BUILD_TESTS=OFF)
        for t in ${programs//;/ }; do targets+=(--target "$t"); done
        [ "$programs" = launcher ] && targets+=(--target launcher_folder)
    fi
    # A folder configured with another kit (an older revision) would keep using it.
    if [ "$(cat "$folder/zelvane-kit" 2>/dev/null)" != "$kit" ]; then
        rm -rf "$folder/CMakeCache.txt" "$folder/CMakeFiles"
        mkdir -p "$folder" && echo "$kit" >"$folder/zelvane-kit"
    fi
    cmake --preset "windows-$kind" "-DCMAKE_TOOLCHAIN_FILE=$kit/lib/cmake/Qt6/qt.toolchain.cmake" \
        "${options[@]}" >/dev/null
    cmake --build "$folder" "${targets[@]}"
}
mode=${1:-}
windows_build static "installer;uninstaller"
windows_build shared launcher
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

#!/usr/bin/env bash
# qt-windows-kit.sh static|shared: builds Qt for 64-bit Windows once per machine from Debian's
# own qt6-base source, with MinGW-w64 (posix threads), into a cache outside the checkout, and
# prints the kit's folder. "static" is for the single-file installer and uninstaller; "shared"
# (DLLs) for the launcher, whose update library must use the launcher's own QtCore.
# Both are built for size, without the Qt parts the programs never use.
# It builds in a temporary folder and renames the kit into place only when it is complete, so a
# broken or interrupted build is never used by a later run. Progress goes to stderr.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-static}
case $kind in
static) revision=r2 ;;
shared) revision=r2 ;; # r2: mpr delay-loaded too
*) echo "usage: $0 static|shared" >&2; exit 2 ;;
esac

cache=${ZELVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zelvane}
version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null | sed 's/[+~-].*//')
[ -n "$version" ] || { echo "qt6-base-dev is not installed (scripts/deps.sh)" >&2; exit 1; }
# The kit's name says what it is; changing the options below means a new name.
kit=$cache/qt-$version-mingw-$kind-$revision
if [ -x "$kit/bin/qt-cmake" ]; then
    echo "$kit"
    exit 0
fi
say() { echo "[qt for windows, $kind] $*" >&2; }

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# step HINT COMMAND...: runs one step with its output kept; when it fails, shows the end of that
# output and what to do, and ends the script.
step_log=$(mktemp)
step() {
    local hint=$1
    shift
    if ! "$@" >"$step_log" 2>&1; then
        echo "[qt for windows, $kind] failed: $*" >&2
        tail -15 "$step_log" | sed 's/^/    /' >&2
        echo "[qt for windows, $kind] $hint" >&2
        rm -f "$step_log"
        exit 1
    fi
}
# apt-get source needs the source entries beside the machine's binary ones.
if ! apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Package: qt6-base'; then
    say "adding Debian's source entries to apt"
    list=/etc/apt/sources.list.d/zelvane-deb-src.sources
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$list" >/dev/null
    else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            $sudo tee /etc/apt/sources.list.d/zelvane-deb-src.list >/dev/null
    fi
    # A source list that could not be verified is as good as none: warnings fail here.
    step "Check that apt can reach and verify Debian's archive ('apt-get update' as root), then run this again." \
        $sudo apt-get update -q --error-on=any
    apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Package: qt6-base' || {
        echo "[qt for windows, $kind] apt knows no source package qt6-base after adding the source entries." >&2
        echo "[qt for windows, $kind] Add a deb-src entry for Debian 12 to /etc/apt/sources.list.d/, run 'apt-get update', then this again." >&2
        exit 1
    }
fi
for p in dpkg-dev ninja-build g++-mingw-w64-x86-64-posix; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" ||
        step "Install $p by hand ('apt-get install $p') to see why, then run this again." \
            $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$p"
done

mkdir -p "$cache"
work=$(mktemp -d "$cache/.building-XXXXXX")
trap 'rm -rf "$work" "$step_log"' EXIT
cd "$work"
say "fetching and unpacking the qt6-base $version source (Debian's patches applied)"
step "Check that 'apt-get source --download-only qt6-base' works in an empty folder, then run this again." \
    apt-get source --download-only -q qt6-base
step "The source package is incomplete or does not verify; remove $cache/.building-* and run this again." \
    dpkg-source -x qt6-base_*.dsc src
step "scripts/qt-windows/no-wintab.patch no longer fits this qt6-base ($version): refresh the patch." \
    patch -d src -p1 --quiet --batch -i "$root/scripts/qt-windows/no-wintab.patch"

toolchain=$work/mingw-posix.cmake
sed -e 's/x86_64-w64-mingw32-gcc)/x86_64-w64-mingw32-gcc-posix)/' \
    -e 's/x86_64-w64-mingw32-g++)/x86_64-w64-mingw32-g++-posix)/' \
    "$root/tests/wine/mingw-w64.cmake" >"$toolchain"
# Kept next to the kit: the installed kit refers to its toolchain file by absolute path.
staging=$cache/.staging-$(basename "$kit")
rm -rf "$staging" "$kit.toolchain.cmake"
cp "$toolchain" "$kit.toolchain.cmake"

say "configuring"
# Modules and plugins the programs do not use, and for size the widgets, dialogs, formats and
# services they never show or call (they show main windows, labels, buttons, check boxes,
# progress bars and message boxes, styled by style sheets, with PNG pictures).
features=(sql network dbus opengl vulkan printsupport concurrent xml jpeg gif ico icu zstd glib
          system_png system_zlib system_freetype system_harfbuzz system_pcre2 system_doubleconversion
          system_jpeg direct2d1_1
          freetype pdf picture textodfwriter textmarkdownreader textmarkdownwriter systemtrayicon
          sessionmanager movie imageformat_ppm undocommand undostack undogroup raster_64bit raster_fp
          filesystemmodel mimetype xmlstream xmlstreamreader xmlstreamwriter sharedmemory
          systemsemaphore transposeproxymodel concatenatetablesproxymodel style_fusion
          graphicsview graphicseffect calendarwidget colordialog filedialog fontdialog fontcombobox
          errormessage wizard progressdialog mdiarea dockwidget toolbox lcdnumber dial
          syntaxhighlighter columnview datawidgetmapper undoview keysequenceedit textbrowser
          splashscreen commandlinkbutton datetimeedit tablewidget treewidget listwidget fscompleter)
# Kept although unused: the Windows style plugin needs the input dialog, tree and table views.
off=()
for f in "${features[@]}"; do off+=("-DFEATURE_$f=OFF"); done
if [ "$kind" = static ]; then
    linking=(-DBUILD_SHARED_LIBS=OFF -DFEATURE_static_runtime=ON)
else
    # The DLLs import the system DLLs that are not KnownDLLs through delay-load libraries, as
    # the programs do: resolved at first use, after the launcher has limited where from.
    delayed=$work/delayed-imports
    mkdir -p "$delayed/project"
    printf '%s\n' 'cmake_minimum_required(VERSION 3.25)' 'project(delayed CXX)' \
        "include($root/cmake/ZelvaneSystemDlls.cmake)" 'zelvane_make_delayed_imports(${CMAKE_BINARY_DIR}/libs)' \
        >"$delayed/project/CMakeLists.txt"
    cmake -S "$delayed/project" -B "$delayed" -DCMAKE_TOOLCHAIN_FILE="$kit.toolchain.cmake" >/dev/null
    linking=(-DBUILD_SHARED_LIBS=ON -DFEATURE_static_runtime=OFF
             "-DCMAKE_SHARED_LINKER_FLAGS=-L$delayed/libs" "-DCMAKE_MODULE_LINKER_FLAGS=-L$delayed/libs")
fi
cmake -S src -B build -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$kit.toolchain.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DFEATURE_optimize_size=ON "${linking[@]}" \
    -DCMAKE_INSTALL_PREFIX="$kit" -DCMAKE_STAGING_PREFIX="$staging" \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DINPUT_opengl=no \
    "${off[@]}" >configure.log 2>&1 || { tail -40 configure.log >&2; exit 1; }
grep -iE 'warning|error' configure.log | grep -iv 'dev\b' | head -20 >&2 || true

say "building (about 20 to 40 minutes on two cores; done once per machine)"
# Ninja's status line, one line every 50 steps, is the progress report.
# A failed build shows its first errors (set -e would end the script before it could).
if ! cmake --build build --parallel "$(nproc)" 2>&1 | tee build.log |
    "$root/scripts/progress.sh" "qt for windows, $kind" 50 steps-only >&2
then
    grep -m5 -B2 -A10 'error' build.log >&2 || tail -30 build.log >&2
    exit 1
fi
cmake --install build >/dev/null
# The kit is complete: only now does it get its name.
mv "$staging" "$kit"
say "ready in $kit ($((SECONDS / 60)) min $((SECONDS % 60)) s)"
echo "$kit"

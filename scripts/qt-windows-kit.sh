#!/usr/bin/env bash
# Builds Qt for 64-bit Windows once per machine from Debian's own qt6-base source, with MinGW-w64
# (posix threads), static, into a cache outside the checkout. Prints the kit's folder.
# It builds in a temporary folder and renames the kit into place only when it is complete, so a
# broken or interrupted build is never used by a later run. Progress goes to stderr.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

cache=${ZELVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zelvane}
version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null | sed 's/[+~-].*//')
[ -n "$version" ] || { echo "qt6-base-dev is not installed (scripts/deps.sh)" >&2; exit 1; }
# The kit's name says what it is; changing the options below means a new name.
kit=$cache/qt-$version-mingw-static-r1
if [ -x "$kit/bin/qt-cmake" ]; then
    echo "$kit"
    exit 0
fi
say() { echo "[qt for windows] $*" >&2; }

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
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
    $sudo apt-get update -qq
fi
for p in dpkg-dev ninja-build g++-mingw-w64-x86-64-posix; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" ||
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$p" >/dev/null
done

mkdir -p "$cache"
work=$(mktemp -d "$cache/.building-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
say "fetching and unpacking the qt6-base $version source (Debian's patches applied)"
apt-get source --download-only -qq qt6-base >/dev/null 2>&1
dpkg-source -x qt6-base_*.dsc src >/dev/null 2>&1
patch -d src -p1 --quiet <"$root/scripts/qt-windows/no-wintab.patch"

toolchain=$work/mingw-posix.cmake
sed -e 's/x86_64-w64-mingw32-gcc)/x86_64-w64-mingw32-gcc-posix)/' \
    -e 's/x86_64-w64-mingw32-g++)/x86_64-w64-mingw32-g++-posix)/' \
    "$root/tests/wine/mingw-w64.cmake" >"$toolchain"
# Kept next to the kit: the installed kit refers to its toolchain file by absolute path.
staging=$cache/.staging-$(basename "$kit")
rm -rf "$staging" "$kit.toolchain.cmake"
cp "$toolchain" "$kit.toolchain.cmake"

say "configuring"
features=(sql network dbus opengl vulkan printsupport concurrent xml jpeg gif ico icu zstd glib
          system_png system_zlib system_freetype system_harfbuzz system_pcre2 system_doubleconversion
          system_jpeg direct2d1_1)
off=()
for f in "${features[@]}"; do off+=("-DFEATURE_$f=OFF"); done
cmake -S src -B build -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$kit.toolchain.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DFEATURE_static_runtime=ON \
    -DCMAKE_INSTALL_PREFIX="$kit" -DCMAKE_STAGING_PREFIX="$staging" \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DINPUT_opengl=no \
    "${off[@]}" >configure.log 2>&1 || { tail -40 configure.log >&2; exit 1; }

say "building (about 20 to 40 minutes on two cores; done once per machine)"
# Ninja's status line, one line every 50 steps, is the progress report.
cmake --build build --parallel "$(nproc)" 2>&1 | tee build.log |
    awk '/^\[[0-9]+\/[0-9]+\]/ { s = $1; gsub(/[][]/, "", s); split(s, n, "/"); if (n[1] % 50 == 0 || n[1] == n[2]) { print "[qt for windows] step " n[1] " of " n[2]; fflush() } }' >&2
[ "${PIPESTATUS[0]}" -eq 0 ] || { grep -m5 -B2 -A10 'error' build.log >&2 || tail -30 build.log >&2; exit 1; }
cmake --install build >/dev/null
# The kit is complete: only now does it get its name.
mv "$staging" "$kit"
say "ready in $kit"
echo "$kit"

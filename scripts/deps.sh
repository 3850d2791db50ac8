#!/usr/bin/env bash
# deps.sh PART...: installs, on Debian 12, what the named parts need (all of them when none is
# named). Quiet when all is there.
#   build    the Linux programs and tools, and the demo: compiler, CMake, Ninja, Qt 6, and the
#            CJK fonts the windows' Chinese texts are drawn with
#   test     scripts/test.sh: the formatting check, and the Win32 suite, cross-built with
#            MinGW-w64 and run under Wine
#   bench    scripts/bench.sh: an X display of its own (Xvfb)
#   windows  scripts/windows.sh: Qt for Windows built from Debian's source (dpkg-dev, MinGW-w64),
#            the suites under Wine, and the whole runs, clicked with xdotool and photographed
#            with ImageMagick on Xvfb
set -euo pipefail

declare -A part=(
    [build]="cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev fonts-noto-cjk"
    [test]="clang-format procps g++-mingw-w64-x86-64 wine wine64"
    [bench]="xvfb xauth"
    [windows]="dpkg-dev g++-mingw-w64-x86-64 wine wine64 xvfb xauth xdotool imagemagick"
)
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(build test bench windows)

packages=()
for name in "${parts[@]}"; do
    [ -n "${part[$name]:-}" ] || { echo "deps.sh: no part named $name (build test bench windows)" >&2; exit 2; }
    read -ra words <<<"${part[$name]}"
    packages+=("${words[@]}")
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
read -ra missing <<<"$(printf '%s\n' "${missing[@]}" | sort -u | tr '\n' ' ')"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null

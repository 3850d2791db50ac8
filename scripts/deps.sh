#!/usr/bin/env bash
# Installs what building, testing and the demo need, on Debian 12. Quiet when all is there.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev
          fonts-noto-cjk xvfb xauth procps g++-mingw-w64-x86-64 wine wine64
          xdotool imagemagick dpkg-dev clang-format)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null

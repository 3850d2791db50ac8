#!/usr/bin/env bash
# Builds the shipped Windows programs a second time, from a copy of these sources in another
# folder (the same kits, the files' times of now), and checks that every byte of installer.exe,
# uninstaller.exe and the launcher's folder equals those of build-windows/ (scripts/windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
for file in bin/installer.exe bin/uninstaller.exe launcher/launcher.exe; do
    [ -f "build-windows/$file" ] || { echo "no build-windows/$file: run scripts/windows.sh build first" >&2; exit 1; }
done
# The linker orders some inputs by path: build on the other side of the system's /usr.
base=/tmp
[[ "$PWD" < /usr ]] && base=/var/tmp
other=$(mktemp -d "$base/zelvane-second-build-XXXXXX")
trap 'rm -rf "$other"' EXIT
# The sources as they stand (what git tracks, and new files not ignored), under another path,
# with the files' times of now: nothing may depend on them.
mkdir -p "$other/elsewhere/sources"
git ls-files -z -co --exclude-standard | tar --null -T - -cf - | tar --touch -xf - -C "$other/elsewhere/sources"
started=$(date +%s)
(cd "$other/elsewhere/sources" && scripts/windows.sh programs >"$other/build.log" 2>&1) ||
    { tail -30 "$other/build.log" >&2; exit 1; }
echo "second build in $(($(date +%s) - started)) s, in $other/elsewhere/sources"
failures=0
for file in bin/installer.exe bin/uninstaller.exe $(cd build-windows && find launcher -type f | sort); do
    if cmp -s "build-windows/$file" "$other/elsewhere/sources/build-windows/$file"; then
        echo "  same  $file"
    else
        echo "  DIFF  $file"
        failures=$((failures + 1))
    fi
done
[ "$(cd build-windows/launcher && find . -type f | sort)" = "$(cd "$other/elsewhere/sources/build-windows/launcher" && find . -type f | sort)" ] ||
    { echo "  DIFF  the launcher's folders hold different files"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] && echo "reproducible: the same bytes" || echo "reproducible: $failures files differ"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# run-under-wine.sh PREFIX PROGRAM.exe: runs a Windows test program under Wine, headless,
# in a Wine prefix of the build's own (made on first use).
set -euo pipefail
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot --init >/dev/null 2>&1 || true
    wineserver --wait
fi
cd "$(dirname "$2")"
status=0
wine "$2" || status=$?
wineserver --kill || true
exit "$status"

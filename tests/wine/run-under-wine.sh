#!/usr/bin/env bash
# run-under-wine.sh PREFIX PROGRAM.exe [ARGUMENTS...]: runs a Windows program under Wine in a
# Wine prefix of the build's own (made on first use), from the program's folder. Headless
# unless DISPLAY is set, or ZELVANE_DISPLAY_FILE names the file of a display fixture
# (display-fixture.sh). Also CTest's emulator for the cross-built suites.
set -euo pipefail
if [ -z "${DISPLAY:-}" ] && [ -s "${ZELVANE_DISPLAY_FILE:-}" ]; then
    DISPLAY=$(head -1 "$ZELVANE_DISPLAY_FILE")
fi
export WINEPREFIX=$(realpath -m "$1") WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" DISPLAY=${DISPLAY:-}
program=$2
shift 2
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver --wait
fi
# Wine hands a program its QT_ variables only when they are spelled WINEQT_.
while IFS='=' read -r name value; do
    export "WINE$name=$value"
done < <(env | grep '^QT_' || true)
# Qt's off-screen platform finds no fonts of Windows' under Wine: give it the CJK font.
export WINEQT_QPA_FONTDIR=${WINEQT_QPA_FONTDIR:-Z:/usr/share/fonts/opentype/noto}
export WINEQT_FORCE_STDERR_LOGGING=1
cd "$(dirname "$program")"
status=0
wine "$program" "$@" || status=$?
wineserver --kill 2>/dev/null || true
exit "$status"

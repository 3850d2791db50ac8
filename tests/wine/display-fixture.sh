#!/usr/bin/env bash
# display-fixture.sh start|stop FILE: CTest's fixture for the Windows suites that need an X
# display (Wine's own message boxes, the programs' real windows). start leaves an Xvfb running
# and writes its DISPLAY and process into FILE; stop ends it. run-under-wine.sh reads FILE.
set -euo pipefail
file=$2
if [ "$1" = stop ]; then
    [ -f "$file" ] && kill "$(sed -n 2p "$file")" 2>/dev/null || true
    rm -f "$file"
    exit 0
fi
DISPLAY_FUNCTIONS_ONLY=1 . "$(dirname "$0")/../../scripts/display.sh"
unset DISPLAY
start_xvfb
printf '%s\n%s\n' "$DISPLAY" "$XVFB_PID" >"$file"

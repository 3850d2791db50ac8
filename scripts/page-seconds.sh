#!/usr/bin/env bash
# Prints how long the installer's progress page stands, in whole seconds rounded up, from the
# values the page itself is built with (installer/myinstall.h): the scripts wait by it.
set -euo pipefail
header=$(dirname "$0")/../installer/myinstall.h
value() {
    local found
    found=$(sed -n "s/.*constexpr int $1 = \([0-9]*\);.*/\1/p" "$header")
    [ -n "$found" ] || { echo "page-seconds.sh: no $1 in $header" >&2; exit 1; }
    echo "$found"
}
echo $((($(value tickMs) * $(value ticksToEnd) + $(value handOverPauseMs) + 999) / 1000))

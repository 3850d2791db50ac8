#!/usr/bin/env bash
# Builds and runs every test, headless; arguments go to ctest (-R NAME, -L LABEL). Run as root,
# it then checks that the suites left /usr, /etc and the system's shells as they were.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build test
scripts/build.sh
stamp=$(mktemp)
trap 'rm -f "$stamp"' EXIT
scripts/unchanged.sh mark "$stamp"
status=0
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2 "$@") || status=$?
scripts/unchanged.sh check "$stamp" || status=1
exit $status

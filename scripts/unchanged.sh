#!/usr/bin/env bash
# unchanged.sh mark FILE | check FILE: whether the tests left the machine as they found it.
# "mark" notes the time before the suites; "check" fails, naming them, if anything under /usr or
# /etc changed since (by change time, so a mode or owner counts as much as the contents), if
# another user can no longer run the system's shells, or if the suites left something in /tmp
# (Wine's own server folders aside). It only says something as root: nobody
# else's tests could change those files.
set -euo pipefail
what=${1:-} stamp=${2:-}
[ -n "$stamp" ] && { [ "$what" = mark ] || [ "$what" = check ]; } ||
    { echo "usage: $0 mark|check FILE" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || exit 0
if [ "$what" = mark ]; then
    ls -A /tmp >"$stamp"
    sleep 0.1 # file times move in clock ticks: a change right after the mark still counts
    exit 0
fi

started=$(date +%s%N)
changed=$(find /usr /etc -xdev -cnewer "$stamp" -print 2>/dev/null | head -50)
left=$(ls -A /tmp | grep -vxF -f "$stamp" | grep -vE '^\.?wine-' | head -20 || true)
shells=()
for shell in /bin/sh /bin/bash; do
    runuser -u nobody -- "$shell" -c 'exit 0' 2>/dev/null ||
        shells+=("$shell")
done
took=$((($(date +%s%N) - started) / 1000000))
if [ -n "$changed" ] || [ -n "$left" ] || [ ${#shells[@]} -gt 0 ]; then
    echo "The tests changed the machine (checked in $took ms):" >&2
    [ -z "$changed" ] || { echo "  changed under /usr or /etc while they ran:"; sed 's/^/    /' <<<"$changed"; } >&2
    [ ${#shells[@]} -eq 0 ] || echo "  another user can no longer run: ${shells[*]}" >&2
    [ -z "$left" ] || { echo "  left in /tmp:"; sed 's|^|    /tmp/|' <<<"$left"; } >&2
    echo "  Put them back (a system file: reinstall its package) and find the test that did it." >&2
    exit 1
fi
echo "The machine is as the tests found it: /usr and /etc unchanged, shells runnable by others, nothing left in /tmp ($took ms)."

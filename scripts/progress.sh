#!/usr/bin/env bash
# progress.sh LABEL EVERY [steps-only]: reads a Ninja build's output and prints "[LABEL] step N
# of M" every EVERY steps and at the last, so a long build shows it is moving without a page of
# lines. Every other line (a compiler's warning or error) passes through, unless steps-only.
exec awk -v label="$1" -v every="${2:-25}" -v only="${3:-}" '
/^\[[0-9]+\/[0-9]+\]/ {
    s = $1; gsub(/[][]/, "", s); split(s, n, "/")
    if (n[1] > 0 && (n[1] % every == 0 || n[1] == n[2])) { print "[" label "] step " n[1] " of " n[2]; fflush() }
    next
}
only == "" { print; fflush() }'

#!/usr/bin/env bash
# windows-bench.sh BUILD [RUNS]: the Windows programs under Wine on the X display in DISPLAY,
# each against its yardstick built the same way, measured the same way in the same run:
# installer.exe from start to its window shown and its peak memory then, against
# bench-barewindow.exe showing the welcome picture after starting the splash's taskkill, as the
# installer must (and, for information, the empty window); a successful run of the launcher's folder against bench-bareprogram.exe in
# the same folder, which loads the same library and starts the same updateSelf.exe.
# Prints one table of medians.
set -euo pipefail
build=$(cd "$1" && pwd)
runs=${2:-7}
work=$build/bench-runs
rm -rf "$work" && mkdir -p "$work"
export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || { wineboot --init >/dev/null 2>&1; wineserver --wait; }
wineserver -p # one server for every run, so no run pays for starting it
trap 'wineserver --kill 2>/dev/null || true' EXIT
now() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# window EXE [ARGS...]: prints "milliseconds-to-shown peak-KiB" for one start of a window.
window() {
    local start pid id
    start=$(now)
    wine "$@" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 1 2000); do
        id=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1) && [ -n "$id" ] && break
        sleep 0.005
    done
    local shown=$(( ($(now) - start) / 1000000 ))
    local peak
    peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
    echo "$shown $peak"
}
# whole EXE: milliseconds for one run to its end.
whole() {
    local start
    start=$(now)
    wine "$@" >/dev/null 2>&1
    echo $(( ($(now) - start) / 1000000 ))
}

updates=$work/updates
mkdir -p "$updates"
cp -r "$build/launcher/." "$updates/"
cp "$build/shared/tests/libs/sample/orvixupdate.dll" "$build/shared/tests/libs/updateSelf.exe" \
    "$build/shared/bench/bench-bareprogram.exe" "$updates/"
touch "$updates/update.zup"

for _ in $(seq 1 "$runs"); do
    window "$build/bin/installer.exe" >>"$work/installer"
    window "$build/bench/bench-barewindow.exe" --picture --kill-splash >>"$work/barewindow-picture"
    window "$build/bench/bench-barewindow.exe" >>"$work/barewindow"
    whole "$updates/launcher.exe" >>"$work/launcher"
    whole "$updates/bench-bareprogram.exe" "$(winepath -w "$updates")" >>"$work/bareprogram"
done

row() { # row MEASURE UNIT PROGRAM YARDSTICK TARGET (- for information only)
    awk -v m="$1" -v u="$2" -v p="$3" -v l="$4" -v t="$5" \
        'BEGIN { r = p / l; printf "| %s | %s %s | %s %s | %.2f | %s | %s |\n", m, p, u, l, u, r,
                 (t == "-" ? "-" : "<= " t), (t == "-" ? "-" : r <= t ? "yes" : "no") }'
}
echo "Under Wine $(wine --version), $runs runs each, medians:"
echo "| measure | program | yardstick | ratio | target | met |"
echo "|---|---|---|---|---|---|"
row "installer.exe: start to window shown" ms "$(cut -d' ' -f1 "$work/installer" | median)" "$(cut -d' ' -f1 "$work/barewindow-picture" | median)" 1.10
row "installer.exe: peak memory then" KiB "$(cut -d' ' -f2 "$work/installer" | median)" "$(cut -d' ' -f2 "$work/barewindow-picture" | median)" 1.15
row "installer.exe: start to window shown, empty window" ms "$(cut -d' ' -f1 "$work/installer" | median)" "$(cut -d' ' -f1 "$work/barewindow" | median)" -
row "launcher.exe: successful run" ms "$(median <"$work/launcher")" "$(median <"$work/bareprogram")" 1.10

# Sourced: gives the script an X display of its own (Xvfb, ended when the script ends) unless
# DISPLAY names one already. Xvfb picks a free display number itself (-displayfd): never one
# that another X server holds, whose windows the script would then click in.

# start_xvfb: starts Xvfb, sets DISPLAY and XVFB_PID; fails saying why when none comes up.
start_xvfb() {
    local number log
    number=$(mktemp)
    log=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number" >"$log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 100); do
        grep -qx '[0-9]\+' "$number" && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    if ! grep -qx '[0-9]\+' "$number"; then
        echo "Xvfb did not come up: $(tail -5 "$log")" >&2
        kill "$XVFB_PID" 2>/dev/null
        rm -f "$number" "$log"
        return 1
    fi
    export DISPLAY=:$(cat "$number")
    rm -f "$number" "$log"
}

if [ -z "${DISPLAY:-}" ] && [ -z "${DISPLAY_FUNCTIONS_ONLY:-}" ]; then
    start_xvfb || exit 1
    trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
fi

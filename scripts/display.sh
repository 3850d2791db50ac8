# Sourced: gives the script an X display of its own (Xvfb, ended when the script ends) unless
# DISPLAY names one already.
if [ -z "${DISPLAY:-}" ]; then
    display=:$((90 + RANDOM % 200))
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null || true' EXIT
    export DISPLAY=$display
    sleep 1
fi

#!/usr/bin/env bash
# Runs the programs in a sandbox of their own: its own HOME and XDG folders, a TMP folder
# with a stand-in setup.exe that lays out a demo product, and a running stand-in splash.
# Without a display the windows are rendered to build/screenshots/ instead.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
echo "Building the programs (a few minutes the first time) ..."
scripts/build.sh | scripts/progress.sh build 25
bin=$root/build/bin

sandbox=$root/build/demo-sandbox
rm -rf "$sandbox"
mkdir -p "$sandbox/home/Desktop" "$sandbox/tmp" "$sandbox/splash"
export HOME=$sandbox/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share TMP=$sandbox/tmp
unset XDG_RUNTIME_DIR
product=$HOME/Zelvane2.0
shortcut="Zelvane儿童电脑操作系统2.0.lnk"
log=$sandbox/demo.log
: >"$log"

# The stand-in setup program: lays out the product, its shortcuts and its Start-menu group.
cat >"$TMP/setup.exe" <<SETUP
#!/bin/sh
mkdir -p "$product/lessons/数学" "$product/paint" "$XDG_CONFIG_HOME/autostart" \\
         "$XDG_DATA_HOME/applications/Zelvane2.0"
echo "1+1=2" >"$product/lessons/数学/第一课.txt"
echo "colours" >"$product/paint/palette.txt"
echo "kept: hidden" >"$product/lessons/.settings"
[ -x "$bin/uninstaller" ] && cp "$bin/uninstaller" "$product/"
printf '#!/bin/sh\necho "Zelvane 2.0 started" >>"$log"\n' >"$HOME/Desktop/$shortcut"
chmod +x "$HOME/Desktop/$shortcut"
cp "$HOME/Desktop/$shortcut" "$XDG_CONFIG_HOME/autostart/$shortcut"
touch "$XDG_DATA_HOME/applications/Zelvane2.0/Zelvane.desktop"
echo "setup.exe laid out the product in $product" >>"$log"
SETUP
chmod 0755 "$TMP/setup.exe" # nobody else may change it, whatever the umask

show_tree() {
    echo "--- $1"
    (cd "$sandbox" && find home -mindepth 1 | sort | sed 's/^/    /')
}

# The launcher has no window: it runs the same with or without a display.
demo_launcher() {
    local folder=$sandbox/updates
    mkdir -p "$folder"
    cp "$bin/launcher" "$root/build/tests/libs/sample/orvixupdate.so" "$root/build/tests/libs/updateSelf.exe" "$folder/"
    echo "--- launcher, no update package beside it"
    QT_QPA_PLATFORM=offscreen "$folder/launcher" && echo "    exit status 0; self-updater started: $([ -f "$folder/updateSelf.log" ] && echo yes || echo no)"
    touch "$folder/Zelvane 2.1 更新.zup"
    echo "--- launcher, with \"Zelvane 2.1 更新.zup\" beside it"
    QT_QPA_PLATFORM=offscreen "$folder/launcher" && echo "    exit status 0"
    sleep 1
    echo "    updateSelf.exe was given: $(cat "$folder/updateSelf.log" 2>/dev/null || echo nothing)"
}

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    shots=$root/build/screenshots
    echo "No display: rendering every window to $shots instead."
    QT_QPA_PLATFORM=offscreen "$bin/installer-shots" "$shots"
    QT_QPA_PLATFORM=offscreen "$bin/uninstaller-shots" "$shots"
    demo_launcher
    exit 0
fi

# The splash that the installer ends as it starts.
ln -sf "$(command -v sleep)" "$sandbox/splash/loding.exe"
"$sandbox/splash/loding.exe" 600 &
splash=$!
disown "$splash"

echo "Installer: press 下一步; the progress page runs about $(scripts/page-seconds.sh) seconds, then choose on the finish page."
"$bin/installer" || true
if kill -0 "$splash" 2>/dev/null; then
    echo "splash still running"
    kill "$splash"
else
    echo "splash ended by the installer"
fi
sleep 1
cat "$log"
show_tree "after the installer"

if [ -x "$product/uninstaller" ]; then
    echo "Uninstaller: press 立即卸载, then close the completion page."
    "$product/uninstaller" || true
    sleep 1
    show_tree "after the uninstaller"
fi
demo_launcher

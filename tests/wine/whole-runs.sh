#!/usr/bin/env bash
# whole-runs.sh BUILD: the real installer.exe and uninstaller.exe (BUILD/bin) and the launcher's
# folder (BUILD/launcher, its samples in BUILD/shared) of a Windows build, each run under Wine on
# the X display in DISPLAY and driven as a person would, with clicks on the documented places of
# their windows. Every window is photographed into
# BUILD/screenshots/. Exit status 0 when every check held; each failed check is printed.
set -uo pipefail
build=$(cd "$1" && pwd)
bin=$build/bin
samples=$build/shared/tests/libs
wine32=$build/tests/wine
shots=$build/screenshots
runs=$build/whole-runs
rm -rf "$runs" "$shots"
mkdir -p "$runs/home" "$shots"
# A prefix and a home of their own, made anew: Wine's shell folders start empty every time.
# winemenubuilder off: it would turn the shortcuts into .desktop files of the host.
export HOME=$runs/home WINEPREFIX=$runs/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset XDG_DESKTOP_DIR XDG_CONFIG_HOME XDG_DATA_HOME
wineboot --init >/dev/null 2>&1
wineserver --wait

failures=0
check() { # check DESCRIPTION COMMAND...: one line per check
    if "${@:2}"; then echo "  ok    $1"; else echo "  FAIL  $1"; failures=$((failures + 1)); fi
}
not() { ! "$@"; }
unix() { winepath -u "$1" 2>/dev/null; }
windows_var() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }

# The window named NAME (and of size WxH, if given) once it is shown, within SECONDS (if not
# given 60: a generous bound for a window to come up under Wine on a busy machine); sets X Y
# WIDTH HEIGHT.
wait_window() {
    local name=$1 size=${2:-} id
    for _ in $(seq 1 $((${3:-60} * 5))); do
        for id in $(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null); do
            eval "$(xdotool getwindowgeometry --shell "$id")"
            if [ -z "$size" ] || [ "${WIDTH}x${HEIGHT}" = "$size" ]; then
                WINDOW=$id
                return 0
            fi
        done
        sleep 0.2
    done
    return 1
}
shoot() { sleep 1.5; import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$1.png"; }
click() { # at a point of the current window, at a person's pace
    xdotool mousemove $((X + $1)) $((Y + $2)) sleep 0.3 mousedown 1 sleep 0.1 mouseup 1 sleep 0.3
}
eventually() { # eventually COMMAND...: holds within 20 seconds (what a started program does)
    for _ in $(seq 1 100); do "$@" && return 0; sleep 0.2; done
    return 1
}
finished() { # finished PID SECONDS: the process ended within that time
    for _ in $(seq 1 $(($2 * 5))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.2; done
    return 1
}

shortcut="Zelvane儿童电脑操作系统2.0.lnk"
page_seconds=$("$(dirname "$0")/../../scripts/page-seconds.sh")
desktop=$(unix "$(windows_var USERPROFILE)\\Desktop")
startup=$(unix "$(windows_var APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Startup")
programs=$(unix "$(windows_var APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")
product_win="$(windows_var ProgramFiles)\\Zelvane2.0"
product=$(unix "$product_win")

echo "installer.exe"
# TMP with a blank and Chinese characters in it, as the installer's processes see it.
tmp_win="$(windows_var USERPROFILE)\\安装 临时"
wine reg add 'HKCU\Environment' /v TMP /d "$tmp_win" /f >/dev/null 2>&1
wineserver --wait
tmp=$(unix "$tmp_win")
mkdir -p "$tmp" "$runs/splash"
cp "$wine32/setup.exe" "$wine32/recorder.exe" "$bin/uninstaller.exe" "$tmp/"
cp "$wine32/sleeper.exe" "$runs/splash/loding.exe"
wine "$runs/splash/loding.exe" &
splash=$!
sleep 2
# Wine's process log shows every command line the installer starts.
WINEDEBUG=+process wine "$bin/installer.exe" 2>"$runs/installer-processes.log" &
installer=$!
check "the running loding.exe is ended at start" finished "$splash" 20
if wait_window MainWindow 560x424; then
    shoot installer-welcome
    click 458 305 # 下一步
    check "the progress page shows" wait_window MainWindow 579x454
    sleep 4 # a slide or two
    shoot installer-progress
    check "setup.exe is started from %TMP% (blank, Chinese)" eventually grep -q 'laid out' "$tmp/setup-ran.txt"
    # The page's own time, and as much again for a slow start under Wine.
    check "the finish page shows after the progress page" wait_window MainWindow 539x437 $((2 * page_seconds))
    shoot installer-finish
    click 47 258 # the box of 设置开机启动, to clear it
    sleep 0.5
    shoot installer-finish-cleared
    click 75 310 # 完成
    wait "$installer"
    check "installer.exe ends with status 0" test $? -eq 0
    # Wine 8's cmd opens no .lnk file ("Can't recognize ... as an internal or external command";
    # Windows' cmd hands it to the shell): what is checked is the command line started, from
    # Wine's process log, where the shortcut's Chinese name stands as \\uXXXX escapes.
    profile=$(windows_var USERPROFILE)
    desktop_command='app L"C:\\windows\\system32\\cmd.exe" cmdline L"cmd /C \"\"'${profile//\\/\\\\}'\\Desktop\\Zelvane\513f\7ae5\7535\8111\64cd\4f5c\7cfb\7edf2.0.lnk\"\""'
    check "cmd /C \"\"<Desktop>\\<shortcut>\"\" is started from the system folder" grep -qF "$desktop_command" "$runs/installer-processes.log"
    check "the Startup shortcut is deleted" eventually test ! -e "$startup/$shortcut"
    check "the Desktop shortcut stays" test -e "$desktop/$shortcut"
else
    check "the welcome window shows" false
    kill "$installer" 2>/dev/null
fi

# No setup program it may start (an empty TMP in the registry: Wine then gives its own temp
# folder, which holds none), then one that ends with a failure before the hand-over: a box each
# time instead of the success page, status 1.
failed_install() { # failed_install NAME BOX-TITLE PICTURE SECONDS
    wine "$bin/installer.exe" &
    local installer=$!
    if wait_window MainWindow 560x424; then
        click 458 305 # 下一步
        if wait_window "$2" "" "$4"; then
            shoot "$3"
            xdotool key --window "$WINDOW" Return
            wait "$installer"
            check "$1: the $2 box, then status 1" test $? -eq 1
        else
            check "$1: the $2 box shows" false
            kill "$installer" 2>/dev/null
        fi
        check "$1: no finish page" not wait_window MainWindow 539x437 1
    else
        check "$1: the welcome window shows" false
        kill "$installer" 2>/dev/null
    fi
}
echo "installer.exe, no setup program or a failing one"
wine reg add 'HKCU\Environment' /v TMP /d "" /f >/dev/null 2>&1
wineserver --wait
failed_install "no setup.exe in TMP" 安装失败 installer-setup-missing 20
wine reg add 'HKCU\Environment' /v TMP /d "$tmp_win" /f >/dev/null 2>&1
wineserver --wait
echo 1603 >"$tmp/setup-fails.txt"
failed_install "setup.exe ended with 1603" 安装未完成 installer-setup-failed $((2 * page_seconds))
rm "$tmp/setup-fails.txt"

echo "uninstaller.exe"
# No junction here: Wine 8 makes none (mklink /J and FSCTL_SET_REPARSE_POINT are not supported),
# and a host link inside the prefix is a plain folder to Windows programs.
# Started from its own folder, with the current folder there, as Explorer does.
(cd "$product" && wine uninstaller.exe) &
uninstaller=$!
if wait_window MainWindow 570x462; then
    shoot uninstaller-main
    click 436 290 # 立即卸载
    sleep 0.3
    shoot uninstaller-running
    check "the completion page shows" wait_window MainWindow 516x424
    shoot uninstaller-done
    click 454 36 # close
    wait "$uninstaller"
    check "uninstaller.exe ends with status 0" test $? -eq 0
    remaining=$(cd "$product" && find . -mindepth 1 | sort | tr '\n' ' ')
    check "the product folder keeps only the hidden file, its folder and the running uninstaller.exe ($remaining)" \
        test "$remaining" = "./lessons ./lessons/.settings ./uninstaller.exe "
    check "the Desktop shortcut is gone" test ! -e "$desktop/$shortcut"
    check "the Start-menu group is gone" test ! -e "$programs/Zelvane2.0"
else
    check "the uninstaller's window shows" false
    kill "$uninstaller" 2>/dev/null
fi

# Copies started from folders the system protects, or reached through a link to one: Start
# leaves their files alone, and the run still ends on its completion page.
protected_run() { # protected_run NAME FOLDER
    local folder=$2 pid
    mkdir -p "$folder" && touch "$folder/canary.txt" && cp "$bin/uninstaller.exe" "$folder/"
    (cd "$folder" && wine uninstaller.exe) &
    pid=$!
    if wait_window MainWindow 570x462; then
        click 436 290 # 立即卸载
        check "$1: the completion page shows" wait_window MainWindow 516x424
        click 454 36
        wait "$pid"
        check "$1: its files stay" test -e "$folder/canary.txt"
    else
        check "$1: the uninstaller's window shows" false
        kill "$pid" 2>/dev/null
    fi
    rm -f "$folder/uninstaller.exe" "$folder/canary.txt"
}
profile_unix=$(unix "$(windows_var USERPROFILE)")
protected_run "Favorites" "$profile_unix/Favorites"
protected_run "Common Files" "$(unix "$(windows_var CommonProgramFiles)")"
ln -s "$profile_unix" "$runs/profile-alias"
protected_run "the profile through a link" "$runs/profile-alias"
rm "$runs/profile-alias"

echo "launcher.exe"
updates=$runs/updates
run_launcher() { # run_launcher VARIANT: the launcher's folder with that library (or none)
    rm -rf "$updates" && mkdir -p "$updates"
    cp -r "$build/launcher/." "$updates/"
    cp "$samples/updateSelf.exe" "$updates/"
    [ -n "$1" ] && cp "$samples/$1/orvixupdate.dll" "$updates/"
    touch "$updates/Zelvane 2.1 更新.zup"
}
run_launcher sample
wine "$updates/launcher.exe" --quiet
check "launcher.exe ends with status 0" test $? -eq 0
check "updateSelf.exe is started with the library's path" \
    eventually grep -qsx "updateSelf.exe Z:$updates/Zelvane 2.1 更新.zup" "$updates/updateSelf.log"
run_launcher slow
wine "$updates/launcher.exe" &
first=$!
sleep 1.5
started=$(date +%s%N)
wine "$updates/launcher.exe"
check "a second copy ends at once with status 0" test $? -eq 0 -a $(($(date +%s%N) - started)) -lt 1500000000
wait "$first"
check "the library was called once" test "$(grep -c called "$updates/orvixupdate.log")" -eq 1
for row in "noexport|Warning!|launcher-warning" "|Error|launcher-error"; do
    IFS='|' read -r variant title picture <<<"$row"
    run_launcher "$variant"
    wine "$updates/launcher.exe" &
    box=$!
    if wait_window "$title"; then
        shoot "$picture"
        xdotool key --window "$WINDOW" Return 2>/dev/null
        check "the \"$title\" box is answered and the launcher ends" finished "$box" 10
    else
        check "the \"$title\" box shows" false
        kill "$box" 2>/dev/null
    fi
done

# The library makes the application object and closes boxes with its timer: that works only
# when the launcher and the library share one QtCore.
run_launcher ownapp
rm "$updates/updateSelf.exe"
wine "$updates/launcher.exe" &
box=$!
if finished "$box" 15; then
    wait "$box"
    check "the library's timer closed the launcher's box; status 1 (no self-updater)" test $? -eq 1
else
    check "the library's timer closes the launcher's box" false
    kill "$box" 2>/dev/null
fi
check "the library found no application object of the launcher's" grep -qs '^called app=no' "$updates/orvixupdate.log"

# A look-alike image plugin planted beside each static program, and beside a plain program on
# the shared Qt for comparison: a static Qt loads no plugin file at all.
echo "planted plugins"
planted_run() { # planted_run PROGRAM LOADED FILES...: LOADED is what must happen
    local folder=$runs/planted-${1%.exe} mark loaded=no
    mkdir -p "$folder/imageformats"
    cp -r "${@:3}" "$folder/"
    cp "$build/shared/tests/lookalikeimage.dll" "$folder/imageformats/"
    mark=$folder/mark
    ZELVANE_PLUGIN_MARK=$(winepath -w "$mark" 2>/dev/null) wine "$folder/$1" \
        "$(winepath -w "$(dirname "$0")/../../installer/sourcess/01.png" 2>/dev/null)" &
    local pid=$!
    for _ in $(seq 1 40); do [ -e "$mark" ] && break; kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    sleep 1
    [ -e "$mark" ] && loaded=yes
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    check "$1 with a plugin planted beside it: loaded $loaded" test "$loaded" = "$2"
}
planted_run installer.exe no "$bin/installer.exe"
planted_run uninstaller.exe no "$bin/uninstaller.exe"
planted_run plainviewer.exe yes "$build/shared/tests/plainviewer.exe" "$build/shared/tests/"*.dll \
    "$build/shared/tests/platforms"

wineserver --kill 2>/dev/null
echo "screenshots in $shots"
[ "$failures" -eq 0 ] && echo "whole runs: all checks held" || echo "whole runs: $failures checks failed"
[ "$failures" -eq 0 ]

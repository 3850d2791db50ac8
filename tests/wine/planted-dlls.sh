#!/usr/bin/env bash
# planted-dlls.sh BUILD PROGRAM.exe...: no DLL left beside a program runs. Each program is put
# in a downloads folder (a program shipped as a folder, with Qt6Core.dll beside it, with its
# folder) together with a look-alike of every DLL it or its folder's DLLs name that is not one
# of Windows' KnownDLLs nor shipped in the folder: those of their import tables, and any other
# "<name>.dll" in their text (delay-loaded and dynamically loaded ones). A look-alike
# exports what the program imports from the real one, and its DllMain leaves a mark. Wine is
# told to prefer a DLL from the program's folder, as Windows does, and the program runs for a
# while. A plain program importing version.dll shows that a planted DLL does run.
# Wine's own system DLLs look for some of their dependencies in the program's folder too (its
# user32 imports version.dll, its comctl32 loads uxtheme.dll), where Windows takes a KnownDLL's
# dependencies from the system folder. A bare program importing what the program imports shows
# which: those look-alikes running are Wine's doing and are told apart. Exit status 0 when no
# other look-alike ran beside any of the three.
set -uo pipefail
build=$(cd "$1" && pwd)
shift
if [ -z "${DISPLAY:-}" ] && [ -s "${ZELVANE_DISPLAY_FILE:-}" ]; then
    export DISPLAY=$(head -1 "$ZELVANE_DISPLAY_FILE")
fi
work=$build/planted-dlls
rm -rf "$work"
mkdir -p "$work/looks"
export WINEPREFIX=$work/prefix WINEDEBUG=-all
cc=x86_64-w64-mingw32-gcc
objdump=x86_64-w64-mingw32-objdump
imports=/usr/x86_64-w64-mingw32/lib
# Windows 10 and 11 load these from the system folder only, whatever lies beside a program.
known=" advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32
        kernelbase msctf msvcrt normaliz nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi
        shcore shell32 shlwapi user32 wldap32 ws2_32 "
known=" $(echo $known) "
wineboot --init >/dev/null 2>&1
wineserver --wait
marks=$WINEPREFIX/drive_c/planted

cat >"$work/look.c" <<'EOF'
#include <windows.h>
// Leaves C:\planted\<its own file name> when loaded, and does nothing else.
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID unused)
{
    (void)unused;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH], mark[MAX_PATH + 16] = "C:\\planted\\";
        GetModuleFileNameA(self, path, MAX_PATH);
        const char *name = strrchr(path, '\\');
        lstrcatA(mark, name ? name + 1 : path);
        CreateDirectoryA("C:\\planted", NULL);
        CloseHandle(CreateFileA(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    }
    return TRUE;
}
int stub(void) { return 0; }
EOF
cat >"$work/control.c" <<'EOF'
#include <windows.h>
int main(void) { DWORD unused; return GetFileVersionInfoSizeW(L"C:\\windows\\system32\\kernel32.dll", &unused) ? 0 : 3; }
EOF
$cc -o "$work/control.exe" "$work/control.c" -lversion || exit 1

# Whether PROGRAM is shipped as a folder (its Qt beside it).
shipped_as_folder() { [ -f "$(dirname "$1")/Qt6Core.dll" ]; }
# The files of PROGRAM: itself, and for a program shipped as a folder every DLL there.
files_of() {
    echo "$1"
    if shipped_as_folder "$1"; then find "$(dirname "$1")" -iname '*.dll' | sort; fi
}
# A C program that imports one function of each KnownDLL that FILES import, and the -l
# options it links with.
bare_program() {
    $objdump -p "$@" | awk -v known="$known" '
        /^\tDLL Name: / { dll = tolower($3); sub(/\.dll$/, "", dll); taken = !index(known, " " dll " ") || seen[dll]++ }
        !taken && dll != "" && /^\t[0-9a-f]+\t/ && NF >= 3 {
            print "extern int " $3 "(void);"; refs = refs "(void *)" $3 ", "; libs = libs " -l" dll; taken = 1 }
        END { print "void *volatile used[] = {" refs "0};"; print "int main(void) { return used[0] == 0; }"; print "//" libs }'
}

# The DLLs FILES name, lower case, one a line.
named_dlls() {
    {
        $objdump -p "$@" | sed -n 's/^\tDLL Name: //p'
        strings -a "$@"
        strings -a -el "$@"
    } | grep -oiE '[a-z0-9_.+-]+\.dll' | tr 'A-Z' 'a-z' | sort -u
}
# What FILES import from DLL by name, as their import tables say: imported_from DLL FILES...
imported_from() {
    local dll=$1
    shift
    $objdump -p "$@" | awk -v dll="$dll" '
        /^\tDLL Name: / { current = tolower($3) }
        current == dll && /^\t[0-9a-f]+\t/ && NF >= 3 { print $3 }
        /^$/ { current = "" }'
}
# Makes a look-alike of DLL for PROGRAM, once per program (its bare twin takes the same ones).
make_look_alike() {
    local program=$1 dll=$2 base=${2%.dll} made
    made=$work/looks/$(basename "$program" .exe)
    [ -f "$made/$dll" ] && return 0
    mkdir -p "$made"
    {
        echo "LIBRARY \"$dll\""
        echo "EXPORTS"
        {
            imported_from "$dll" $(files_of "$program")
            [ -f "$imports/lib$base.a" ] &&
                x86_64-w64-mingw32-nm --defined-only "$imports/lib$base.a" 2>/dev/null | awk '$2 == "T" { print $3 }'
        } | sort -u | sed 's/$/=stub/'
    } >"$made/$base.def"
    $cc -shared -o "$made/$dll" "$work/look.c" "$made/$base.def" 2>>"$work/looks/errors.log"
}

# Runs PROGRAM in a downloads folder of its own beside look-alikes of the DLLs that NAMER
# (PROGRAM itself unless given) names; prints the marks left.
run_planted() {
    local program=$1 namer=${2:-$1} name folder planted=()
    name=$(basename "$program" .exe)
    folder=$WINEPREFIX/drive_c/users/Public/Downloads/$name
    rm -rf "$folder" && mkdir -p "$folder"
    if shipped_as_folder "$program"; then
        cp -r "$(dirname "$program")/." "$folder/"
    else
        cp "$program" "$folder/"
    fi
    local dlls=()
    for dll in $(named_dlls $(files_of "$namer")); do
        case "$known" in *" ${dll%.dll} "*) continue ;; esac
        ls "$folder" | tr 'A-Z' 'a-z' | grep -qxF "$dll" && continue # shipped with the program
        case "$dll" in api-ms-*|ext-ms-*|"$(basename "$namer" .exe).dll"|orvixupdate.dll) continue ;; esac
        dlls+=("$dll")
        make_look_alike "$namer" "$dll" &
    done
    wait
    for dll in "${dlls[@]}"; do
        cp "$work/looks/$(basename "$namer" .exe)/$dll" "$folder/" 2>/dev/null && planted+=("${dll%.dll}")
    done
    echo "  $name: ${#planted[@]} look-alikes: ${planted[*]}" >&2
    rm -rf "$marks"
    local overrides
    overrides=$(IFS=,; echo "${planted[*]}")
    (cd "$folder" && WINEDLLOVERRIDES="$overrides=n,b;mscoree,mshtml=;winemenubuilder.exe=d" \
        timeout 60 wine "$name.exe" >/dev/null 2>&1) &
    sleep "${PLANTED_SECONDS:-8}" # the window, or the launcher's box, is up by then
    wineserver --kill 2>/dev/null
    wait
    ls "$marks" 2>/dev/null | tr 'A-Z\n' 'a-z '
}

failures=0
ran=$(run_planted "$work/control.exe")
if [ "$ran" = "version.dll " ]; then
    echo "  ok    a look-alike version.dll beside a plain program runs (the planting works)"
else
    echo "  FAIL  the planting works: the plain program's look-alikes that ran: '$ran'"
    failures=$((failures + 1))
fi
for program in "$@"; do
    name=$(basename "$program")
    bare_program $(files_of "$program") >"$work/bare.c"
    $cc -o "$work/bare.exe" "$work/bare.c" $(tail -1 "$work/bare.c" | cut -c3-) || exit 1
    wines=$(run_planted "$work/bare.exe" "$program")
    echo "  (Wine's own system DLLs load these from $name's folder: ${wines:-none})"
    ran=$(run_planted "$program")
    for own in $wines; do ran=${ran/$own /}; done
    if [ -z "$ran" ]; then
        echo "  ok    no DLL beside $name runs"
    else
        echo "  FAIL  look-alikes beside $name ran: $ran"
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] && echo "planted DLLs: none ran" || echo "planted DLLs: $failures checks failed"
[ "$failures" -eq 0 ]

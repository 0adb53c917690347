#!/usr/bin/env bash
# The Windows packages as a user meets them: the programs need no DLL beyond
# Windows' own, the zip holds both programs, the README and the licence, and
# under Wine the installer runs silently (/S), puts the files into Program
# Files with a Start-menu entry and an uninstall entry, and its uninstaller
# takes all of it away again.
#   tests/package/check-windows.sh WINDOWS_BUILD_FOLDER
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-build-windows}" && pwd)
zip=$(ls "$build"/tavik-*-win64.zip 2>/dev/null | tail -1)
setup=$(ls "$build"/tavik-*-setup.exe 2>/dev/null | tail -1)
passed=0
failed=0
log=$build/package-check.log
check() {  # check "what" command...
    local what=$1
    shift
    if "$@" >"$log" 2>&1; then
        passed=$((passed + 1)); echo "  ok   $what"
    else
        failed=$((failed + 1)); echo "  FAIL $what"; sed 's/^/       /' "$log" | head -20
    fi
}
[ -n "$zip" ] && [ -n "$setup" ] || { echo "package-windows: 0 passed, 1 failed (make package-windows first)"; exit 1; }
echo "== $(basename "$zip"), $(basename "$setup")"

# Windows' own libraries, and the ones every Windows has.
system_only() {
    local dll
    for dll in $(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p'); do
        case "${dll,,}" in
            kernel32.dll|user32.dll|gdi32.dll|comdlg32.dll|advapi32.dll|shell32.dll|msvcrt.dll) ;;
            api-ms-win-crt-*.dll) ;;
            *) echo "$1 imports $dll"; return 1 ;;
        esac
    done
}
check "tavik.exe imports only Windows' own libraries" system_only "$build/app/win32/tavik.exe"
check "tavik-cli.exe imports only Windows' own libraries" system_only "$build/cli/tavik-cli.exe"
zip_holds() {
    local listing
    listing=$(cd "$build" && cmake -E tar tf "$zip") || return 1
    for f in tavik.exe tavik-cli.exe README.txt LICENSE.txt; do
        grep -qx "tavik-[0-9.]*-win64/$f" <<<"$listing" || { echo "no $f in: $listing"; return 1; }
    done
}
check "the zip holds both programs, the README and the licence" zip_holds

export WINEPREFIX=$build/wine-prefix
prefix=$WINEPREFIX
drive=$prefix/drive_c
dir="$drive/Program Files/Tavik"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Тавик"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavik'
wine() { WINE_RUN_RAW=1 "$top/scripts/wine-run.sh" "$@"; }
settled() { wineserver -w; }
installed() {
    for f in tavik.exe tavik-cli.exe README.txt LICENSE.txt uninstall.exe; do [ -f "$dir/$f" ] || return 1; done
    [ -f "$menu/Тавик.lnk" ] && [ -f "$menu/Удалить Тавик.lnk" ]
}
gone() { [ ! -e "$dir" ] && [ ! -e "$menu" ]; }
unlisted() { ! wine reg query "$key"; }

check "the installer runs silently" wine "$setup" /S
settled
check "the files land in Program Files, with a Start-menu entry" installed
check "the installed tavik-cli.exe runs" wine "$dir/tavik-cli.exe" --demo measure
check "Windows lists it among the installed programs" wine reg query "$key" /v DisplayName
check "the uninstaller runs silently" wine "$dir/uninstall.exe" /S
# The uninstaller copies itself away and goes on from there.
settled
check "and removes every file, the folder and the Start-menu entry" gone
check "and the uninstall entry" unlisted
echo "package-windows: $passed passed, $failed failed"
[ $failed -eq 0 ]

#!/usr/bin/env bash
# The Windows packages as a user meets them: the programs import nothing
# beyond Windows' own libraries and Windows 7 SP1's entry points and carry
# their manifest, icon and version, the zip holds both programs, the README
# and the licence (UTF-8 with a byte-order mark), and under Wine the installer
# refuses a Windows older than 7 SP1, runs silently (/S) over an earlier
# version, puts the files into Program Files with a Start-menu entry that
# starts in that folder and one uninstall entry, refuses to overwrite a running tavik-cli, and its
# uninstaller takes all of it away again but the user's recordings.
#   tests/package/check-windows.sh WINDOWS_BUILD_FOLDER
set -uo pipefail
# Wine without its preloader needs the address-space layout not randomized
# (see scripts/wine-run.sh); every Wine process started here inherits it.
[ $((0x$(cat /proc/self/personality) & 0x40000)) -ne 0 ] || exec setarch "$(uname -m)" -R bash "$0" "$@"
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

# Windows' own libraries only, and no entry point newer than Windows 7 SP1.
check "both programs import nothing newer than Windows 7 SP1" \
    "$top/tests/package/windows_imports.py" "$build/app/win32/tavik.exe" "$build/cli/tavik-cli.exe"
version=$(sed -n 's/^project(Tavik LANGUAGES CXX VERSION \([0-9.]*\)).*/\1/p' "$top/CMakeLists.txt")
for program in "$build/app/win32/tavik.exe" "$build/cli/tavik-cli.exe"; do
    check "$(basename "$program") has its manifest, icon and version $version" \
        "$top/tests/package/windows_files.py" resources "$program" "$version"
done
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
recording=$dir/01012026000000.csv
gone() { [ -z "$(cd "$dir" && ls | grep -vx "$(basename "$recording")")" ] && [ ! -e "$menu" ]; }
unlisted() { ! wine reg query "$key"; }
value() { wine reg query "$key" /v "$1" | tr -d '\r' | awk -v v="$1" '$1 == v { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }
listed_once() {
    [ "$(value DisplayVersion)" = "$version" ] && [ "$(value DisplayIcon)" = "\"C:\\Program Files\\Tavik\\tavik.exe\",0" ] &&
        [ $(($(value EstimatedSize))) -gt 1000 ] || { wine reg query "$key"; return 1; }
}
# The shortcut's working folder, read back from the .lnk: a folder every user
# has, with no Documents path written into it (Тавик finds the user's
# Documents known folder itself).
starts_in_its_folder() {
    local folder
    folder=$("$top/tests/package/windows_files.py" lnk-working-folder "$menu/Тавик.lnk") || return 1
    echo "working folder: $folder"
    [ "$folder" = 'C:\Program Files\Tavik' ]
}
# On a Windows older than 7 SP1 (Wine told to be Vista) the installer says
# why and installs nothing; exit code 3 in a silent run.
refuses_older_windows() {
    local status=0
    wine reg add 'HKCU\Software\Wine' /v Version /d vista /f >/dev/null || return 1
    settled
    wine "$setup" /S || status=$?
    wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null
    settled
    [ "$status" -eq 3 ] || { echo "exit status $status on Vista"; return 1; }
    [ ! -e "$dir/tavik.exe" ] || { echo "installed on Vista"; return 1; }
}
# The licence page and Notepad read the texts as UTF-8 only with a
# byte-order mark.
texts_marked_utf8() {
    local stage f
    stage=$(ls -d "$build"/package/tavik-*-win64 | tail -1)
    for f in LICENSE.txt README.txt; do
        python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); d.startswith(b"\xef\xbb\xbf") and "Тавик" in d[3:].decode("utf-8") or sys.exit(sys.argv[1] + ": no UTF-8 with a byte-order mark")' "$stage/$f" || return 1
    done
}
refuses_while_running() {
    wine "$dir/tavik-cli.exe" --demo watch --seconds 20 >/dev/null &
    local cli=$! status=0
    sleep 3
    wine "$setup" /S || status=$?
    kill "$cli" 2>/dev/null; wait "$cli" 2>/dev/null
    [ "$status" -eq 2 ] || { echo "exit status $status while tavik-cli.exe ran"; return 1; }
}
# Redirected to a file, the output is UTF-8 bytes with no byte-order mark:
# the logger's volts and the meter's hertz in Russian.
redirected_utf8() {
    wine "$dir/tavik-cli.exe" --demo measure >"$build/package-check-measure.txt" || return 1
    python3 - "$build/package-check-measure.txt" <<'CHECK'
import sys
data = open(sys.argv[1], "rb").read()
print(data[:120].hex(" "))
text = data.decode("utf-8")  # raises on anything else
assert not text.startswith("\ufeff"), "a byte-order mark"
assert " В " in text and " Гц " in text, text
CHECK
}
# Cyrillic on the command line: the folder arrives whole and is printed back whole.
cyrillic_dir() {
    local out
    mkdir -p "$drive/Записи"
    out=$(wine "$dir/tavik-cli.exe" --demo record --dir 'C:\Записи' --seconds 1 | tr -d '\r') || return 1
    echo "printed: $out"
    [[ "$out" == 'C:\Записи\'*.csv ]] && [ -f "$drive/Записи/${out##*\\}" ] && rm -r "$drive/Записи"
}

check "the licence and the README are UTF-8 with a byte-order mark" texts_marked_utf8
check "the installer refuses a Windows older than 7 SP1" refuses_older_windows

# The earlier version, as its installer left it, with a recording made in
# its folder by someone who could write there.
earlier=$build/package-check-earlier-setup.exe
check "an earlier version installs" bash -c 'makensis -V1 -DVERSION=0.0.1 -DSTAGE="$1" -DOUTFILE="$2" -DICON="$3" "$4" &&
    WINE_RUN_RAW=1 "$5" "$2" /S' _ "$(ls -d "$build"/package/tavik-*-win64 | tail -1)" "$earlier" \
    "$build/dist/windows/tavik.ico" "$top/dist/windows/tavik.nsi" "$top/scripts/wine-run.sh"
settled
echo "01012026;000000000;" >"$recording"
check "the installer runs silently over it" wine "$setup" /S
settled
check "the files land in Program Files, with a Start-menu entry" installed
check "Windows lists it once, as this version, with its icon and size" listed_once
check "the Start-menu entry starts in Тавик's own folder" starts_in_its_folder
check "the installed tavik-cli.exe runs" wine "$dir/tavik-cli.exe" --demo measure
check "tavik-cli.exe takes and prints a Cyrillic --dir whole" cyrillic_dir
check "tavik-cli.exe redirected to a file writes UTF-8" redirected_utf8
check "the installer refuses to overwrite a running tavik-cli.exe" refuses_while_running
settled
check "the uninstaller runs silently" wine "$dir/uninstall.exe" /S
# The uninstaller copies itself away and goes on from there.
settled
check "and removes every file of its own and the Start-menu entry" gone
check "but keeps the recording" test -f "$recording"
check "and the uninstall entry" unlisted
rm -rf "$dir" "$earlier"

# Given a certificate (here a self-signed one made for the test), both
# programs and the installer are signed, the signatures verify against it,
# and the signed program still runs; without one nothing is signed.
signed_build() {
    local keys=$build/package-check-signing out=$build/package-check-signed f
    rm -rf "$keys" "$out"
    mkdir -p "$keys"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$keys/key.pem" -out "$keys/cert.pem" -days 2 \
        -subj "/CN=Tavik test signing" -addext "extendedKeyUsage=codeSigning" 2>/dev/null || return 1
    openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -out "$keys/cert.pfx" -passout pass:test || return 1
    TAVIK_SIGN_PFX=$keys/cert.pfx TAVIK_SIGN_PASSWORD=test "$top/scripts/package-windows.sh" "$build" "$out" || return 1
    for f in "$out"/package/tavik-*-win64/tavik.exe "$out"/package/tavik-*-win64/tavik-cli.exe "$out"/tavik-*-setup.exe; do
        osslsigncode verify -CAfile "$keys/cert.pem" -in "$f" | grep -x 'Signature verification: ok' || { echo "$f"; return 1; }
    done
    wine "$out"/package/tavik-*-win64/tavik-cli.exe --demo measure >/dev/null || return 1
    if osslsigncode verify -in "$setup" >/dev/null 2>&1; then echo "the unsigned build is signed"; return 1; fi
    rm -rf "$keys" "$out"
}
check "with a certificate the programs and the installer are signed and verify" signed_build
echo "package-windows: $passed passed, $failed failed"
[ $failed -eq 0 ]

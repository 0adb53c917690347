#!/usr/bin/env bash
# The Windows packages from a Windows build folder: tavik-<version>-win64.zip
# (both programs, the README and the licence) and tavik-<version>-setup.exe
# made with makensis, in OUTPUT_FOLDER (the build folder unless given).
#   scripts/package-windows.sh BUILD_FOLDER [OUTPUT_FOLDER]
# Given a code-signing certificate, both programs and the installer are
# signed with osslsigncode (SHA-256), and timestamped where a server is named:
#   TAVIK_SIGN_PFX=cert.pfx        the certificate and its key (PKCS#12)
#   TAVIK_SIGN_PASSWORD=...        its password, if it has one
#   TAVIK_SIGN_TIMESTAMP=URL       an RFC 3161 time-stamp server (optional)
# Without one the packages are unsigned.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build-windows}" && pwd)
out=${2:-$build}
mkdir -p "$out"
out=$(cd "$out" && pwd)
version=$(sed -n 's/^project(Tavik LANGUAGES CXX VERSION \([0-9.]*\)).*/\1/p' "$top/CMakeLists.txt")
stage=$out/package/tavik-$version-win64
rm -rf "$out/package"
mkdir -p "$stage"

sign() {  # sign FILE: in place, when a certificate is given
    [ -n "${TAVIK_SIGN_PFX:-}" ] || return 0
    local args=(sign -pkcs12 "$TAVIK_SIGN_PFX" -h sha256 -n "Тавик" -in "$1" -out "$1.signed")
    [ -z "${TAVIK_SIGN_PASSWORD:-}" ] || args+=(-pass "$TAVIK_SIGN_PASSWORD")
    [ -z "${TAVIK_SIGN_TIMESTAMP:-}" ] || args+=(-ts "$TAVIK_SIGN_TIMESTAMP")
    osslsigncode "${args[@]}" >/dev/null
    mv "$1.signed" "$1"
}

cp "$build/app/win32/tavik.exe" "$build/cli/tavik-cli.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/tavik.exe" "$stage/tavik-cli.exe"
sign "$stage/tavik.exe"
sign "$stage/tavik-cli.exe"
# Notepad's line ends, and a byte-order mark: without one, makensis shows the
# licence page's UTF-8 in the installer's ANSI code page (the Cyrillic as
# "РўР°РІРёРє"), and Notepad before Windows 10 1903 opens both files so.
for text in "README.md README.txt" "dist/copyright LICENSE.txt"; do
    set -- $text
    { printf '\357\273\277'; sed 's/$/\r/' "$top/$1"; } >"$stage/$2"
done
(cd "$out/package" && rm -f "$out/tavik-$version-win64.zip" &&
    cmake -E tar cf "$out/tavik-$version-win64.zip" --format=zip "tavik-$version-win64")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$out/tavik-$version-setup.exe" \
    -DICON="$build/dist/windows/tavik.ico" "$top/dist/windows/tavik.nsi" >/dev/null
sign "$out/tavik-$version-setup.exe"
ls "$out/tavik-$version-win64.zip" "$out/tavik-$version-setup.exe"

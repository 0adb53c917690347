#!/usr/bin/env bash
# The Windows packages from a Windows build folder: tavik-<version>-win64.zip
# (both programs, the README and the licence) and tavik-<version>-setup.exe
# made with makensis.
#   scripts/package-windows.sh BUILD_FOLDER
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build-windows}" && pwd)
version=$(sed -n 's/^project(Tavik LANGUAGES CXX VERSION \([0-9.]*\)).*/\1/p' "$top/CMakeLists.txt")
stage=$build/package/tavik-$version-win64
rm -rf "$build/package"
mkdir -p "$stage"
cp "$build/app/win32/tavik.exe" "$build/cli/tavik-cli.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/tavik.exe" "$stage/tavik-cli.exe"
# Notepad's line ends, and a byte-order mark: without one, makensis shows the
# licence page's UTF-8 in the installer's ANSI code page (the Cyrillic as
# "РўР°РІРёРє"), and Notepad before Windows 10 1903 opens both files so.
for text in "README.md README.txt" "dist/copyright LICENSE.txt"; do
    set -- $text
    { printf '\357\273\277'; sed 's/$/\r/' "$top/$1"; } >"$stage/$2"
done
(cd "$build/package" && rm -f "$build/tavik-$version-win64.zip" &&
    cmake -E tar cf "$build/tavik-$version-win64.zip" --format=zip "tavik-$version-win64")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$build/tavik-$version-setup.exe" \
    -DICON="$build/dist/windows/tavik.ico" "$top/dist/windows/tavik.nsi" >/dev/null
ls "$build/tavik-$version-win64.zip" "$build/tavik-$version-setup.exe"

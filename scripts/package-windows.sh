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
# Notepad's line ends.
sed 's/$/\r/' "$top/README.md" >"$stage/README.txt"
sed 's/$/\r/' "$top/dist/copyright" >"$stage/LICENSE.txt"
(cd "$build/package" && rm -f "$build/tavik-$version-win64.zip" &&
    cmake -E tar cf "$build/tavik-$version-win64.zip" --format=zip "tavik-$version-win64")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$build/tavik-$version-setup.exe" \
    -DICON="$build/dist/windows/tavik.ico" "$top/dist/windows/tavik.nsi" >/dev/null
ls "$build/tavik-$version-win64.zip" "$build/tavik-$version-setup.exe"

#!/usr/bin/env bash
# The Win32 window test at one screen DPI and one locale, on Xvfb: Wine's
# LogPixels set in the display prefix first (each run sets its own; the runs
# share the prefix one after another, each with a wineserver of its own, so
# the next one's desktop lives on its own X server), the picture kept as PNG
# beside the BMP.
#   tests/app/win32/window_at_dpi.sh DPI LANG PICTURE EMULATOR TEST.exe [GTEST ARGS...]
set -euo pipefail
dpi=$1 lang=$2 picture=$3 emulator=$4 program=$5
shift 5
export WINE_RUN_DISPLAY=1 LANG=$lang TAVIK_EXPECT_DPI=$dpi TAVIK_PICTURE=$picture.bmp
unset LC_ALL
# The prefix wine-run.sh picks for a display run: beside the build folder's root.
dir=$(cd "$(dirname "$program")" && pwd)
while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
export WINEPREFIX=$dir/wine-prefix-x11
status=0
xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
  "$0" reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
  "$0" "$2" "${@:3}"
  ' "$emulator" "$dpi" "$program" "$@" || status=$?
wineserver -k 2>/dev/null || true
if [ -f "$picture.bmp" ]; then convert "$picture.bmp" -alpha off "$picture.png"; fi
exit $status

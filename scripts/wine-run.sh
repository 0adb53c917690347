#!/usr/bin/env bash
# Runs a Windows program under Wine as if it were a Unix one: a private prefix
# (WINEPREFIX, default: wine-prefix beside the program's build folder root,
# made once, headless), no Wine chatter, the exit status kept, and the
# console's CR LF line ends turned into LF on standard output (CTest parses the
# test lists). WINE_RUN_RAW=1 leaves standard output byte for byte;
# WINE_RUN_DISPLAY=1 shows windows on the X server in DISPLAY (a prefix of its
# own, with Wine's X11 driver); WINE_RUN_DEBUG sets WINEDEBUG (Wine's own
# messages on standard error, such as err+all,+seh), otherwise Wine says nothing.
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
set -euo pipefail
program=$1
if [ -z "${WINEPREFIX:-}" ]; then
  # The build folder is the nearest parent holding CMakeCache.txt.
  dir=$(cd "$(dirname "$program")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=$(cd "$(dirname "$program")" && pwd)
  export WINEPREFIX=$dir/wine-prefix
  if [ "${WINE_RUN_DISPLAY:-0}" = 1 ]; then export WINEPREFIX=$dir/wine-prefix-x11; fi
fi
export WINEDEBUG=${WINE_RUN_DEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
if [ "${WINE_RUN_DISPLAY:-0}" != 1 ]; then unset DISPLAY WAYLAND_DISPLAY; fi
# Parallel tests share one prefix: the first makes it, the others wait. The
# null display driver lets windows (hidden ones included) exist without X.
mkdir -p "$WINEPREFIX"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.tavik-ready" ]; then
    wineboot -i >/dev/null 2>&1
    [ "${WINE_RUN_DISPLAY:-0}" = 1 ] || wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.tavik-ready"
  fi
) 9>"$WINEPREFIX.lock"
if [ "${WINE_RUN_RAW:-0}" = 1 ]; then
  exec wine "$@"
fi
wine "$@" | sed -u 's/\r$//'
exit "${PIPESTATUS[0]}"

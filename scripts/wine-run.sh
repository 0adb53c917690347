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
# Debian's wine64 comes without Wine's preloader, which would keep the
# addresses Windows fixes free before anything else is placed. The kernel puts
# the program break of the loader (not position-independent, at 0x7d000000)
# anywhere in the GiB above it, about one start in 2000 over KUSER_SHARED_DATA
# at 0x7ffe0000, and that process ends at once: "failed to map the shared user
# data: c0000018". With the layout not randomized the break starts right above
# the loader; every Wine process started from here inherits that.
if [ $((0x$(cat /proc/self/personality) & 0x40000)) -eq 0 ]; then
  exec setarch "$(uname -m)" -R "$0" "$@"
fi
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

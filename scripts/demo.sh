#!/usr/bin/env bash
# Tries the program without modules: tavik-sim makes the three modules as
# virtual devices (it needs /dev/uhid, so it asks for sudo), then the program
# starts. Without /dev/uhid it runs the window over in-memory modules instead.
set -u
build=$1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to show the window on: run 'xvfb-run -a make demo', or start it from a desktop session."
  exit 1
fi
if [ ! -e /dev/uhid ]; then
  echo "This kernel has no /dev/uhid (modprobe uhid); showing the window over in-memory modules instead."
  exec "$build/sim/tavik-demo"
fi
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
"${sudo[@]}" "$build/sim/tavik-sim" </dev/null &
sim=$!
trap '"${sudo[@]}" kill $sim 2>/dev/null' EXIT
sleep 1
"$build/app/tavik"

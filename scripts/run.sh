#!/usr/bin/env bash
# Starts the program, or says how to when there is no display to show it on.
set -u
bin=$1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to show the window on: run it as 'xvfb-run -a $bin', or start 'make run' from a desktop session."
  exit 1
fi
exec "$bin"

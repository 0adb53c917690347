#!/bin/sh
# Inside the VM: the real tavik binary under Xvfb with tavik-sim's virtual
# modules, and a screenshot of the screen once the window has polled every
# module a few times.
#   screenshot.sh BUILD_FOLDER OUT_FOLDER
build=$1
out=$2/screenshot
part=screenshot
mkdir -p "$out"
. "$(dirname "$0")/lib.sh"
Xvfb :7 -screen 0 900x560x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
wait_for "Xvfb's socket" 60 test -S /tmp/.X11-unix/X7
start_sim "$out/sim.log" --verbose --count 100000 --in
DISPLAY=:7 LANG=ru_RU.UTF-8 "$build/app/tavik" >"$out/tavik.log" 2>&1 &
tavik=$!
polled() { [ "$(grep -c '^logger1 ->: 01' "$out/sim.log")" -ge 20 ] && [ "$(grep -c '^freqmeter1 ->: 01' "$out/sim.log")" -ge 4 ]; }
wait_for "tavik polls the logger and the frequency meter" 360 polled
if kill -0 $tavik 2>/dev/null; then echo "screenshot: tavik is running"; else echo "screenshot: tavik is not running"; fi
DISPLAY=:7 import -window root "$2/tavik-in-vm.png" && echo "screenshot: saved tavik-in-vm.png"
kill $tavik 2>/dev/null
wait $tavik 2>/dev/null
echo "screenshot: tavik exit code $?"
stop_sim
kill $xvfb 2>/dev/null

#!/bin/sh
# Inside the VM: the real tavik binary under Xvfb with tavik-sim's virtual
# modules for a few seconds, and a screenshot of the screen.
#   screenshot.sh BUILD_FOLDER OUT_FOLDER
build=$1
out=$2
Xvfb :7 -screen 0 900x560x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 2
"$build/sim/tavik-sim" --count 100000 --in </dev/null >/dev/null 2>&1 &
sim=$!
sleep 1
DISPLAY=:7 LANG=ru_RU.UTF-8 "$build/app/tavik" >"$out/tavik-in-vm.log" 2>&1 &
tavik=$!
sleep ${SCREENSHOT_SECONDS:-30}
if kill -0 $tavik 2>/dev/null; then echo "screenshot: tavik is running"; else echo "screenshot: tavik is not running"; fi
DISPLAY=:7 import -window root "$out/tavik-in-vm.png" && echo "screenshot: saved tavik-in-vm.png"
kill $tavik $sim 2>/dev/null
wait $tavik 2>/dev/null
echo "screenshot: tavik exit code $?"
wait $sim 2>/dev/null
kill $xvfb 2>/dev/null

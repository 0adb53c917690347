#!/bin/sh
# Inside the VM: the Windows build under Wine against tavik-sim's modules on
# the real kernel. Wine's HID bus reads hidraw devices only with its SDL
# backend off, and hears them come and go through udev, so udevd runs for it.
# First as Wine is, over uhid (it names every hidraw device's maker "hidraw",
# so nothing binds): enumeration, feature reports, hot-plug. Then with the
# test's mend of Wine's HID bus preloaded (tests/e2e/wine/), over the modules
# as USB devices: tavik-cli.exe and tavik.exe bind the three modules
# (wine-mended.sh). Prints one line per check and "wine: N passed, M failed".
#   wine.sh BUILD_FOLDER WINDOWS_BUILD_FOLDER OUT_FOLDER
build=$1
win=$2
out=$3/wine
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
mkdir -p "$out"
# A program that faults would wait in Wine's debugger: none runs for long.
run() { WINE_RUN_RAW=1 timeout 240 "$top/scripts/wine-run.sh" "$@"; }
export WINEPREFIX=$win/wine-prefix WINEDEBUG=-all
passed=0
failed=0
check() {  # check "what" CONDITION...
    what=$1
    shift
    if "$@"; then passed=$((passed + 1)); echo "  ok   wine: $what"; else failed=$((failed + 1)); echo "  FAIL wine: $what"; fi
}
json() {  # json FILTER FILE: FILTER holds over the array of FILE's JSON lines
    tr -d '\r' <"$2" | jq -e -s "$1" >/dev/null
}

# systemd's tools refuse to work in a chroot unless told to.
export SYSTEMD_IGNORE_CHROOT=1
udevd=$(command -v systemd-udevd || ls /lib/systemd/systemd-udevd /usr/lib/systemd/systemd-udevd 2>/dev/null | head -1)
if udevadm control --ping 2>/dev/null; then :; elif [ -n "$udevd" ]; then "$udevd" --daemon; else echo "wine: no udevd: Wine will not hear the modules come and go"; fi
wine reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -k
wineserver -w

fifo=$(mktemp -u /tmp/tavik-sim-input.XXXXXX)
mkfifo "$fifo"
at() { echo "    wine: $1 at $(cut -d' ' -f1 /proc/uptime)s"; }
at "tavik-sim over uhid"
"$build/sim/tavik-sim" --verbose --count 123456 <"$fifo" >"$out/sim.log" 2>&1 &
sim=$!
exec 3>"$fifo"
for i in $(seq 100); do grep -q '^ready' "$out/sim.log" && break; sleep 0.1; done
[ -n "$udevd" ] && udevadm settle --timeout=30; ls -l /dev/hidraw* >"$out/hidraw.txt" 2>&1

# The programs and the mend from the VM's own memory: Wine under emulation
# faults on executable pages it maps from the shared folder.
programs=$(mktemp -d /tmp/tavik-wine.XXXXXX)
cp "$win/cli/tavik-cli.exe" "$win/app/win32/tavik.exe" "$win/tests/e2e/windows/tavik_e2e_windows.exe" \
    "$build/tests/e2e/wine/libtavik_winebus_mend.so" "$programs/"
run "$programs/tavik-cli.exe" list >"$out/list.txt" 2>&1
echo "tavik-cli.exe list: exit code $?" >>"$out/list.txt"
tr -d '\r' <"$out/list.txt" | sed 's/^/    /'
run "$programs/tavik-cli.exe" list --json >"$out/list.json" 2>"$out/list.err"
check "tavik-cli.exe list --json: the three modules through SetupAPI, read/write" \
    json '[.[] | select(.product | test("VX(Logger|Generator|FrequencyMeter)$"))] | length == 3 and all(.[]; .read_write)' \
    "$out/list.json"

request=/tmp/tavik-wine-request
rm -f "$request"
run "$programs/tavik_e2e_windows.exe" 'Z:\tmp\tavik-wine-request' >"$out/e2e.txt" 2>&1 &
e2e=$!
while kill -0 $e2e 2>/dev/null; do
    if [ -f "$request" ]; then cat "$request" >&3; rm -f "$request"; fi
    sleep 0.2
done
wait $e2e
code=$?
tr -d '\r' <"$out/e2e.txt" | grep -v '^wine: [0-9]* passed'
line=$(tr -d '\r' <"$out/e2e.txt" | grep -E '^wine: [0-9]+ passed, [0-9]+ failed' | tail -1)
check "the Windows platform against the modules (${line:-no result})" [ "$code" -eq 0 ]
check "the generator got 02 01 10 00 00 00 00 EF through HidD_SetFeature" \
    grep -q 'generator1 <-: 02 01 10 00 00 00 00 EF' "$out/sim.log"

echo quit >&3
exec 3>&-
wait $sim
wineserver -k
wineserver -w

# With the mend, set before the wineserver starts, so that winedevice.exe,
# where the HID bus runs, has it.
at "tavik-sim over USB"
"$build/sim/tavik-sim" --usb --verbose --count 123456 --signal1 constant:3.76575 --signal2 constant:1.882875 \
    --factors 1.0625:0.9375:1.125 <"$fifo" >"$out/usb-sim.log" 2>&1 &
sim=$!
exec 3>"$fifo"
for i in $(seq 100); do grep -q '^ready' "$out/usb-sim.log" && break; sleep 0.1; done
[ -n "$udevd" ] && udevadm settle --timeout=30
. "$here/wine-mended.sh"
at "done"

echo quit >&3
exec 3>&-
wait $sim
rm -f "$fifo"
wineserver -k
echo "wine: $passed passed, $failed failed"
[ $failed -eq 0 ]

#!/bin/sh
# Inside the VM: the Windows build under Wine against tavik-sim's modules on
# the real kernel. Wine's HID bus reads hidraw devices only with its SDL
# backend off, and hears them come and go through udev, so udevd runs for it.
# First as Wine is, over uhid (it names every hidraw device's maker "hidraw",
# so nothing binds): enumeration, feature reports, hot-plug. Then with the
# test's mend of Wine's HID bus preloaded (tests/e2e/wine/), over the modules
# as USB devices: tavik-cli.exe and tavik.exe bind the three modules
# (wine-mended.sh). Every program's output, exit code and Wine's own messages
# (errors, exceptions, the libraries loaded; on standard error) are kept in
# OUT_FOLDER/wine, with what udev passed on (udev-monitor.txt) and, over uhid,
# the messages of Wine's HID bus and PlugPlay service (services.err). Prints one line per check and "wine: N passed, M failed".
#   wine.sh BUILD_FOLDER WINDOWS_BUILD_FOLDER OUT_FOLDER
# Wine without its preloader needs the address-space layout not randomized
# (see scripts/wine-run.sh); every Wine process started here inherits it.
[ $((0x$(cat /proc/self/personality) & 0x40000)) -ne 0 ] || exec setarch "$(uname -m)" -R sh "$0" "$@"
build=$1
win=$2
out=$3/wine
part=wine
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
mkdir -p "$out"
. "$here/lib.sh"
# A program that faults would wait in Wine's debugger: none runs for long.
run_for() { seconds=$1; shift; WINE_RUN_RAW=1 timeout "$seconds" "$top/scripts/wine-run.sh" "$@"; }
run() { run_for 300 "$@"; }
export WINEPREFIX=$win/wine-prefix WINE_RUN_DEBUG=+timestamp,+pid,err+all,+seh,+loaddll
at() { echo "    wine: $1 at $(now)s"; }

# systemd's tools refuse to work in a chroot unless told to.
export SYSTEMD_IGNORE_CHROOT=1
udevd=$(command -v systemd-udevd || ls /lib/systemd/systemd-udevd /usr/lib/systemd/systemd-udevd 2>/dev/null | head -1)
if udevadm control --ping 2>/dev/null; then :; elif [ -n "$udevd" ]; then "$udevd" --daemon; else echo "wine: no udevd: Wine will not hear the modules come and go"; fi
wine reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' /t REG_DWORD /d 0 /f >/dev/null 2>&1
# Wine gives each of its services (PlugPlay, which broadcasts the device
# changes; the HID bus's winedevice.exe; RpcSs) 10 s to start, and one that
# misses it stays down for the wineserver's life: under emulation on a busy
# machine PlugPlay missed it, and no program heard a module come or go. Here
# they have two minutes.
wine reg add 'HKLM\System\CurrentControlSet\Control' /v ServicesPipeTimeout /t REG_SZ /d 120000 /f >/dev/null 2>&1
wineserver -k
wineserver -w

# What udev passed on, and when: a module's removal that Wine never heard of
# shows here as one the kernel and udevd sent, or did not.
udevadm monitor --kernel --udev >"$out/udev-monitor.txt" 2>&1 &
monitor=$!

at "tavik-sim over uhid"
start_sim "$out/sim.log" --verbose --count 123456
ls -l /dev/hidraw* >"$out/hidraw.txt" 2>&1
# Wine's services (PlugPlay, which broadcasts the device changes, and the HID
# bus, which hears udev) start with this first program and write their
# messages to its standard error for the part's whole life: what the HID bus
# added and removed, and what PlugPlay broadcast.
wineserver -p 900
WINE_RUN_DEBUG=+timestamp,+pid,+tid,+hid,+plugplay,err+all run cmd /c exit 0 </dev/null >/dev/null 2>"$out/services.err"

# Every program's windows (the HID platform's notification window among
# them) need Wine's desktop, explorer.exe, which Wine starts with the first
# window and ends with the last, giving it 10 s: under emulation on a busy
# machine it took longer, the program's windows could not be made ("The
# explorer process failed to start."), and it heard no module come or go.
# A window of its own (notepad.exe) holds the desktop up for the part's
# programs; it is started again until the desktop stays.
# A start whose desktop failed says so in its own errors, 10 s after it
# tried: a keeper counts once it has run past that with no such word.
keeper= keepers=0
desktop_up() {
    if [ -n "$keeper" ] && grep -q 'explorer process failed to start' "$out/desktop-$keepers.err"; then
        kill "$keeper" 2>/dev/null
        keeper=
    fi
    if [ -z "$keeper" ] || ! kill -0 "$keeper" 2>/dev/null; then
        keepers=$((keepers + 1))
        run_for 3000 notepad.exe >/dev/null 2>"$out/desktop-$keepers.err" </dev/null &
        keeper=$! kept_since=$(date +%s)
        return 1
    fi
    [ $(($(date +%s) - kept_since)) -ge 15 ] && pgrep -f 'explorer.exe' >/dev/null
}
wait_for "Wine's desktop, held by notepad.exe" 600 desktop_up

# The programs and the mend from the VM's own memory: Wine under emulation
# faults on executable pages it maps from the shared folder.
programs=$(mktemp -d /tmp/tavik-wine.XXXXXX)
cp "$win/cli/tavik-cli.exe" "$win/app/win32/tavik.exe" "$win/tests/e2e/windows/tavik_e2e_windows.exe" \
    "$build/tests/e2e/wine/libtavik_winebus_mend.so" "$programs/"
# Wine's HID bus lists the devices it finds as it finds them: the list is
# asked again until it is whole.
listed() { kept list run "$programs/tavik-cli.exe" list --json && json "$out/list.out" "$1"; }
three='[.[] | select(.product | test("VX(Logger|Generator|FrequencyMeter)$"))] | length == 3 and all(.[]; .read_write)'
wait_for "Wine lists the three modules" 600 listed "$three"
check "tavik-cli.exe list --json: the three modules through SetupAPI, read/write" --seen "$out/list.out" --seen "$out/list.err" \
    json "$out/list.out" "$three"
kept list-text run "$programs/tavik-cli.exe" list
tr -d '\r' <"$out/list-text.out" | sed 's/^/    /'

request=/tmp/tavik-wine-request
rm -f "$request"
at "tavik_e2e_windows.exe starts"
run_for 900 "$programs/tavik_e2e_windows.exe" 'Z:\tmp\tavik-wine-request' >"$out/e2e.out" 2>"$out/e2e.err" &
e2e=$!
while kill -0 $e2e 2>/dev/null; do
    if [ -f "$request" ]; then cat "$request" >&3; rm -f "$request"; fi
    sleep 0.2
done
wait $e2e
code=$?
echo $code >"$out/e2e.code"
at "tavik_e2e_windows.exe ended with exit code $code$([ $code -eq 124 ] && echo ', timed out')"
tr -d '\r' <"$out/e2e.out" | grep -v '^wine: [0-9]* passed'
line=$(tr -d '\r' <"$out/e2e.out" | grep -E '^wine: [0-9]+ passed, [0-9]+ failed' | tail -1)
check "the Windows platform against the modules (${line:-no result}, exit code $code)" \
    --seen "$out/e2e.out" --seen "$out/e2e.err" --seen "$out/udev-monitor.txt" [ "$code" -eq 0 ]
check "the generator got 02 01 10 00 00 00 00 EF through HidD_SetFeature" --seen "$out/sim.log" \
    grep -q 'generator1 <-: 02 01 10 00 00 00 00 EF' "$out/sim.log"

stop_sim
wineserver -k
wineserver -w

# With the mend, set before the wineserver starts, so that winedevice.exe,
# where the HID bus runs, has it.
at "tavik-sim over USB"
start_sim "$out/usb-sim.log" --usb --verbose --count 123456 --signal1 constant:3.76575 --signal2 constant:1.882875 \
    --factors 1.0625:0.9375:1.125
export LD_PRELOAD=$programs/libtavik_winebus_mend.so TAVIK_WINE_MEND_LOG=$out/mend.log
: >"$out/mend.log"
. "$here/wine-mended.sh"
at "done"

stop_sim
wineserver -k
kill $monitor 2>/dev/null
echo "wine: $passed passed, $failed failed"
[ $failed -eq 0 ]

#!/usr/bin/env bash
# The end-to-end test on a real Linux kernel, in a VM: installs what it needs
# (qemu and friends) when it can, boots Debian's kernel, runs tavik_e2e
# against tavik-sim's virtual modules over uhid and as USB devices, checks the
# USB modules as the kernel and udev see them and takes a screenshot of the
# real program under Xvfb; given a Windows build folder too, runs the Windows
# build under Wine against the USB modules; then, in a second VM, a power cut
# under tavik-cli log (power_cut.sh). Skips with a reason when qemu cannot be
# had.
#   tests/e2e/run.sh BUILD_FOLDER [WINDOWS_BUILD_FOLDER]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
out=$build/e2e-out
win=
if [ -n "${2:-}" ]; then win=$(cd "$2" && pwd); fi
rm -rf "$out"
mkdir -p "$out"

if [ "$(dpkg --print-architecture)" != amd64 ]; then
    echo "e2e: skipped: the VM boots Debian's amd64 kernel, for amd64 builds only"
    exit 0
fi
if ! "$here/../../scripts/install-deps.sh" e2e >"$out/install.log" 2>&1; then
    echo "e2e: skipped: the VM packages could not be installed (see $out/install.log)"
    exit 0
fi
for tool in qemu-system-x86_64 busybox cpio modinfo Xvfb import; do
    command -v "$tool" >/dev/null || { echo "e2e: skipped: $tool is missing"; exit 0; }
done

# Wine's prefix is made here, where wineboot takes seconds rather than minutes
# (make test-windows has usually made it already); the VM uses its own copy.
if [ -n "$win" ] && [ ! -f "$win/wine-prefix/.tavik-ready" ]; then
    WINEPREFIX=$win/wine-prefix "$here/../../scripts/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1
    WINEPREFIX=$win/wine-prefix wineserver -k 2>/dev/null
fi
e2e="QT_QPA_PLATFORM=offscreen $build/tests/e2e/tavik_e2e $build/sim/tavik-sim $out"
command="$e2e; code=\$?; $e2e --usb || code=1; sh $here/vm/cli.sh $build $out || code=1; \
sh $here/vm/usb.sh $build $out || code=1; sh $here/vm/screenshot.sh $build $out"
if [ -n "$win" ]; then command="$command; sh $here/vm/wine.sh $build $win $out || code=1"; fi
command="$command; exit \$code"
"$here/vm/run-vm.sh" "$out" "$command" >"$out/console.log" 2>&1
status=$?
grep -v -E ' (<-|->): ' "$out/console.log" |
    grep -E '^  (ok|FAIL|WAIT)|^    seen in |^      \| |^    (device|frequency|memory|logger|generator|freqmeter|unknown)|^TIMES|^screenshot|^VM: |^(cli|usb|wine): |: exit code ' |
    sed 's/^/    /'
if [ $status -eq 3 ]; then
    echo "e2e: skipped: no kernel could be fetched (see $out/console.log)"
    exit 0
fi
# A power cut under tavik-cli log, in a VM of its own: the reset ends it.
"$here/power_cut.sh" "$build" "$out/powercut" >"$out/powercut.txt" 2>&1
power_status=$?
sed 's/^/    /' "$out/powercut.txt"
powercut=$(grep -E '^powercut: [0-9]+ passed, [0-9]+ failed' "$out/powercut.txt" | tail -1)
line=$(grep -E '^e2e: [0-9]+ passed, [0-9]+ failed' "$out/console.log" | tail -1)
line_usb=$(grep -E '^e2e usb: [0-9]+ passed, [0-9]+ failed' "$out/console.log" | tail -1)
usb=$(grep -E '^usb: [0-9]+ passed, [0-9]+ failed' "$out/console.log" | tail -1)
cli=$(grep -E '^cli: [0-9]+ passed, [0-9]+ failed' "$out/console.log" | tail -1)
wine=$(grep -E '^wine: [0-9]+ passed, [0-9]+ failed' "$out/console.log" | tail -1)
wine_ok=true
if [ -n "$win" ] && ! echo "$wine" | grep -q ' 0 failed'; then wine_ok=false; fi
if [ -n "$line" ] && echo "$line" | grep -q ' 0 failed' && echo "$line_usb" | grep -q ' 0 failed' &&
    echo "$cli" | grep -q ' 0 failed' && echo "$usb" | grep -q ' 0 failed' && $wine_ok &&
    grep -q 'VM: command exit code 0' "$out/console.log" && [ $power_status -eq 0 ]; then
    echo "$line; $line_usb; $powercut"
    exit 0
fi
echo "${line:-e2e: 0 passed, 1 failed}"
echo "e2e: the VM run failed; its console is in $out/console.log, the power cut's in $out/powercut/console.log"
exit 1

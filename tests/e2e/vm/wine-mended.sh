# Sourced by wine.sh, with its check, json, kept and run, its simulator on fd 3
# (log in $out/usb-sim.log, factors 1.0625, 0.9375 and 1.125) and the programs in
# $programs: the same modules with the mend of Wine's HID bus preloaded
# (tests/e2e/wine/winebus_mend.cpp, preloaded by wine.sh before the wineserver
# started), so that they bind.
# The window needs Wine's X11 driver; the prefix made on the host has the null
# one. The VM writes to its own copy of the prefix.
sed -i 's/^"Graphics"="null"/"Graphics"="x11"/' "$WINEPREFIX/user.reg"

bound_three='length == 3 and all(.[]; .bound and .read_write and .manufacturer == "tavik.example") and
          ([.[].product] | sort) == ["VXFrequencyMeter", "VXGenerator", "VXLogger"] and
          any(.[]; .kind == "logger" and .k1 == 1.0625 and .k2 == 0.9375) and
          any(.[]; .kind == "freqmeter" and .factor == 1.125)'
mended_listed() { kept mended-list run "$programs/tavik-cli.exe" list --json && json "$out/mended-list.out" "$bound_three"; }
wait_for "mended: Wine lists the three modules" 600 mended_listed
check "mended: tavik-cli.exe list --json: the three modules bound, with their factors" \
    --seen "$out/mended-list.out" --seen "$out/mended-list.err" json "$out/mended-list.out" "$bound_three"
kept mended-list-text run "$programs/tavik-cli.exe" list
tr -d '\r' <"$out/mended-list-text.out" | sed 's/^/    /'
sed 's/^/    mend: /' "$out/mend.log" | sort -u | head -12
check "the mend answered in winedevice.exe" --seen "$out/mend.log" grep -q '^winedevice.exe: hidraw[0-9]* manufacturer = tavik.example$' "$out/mend.log"
kept measure run "$programs/tavik-cli.exe" measure --json
tr -d '\r' <"$out/measure.out" | sed 's/^/    /'
check "mended: tavik-cli.exe measure --json: the simulators' readings, calibrated" \
    --seen "$out/measure.out" --seen "$out/measure.err" json "$out/measure.out" \
    'length == 2 and any(.[]; .module == "freqmeter" and .hz == 138888) and
          any(.[]; .module == "logger" and .v1 > 4.0006 and .v1 < 4.0016 and .v2 > 1.7647 and .v2 < 1.7657)'

# The window: bound, polled, shown; the generator unplugged and plugged in again.
# The screen is taller than the shots, which take its top 900x600: below
# them, a window of the part's own holds Wine's desktop up for tavik.exe, as
# in the uhid part (under load explorer.exe missed Wine's 10 s, and the
# program ran with no window at all).
Xvfb :8 -screen 0 900x900x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
wait_for "Xvfb's socket" 60 test -S /tmp/.X11-unix/X8
shot() { DISPLAY=:8 import -window root -crop 900x600+0+0 +repage "$1"; }
for place in iWindowPosX:0 iWindowPosY:660 iWindowPosDX:400 iWindowPosDY:200; do
    wine reg add 'HKCU\Software\Microsoft\Notepad' /v "${place%:*}" /t REG_DWORD /d "${place#*:}" /f >/dev/null 2>&1
done
export DISPLAY=:8 WINE_RUN_DISPLAY=1
keeper=
wait_for "Wine's desktop, held by notepad.exe below the shots" 600 desktop_up
# Pixels of the bound title's green (0, 128, 0): nothing else in the window has it.
green() { convert "$1" -alpha off -fill black +opaque 'rgb(0,128,0)' -fill white -opaque 'rgb(0,128,0)' \
    -format '%[fx:round(mean*w*h)]' info:; }
mark=$(($(wc -l <"$out/usb-sim.log") + 1))
at "tavik.exe starts"
# The window runs longer than run() allows a program.
WINE_RUN_RAW=1 timeout 1500 "$top/scripts/wine-run.sh" "$programs/tavik.exe" \
    >"$out/tavik.out" 2>"$out/tavik.err" &
tavik=$!
# Wine can fail to start a program at all (seen under load: "failed to map the
# shared user data: c0000018" and nothing more): the waits on the window end
# when it is gone, and the check after the first says so with what Wine said.
running() { kill -0 $tavik 2>/dev/null; }
or_gone() { "$@" || ! running; }
wire() { tail -n +"$mark" "$out/usb-sim.log"; }
polled() { [ "$(wire | grep -c '^logger1 ->: 01')" -ge 10 ] && [ "$(wire | grep -c '^freqmeter1 ->: 01')" -ge 3 ]; }
# Under emulation on a busy machine Wine takes minutes: the waits are long, and
# end as soon as what they wait for is there.
wait_for "tavik.exe polls the logger and the frequency meter" 600 or_gone polled
check "tavik.exe runs: Wine started it and it has not ended" --seen "$out/tavik.err" running
# The screen once it shows the same green twice in a row: the titles painted
# (a shot and its count take seconds each under emulation).
painted=-1
steady() {
    shot "$out/tavik-under-wine.png"
    was=$painted
    painted=$(green "$out/tavik-under-wine.png")
    [ "$painted" -gt 0 ] && [ "$painted" = "$was" ]
}
wait_for "the window painted" 300 or_gone steady
python3 "$here/binding_wire.py" "$out/usb-sim.log" "$mark" logger1 00 00 88 3F 00 00 70 3F >"$out/logger-binding.txt" 2>&1
check "tavik.exe binds the logger: memory 16..23 read with sequences 1..8, each answered, then polled" \
    --seen "$out/logger-binding.txt" --seen "$out/tavik.err" [ $? -eq 0 ]
python3 "$here/binding_wire.py" "$out/usb-sim.log" "$mark" freqmeter1 00 00 90 3F >"$out/freqmeter-binding.txt" 2>&1
check "tavik.exe binds the frequency meter: memory 16..19 read with sequences 1..4, each answered, then polled" \
    --seen "$out/freqmeter-binding.txt" [ $? -eq 0 ]
bound=$(green "$out/tavik-under-wine.png")
echo "    screenshot: saved wine/tavik-under-wine.png, $bound green pixels"

echo "unplug generator" >&3
unbound=$bound
less_green() { shot "$out/tavik-generator-unplugged.png"; unbound=$(green "$out/tavik-generator-unplugged.png"); [ "$unbound" -lt "$bound" ]; }
wait_for "the generator's title leaves green" 300 or_gone less_green
echo "plug generator" >&3
again=$unbound
green_again() { shot "$out/tavik-generator-replugged.png"; again=$(green "$out/tavik-generator-replugged.png"); [ "$again" -ge "$bound" ]; }
wait_for "the generator's title green again" 300 or_gone green_again
echo "    screenshot: green pixels bound $bound, generator unplugged $unbound, plugged in again $again"
check "the generator's title leaves green when it is unplugged" [ "$unbound" -lt "$bound" ]
check "and turns green again when it is plugged in" [ "$bound" -gt 0 -a "$again" -eq "$bound" ]
check "nothing was sent to the generator" [ "$(wire | grep -c '^generator1 <-')" -eq 0 ]

# The logger stops answering: the window, whose transfers run off its
# thread, paints the logger's title orange (255, 128, 0) meanwhile and green
# again once it answers. Wine's HID bus carries one hidraw request at a time,
# so the meter's polls wait behind the logger's (the kernel's five seconds):
# its answers are counted, not held to four a second.
orange() { convert "$1" -alpha off -fill black +opaque 'rgb(255,128,0)' -fill white -opaque 'rgb(255,128,0)' \
    -format '%[fx:round(mean*w*h)]' info:; }
hung_mark=$(($(wc -l <"$out/usb-sim.log") + 1))
echo "hang logger" >&3
shown_hung() { shot "$out/tavik-logger-hung.png"; [ "$(orange "$out/tavik-logger-hung.png")" -gt 0 ] &&
    [ "$(green "$out/tavik-logger-hung.png")" -lt "$bound" ]; }
wait_for "the hung logger's title orange" 300 or_gone shown_hung
hung_orange=$(orange "$out/tavik-logger-hung.png")
hung_green=$(green "$out/tavik-logger-hung.png")
echo "    while hung: orange pixels $hung_orange, green $hung_green (bound $bound);" \
    "$(tail -n +"$hung_mark" "$out/usb-sim.log" | grep -c '^freqmeter1 ->: 01') meter answers"
check "a logger that stops answering turns its title orange while the window goes on" --seen "$out/tavik.err" \
    [ "$hung_orange" -gt 0 -a "$hung_green" -lt "$bound" ]
echo "answer logger" >&3
answers_again() { shot "$out/tavik-logger-answers.png"; [ "$(green "$out/tavik-logger-answers.png")" -ge "$bound" ]; }
wait_for "the logger's title green again" 300 or_gone answers_again
again_orange=$(orange "$out/tavik-logger-answers.png")
again_green=$(green "$out/tavik-logger-answers.png")
check "and green again once it answers, without a replug" [ "$again_green" -ge "$bound" -a "$again_orange" -eq 0 ]

at "generator plugged in"
closing=$(($(wc -l <"$out/usb-sim.log") + 1))
run taskkill /im tavik.exe >/dev/null 2>&1
wait_for "tavik.exe closes" 180 sh -c "! kill -0 $tavik 2>/dev/null" || { echo "    tavik.exe did not close"; kill $tavik; }
wait $tavik
closed=$?
ended=$(($(wc -l <"$out/usb-sim.log") + 1))
check "tavik.exe closes (exit code $closed)" --seen "$out/tavik.err" [ "$closed" -eq 0 ]
sleep 1
check "while closing, nothing but the polls reached the modules" \
    sh -c "! head -n $((ended - 1)) '$out/usb-sim.log' | tail -n +$closing | grep -E ' <-: ' | grep -qvE '<-: 01 '"
check "nothing reached the modules after tavik.exe ended" \
    sh -c "! tail -n +$ended '$out/usb-sim.log' | grep -qE ' <-: '"
kill $xvfb 2>/dev/null
unset LD_PRELOAD

# Sourced by the scripts that run inside the VM: their checks, their waits
# and the programs they run, each with what it leaves behind kept in the
# output folder. The script sets part (the word its lines start with: cli,
# usb, wine) and out (its folder in the output folder) before it sources this.
#
# Lines it prints, read by run.sh and stress.sh:
#   "  ok   PART: WHAT" / "  FAIL PART: WHAT", the latter followed by what the
#   check saw ("    seen in FILE:" and the file's lines behind "      | ");
#   "  WAIT PART: WHAT: S s of L s" (", timed out" when it did not come).
passed=0
failed=0

now() { cut -d' ' -f1 /proc/uptime; }

# The seconds since START (a reading of now), to a tenth.
since() { LC_ALL=C awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# The file's lines, as a failed check shows them.
show() {
    echo "    seen in $1:"
    if [ -s "$1" ] && [ "$(wc -l <"$1")" -gt 60 ]; then
        tr -d '\r' <"$1" | head -n 30 | sed 's/^/      | /'
        echo "      | ..."
        tr -d '\r' <"$1" | tail -n 30 | sed 's/^/      | /'
    elif [ -s "$1" ]; then tr -d '\r' <"$1" | sed 's/^/      | /'; else echo "      | (nothing: the file is empty or missing)"; fi
}

# check "WHAT" [--seen FILE]... CONDITION...: counts and prints the check; a
# failed one shows each FILE it was given.
check() {
    local what seen file
    what=$1
    shift
    seen=
    while [ "$1" = --seen ]; do
        seen="$seen $2"
        shift 2
    done
    if "$@"; then
        passed=$((passed + 1))
        echo "  ok   $part: $what"
    else
        failed=$((failed + 1))
        echo "  FAIL $part: $what"
        for file in $seen; do show "$file"; done
    fi
}

# wait_for "WHAT" SECONDS CONDITION...: CONDITION again every tenth of a
# second until it holds or SECONDS have passed; prints how long it took.
wait_for() {
    local what limit start
    what=$1
    limit=$2
    shift 2
    start=$(now)
    while ! "$@"; do
        if LC_ALL=C awk -v a="$start" -v b="$(now)" -v l="$limit" 'BEGIN { exit !(b - a >= l) }'; then
            echo "  WAIT $part: $what: $(since "$start") s of $limit s, timed out"
            return 1
        fi
        sleep 0.1
    done
    echo "  WAIT $part: $what: $(since "$start") s of $limit s"
}

# kept NAME COMMAND...: runs COMMAND with its standard output in
# $out/NAME.out, its standard error in $out/NAME.err and its exit code in
# $out/NAME.code (and on a line); returns that code.
kept() {
    local name code
    name=$1
    shift
    "$@" >"$out/$name.out" 2>"$out/$name.err"
    code=$?
    echo "$code" >"$out/$name.code"
    echo "    $part: $name: exit code $code$([ $code -eq 124 ] && echo ', timed out')"
    return $code
}

# json FILE FILTER: every line of FILE is JSON, and FILTER over the array of
# them holds.
json() {
    tr -d '\r' <"$1" | jq -e -s "$2" >/dev/null
}

# The product strings of the hidraw nodes there now, sorted, on one line:
# over uhid the HID device's name, over USB the USB device's product string.
# A node counts once its device file is there too.
hidraw_products() {
    local node
    for node in /sys/class/hidraw/*; do
        [ -e "/dev/${node##*/}" ] || continue
        if [ "${1:-}" = usb ]; then
            cat "$(readlink -f "$node/device/../..")/product" 2>/dev/null
        else
            sed -n 's/^HID_NAME=.* //p' "$node/device/uevent" 2>/dev/null
        fi
    done | sort | tr '\n' ' '
}

# The three modules are there as hidraw nodes (over USB: with the strings
# of the USB device above each).
modules_present() { [ "$(hidraw_products "${1:-}")" = "VXFrequencyMeter VXGenerator VXLogger " ]; }

# What the kernel shows of every hidraw node, for a failed check.
list_hidraw() {
    local node usb
    for node in /sys/class/hidraw/*; do
        [ -e "$node" ] || continue
        echo "${node##*/}: $(readlink -f "$node/device")"
        sed 's/^/  /' "$node/device/uevent" 2>/dev/null
        usb=$(readlink -f "$node/device/../..")
        [ -f "$usb/product" ] && echo "  usb $usb: $(cat "$usb/idVendor" "$usb/idProduct" "$usb/manufacturer" "$usb/product" 2>/dev/null | tr '\n' ' ')"
    done
    ls -l /dev/hidraw* 2>&1
}

# start_sim LOG ARGUMENTS...: tavik-sim with its commands from fd 3 (a fifo
# in the VM's own /tmp: the shared folder takes none) and its output in LOG;
# waits until it says "ready" and the kernel shows its three modules (over
# USB with their strings), then until udev has handled them. Sets sim.
start_sim() {
    local log usb
    log=$1
    shift
    usb=
    case " $* " in *" --usb "*) usb=usb ;; esac
    fifo=$(mktemp -u /tmp/tavik-sim-input.XXXXXX)
    mkfifo "$fifo"
    "$build/sim/tavik-sim" "$@" <"$fifo" >"$log" 2>&1 &
    sim=$!
    exec 3>"$fifo"
    wait_for "tavik-sim ready" 60 grep -q '^ready' "$log" || show "$log"
    if ! wait_for "the three modules' hidraw nodes${usb:+ with their USB strings}" 90 modules_present $usb; then
        list_hidraw >"$out/hidraw-missing.txt" 2>&1
        show "$out/hidraw-missing.txt"
    fi
    if udevadm control --ping >/dev/null 2>&1; then
        wait_for "udev settled" 90 udevadm settle --timeout=5
    fi
}

stop_sim() {
    echo quit >&3
    exec 3>&-
    wait $sim
    rm -f "$fifo"
}

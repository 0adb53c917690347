#!/bin/sh
# Inside the VM: tavik-sim's modules as USB devices (dummy_hcd, configfs,
# FunctionFS), as the kernel and udev see them and as tavik-cli binds them.
# Leaves udevd running with the package's rule (Wine hears the modules through
# it). Prints one line per check and "usb: N passed, M failed".
#   usb.sh BUILD_FOLDER OUT_FOLDER
build=$1
out=$2/usb
top=$(cd "$(dirname "$0")/../../.." && pwd)
mkdir -p "$out"
cli=$build/cli/tavik-cli
passed=0
failed=0
check() {  # check "what" CONDITION...
    what=$1
    shift
    if "$@"; then passed=$((passed + 1)); echo "  ok   usb: $what"; else failed=$((failed + 1)); echo "  FAIL usb: $what"; fi
}
json() {  # json FILE FILTER: every line of FILE is JSON, and FILTER over the array of them holds
    jq -e -s "$2" "$1" >/dev/null
}
now() { cut -d' ' -f1 /proc/uptime; }

export SYSTEMD_IGNORE_CHROOT=1
mkdir -p /etc/udev/rules.d
cp "$top/dist/60-tavik.rules" /etc/udev/rules.d/
udevd=$(command -v systemd-udevd || ls /lib/systemd/systemd-udevd /usr/lib/systemd/systemd-udevd 2>/dev/null | head -1)
udevadm control --ping 2>/dev/null || "$udevd" --daemon

fifo=$(mktemp -u /tmp/tavik-sim-input.XXXXXX)
mkfifo "$fifo"
"$build/sim/tavik-sim" --usb --verbose --count 123456 --factors 1.0625:0.9375:1.125 <"$fifo" >"$out/sim.log" 2>&1 &
sim=$!
exec 3>"$fifo"
for i in $(seq 100); do grep -q '^ready' "$out/sim.log" && break; sleep 0.1; done
udevadm settle --timeout=30

# What the host was told: the USB device above each hidraw node.
usb_of() { readlink -f "/sys/class/hidraw/$1/device/../.."; }
products=
for node in $(ls /sys/class/hidraw); do
    usb=$(usb_of "$node")
    hid=$(readlink -f "/sys/class/hidraw/$node/device")
    {
        echo "$node: $usb"
        for a in idVendor idProduct bcdDevice version speed manufacturer product serial bNumInterfaces; do
            echo "  $a: $(cat "$usb/$a")"
        done
        interface=$(readlink -f "$hid/..")
        for a in bInterfaceClass bInterfaceSubClass bInterfaceProtocol bNumEndpoints; do
            echo "  interface $a: $(cat "$interface/$a")"
        done
        for a in type direction wMaxPacketSize interval; do echo "  endpoint 81 $a: $(cat "$interface/ep_81/$a")"; done
        echo "  report descriptor: $(od -An -tx1 -v "$hid/report_descriptor" | tr -s ' \n' ' ')"
        echo "  udev: $(udevadm info -q property -n "/dev/$node" | grep -E '^(CURRENT_)?TAGS=' | tr '\n' ' ')"
    } >>"$out/descriptors.txt"
    grep -qx DEVTYPE=usb_device "$usb/uevent" && [ "$(cat "$usb/idVendor"):$(cat "$usb/idProduct")" = 20a0:5e21 ] &&
        [ "$(cat "$usb/manufacturer")" = tavik.example ] && products="$products $(cat "$usb/product")"
done
cat "$out/descriptors.txt" | sed 's/^/    /'
check "each hidraw node's device/../.. is a USB device 20a0:5e21 with the module's strings" \
    [ "$(echo $products | tr ' ' '\n' | sort | tr '\n' ' ')" = "VXFrequencyMeter VXGenerator VXLogger " ]
uaccess() { for n in /dev/hidraw*; do udevadm info -q property -n "$n" | grep -qE '^TAGS=.*:uaccess:' || return 1; done; }
check "the udev rule gives each node uaccess" uaccess

"$cli" list --json >"$out/list.json" 2>"$out/list.err"
check "tavik-cli list --json: three bound, with the modules' factors" json "$out/list.json" \
    'length == 3 and all(.[]; .bound and .read_write) and
     any(.[]; .kind == "logger" and .k1 == 1.0625 and .k2 == 0.9375) and any(.[]; .kind == "freqmeter" and .factor == 1.125)'

# A request answered 1.5 s late: the pass that reads the frequency meter's
# factor waits for it, and gets it.
start=$(now)
"$cli" list --json >/dev/null 2>&1
usual=$(echo "$(now) $start" | awk '{print $1 - $2}')
echo "late freqmeter 1500" >&3
start=$(now)
"$cli" list --json >"$out/late.json" 2>"$out/late.err"
took=$(echo "$(now) $start" | awk '{print $1 - $2}')
echo "    usb: tavik-cli list took $usual s, with one late answer $took s"
# A lower bound only: a busy machine makes every pass slower, never faster.
check "the pass waited for the late answer (took $took s, the answer 1.5 s late)" awk "BEGIN { exit !($took >= 1.5) }"
check "tavik-sim held that answer back" grep -q 'freqmeter1: answering late' "$out/sim.log"
check "the late list is whole" json "$out/late.json" 'length == 3 and any(.[]; .kind == "freqmeter" and .bound and .factor == 1.125)'

# A replug is a new device: a new HID device number, a new serial.
node=$(for n in $(ls /sys/class/hidraw); do [ "$(cat "$(usb_of "$n")/product")" = VXLogger ] && echo "$n"; done)
before="$(basename "$(readlink -f "/sys/class/hidraw/$node/device")") $(cat "$(usb_of "$node")/serial")"
echo "unplug logger" >&3
for i in $(seq 100); do [ -e "/sys/class/hidraw/$node" ] || break; sleep 0.1; done
gone=$([ -e "/sys/class/hidraw/$node" ] && echo no || echo yes)
echo "plug logger" >&3
after=
for i in $(seq 150); do
    for n in $(ls /sys/class/hidraw); do
        [ "$(cat "$(usb_of "$n")/product" 2>/dev/null)" = VXLogger ] &&
            after="$(basename "$(readlink -f "/sys/class/hidraw/$n/device")") $(cat "$(usb_of "$n")/serial")"
    done
    [ -n "$after" ] && break
    sleep 0.1
done
echo "    usb: logger before the replug: $before; after: $after"
check "unplugging the logger removes its node" [ "$gone" = yes ]
different() { [ -n "$after" ] && [ "${before%% *}" != "${after%% *}" ] && [ "${before#* }" != "${after#* }" ]; }
check "plugging it in again makes a new device, with a new serial" different
udevadm settle --timeout=30
"$cli" list --json >"$out/replug.json" 2>"$out/replug.err"
check "the logger plugged in again is bound" json "$out/replug.json" 'any(.[]; .kind == "logger" and .bound and .k1 == 1.0625)'

echo quit >&3
exec 3>&-
wait $sim
rm -f "$fifo"
echo "usb: $passed passed, $failed failed"
[ $failed -eq 0 ]

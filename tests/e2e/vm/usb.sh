#!/bin/sh
# Inside the VM: tavik-sim's modules as USB devices (dummy_hcd, configfs,
# FunctionFS), as the kernel and udev see them and as tavik-cli binds them;
# tavik-cli log as the recording service's user, with only the tavik group's
# access, through an unplug and a replug and a logger that stops answering.
# Leaves udevd running with the package's rule (Wine hears the modules through
# it). Prints one line per check and "usb: N passed, M failed".
#   usb.sh BUILD_FOLDER OUT_FOLDER
build=$1
out=$2/usb
part=usb
top=$(cd "$(dirname "$0")/../../.." && pwd)
mkdir -p "$out"
. "$(dirname "$0")/lib.sh"
cli=$build/cli/tavik-cli

export SYSTEMD_IGNORE_CHROOT=1
# The recording service's user and group, as the package makes them, before
# udevd reads the rule that names the group.
getent group tavik >/dev/null || groupadd --system tavik
getent passwd tavik >/dev/null || useradd --system --gid tavik --home-dir /var/lib/tavik --no-create-home \
    --shell /usr/sbin/nologin tavik
mkdir -p /etc/udev/rules.d
cp "$top/dist/60-tavik.rules" /etc/udev/rules.d/
udevd=$(command -v systemd-udevd || ls /lib/systemd/systemd-udevd /usr/lib/systemd/systemd-udevd 2>/dev/null | head -1)
udevadm control --ping 2>/dev/null || "$udevd" --daemon
wait_for "udevd answers" 60 udevadm control --ping

start_sim "$out/sim.log" --usb --verbose --count 123456 --factors 1.0625:0.9375:1.125

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
    } >>"$out/descriptors.txt" 2>&1
    grep -qx DEVTYPE=usb_device "$usb/uevent" && [ "$(cat "$usb/idVendor"):$(cat "$usb/idProduct")" = 20a0:5e21 ] &&
        [ "$(cat "$usb/manufacturer")" = tavik.example ] && products="$products $(cat "$usb/product")"
done
sed 's/^/    /' "$out/descriptors.txt"
check "each hidraw node's device/../.. is a USB device 20a0:5e21 with the module's strings" --seen "$out/descriptors.txt" \
    [ "$(echo $products | tr ' ' '\n' | sort | tr '\n' ' ')" = "VXFrequencyMeter VXGenerator VXLogger " ]
uaccess() { for n in /dev/hidraw*; do udevadm info -q property -n "$n" | grep -qE '^TAGS=.*:uaccess:' || return 1; done; }
check "the udev rule gives each node uaccess" --seen "$out/descriptors.txt" uaccess
# No seat in the VM, so uaccess gives nobody anything here: the group is the
# service's one way in.
group_only() { for n in /dev/hidraw*; do [ "$(stat -c '%U %G %a' "$n")" = "root tavik 660" ] || return 1; done; }
ls -l /dev/hidraw* >"$out/hidraw-access.txt" 2>&1
check "the udev rule gives each node to the tavik group, 0660, owned by root" --seen "$out/hidraw-access.txt" group_only

kept list "$cli" list --json
check "tavik-cli list --json: three bound, with the modules' serials and factors" --seen "$out/list.out" --seen "$out/list.err" \
    json "$out/list.out" 'length == 3 and all(.[]; .bound and .read_write and (.serial | length) > 0) and
     any(.[]; .kind == "logger" and .k1 == 1.0625 and .k2 == 0.9375) and any(.[]; .kind == "freqmeter" and .factor == 1.125)'

# A request answered 1.5 s late: the pass that reads the frequency meter's
# factor waits for it, and gets it.
start=$(now)
"$cli" list --json >/dev/null 2>&1
usual=$(since "$start")
echo "late freqmeter 1500" >&3
start=$(now)
kept late "$cli" list --json
took=$(since "$start")
echo "    usb: tavik-cli list took $usual s, with one late answer $took s"
# A lower bound only: a busy machine makes every pass slower, never faster.
check "the pass waited for the late answer (took $took s, the answer 1.5 s late)" awk "BEGIN { exit !($took >= 1.5) }"
check "tavik-sim held that answer back" --seen "$out/sim.log" grep -q 'freqmeter1: answering late' "$out/sim.log"
check "the late list is whole" --seen "$out/late.out" --seen "$out/late.err" \
    json "$out/late.out" 'length == 3 and any(.[]; .kind == "freqmeter" and .bound and .factor == 1.125)'

# A replug is a new device: a new HID device number, a new serial. The
# recording service's command records it, as its user, through the group.
records=/var/lib/tavik
mkdir -p "$records"
chown tavik:tavik "$records"
setpriv --reuid=tavik --regid=tavik --init-groups -- "$cli" log --dir "$records" \
    >"$out/service-log.out" 2>"$out/service-log.err" &
service=$!
recording() { python3 "$top/tests/e2e/vm/log_events.py" "$records" "$1" >/dev/null 2>&1; }
wait_for "the service user's recording has logger rows" 120 recording rows
logger_node() { for n in $(ls /sys/class/hidraw); do [ "$(cat "$(usb_of "$n")/product" 2>/dev/null)" = VXLogger ] && echo "$n"; done; }
node=$(logger_node)
before="$(basename "$(readlink -f "/sys/class/hidraw/$node/device")") $(cat "$(usb_of "$node")/serial")"
echo "unplug logger" >&3
gone=yes
wait_for "the logger's node gone" 60 sh -c "[ ! -e /sys/class/hidraw/$node ]" || gone=no
wait_for "the recording has the logger's absence" 60 recording absent
echo "plug logger" >&3
after=
replugged() {
    n=$(logger_node)
    [ -n "$n" ] && after="$(basename "$(readlink -f "/sys/class/hidraw/$n/device")") $(cat "$(usb_of "$n")/serial")"
}
wait_for "the logger's node back" 90 replugged
wait_for "the recording has the logger bound again, with rows" 120 recording back
# A logger that stops answering and answers again: the gap in its rows told.
echo "hang logger" >&3
wait_for "the recording has the logger not answering" 60 recording hung
echo "answer logger" >&3
wait_for "the recording has the logger answering again, with rows" 60 recording answers
kill -INT $service
wait $service
logged=$?
cp "$records"/tavik-*.csv "$out/" 2>/dev/null
python3 "$top/tests/e2e/vm/log_events.py" "$records" whole >"$out/service-log.check" 2>&1
whole=$?
sed 's/^/    /' "$out/service-log.check"
check "tavik-cli log as the tavik user, through the group's access: ends with 0 on SIGINT (exit code $logged)" \
    --seen "$out/service-log.err" [ "$logged" -eq 0 ]
check "its recording: the logger bound, rows, absent, bound again, rows, not answering, answering again, rows, stopped; every row whole" \
    --seen "$out/service-log.check" [ "$whole" -eq 0 ]
list_hidraw >"$out/replug-hidraw.txt" 2>&1
echo "    usb: logger before the replug: $before; after: $after"
check "unplugging the logger removes its node" --seen "$out/replug-hidraw.txt" [ "$gone" = yes ]
different() { [ -n "$after" ] && [ "${before%% *}" != "${after%% *}" ] && [ "${before#* }" != "${after#* }" ]; }
check "plugging it in again makes a new device, with a new serial" --seen "$out/replug-hidraw.txt" different
wait_for "the three modules' hidraw nodes with their USB strings" 90 modules_present usb
wait_for "udev settled" 90 udevadm settle --timeout=5
kept replug "$cli" list --json
check "the logger plugged in again is bound" --seen "$out/replug.out" --seen "$out/replug.err" \
    json "$out/replug.out" 'any(.[]; .kind == "logger" and .bound and .k1 == 1.0625)'

stop_sim
echo "usb: $passed passed, $failed failed"
[ $failed -eq 0 ]

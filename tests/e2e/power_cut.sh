#!/usr/bin/env bash
# A power cut under tavik-cli log: the VM records onto an ext4 disk image and
# is reset without a sync (tests/e2e/vm/power_cut.sh); the host then replays
# the disk's journal as a boot would (e2fsck), copies the recordings off it
# (debugfs) and checks them (power_cut.py). Prints its checks and
# "powercut: N passed, M failed".
#   tests/e2e/power_cut.sh BUILD_FOLDER OUT_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
out=$2
sync_seconds=1
mkdir -p "$out"
disk=$out/disk.img
rm -f "$disk"
truncate -s 64M "$disk" && mkfs.ext4 -q -F "$disk" || { echo "powercut: 0 passed, 1 failed (no disk image)"; exit 1; }
TAVIK_VM_DISK=$disk "$here/vm/run-vm.sh" "$out" "sh $here/vm/power_cut.sh $build $out $sync_seconds" >"$out/console.log" 2>&1
grep -E '^  (WAIT|ok|FAIL)|^powercut' "$out/console.log" | sed 's/^/    /'
/usr/sbin/e2fsck -fy "$disk" >"$out/fsck.txt" 2>&1
fsck=$?
rm -rf "$out/kept"
mkdir -p "$out/kept"
/usr/sbin/debugfs -R "rdump /records $out/kept" "$disk" >"$out/debugfs.txt" 2>&1
rm -f "$disk"
# Its checks beside the VM's lines, in one console, as the stress table reads them.
python3 "$here/power_cut.py" "$out" "$build/cli/tavik-cli" "$sync_seconds" "$fsck" | tee -a "$out/console.log"
exit "${PIPESTATUS[0]}"

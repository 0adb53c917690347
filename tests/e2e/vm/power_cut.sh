#!/bin/sh
# Inside the VM: tavik-cli --demo log onto the virtual disk (ext4 on
# /dev/vda), synced every SYNC seconds; once it has recorded a while, a copy
# of the file as the program left it (the page cache's), the moment, and the
# VM reset at once, with nothing synced (sysrq b). What the disk kept is read
# on the host (tests/e2e/power_cut.sh).
#   power_cut.sh BUILD_FOLDER OUT_FOLDER SYNC
build=$1
out=$2
sync_seconds=$3
part=powercut
mkdir -p "$out"
. "$(dirname "$0")/lib.sh"
disk=/run/power-cut-disk
mkdir -p "$disk"
mount -t ext4 /dev/vda "$disk" || { echo "powercut: the virtual disk did not mount"; exit 1; }
mkdir -p "$disk/records"
"$build/cli/tavik-cli" --demo log --dir "$disk/records" --sync "$sync_seconds" >"$out/log.out" 2>"$out/log.err" &
# Rows for several sync periods, so that syncs have happened before the cut.
recorded_for() {
    f=$(ls "$disk"/records/tavik-*.csv 2>/dev/null | tail -1) && [ -n "$f" ] &&
        tail -2 "$f" | head -1 | awk -F, -v s="$1" '$2 + 0 >= s { ok = 1 } END { exit !ok }'
}
wait_for "the recording has rows of $((sync_seconds * 5)) s" 180 recorded_for $((sync_seconds * 5))
cp "$(ls "$disk"/records/tavik-*.csv | tail -1)" "$out/before-cut.csv"
date +%s%3N >"$out/cut-ms"
echo "powercut: the VM reset at $(cat "$out/cut-ms")"
echo b >/proc/sysrq-trigger

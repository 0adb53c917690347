#!/usr/bin/env bash
# Runs a test program with a fresh 16 KiB tmpfs named in TAVIK_SMALL_DISK, for
# a program that cannot mount one itself (a Windows one under Wine). Mounting
# needs root: without it the test is reported skipped (exit 77), with the
# reason.
#   tests/support/small_disk.sh PROGRAM [ARGS...]
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then echo "skipped: needs root to mount a small tmpfs"; exit 77; fi
disk=$(mktemp -d)
if ! mount -t tmpfs -o size=16k tmpfs "$disk"; then
  rmdir "$disk"
  echo "skipped: cannot mount a tmpfs here"
  exit 77
fi
trap 'umount -l "$disk"; rmdir "$disk"' EXIT
# Wine shows the host's root as drive Z:.
TAVIK_SMALL_DISK="Z:$disk" "$@"

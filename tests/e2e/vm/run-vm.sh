#!/usr/bin/env bash
# Boots Debian's own kernel under qemu (software emulation) with the HID
# modules, uhid and the USB gadget modules, shares this machine's root read-only and OUT read-write,
# and runs COMMAND inside, chrooted into the shared root.
#
#   tests/e2e/vm/run-vm.sh OUT COMMAND...
#
# The kernel package is downloaded once (apt-get download, unpacked, not
# installed) into ${TAVIK_VM_CACHE:-~/.cache/tavik-vm}. The emulated CPU has
# no SMAP: with it Wine's processes die on a kernel oops under TCG.
# The whole run ends after ${TAVIK_VM_TIMEOUT:-2400} seconds: a safety net
# for a VM that hangs, well above the 11-19 minutes the stage takes on a
# quiet or a busy two-core machine; the waits inside have their own deadlines.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
shift
command="$*"
cache=${TAVIK_VM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tavik-vm}
mkdir -p "$cache"

# The kernel: Debian's current 6.1 image package, unpacked into the cache.
if [ ! -f "$cache/kernel.ready" ]; then
    package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-6\.1/ {print $2; exit}')
    [ -n "$package" ] || package=$(apt-cache search --names-only '^linux-image-6\.1\.0-[0-9]+-amd64$' | sort -V | tail -1 | cut -d' ' -f1)
    [ -n "$package" ] || { echo "VM: no linux-image-6.1 package found"; exit 3; }
    rm -rf "$cache/root" "$cache"/*.deb
    (cd "$cache" && apt-get download -q "$package" >/dev/null 2>&1) || { echo "VM: could not download $package"; exit 3; }
    dpkg-deb -x "$cache"/linux-image-*.deb "$cache/root"
    version=$(ls "$cache/root/lib/modules" | sort -V | tail -1)
    depmod -b "$cache/root" "$version"
    echo "$version" > "$cache/kernel.ready"
fi
version=$(cat "$cache/kernel.ready")
kroot=$cache/root

# The initramfs: busybox, our init, the modules in load order.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root"/{bin,dev,proc,sys,tmp,modules}
cp /bin/busybox "$work/root/bin/busybox"
cp "$here/init" "$work/root/init"
chmod 755 "$work/root/init"
printf '%s\n' "$command" > "$work/root/command"
printf '%s\n' "$out" > "$work/root/out"
# One module a line, with its parameters; each after the modules it needs
# (modprobe's own order). dummy_hcd's three controllers carry tavik-sim's
# three USB modules; configfs comes before libcomposite.
: > "$work/root/modules/order"
for wanted in hid hid-generic uhid usbhid "dummy_hcd num=3" configfs libcomposite usb_f_fs \
    virtio_pci 9pnet_virtio 9p overlay virtio_blk ext4; do
    set -- $wanted
    shift
    modprobe -d "$kroot" -S "$version" --show-depends "${wanted%% *}" | awk '$1 == "insmod" {print $2}' >"$work/files"
    last=$(tail -1 "$work/files")
    while read -r file; do
        name=$(basename "$file" | sed 's/\.ko.*//')
        grep -q "^$name\( \|$\)" "$work/root/modules/order" && continue
        case "$file" in
            *.ko) cp "$file" "$work/root/modules/$name.ko" ;;
            *.ko.xz) xz -dc "$file" > "$work/root/modules/$name.ko" ;;
            *.ko.zst) zstd -dcq "$file" > "$work/root/modules/$name.ko" ;;
        esac
        if [ "$file" = "$last" ]; then echo "$name $*"; else echo "$name"; fi >> "$work/root/modules/order"
    done <"$work/files"
done
rm -f "$work/files"
(cd "$work/root" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initramfs.gz"

bios=()
# TAVIK_VM_DISK: a disk image, the VM's /dev/vda.
disk=()
[ -n "${TAVIK_VM_DISK:-}" ] && disk=(-drive "file=$TAVIK_VM_DISK,format=raw,if=virtio,cache=writeback")
[ -f /usr/share/qemu/qboot.rom ] && bios=(-bios /usr/share/qemu/qboot.rom)
timeout "${TAVIK_VM_TIMEOUT:-2400}" qemu-system-x86_64 -accel tcg -cpu max,-smap -m 1536M -smp 2 "${bios[@]}" "${disk[@]}" \
    -nodefaults -nographic -no-reboot -serial stdio \
    -virtfs "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap" \
    -virtfs "local,path=$out,mount_tag=outdir,security_model=none,multidevs=remap" \
    -kernel "$kroot/boot/vmlinuz-$version" -initrd "$work/initramfs.gz" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1" </dev/null

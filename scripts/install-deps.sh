#!/usr/bin/env bash
# Installs the Debian packages Tavik needs to build, test and run, if any are missing.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev libhidapi-dev libudev-dev
  googletest libgtest-dev
  fonts-liberation xvfb xauth
)
# "e2e" asks for what the end-to-end test in a VM needs as well.
if [ "${1:-}" = e2e ]; then
  packages=(qemu-system-x86 busybox-static cpio xz-utils zstd kmod imagemagick xvfb xauth)
fi
if [ "${1:-}" = fuzz ]; then
  packages=(clang libclang-rt-14-dev qt6-base-dev libhidapi-dev libudev-dev cmake pkg-config)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

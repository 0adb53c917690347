#!/usr/bin/env bash
# Installs the Debian packages Tavik needs to build, test and run, if any are missing.
#   scripts/install-deps.sh          the native build, its tests and the program
#                                    (prometheus and its promtool scrape and check
#                                    tavik-cli's metrics endpoint; mosquitto and
#                                    its clients carry and read its MQTT readings;
#                                    avahi-daemon, avahi-browse and lxi find serve
#                                    over mDNS in a network namespace of the test's,
#                                    and reach it over VXI-11 through rpcbind there)
#   scripts/install-deps.sh e2e      what the end-to-end test in a VM needs
#   scripts/install-deps.sh fuzz     clang and libFuzzer
#   scripts/install-deps.sh stress   the CPU hog of the end-to-end stress run
#   scripts/install-deps.sh arm64    the arm64 cross build and qemu-user to run it
#   scripts/install-deps.sh package  what builds and checks the Debian package
#   scripts/install-deps.sh windows  the Windows cross build, Wine to run it, NSIS
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev libhidapi-dev libudev-dev
  googletest libgtest-dev
  fonts-liberation xvfb xauth locales
  python3-pyvisa python3-pyvisa-py
  faketime strace tzdata
  prometheus
  libmosquitto-dev mosquitto mosquitto-clients
  libavahi-client-dev avahi-daemon avahi-utils lxi-tools dbus iproute2 util-linux
  libtirpc-dev rpcbind
)
case "${1:-}" in
  e2e) packages=(qemu-system-x86 busybox-static cpio xz-utils zstd kmod imagemagick xvfb xauth jq udev) ;;
  package) packages=(dpkg-dev fakeroot lintian appstream desktop-file-utils gzip systemd adduser) ;;
  stress) packages=(stress-ng) ;;
  fuzz) packages=(clang libclang-rt-14-dev qt6-base-dev libhidapi-dev libudev-dev libmosquitto-dev libavahi-client-dev libtirpc-dev cmake pkg-config) ;;
  arm64)
    # The host's Qt tools (moc) with arm64 libraries beside them.
    packages=(g++-aarch64-linux-gnu qemu-user-static binfmt-support qt6-base-dev qt6-base-dev-tools
              qt6-base-dev:arm64 libhidapi-dev:arm64 libudev-dev:arm64 libmosquitto-dev:arm64 libavahi-client-dev:arm64 libtirpc-dev:arm64 libgtest-dev:arm64
              libqt6gui6:arm64 qt6-qpa-plugins:arm64 fonts-liberation xvfb xauth) ;;
  windows)
    # GoogleTest as sources, built by the cross build; wine64 runs the 64-bit
    # programs, wine gives the wine, wineboot and wineserver commands; the
    # icon is drawn from the SVG by rsvg-convert and packed by ImageMagick;
    # icoutils reads the resources of the built programs back; pyvisa holds
    # a SCPI session with tavik-cli.exe serve from the Linux side;
    # osslsigncode signs the packages (openssl makes the tests' certificate).
    packages=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 cmake
              wine wine64 nsis googletest util-linux sed librsvg2-bin imagemagick icoutils xvfb xauth locales
              python3-pyvisa python3-pyvisa-py osslsigncode openssl) ;;
esac
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
apt_get=("${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600)
if [ "${1:-}" = arm64 ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
  "${sudo[@]}" dpkg --add-architecture arm64
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${apt_get[@]}" update -qq
  "${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locale of the program's own users: tavik-cli's tests run under it, and
# where it is not generated the C library falls back to "C" without a word.
if [ -z "${1:-}" ] && ! locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then
  echo "Generating the ru_RU.UTF-8 locale"
  if [ -f /etc/locale.gen ]; then
    # Kept in locale.gen, so that a later locale-gen keeps it too.
    grep -qx 'ru_RU.UTF-8 UTF-8' /etc/locale.gen ||
      "${sudo[@]}" sed -i 's/^# *\(ru_RU\.UTF-8 UTF-8\)$/\1/' /etc/locale.gen
    grep -qx 'ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    "${sudo[@]}" locale-gen
  else
    "${sudo[@]}" localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
  fi
fi

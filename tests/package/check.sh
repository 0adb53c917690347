#!/usr/bin/env bash
# The Debian package as a user meets it: lintian and the desktop and AppStream
# validators, then, as root, `apt-get install ./tavik_*.deb`, the installed
# files, tavik-sim run from /usr/bin, and a purge that leaves nothing behind.
# Elsewhere the package is unpacked and its contents checked instead.
#   tests/package/check.sh BUILD_FOLDER
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
deb=$(ls "$build"/tavik_*.deb 2>/dev/null | tail -1)
passed=0
failed=0
check() {  # check "what" command...
    local what=$1
    shift
    if "$@" >/tmp/tavik-package-check.log 2>&1; then
        passed=$((passed + 1)); echo "  ok   $what"
    else
        failed=$((failed + 1)); echo "  FAIL $what"; sed 's/^/       /' /tmp/tavik-package-check.log | head -20
    fi
}
[ -n "$deb" ] || { echo "package: 0 passed, 1 failed (no tavik_*.deb in $build: make package)"; exit 1; }
echo "== $(basename "$deb")"

files=(usr/bin/tavik usr/bin/tavik-sim lib/udev/rules.d/60-tavik.rules usr/share/applications/tavik.desktop
       usr/share/icons/hicolor/scalable/apps/tavik.svg usr/share/metainfo/example.tavik.Tavik.metainfo.xml
       usr/share/man/man1/tavik.1.gz usr/share/man/man1/tavik-sim.1.gz usr/share/doc/tavik/copyright
       usr/share/doc/tavik/changelog.gz lib/systemd/system/tavik-log.service etc/default/tavik-log)
[ -f "$build/cli/tavik-cli" ] && files+=(usr/bin/tavik-cli usr/share/man/man1/tavik-cli.1.gz)

check "lintian reports no errors" lintian --fail-on error --tag-display-limit 0 "$deb"
unpacked=$(mktemp -d)
dpkg-deb -x "$deb" "$unpacked"
check "the udev rule gives the tavik group and the seat access" \
    grep -q 'GROUP="tavik", MODE="0660", TAG+="uaccess"' "$unpacked/lib/udev/rules.d/60-tavik.rules"
check "the desktop entry is valid" desktop-file-validate "$unpacked/usr/share/applications/tavik.desktop"
check "the AppStream metainfo is valid" appstreamcli validate --no-net \
    "$unpacked/usr/share/metainfo/example.tavik.Tavik.metainfo.xml"
depends=$(dpkg-deb -f "$deb" Depends)
check "dependencies come from the binaries" grep -q 'libqt6widgets6' <<<"$depends"

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
    dpkg -s tavik >/dev/null 2>&1 && apt-get purge -y -qq tavik >/dev/null 2>&1
    check "apt-get installs the package" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb"
    missing=()
    for f in "${files[@]}"; do [ -e "/$f" ] || missing+=("/$f"); done
    check "every file is in place" test ${#missing[@]} -eq 0
    [ ${#missing[@]} -eq 0 ] || echo "       missing: ${missing[*]}"
    check "tavik-sim --help runs from /usr/bin" /usr/bin/tavik-sim --help
    # The unit as systemd reads it, its command and user those installed.
    check "systemd-analyze verifies the recording service" bash -c \
        'out=$(systemd-analyze verify --man=no /lib/systemd/system/tavik-log.service 2>&1); echo "$out"; [ -z "$out" ]'
    check "the tavik user is in the tavik group" bash -c 'id -nG tavik | grep -qw tavik'
    check "the recording service is not enabled by the install" bash -c \
        '! systemctl is-enabled tavik-log >/dev/null 2>&1'
    # The unit's own command, as its user, over the demo's modules.
    check "the service user runs the unit's command" bash -c \
        'd=$(mktemp -d) && chown tavik:tavik "$d" && runuser -u tavik -- /usr/bin/tavik-cli --demo log --dir "$d" --every 1 --seconds 2 && ls "$d"/tavik-*.csv && rm -rf "$d"'
    check "apt-get purges it" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tavik
    left=()
    for f in "${files[@]}"; do [ -e "/$f" ] && left+=("/$f"); done
    [ -d /usr/share/doc/tavik ] && left+=(/usr/share/doc/tavik)
    check "nothing is left after the purge" test ${#left[@]} -eq 0
    [ ${#left[@]} -eq 0 ] || echo "       left: ${left[*]}"
    check "dpkg knows it no more" bash -c '! dpkg -s tavik >/dev/null 2>&1'
else
    missing=()
    for f in "${files[@]}"; do [ -e "$unpacked/$f" ] || missing+=("$f"); done
    check "every file is in the package (not root: not installed)" test ${#missing[@]} -eq 0
    check "the package's tavik-sim --help runs" "$unpacked/usr/bin/tavik-sim" --help
fi
rm -rf "$unpacked"
echo "package: $passed passed, $failed failed"
[ $failed -eq 0 ]

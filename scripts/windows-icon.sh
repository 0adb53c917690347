#!/usr/bin/env bash
# The Windows icon from the program's SVG: every size Windows asks for, from
# the 16-pixel one of a title bar to Explorer's 256-pixel tile (stored as PNG).
#   scripts/windows-icon.sh SVG ICO
set -euo pipefail
svg=$1
ico=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes=(16 20 24 32 40 48 64 96 128 256)
for size in "${sizes[@]}"; do
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$work/$size.png"
done
convert $(printf "$work/%s.png " "${sizes[@]}") "ico:$ico.tmp"
mv "$ico.tmp" "$ico"

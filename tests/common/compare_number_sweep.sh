#!/usr/bin/env bash
# The number sweep of this machine's build against the Windows build's under
# Wine, byte for byte. A Windows console program ends its lines with CR LF, so
# the native lines get a CR before the comparison and nothing else changes.
#   tests/common/compare_number_sweep.sh NATIVE_SWEEP WINDOWS_SWEEP.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
native=$(mktemp)
windows=$(mktemp)
trap 'rm -f "$native" "$windows"' EXIT
"$1" | sed 's/$/\r/' > "$native"
WINE_RUN_RAW=1 "$here/../../scripts/wine-run.sh" "$2" > "$windows"
if cmp -s "$native" "$windows"; then
  echo "number sweep: $(wc -l < "$native") lines, the same on Linux and under Wine"
else
  echo "number sweep: the Windows build differs from this machine's:"
  diff <(tr -d '\r' < "$native") <(tr -d '\r' < "$windows") | head -20  || true
  cmp "$native" "$windows" | head -1 || true
  exit 1
fi

#!/usr/bin/env bash
# The end-to-end stage again and again on a busy machine: RUNS times in a row
# with Debian's stress-ng keeping every core busy beside it, each run's output
# folder kept, and then a table of every check (runs, failures) and every
# wait (runs, timed out, the slowest and the deadline), so that a check that
# fails now and then, or a wait that creeps towards its deadline, shows.
#   tests/e2e/stress.sh [RUNS]            the VM stage (default 5 runs)
#   STRESS_WINE_SUITE=1 tests/e2e/stress.sh [RUNS]   the Windows suite under Wine too
# Settings: STRESS_BUILD (build), STRESS_WIN_BUILD (build-windows; empty for
# no Wine part), STRESS_CPU (stress-ng's workers, default one a core),
# TAVIK_VM_TIMEOUT (the whole VM run's limit, here 3600 s). Build first
# (make build cross-windows). Output in $STRESS_BUILD/stress/, with each VM
# run's exit code in vm-N/exit-code: a run that fails as a whole (its limit
# reached, a part that never reported) counts as a failure in the table.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-5}
build=$(cd "$top" && cd "${STRESS_BUILD:-build}" && pwd) || exit 1
win=${STRESS_WIN_BUILD-build-windows}
if [ -n "$win" ]; then win=$(cd "$top" && cd "$win" && pwd) || exit 1; fi
workers=${STRESS_CPU:-$(nproc)}
out=$build/stress
rm -rf "$out"
mkdir -p "$out"
command -v stress-ng >/dev/null || "$top/scripts/install-deps.sh" stress >/dev/null

stress-ng --cpu "$workers" --timeout 0 --quiet >"$out/stress-ng.log" 2>&1 &
hog=$!
trap 'kill $hog 2>/dev/null; wait $hog 2>/dev/null' EXIT
echo "stress: $workers stress-ng CPU workers beside $runs runs"
for run in $(seq "$runs"); do
    start=$(date +%s)
    TAVIK_VM_TIMEOUT=${TAVIK_VM_TIMEOUT:-3600} "$top/tests/e2e/run.sh" "$build" ${win:+"$win"} >"$out/vm-$run.txt" 2>&1
    status=$?
    cp -r "$build/e2e-out" "$out/vm-$run"
    echo "$status" >"$out/vm-$run/exit-code"
    echo "stress: VM run $run: exit code $status, $(($(date +%s) - start)) s: $(tail -1 "$out/vm-$run.txt")"
    if [ "${STRESS_WINE_SUITE:-0}" = 1 ] && [ -n "$win" ]; then
        start=$(date +%s)
        (cd "$win" && ctest -j "$(nproc)" --output-junit "$out/wine-$run.xml" >"$out/wine-$run.txt" 2>&1)
        echo "stress: Wine suite run $run: exit code $?, $(($(date +%s) - start)) s: $(grep -E 'tests passed' "$out/wine-$run.txt")"
    fi
done
python3 "$top/tests/e2e/stress_table.py" "$out" | tee "$out/table.txt"

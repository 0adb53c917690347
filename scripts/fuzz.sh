#!/usr/bin/env bash
# Runs each fuzz target for a fixed time from the seed corpus; stops at the
# first finding (libFuzzer leaves the input as crash-* in the build folder).
#   scripts/fuzz.sh BUILD_FOLDER SECONDS
# Every fuzz_* program the build made is run.
set -uo pipefail
build=$1
seconds=$2
for binary in "$build"/fuzz/fuzz_*; do
    [ -x "$binary" ] || continue
    target=${binary##*/fuzz_}
    mkdir -p "$build/corpus/$target" "$build/findings"
    echo "== fuzz_$target for $seconds s"
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" "$build/corpus/$target" "fuzz/corpus/$target" \
        >"$build/fuzz_$target.log" 2>&1
    status=$?
    grep -E 'stat::number_of_executed_units|^Done' "$build/fuzz_$target.log"
    if [ $status -ne 0 ]; then
        grep -E 'ERROR|SUMMARY|==[0-9]+==' "$build/fuzz_$target.log" | head -20
        echo "fuzz_$target: finding (see $build/fuzz_$target.log and $build/findings)"
        exit 1
    fi
done
echo "fuzz: no finding"

#!/usr/bin/env bash
# Runs each fuzz target for a fixed time and prints how many inputs it ran;
# stops at the first finding (libFuzzer leaves the input in BUILD/findings).
#   scripts/fuzz.sh BUILD_FOLDER SECONDS          from the seed corpus and what
#                                                 earlier runs kept in BUILD/corpus
#   scripts/fuzz.sh BUILD_FOLDER SECONDS seeds    from the seed corpus alone; what
#                                                 it finds on the way is dropped
# Every target in fuzz/ is run, each from its seed corpus fuzz/corpus/<name>.
set -uo pipefail
build=$1
seconds=$2
mode=${3:-}
found=0
ran=0
for source in fuzz/fuzz_*.cpp; do
    target=${source#fuzz/fuzz_}
    target=${target%.cpp}
    binary="$build/fuzz/fuzz_$target"
    if [ ! -x "$binary" ]; then
        echo "fuzz_$target: not built ($binary)"
        exit 1
    fi
    if [ ! -d "fuzz/corpus/$target" ]; then
        echo "fuzz_$target: no seed corpus in fuzz/corpus/$target"
        exit 1
    fi
    if [ "$mode" = seeds ]; then
        kept="$build/smoke/$target"
        rm -rf "$kept"
    else
        kept="$build/corpus/$target"
    fi
    mkdir -p "$kept" "$build/findings"
    log="$build/fuzz_$target.log"
    "$binary" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" "$kept" "fuzz/corpus/$target" >"$log" 2>&1
    status=$?
    ran=$((ran + 1))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
    echo "fuzz_$target: ${runs:-no} executions${took:+ in $took s}"
    if [ $status -ne 0 ]; then
        grep -E 'ERROR|SUMMARY|==[0-9]+==' "$log" | head -20
        echo "fuzz_$target: finding (see $log and $build/findings)"
        found=1
        break
    fi
done
if [ $ran -eq 0 ]; then
    echo "fuzz: no fuzz target in fuzz/"
    exit 1
fi
[ $found -eq 0 ] && echo "fuzz: no finding"
exit $found

#!/bin/sh
# Inside the VM: tavik-cli against tavik-sim's virtual modules on the real
# kernel. Prints one line per check and "cli: N passed, M failed".
#   cli.sh BUILD_FOLDER OUT_FOLDER
build=$1
out=$2/cli
mkdir -p "$out"
cli=$build/cli/tavik-cli
export LANG=ru_RU.UTF-8
passed=0
failed=0
check() {  # check "what" CONDITION...
    what=$1
    shift
    if "$@"; then passed=$((passed + 1)); echo "  ok   cli: $what"; else failed=$((failed + 1)); echo "  FAIL cli: $what"; fi
}
json() {  # json FILE FILTER: every line of FILE is JSON, and FILTER over the array of them holds
    jq -e -s "$2" "$1" >/dev/null
}
lines_whole() {  # every line of the file ends in CR LF and has the window's fields
    [ -s "$1" ] && [ "$(tr -cd '\r' <"$1" | wc -c)" -eq "$(wc -l <"$1")" ] &&
        ! tr -d '\r' <"$1" | grep -qvE '^[0-9]{8};[0-9]{9};24;3,766;1,000;1,883;1,000$'
}

# Without the locale the C library falls back to "C" unseen, and the checks
# below would not see the user's separator.
check "ru_RU.UTF-8 is generated" sh -c "locale -a | grep -qix 'ru_RU.utf-\\?8'"
check "jq is there to read the JSON lines" sh -c "command -v jq >/dev/null"

# The shared folder takes no fifo: it lives in the VM's own /tmp.
fifo=$(mktemp -u /tmp/tavik-sim-input.XXXXXX)
mkfifo "$fifo" || echo "cli: no fifo for tavik-sim's commands"
"$build/sim/tavik-sim" --verbose --count 123456 --in --signal1 constant:3.76575 --signal2 constant:1.882875 \
    <"$fifo" >"$out/sim.log" 2>&1 &
sim=$!
exec 3>"$fifo"
for i in $(seq 100); do grep -q '^ready' "$out/sim.log" && break; sleep 0.1; done
sleep 1

"$cli" list >"$out/list.txt" 2>&1
cat "$out/list.txt"
check "list shows the three modules bound" [ "$(grep -cE '^(logger|generator|freqmeter) .*read/write  bound' "$out/list.txt")" -eq 3 ]
"$cli" list --json >"$out/list.json" 2>"$out/list.err"
check "list --json: one object per module, bound with access" \
    json "$out/list.json" 'length == 3 and all(.[]; .read_write and .bound and .kind != "unknown")'

"$cli" watch --json --seconds 3 >"$out/watch.json" 2>"$out/watch.err"
head -4 "$out/watch.json"
check "watch --json: every line parses, with its UTC offset" \
    json "$out/watch.json" 'length > 3 and all(.[]; .time | test("^[0-9-]{10}T[0-9:.]{12}[+-][0-9]{2}:[0-9]{2}$"))'
check "watch --json carries the logger's volts, its texts with a comma" \
    json "$out/watch.json" 'any(.[]; .module == "logger" and .v1 > 3.765 and .v1 < 3.767 and .v1_text == "V1 = 3,766 В")'
check "watch --json carries the frequency and IN" \
    json "$out/watch.json" 'any(.[]; .module == "freqmeter" and .hz == 123456 and .result == "123,5 кГц" and .in == true)'
check "watch --json: bindings" json "$out/watch.json" '[.[] | select(.event == "bound")] | length == 3'

"$cli" measure --json >"$out/measure.json" 2>&1
check "measure --json: one fresh reading of each" \
    json "$out/measure.json" 'length == 2 and ([.[].module] | sort) == ["freqmeter", "logger"]'

"$cli" record --seconds 3 --dir "$out" >"$out/record.txt" 2>&1
file=$(head -1 "$out/record.txt")
echo "    record: $file, $(wc -l <"$file") lines"
check "record writes the window's lines, whole" lines_whole "$file"

"$cli" generator --out3-level 1 >"$out/generator.txt" 2>&1
check "generator --out3-level 1 reaches the module as 02 01 10 00 00 00 00 EF" \
    grep -q 'generator1 <-: 02 01 10 00 00 00 00 EF' "$out/sim.log"

mkdir -p "$out/replug"
"$cli" record --seconds 6 --dir "$out/replug" >"$out/replug.txt" 2>"$out/replug.err" &
recorder=$!
sleep 2
echo "unplug logger" >&3
sleep 1.5
echo "plug logger" >&3
wait $recorder
cat "$out/replug.err"
paused_and_resumed() { grep -q 'recording pauses' "$1" && grep -q 'recording goes on' "$1"; }
check "an unplug pauses the recording and a replug resumes it" paused_and_resumed "$out/replug.err"
check "lines on both sides of the gap, whole" lines_whole "$(head -1 "$out/replug.txt")"

mkdir -p "$out/interrupt"
"$cli" record --dir "$out/interrupt" >"$out/interrupt.txt" 2>&1 &
recorder=$!
sleep 2
kill -INT $recorder
wait $recorder
code=$?
check "SIGINT ends the recording with 0" [ $code -eq 0 ]
check "SIGINT leaves only whole lines" lines_whole "$(head -1 "$out/interrupt.txt")"

echo quit >&3
exec 3>&-
wait $sim
rm -f "$fifo"
echo "cli: $passed passed, $failed failed"
[ $failed -eq 0 ]

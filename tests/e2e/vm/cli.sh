#!/bin/sh
# Inside the VM: tavik-cli against tavik-sim's virtual modules on the real
# kernel. Prints one line per check and "cli: N passed, M failed".
#   cli.sh BUILD_FOLDER OUT_FOLDER
build=$1
out=$2/cli
part=cli
mkdir -p "$out"
. "$(dirname "$0")/lib.sh"
cli=$build/cli/tavik-cli
export LANG=ru_RU.UTF-8
lines_whole() {  # every line of the file ends in CR LF and has the window's fields
    [ -s "$1" ] && [ "$(tr -cd '\r' <"$1" | wc -c)" -eq "$(wc -l <"$1")" ] &&
        ! tr -d '\r' <"$1" | grep -qvE '^[0-9]{8};[0-9]{9};24;3,766;1,000;1,883;1,000$'
}
# The recording file a recorder named on its first line has N whole lines or more.
recorded() { file=$(head -1 "$1" 2>/dev/null) && [ -f "$file" ] && [ "$(wc -l <"$file")" -ge "$2" ]; }

# Without the locale the C library falls back to "C" unseen, and the checks
# below would not see the user's separator.
check "ru_RU.UTF-8 is generated" sh -c "locale -a | grep -qix 'ru_RU.utf-\\?8'"
check "jq is there to read the JSON lines" sh -c "command -v jq >/dev/null"

start_sim "$out/sim.log" --verbose --count 123456 --in --signal1 constant:3.76575 --signal2 constant:1.882875

kept list "$cli" list
cat "$out/list.out"
check "list shows the three modules bound" --seen "$out/list.out" --seen "$out/list.err" \
    [ "$(grep -cE '^(logger|generator|freqmeter) .*read/write  bound' "$out/list.out")" -eq 3 ]
kept list-json "$cli" list --json
check "list --json: one object per module, bound with access" --seen "$out/list-json.out" --seen "$out/list-json.err" \
    json "$out/list-json.out" 'length == 3 and all(.[]; .read_write and .bound and .kind != "unknown")'

kept watch "$cli" watch --json --seconds 3
head -4 "$out/watch.out"
check "watch --json: every line parses, with its UTC offset" --seen "$out/watch.out" --seen "$out/watch.err" \
    json "$out/watch.out" 'length > 3 and all(.[]; .time | test("^[0-9-]{10}T[0-9:.]{12}[+-][0-9]{2}:[0-9]{2}$"))'
check "watch --json carries the logger's volts, its texts with a comma" --seen "$out/watch.out" \
    json "$out/watch.out" 'any(.[]; .module == "logger" and .v1 > 3.765 and .v1 < 3.767 and .v1_text == "V1 = 3,766 В")'
check "watch --json carries the frequency and IN" --seen "$out/watch.out" \
    json "$out/watch.out" 'any(.[]; .module == "freqmeter" and .hz == 123456 and .result == "123,5 кГц" and .in == true)'
check "watch --json: bindings" --seen "$out/watch.out" json "$out/watch.out" '[.[] | select(.event == "bound")] | length == 3'

kept measure "$cli" measure --json
check "measure --json: one fresh reading of each" --seen "$out/measure.out" --seen "$out/measure.err" \
    json "$out/measure.out" 'length == 2 and ([.[].module] | sort) == ["freqmeter", "logger"]'

kept record "$cli" record --seconds 3 --dir "$out"
file=$(head -1 "$out/record.out")
echo "    record: $file, $(wc -l <"$file") lines"
check "record writes the window's lines, whole" --seen "$out/record.err" --seen "$file" lines_whole "$file"

kept generator "$cli" generator --out3-level 1
check "generator --out3-level 1 reaches the module as 02 01 10 00 00 00 00 EF" --seen "$out/generator.err" \
    grep -q 'generator1 <-: 02 01 10 00 00 00 00 EF' "$out/sim.log"

# Unplugged while recording, once the recording has lines; plugged in again
# once the recorder has said it pauses; ended once it goes on with lines.
mkdir -p "$out/replug"
"$cli" record --dir "$out/replug" >"$out/replug.out" 2>"$out/replug.err" &
recorder=$!
wait_for "the recording has lines" 60 recorded "$out/replug.out" 3
echo "unplug logger" >&3
wait_for "the recorder pauses" 60 grep -q 'recording pauses' "$out/replug.err"
echo "plug logger" >&3
wait_for "the recorder goes on" 60 grep -q 'recording goes on' "$out/replug.err"
lines=$(wc -l <"$(head -1 "$out/replug.out")")
wait_for "lines after the gap" 60 recorded "$out/replug.out" $((lines + 3))
kill -INT $recorder
wait $recorder
echo "    cli: recorder ended with exit code $?"
cat "$out/replug.err"
paused_and_resumed() { grep -q 'recording pauses' "$1" && grep -q 'recording goes on' "$1"; }
check "an unplug pauses the recording and a replug resumes it" --seen "$out/replug.err" paused_and_resumed "$out/replug.err"
check "lines on both sides of the gap, whole" lines_whole "$(head -1 "$out/replug.out")"

mkdir -p "$out/interrupt"
"$cli" record --dir "$out/interrupt" >"$out/interrupt.out" 2>"$out/interrupt.err" &
recorder=$!
wait_for "the recording has lines" 60 recorded "$out/interrupt.out" 3
kill -INT $recorder
wait $recorder
code=$?
check "SIGINT ends the recording with 0 (exit code $code)" --seen "$out/interrupt.err" [ $code -eq 0 ]
check "SIGINT leaves only whole lines" lines_whole "$(head -1 "$out/interrupt.out")"

stop_sim
echo "cli: $passed passed, $failed failed"
[ $failed -eq 0 ]

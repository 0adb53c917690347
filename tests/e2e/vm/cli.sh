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

# serve while the logger stops answering for 20 s: every query but the
# logger's is answered as before, the logger's fails at once with a hardware
# error, the meter is polled four times a second, and the logger answers
# queries again once it answers.
"$cli" serve --listen 127.0.0.1:5025 >"$out/serve.out" 2>"$out/serve.err" &
server=$!
wait_for "serve listens" 30 grep -q 'serving SCPI' "$out/serve.out"
rounds() { python3 "$(dirname "$0")/serve_rounds.py" 5025 "$2" >"$out/serve-$1.json" 2>"$out/serve-$1.err"; }
meter_answers() { grep -c 'freqmeter1 ->:' "$out/sim.log"; }
rounds before 3
echo "hang logger" >&3
answered=$(meter_answers)
rounds hung 20
meter_rate=$(( ($(meter_answers) - answered) * 10 / 20 ))
echo "answer logger" >&3
wait_for "serve hears the logger again" 30 grep -q 'the logger answers again' "$out/serve.err"
rounds after 3
kill -TERM $server
wait $server
echo "    cli: serve with a hung logger: $(cat "$out/serve-hung.json"); the meter answered $meter_rate/10 times a second"
check "serve: the logger's volts before it hangs" --seen "$out/serve-before.json" \
    json "$out/serve-before.json" '.[0].volt | length > 0 and all(test("^[0-9.]+;0,"))'
check "serve: *IDN? within 250 ms while the logger hangs" --seen "$out/serve-hung.json" --seen "$out/serve-hung.err" \
    json "$out/serve-hung.json" '.[0] | .idn_worst_ms < 250 and (.idn | startswith("tavik.example,"))'
check "serve: the meter's readings within 250 ms meanwhile" --seen "$out/serve-hung.json" \
    json "$out/serve-hung.json" '.[0] | .freq_worst_ms < 250 and (.freq | length >= 15 and all(tonumber == 123456))'
check "serve: a query to the hung logger fails at once with -240, logger: not answering" --seen "$out/serve-hung.json" \
    json "$out/serve-hung.json" '.[0] | .volt_worst_ms < 250 and
        (.volt[1:] | length >= 15 and all(. == "-240,\"Hardware error;logger: not answering\""))'
check "serve: the meter polled four times a second meanwhile ($meter_rate/10)" [ "$meter_rate" -ge 35 ]
told_both() { grep -q 'the logger is not answering' "$1" && grep -q 'the logger answers again' "$1"; }
check "serve: standard error tells the logger stopped answering and answers again" --seen "$out/serve.err" \
    told_both "$out/serve.err"
check "serve: the logger's volts again once it answers, without a replug" --seen "$out/serve-after.json" --seen "$out/serve.err" \
    json "$out/serve-after.json" '.[0].volt | length > 0 and all(test("^[0-9.]+;0,"))'

stop_sim
echo "cli: $passed passed, $failed failed"
[ $failed -eq 0 ]

#!/usr/bin/env python3
"""The newest tavik-cli log recording in a folder, read with the csv module,
against what an unplug and a replug of the logger must leave in it. Exit 0
when the stage is reached, 1 (saying why) when not.
  log_events.py FOLDER rows|absent|back|hung|answers|whole
rows: logger rows; absent: then the logger's absence; back: then the logger
bound again and rows of it; hung: then the logger not answering; answers:
then answering again and rows of it; whole: all of it, the recording
stopped, no logger row while it was absent or not answering, every row as
long as the header."""
import csv, os, sys

folder, stage = sys.argv[1], sys.argv[2]
names = sorted(n for n in os.listdir(folder) if n.startswith("tavik-") and n.endswith(".csv"))
if not names:
    sys.exit("no recording yet")
with open(os.path.join(folder, names[-1]), newline="", encoding="utf-8") as f:
    text = f.read()
# While the recorder writes, the last line may be on its way.
lines = [l for l in text.split("\n")[:-1] if not l.startswith("#")]
table = list(csv.reader(lines))
header, rows = table[0], [dict(zip(table[0], r)) for r in table[1:]]

# The recording as steps: "rows" for a run of logger rows, else the event.
steps = []
for r in rows:
    if r["event"]:
        steps.append(r["event"])
    elif r["v1_V"] and (not steps or steps[-1] != "rows"):
        steps.append("rows")


def reached(wanted):
    """The steps hold the wanted ones in order (others between them)."""
    k = 0
    for s in steps:
        if k < len(wanted) and wanted[k](s):
            k += 1
    return k == len(wanted)


# tavik-sim's logger as it is described once its factors are read.
bound = lambda s: s.startswith("logger bound: VXLogger; manufacturer tavik.example;") and "factors 1.062500 0.937500" in s
rows_ = lambda s: s == "rows"
absent = lambda s: s == "logger absent"
hung = lambda s: s == "logger not answering"
answers = lambda s: s == "logger answering again"
back = [bound, rows_, absent, bound, rows_]
wanted = {"rows": [bound, rows_], "absent": [bound, rows_, absent], "back": back, "hung": back + [hung],
          "answers": back + [hung, answers, rows_]}
if stage in wanted:
    sys.exit(0 if reached(wanted[stage]) else f"not yet: {steps}")

problems = []
if not reached(wanted["answers"]):
    problems.append(f"steps {steps}")
gone = steps.index("logger absent") if "logger absent" in steps else len(steps)
again = next((i for i in range(gone, len(steps)) if bound(steps[i])), len(steps))
if "rows" in steps[gone:again]:
    problems.append(f"logger rows while it was absent: {steps}")
silent = steps.index("logger not answering") if "logger not answering" in steps else len(steps)
heard = steps.index("logger answering again") if "logger answering again" in steps else len(steps)
if "rows" in steps[silent:heard]:
    problems.append(f"logger rows while it was not answering: {steps}")
if not steps or steps[-1] != "recording stopped":
    problems.append(f"the recording does not end with its stop: {steps[-3:]}")
if not text.endswith("\n"):
    problems.append("a torn last row")
problems += [f"a row of {len(r)} fields" for r in table[1:] if len(r) != len(header)]
print(f"{len(rows)} rows; steps: {steps}")
if problems:
    sys.exit("; ".join(problems))

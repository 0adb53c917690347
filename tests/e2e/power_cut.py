#!/usr/bin/env python3
"""What a power cut left of a tavik-cli log recording: read with the csv
module, its whole rows a prefix of what the program had written (a torn
line of part of a row or of NUL bytes only at the end), at most one sync
period lost, read by tavik-cli stats, and mended
by the next run. Prints one line per check and "powercut: N passed, M failed".
  power_cut.py OUT_FOLDER TAVIK_CLI SYNC_SECONDS FSCK_EXIT"""
import csv, io, json, os, subprocess, sys, tempfile, shutil
from datetime import datetime

out, cli, sync_seconds, fsck = sys.argv[1], sys.argv[2], float(sys.argv[3]), int(sys.argv[4])
passed = failed = 0


def check(what, ok, seen=""):
    global passed, failed
    if ok:
        passed += 1
        print(f"  ok   powercut: {what}")
    else:
        failed += 1
        print(f"  FAIL powercut: {what}")
        if seen:
            print("\n".join("      | " + line for line in str(seen).splitlines()[-12:]))


def rows_of(text):
    """The header and the rows of whole lines, and the torn last line if any."""
    lines = text.split("\n")
    torn = lines.pop()  # empty when the text ends in a line end
    table = list(csv.reader(l for l in lines if not l.startswith("#")))
    return table[0] if table else [], table[1:], torn


def moment(iso):
    return datetime.fromisoformat(iso).timestamp()


def finish():
    print(f"powercut: {passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


before_path, cut_path = os.path.join(out, "before-cut.csv"), os.path.join(out, "cut-ms")
check("the VM recorded and was reset", os.path.exists(before_path) and os.path.exists(cut_path),
      open(os.path.join(out, "console.log"), errors="replace").read())
if failed:
    finish()
cut = int(open(cut_path).read()) / 1000
check(f"e2fsck replayed the journal and found the file system sound (exit {fsck})", fsck in (0, 1),
      open(os.path.join(out, "fsck.txt")).read())
kept_folder = os.path.join(out, "kept", "records")
names = sorted(os.listdir(kept_folder)) if os.path.isdir(kept_folder) else []
check("the disk kept the recording", len(names) == 1, open(os.path.join(out, "debugfs.txt")).read())
if failed:
    finish()
kept_path = os.path.join(kept_folder, names[0])
kept_bytes = open(kept_path, "rb").read()
before = open(before_path, encoding="utf-8").read()
# Past its last whole row the file may end in part of a row or, where the
# file system kept the size but not the data, in NUL bytes: a torn line.
whole_bytes = kept_bytes[:kept_bytes.rfind(b"\n") + 1]
check("no NUL byte before the last line end", b"\0" not in whole_bytes, whole_bytes[-200:])
kept = kept_bytes.decode("utf-8", errors="replace")
whole = whole_bytes.decode("utf-8", errors="replace")
# A sync between the copy and the reset may have kept a little more.
check("its whole rows are what the program wrote, one the start of the other",
      before.startswith(whole) or whole.startswith(before[:before.rfind("\n") + 1]), whole[-300:])

header, rows, torn = rows_of(kept)
_, rows_before, _ = rows_of(before)
check("the header and every whole row as long as it", header[:2] == ["time", "elapsed_s"] and
      all(len(r) == len(header) for r in rows), header)
last = moment(rows[-1][0]) if rows else 0
# The rows written and lost span from the last one kept to the last one
# written; a loop slowed down by the machine writes later, not less.
lost = moment(rows_before[-1][0]) - last
print(f"    powercut: {len(rows_before)} rows written before the cut, {len(rows)} kept"
      f"{' and a torn line' if torn else ''}; lost: the rows of {lost:.2f} s; the last kept row"
      f" {cut - last:.2f} s before the reset; syncs every {sync_seconds:g} s")
# A sync is due every SYNC seconds and looked for on each quarter-second tick.
check(f"at most one sync period lost ({lost:.2f} s; a sync every {sync_seconds:g} s)",
      len(rows) > 0 and lost <= sync_seconds + 0.5)

stats = subprocess.run([cli, "stats", "--json", kept_path], capture_output=True, text=True)
summary = json.loads(stats.stdout) if stats.returncode == 0 else {}
check("tavik-cli stats reads it: every whole row, the torn line skipped",
      summary.get("rows") == len(rows) and summary.get("skipped") == (1 if torn else 0), stats.stdout + stats.stderr)

# The next run cuts a torn last line off before it records.
folder = tempfile.mkdtemp()
try:
    shutil.copy(kept_path, folder)
    run = subprocess.run([cli, "--demo", "log", "--dir", folder, "--seconds", "1"], capture_output=True, text=True)
    mended = open(os.path.join(folder, names[0]), encoding="utf-8").read()
    check("the next run leaves it in whole rows", run.returncode == 0 and mended.endswith("\n") and
          mended == kept[:len(kept) - len(torn)], run.stderr)
finally:
    shutil.rmtree(folder)
finish()

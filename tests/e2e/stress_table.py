#!/usr/bin/env python3
"""The table of a stress run (tests/e2e/stress.sh): every check the VM runs
printed ("  ok   WHAT" / "  FAIL WHAT") with its runs and failures, each
VM run as a whole (its exit code: a run ended by its limit, or with a part
that never reported, fails though every check it printed passed), every
wait ("  WAIT PART: WHAT: S s of L s[, timed out]") with its runs, time-outs,
slowest and deadline, and every test of the Windows suite's JUnit files.

    stress_table.py STRESS_FOLDER
"""
import glob
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

CHECK = re.compile(r"^  (ok  |FAIL) (.*)$")
WAIT = re.compile(r"^  WAIT (.*): ([0-9.]+) s of ([0-9.]+) s(, timed out)?$")
# What changes from run to run inside a check's name: figures in brackets.
VARYING = re.compile(r" \([^)]*\)")


def main(folder):
    checks = {}  # name -> [runs, failures]
    waits = {}  # name -> [runs, timed out, slowest, deadline]
    # Each run's console, and the power cut's beside it (a VM of its own).
    consoles = sorted(glob.glob(os.path.join(folder, "vm-*", "console.log")) +
                      glob.glob(os.path.join(folder, "vm-*", "powercut", "console.log")),
                      key=lambda p: (int(re.search(r"vm-(\d+)", p).group(1)), p))
    for console in consoles:
        code = os.path.join(os.path.dirname(console), "exit-code")
        if os.path.basename(os.path.dirname(console)).startswith("vm-"):
            row = checks.setdefault("the VM run as a whole (exit code 0)", [0, 0])
            row[0] += 1
            with open(code, encoding="utf-8") if os.path.exists(code) else open(os.devnull) as status:
                row[1] += status.read().strip() != "0"
        with open(console, encoding="utf-8", errors="replace") as lines:
            for line in lines:
                line = line.rstrip("\r\n")
                if match := CHECK.match(line):
                    row = checks.setdefault(VARYING.sub("", match.group(2)), [0, 0])
                    row[0] += 1
                    row[1] += match.group(1) == "FAIL"
                elif match := WAIT.match(line):
                    row = waits.setdefault(match.group(1), [0, 0, 0.0, 0.0])
                    row[0] += 1
                    row[1] += bool(match.group(4))
                    row[2] = max(row[2], float(match.group(2)))
                    row[3] = float(match.group(3))
    for junit in sorted(glob.glob(os.path.join(folder, "wine-*.xml"))):
        for case in ElementTree.parse(junit).getroot().iter("testcase"):
            row = checks.setdefault("Windows suite: " + case.get("name", "?"), [0, 0])
            row[0] += 1
            row[1] += case.find("failure") is not None or case.get("status") == "fail"

    runs = sum(os.path.basename(os.path.dirname(c)).startswith("vm-") for c in consoles)
    print(f"VM runs: {runs}; Wine suite runs: {len(glob.glob(os.path.join(folder, 'wine-*.xml')))}")
    width = max([len(n) for n in checks] + [len(n) for n in waits] + [5])
    print(f"\n{'check':<{width}}  runs  failures")
    for name, (runs, failures) in sorted(checks.items(), key=lambda item: (-item[1][1], item[0])):
        print(f"{name:<{width}}  {runs:>4}  {failures:>8}")
    print(f"\n{'wait':<{width}}  runs  timed out  slowest s  deadline s")
    for name, (runs, late, slowest, limit) in sorted(waits.items(), key=lambda item: -item[1][2] / max(item[1][3], 1)):
        print(f"{name:<{width}}  {runs:>4}  {late:>9}  {slowest:>9.1f}  {limit:>10.0f}")
    total = sum(row[1] for row in checks.values()) + sum(row[1] for row in waits.values())
    print(f"\nstress: {total} failures")
    return 1 if total or not consoles else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

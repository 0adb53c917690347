#!/usr/bin/python3
"""Reads tavik-sim's wire log (--verbose) from a line on and checks how a
program bound a module: N memory reads from address 16 on with sequence
numbers 1..N, each answered before the next command, with the bytes the
module holds, and then the module polled (a RequestMeasurement with sequence
N + 1). Prints what it finds; the exit status says whether it holds.
    binding_wire.py LOG FIRST_LINE LABEL MEMORY_BYTES_HEX...
"""
import sys


def sealed(frame):
    return frame + [(sum(frame[2:7]) & 0xFF) ^ 0xFF]


def main():
    log, first, label, memory = sys.argv[1], int(sys.argv[2]), sys.argv[3], [int(b, 16) for b in sys.argv[4:]]
    frames = []
    with open(log, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            if number < first or not line.startswith(label + " "):
                continue
            head, _, data = line.partition(":")
            direction = head.split()[1] if len(head.split()) > 1 else ""
            if direction in ("<-", "->"):
                frames.append((direction, [int(b, 16) for b in data.split()]))
    expected = []
    for i, byte in enumerate(memory):
        address = 16 + i
        expected.append(("<-", sealed([5, i + 1, address, 0, 0, 0, 0])))
        expected.append(("->", sealed([5, i + 1, address, 0, byte, 0, 0])))
    got = frames[: len(expected)]
    for (d, frame), (ed, eframe) in zip(got, expected):
        print(f"    {label} {d}: {' '.join(f'{b:02X}' for b in frame)}" + ("" if (d, frame) == (ed, eframe) else
              f"   expected {ed}: {' '.join(f'{b:02X}' for b in eframe)}"))
    if got != expected:
        print(f"    {label}: the binding's memory reads are not as expected ({len(got)} of {len(expected)} frames)")
        return 1
    polled = [f for d, f in frames[len(expected):] if d == "<-"]
    if not polled or polled[0][:2] != [1, len(memory) + 1]:
        print(f"    {label}: no RequestMeasurement with sequence {len(memory) + 1} after the memory reads")
        return 1
    print(f"    {label}: then polled ({len(frames) - len(expected)} frames more)")
    return 0


sys.exit(main())

#!/usr/bin/env python3
"""Inside the VM: SCPI round trips to tavik-cli serve for a while, as a lab
script would make them, and what they took, as one JSON object on standard
output: *IDN? every 50 ms (the worst round trip), FETCh:FREQuency? (the
latest reading, answered at once) every 250 ms (the worst, and the
readings), and MEASure:VOLTage? then SYSTem:ERRor? once a second (the worst
round trip to the error's answer, and the answers).

    serve_rounds.py PORT SECONDS
"""
import json
import socket
import sys
import time


def main():
    port, seconds = int(sys.argv[1]), float(sys.argv[2])
    link = socket.create_connection(("127.0.0.1", port), timeout=10)
    reader = link.makefile("r", encoding="utf-8", newline="\n")

    def ask(text):
        start = time.monotonic()
        link.sendall(text.encode() + b"\n")
        answer = reader.readline().rstrip("\n")
        return answer, (time.monotonic() - start) * 1000

    figures = {"idn_worst_ms": 0.0, "idn": "", "freq_worst_ms": 0.0, "freq": [], "volt_worst_ms": 0.0,
               "volt": []}
    end = time.monotonic() + seconds
    step = 0
    while time.monotonic() < end:
        answer, took = ask("*IDN?")
        figures["idn"] = answer
        figures["idn_worst_ms"] = max(figures["idn_worst_ms"], took)
        if step % 5 == 0:
            answer, took = ask("FETC:FREQ?")
            figures["freq"].append(answer)
            figures["freq_worst_ms"] = max(figures["freq_worst_ms"], took)
        if step % 20 == 0:
            # A query that cannot be answered leaves no answer: the error
            # queue's is the one read.
            answer, took = ask("MEAS:VOLT?;:SYST:ERR?")
            figures["volt"].append(answer)
            figures["volt_worst_ms"] = max(figures["volt_worst_ms"], took)
        step += 1
        time.sleep(0.05)
    json.dump(figures, sys.stdout, ensure_ascii=False)
    print()


main()

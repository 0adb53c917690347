#!/usr/bin/python3
"""tavik-cli serve under bad input and load, with nothing lost.

    serve_load.py PORT WIRE_LOG SERVER_PID [sanitized|plain]

A well-behaved client queries all the time while others send binary junk, a
line of 1 MiB, a query a byte a second, queries whose answers they do not
read, fifty connections at once, and a command cut off by a reset. Every
answer of the well-behaved client must come and parse, the logger's polling
must keep its rate, every frame to a module must be whole and sealed, and the
server's memory must stay bounded. Prints the figures; the exit status says
whether everything held. A sanitized build is slow and keeps freed memory
aside on purpose: there the polling rate and the memory are printed, not
checked.
"""
import os
import socket
import struct
import sys
import threading
import time

PORT, WIRE, PID = int(sys.argv[1]), sys.argv[2], int(sys.argv[3])
SANITIZED = len(sys.argv) > 4 and sys.argv[4] == "sanitized"
failures = []


def check(what, ok, figure=False):
    if figure and SANITIZED:
        print(f"  (sanitized: not checked) {what}")
        return
    print(f"  {'ok  ' if ok else 'FAIL'} {what}")
    if not ok:
        failures.append(what)


def connect():
    s = socket.create_connection(("127.0.0.1", PORT), timeout=10)
    s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    return s


class Lines:
    def __init__(self, sock):
        self.sock, self.buffer = sock, b""

    def read(self):
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode()

    def query(self, text):
        self.sock.sendall(text.encode() + b"\n")
        return self.read()


def memory_kib(field):
    with open(f"/proc/{PID}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def logger_polls():
    # A poll reads the logger's measurement report.
    with open(WIRE, errors="replace") as f:
        return sum(1 for line in f if line.startswith("logger ->: 01 "))


# The well-behaved client: *IDN? and a measurement, one after the other,
# until the others are done.
stop = threading.Event()
answered = {"count": 0, "bad": [], "worst": 0.0}


def well_behaved():
    lines = Lines(connect())
    # A query in error has no answer: until the meter's first reading
    # FETC:FREQ? is -230, and only *OPC? answers.
    while len(lines.query("FETC:FREQ?;*OPC?").split(";")) < 2:
        lines.query("*CLS;*OPC?")
        time.sleep(0.05)
    while not stop.is_set():
        # The latest readings (FETCh?): what is measured is the server's
        # round trip, not the wait for a fresh reading.
        for query in ("*IDN?", "FETC:VOLT:DC? (@1,2)", "FETC:FREQ?"):
            start = time.monotonic()
            try:
                answer = lines.query(query)
            except (OSError, ConnectionError) as error:
                answered["bad"].append(f"{query}: {error}")
                return
            answered["worst"] = max(answered["worst"], time.monotonic() - start)
            try:
                if query == "*IDN?":
                    assert answer.split(",")[0] == "tavik.example" and len(answer.split(",")) == 4
                elif query.startswith("FETC:VOLT"):
                    assert len([float(v) for v in answer.split(",")]) == 2
                else:
                    assert int(answer) > 0
            except (AssertionError, ValueError):
                answered["bad"].append(f"{query} -> {answer!r}")
            answered["count"] += 1


def junk():
    s = connect()
    lines = Lines(s)
    s.sendall(os.urandom(256 * 1024) + b"\n")
    # The connection lives on: the queue holds what the junk caused.
    s.sendall(b"*CLS\n")
    return lines.query("*IDN?").startswith("tavik.example")


def long_line():
    lines = Lines(connect())
    lines.sock.sendall(b"A" * (1 << 20) + b"\n")
    return lines.query("SYST:ERR?").startswith("-363,") and lines.query("*OPC?") == "1"


def byte_a_second():
    lines = Lines(connect())
    for byte in b"*OPC?\n":
        lines.sock.send(bytes([byte]))
        time.sleep(1)
    return lines.read() == "1"


def never_reads():
    """Held back once its answers pass the server's bound (its writes stop
    going), not dropped: once it reads, every line it sent is answered."""
    s = connect()
    s.settimeout(3)
    # Lines near the 4 KiB limit, so that the pipes fill with few of them.
    line = b"SOUR1:FREQ:CAT?" + b";*WAI" * 800 + b"\n"
    sent, pending = 0, b""
    try:
        while sent < (64 << 20):
            pending = pending or line * 16
            went = s.send(pending)
            pending, sent = pending[went:], sent + went
    except socket.timeout:
        pass
    else:
        return False  # its writes never stopped going
    s.settimeout(30)
    lines = Lines(s)
    try:
        for _ in range(sent // len(line)):
            if not lines.read().startswith("8250000,"):
                return False
        # Then the line cut short, whole, and one more query.
        rest = line[sent % len(line):] if sent % len(line) else b""
        s.sendall(rest + b"*OPC?\n")
        return (not rest or lines.read().startswith("8250000,")) and lines.read() == "1"
    except OSError:
        return False


def fifty_at_once():
    sockets = [socket.create_connection(("127.0.0.1", PORT), timeout=10) for _ in range(50)]
    served = refused = 0
    for s in sockets:
        try:
            s.sendall(b"*OPC?\n")
            data = s.recv(16)
            served += data == b"1\n"
            refused += data == b""
        except OSError:
            refused += 1
    for s in sockets:
        s.close()
    return served, refused


def vanishes():
    s = connect()
    s.sendall(b"SOUR1:FREQ 10")
    s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    s.close()  # a reset, mid-command
    return True


print(f"tavik-cli serve on port {PORT}: memory at the start {memory_kib('VmRSS')} KiB")
steady = threading.Thread(target=well_behaved)
steady.start()
time.sleep(1)
rss_before = memory_kib("VmRSS")
polls_before, started = logger_polls(), time.monotonic()

results = {}
jobs = {name: threading.Thread(target=lambda n=name, f=f: results.__setitem__(n, f()))
        for name, f in [("junk", junk), ("long line", long_line), ("byte a second", byte_a_second),
                        ("never reads", never_reads), ("vanishes", vanishes)]}
for job in jobs.values():
    job.start()
for job in jobs.values():
    job.join(timeout=120)
served, refused = fifty_at_once()
for _ in range(3):
    vanishes()

took = time.monotonic() - started
polls = logger_polls() - polls_before
rss_after, peak = memory_kib("VmRSS"), memory_kib("VmHWM")
stop.set()
steady.join(timeout=30)

check("binary junk: the connection answers afterwards", results.get("junk") is True)
check("a line of 1 MiB: -363, the connection kept", results.get("long line") is True)
check("a query a byte a second is answered", results.get("byte a second") is True)
check("a client that does not read is held back, not dropped, and answered whole once it reads",
      results.get("never reads") is True)
check("clients that vanish mid-command leave the server serving", results.get("vanishes") is True)
check(f"fifty at once: each served or cleanly closed ({served} served, {refused} closed)",
      served + refused == 50 and served >= 1 and refused >= 40)
check(f"the well-behaved client: {answered['count']} answers, all parsed, worst round trip "
      f"{answered['worst'] * 1000:.0f} ms", answered["count"] > 0 and not answered["bad"])
for bad in answered["bad"][:5]:
    print("      " + bad)
rate = polls / took
check(f"the logger polled {polls} times in {took:.1f} s ({rate:.1f}/s)", rate >= 15, figure=True)

frames = bad_frames = 0
with open(WIRE, errors="replace") as f:
    for line in f:
        head, _, data = line.partition(":")
        if not head.endswith("<-"):
            continue
        frames += 1
        b = [int(x, 16) for x in data.split()]
        if len(b) != 8 or b[7] != ((sum(b[2:7]) & 0xFF) ^ 0xFF):
            bad_frames += 1
check(f"every frame to a module whole and sealed ({frames} frames)", frames > 0 and bad_frames == 0)
check(f"memory bounded: {rss_before} KiB before the load, {rss_after} KiB after, peak {peak} KiB",
      rss_after < rss_before + 32 * 1024 and peak < 256 * 1024, figure=True)
print(f"load: {len(jobs) + 50 + 4} clients besides the steady one, {answered['count']} commands answered to it")
sys.exit(1 if failures else 0)

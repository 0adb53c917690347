#!/usr/bin/python3
"""A SCPI session with `tavik-cli --demo serve` through pyvisa, as a user's
script holds one: identity, catalogue, measurements, a generator setting, a
calibration and an error, each answer checked; then the demo's wire log shows
what reached the modules. The same for the native program and for
tavik-cli.exe under Wine.

    /usr/bin/python3 pyvisa_session.py [HOST:]PORT WIRE_LOG

WIRE_LOG is the file the server was given in TAVIK_DEMO_WIRE, as this side
names it. Prints the transcript; exits 0 when every check held, 1 otherwise.
"""
import math
import struct
import sys
import time
from fractions import Fraction

import pyvisa

# The generator's control report (the frame, report ID left out): command 2,
# the sequence number, the flags, then output 1's frequency: a marker, the
# prescaler code, the divider; byte 6 only output 2's setting writes (0).
CMD_SET_CONTROL = 0x02
CMD_WRITE_MEMORY_BYTE = 0x06
MEASUREMENT_REPORT = 0x01
FLAG_OUT1_FROM_PC = 0x01
FLAG_OUT2_FROM_PC = 0x02
FLAG_OUT_HIGH = (0x04, 0x08, 0x10)
FLAG_CHANNEL2_FREQUENCY = 0x20
OUT1_FREQUENCY_MARKER = 0x42
OUT1_PRESCALER_MASK = 0x07

# Output 1's list: the module's clock through a prescaler and an 8-bit
# divider, f = 16 500 000 / (2 p (N + 1)); per prescaler (p, its code, the
# first divider) the dividers run up to 255, the highest frequency first.
GENERATOR_CLOCK_HZ = 16500000.0
OUT1_GROUPS = ((1, 1, 0), (8, 2, 32), (64, 3, 32), (256, 4, 64), (1024, 5, 64))

# The frequency meter keeps its calibration factor at this address of its
# parameter memory, a little-endian 32-bit float.
CAL_FACTOR_ADDRESS = 16
DEMO_COUNT_HZ = 100000

failures = []


def check(condition, what):
    print(("  ok   " if condition else "  FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def float32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def check_byte(frame):
    return (sum(frame[2:7]) % 256) ^ 0xFF


def out1_entry(index):
    """The prescaler, its code and the divider of output 1's entry."""
    for prescaler, code, first in OUT1_GROUPS:
        count = 256 - first
        if index < count:
            return prescaler, code, first + index
        index -= count
    raise IndexError("beyond output 1's list")


def read_wire(path):
    """The wire log's reports: (module, "<-" to it or "->" from it, frame bytes, went through)."""
    reports = []
    with open(path, encoding="ascii") as log:
        for line in log:
            if not line.endswith("\n"):
                break  # being written
            head, _, tail = line.rstrip("\r\n").partition(":")
            module, _, direction = head.partition(" ")
            fields = tail.split()
            ok = fields[-1:] != ["(failed)"]
            if not ok:
                fields = fields[:-1]
            reports.append((module, direction, [int(f, 16) for f in fields], ok))
    return reports


def wait_for_reports(path, module, count, after=0):
    """Until the module has given count measurement reports since report number after."""
    for _ in range(600):
        given = [r for r in read_wire(path)[after:]
                 if r[0] == module and r[1] == "->" and r[2] and r[2][0] == MEASUREMENT_REPORT]
        if len(given) >= count:
            return True
        time.sleep(0.1)
    return check(False, f"{module}: {count} measurement report(s) in the wire log")


class Session:
    def __init__(self, resource):
        self.resource = resource

    def write(self, command):
        print(f"> {command}", flush=True)
        self.resource.write(command)

    def query(self, command):
        answer = self.resource.query(command)
        print(f"> {command}\n< {answer}", flush=True)
        return answer

    def query_values(self, command):
        values = self.resource.query_ascii_values(command)
        shown = values if len(values) <= 8 else f"{len(values)} values, {values[0]} ... {values[-1]}"
        print(f"> {command}\n< {shown}", flush=True)
        return values

    def no_error(self, after):
        check(self.query("SYST:ERR?") == '0,"No error"', f"no error after {after}")


def session(scpi, wire):
    identity = scpi.query("*IDN?").split(",")
    check(len(identity) == 4, "*IDN? has four fields")
    check(identity[0] == "tavik.example", "*IDN?'s maker is tavik.example")
    scpi.no_error("starting")

    names = [n.strip('"') for n in scpi.query("INST:CAT?").split(",")]
    check(names == ["LOGGER", "GENERATOR", "FREQMETER"], "INST:CAT? lists the three modules")

    # The modules are polled from the start: measurements once they have reported.
    wait_for_reports(wire, "logger", 2)
    volts = scpi.query_values("MEAS:VOLT:DC? (@1,2)")
    check(len(volts) == 2, "MEAS:VOLT:DC? (@1,2) gives two values")
    check(all(math.isfinite(v) and abs(v) < 1000 for v in volts), "both are voltages, not the missing-value mark")

    # The sweep as a block of 32-bit floats, as query_binary_values reads it.
    points = scpi.resource.query_binary_values("FORM REAL,32;:TRAC:DATA? (@1)", datatype="f", is_big_endian=True)
    print(f"> FORM REAL,32;:TRAC:DATA? (@1)\n< a block of {len(points)} floats, {points[:2]} ...", flush=True)
    check(0 < len(points) <= 512 and len(points) % 2 == 0 and all(0 <= v < 8 for v in points),
          "query_binary_values reads the sweep: pairs of points, volts within the module's range")
    scpi.write("FORM ASC")
    # Every module bound: nothing questionable; measuring.
    check(scpi.query("*OPT?;:STAT:QUES:COND?;:STAT:OPER:COND?") == "0;0;16",
          "*OPT? 0, no questionable condition, the measuring bit set")

    wait_for_reports(wire, "freqmeter", 1)
    hertz = int(scpi.query("MEAS:FREQ?"))
    check(hertz == DEMO_COUNT_HZ, f"MEAS:FREQ? is the demo meter's {DEMO_COUNT_HZ} Hz")

    # Output 1 to the entry of its list nearest 1000 Hz: one control report.
    entries = [float32(e) for e in scpi.query_values("SOUR1:FREQ:CAT?")]
    check(len(entries) == sum(256 - first for _, _, first in OUT1_GROUPS), "output 1's list is whole")
    levels = [scpi.query(f"OUTP{n}:LEV?") == "1" for n in (1, 2, 3)]
    out2_from_pc = scpi.query("SOUR2:FUNC:MODE?") == "PC"
    check(scpi.query("SOUR1:FUNC:MODE?") == "GEN", "output 1's source is the generator")
    before = len(read_wire(wire))
    scpi.write("SOUR1:FREQ 1000")
    # The lists hold single-precision floats, answered in the shortest text
    # that reads back to them.
    setting = float32(float(scpi.query("SOUR1:FREQ?")))
    scpi.no_error("SOUR1:FREQ 1000")
    after = read_wire(wire)
    if check(setting in entries, "SOUR1:FREQ? is an entry of SOUR1:FREQ:CAT?"):
        check(abs(setting - 1000) == min(abs(e - 1000) for e in entries), "it is the entry nearest 1000 Hz")
        index = entries.index(setting)
        prescaler, code, divider = out1_entry(index)
        check(setting == float32(GENERATOR_CLOCK_HZ / (2.0 * prescaler * (divider + 1.0))),
              f"entry {index} is prescaler {prescaler}, divider {divider}")
        earlier = [r[2] for r in after[:before] if r[0] == "generator" and r[1] == "<-"]
        sent = [r for r in after[before:] if r[0] == "generator" and r[1] == "<-"]
        flags = 0
        for n, high in enumerate(levels):
            flags |= FLAG_OUT_HIGH[n] if high else 0
        flags |= FLAG_OUT2_FROM_PC if out2_from_pc else 0
        expected = [CMD_SET_CONTROL, (earlier[-1][1] + 1) % 256 if earlier else 1, flags,
                    OUT1_FREQUENCY_MARKER, code & OUT1_PRESCALER_MASK, divider, 0, 0]
        expected[7] = check_byte(expected)
        print("  wire: " + "; ".join(" ".join(f"{b:02X}" for b in r[2]) for r in sent), flush=True)
        check(len(sent) == 1 and sent[0][3], "the generator took exactly one report for the setting")
        check(len(sent) == 1 and sent[0][2] == expected,
              "it is the control report " + " ".join(f"{b:02X}" for b in expected))

    # Calibrated against a 100 500 Hz reference while the meter counts 100 000.
    reference = 100500
    before = len(read_wire(wire))
    scpi.write(f"CAL:FREQ {reference}")
    scpi.no_error(f"CAL:FREQ {reference}")
    factor = float(scpi.query("CAL:FREQ:FACT?"))
    check(abs(factor - reference / DEMO_COUNT_HZ) < 1e-6, f"CAL:FREQ:FACT? is {reference / DEMO_COUNT_HZ}")
    writes = [r for r in read_wire(wire)[before:]
              if r[0] == "freqmeter" and r[1] == "<-" and r[2] and r[2][0] == CMD_WRITE_MEMORY_BYTE]
    print("  wire: " + "; ".join(" ".join(f"{b:02X}" for b in r[2]) for r in writes), flush=True)
    if check(len(writes) == 4 and all(r[3] for r in writes), "four memory writes reached the frequency meter"):
        frames = [r[2] for r in writes]
        check([f[2] | f[3] << 8 for f in frames] == list(range(CAL_FACTOR_ADDRESS, CAL_FACTOR_ADDRESS + 4)),
              "to the factor's four bytes")
        check(all(f[5] == 0 and f[6] == 0 and f[7] == check_byte(f) for f in frames), "each frame sealed")
        written = struct.unpack("<f", bytes(f[4] for f in frames))[0]
        check(written == float32(factor), f"the bytes are the factor {factor}")
    # MEAS:FREQ? right away answers a reading taken after it came, so one
    # that counts with the factor: the count times the factor as the module
    # keeps it (a 32-bit float, exactly), truncated to whole hertz. FETCh?
    # then answers that reading again; READ? and INIT;FETCh? fresh ones.
    hertz = int(scpi.query("MEAS:FREQ?"))
    calibrated = math.floor(Fraction(float32(factor)) * DEMO_COUNT_HZ)
    check(hertz == calibrated, f"MEAS:FREQ? right after the calibration is {calibrated} Hz")
    check([int(scpi.query(q)) for q in ["FETC:FREQ?", "READ:FREQ?", "INIT;FETC:FREQ?"]] == [calibrated] * 3,
          "FETC:FREQ?, READ:FREQ? and INIT;FETC:FREQ? agree")
    scpi.no_error("the fresh readings")

    # An unknown header: the error queue says so, once.
    scpi.write("FOO:BAR")
    error = scpi.query("SYST:ERR?")
    check(int(error.split(",")[0]) == -113, "FOO:BAR is -113, an undefined header")
    scpi.no_error("reading the error")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    where, wire = sys.argv[1], sys.argv[2]
    host, _, port = where.rpartition(":")
    host = host or "127.0.0.1"
    rm = pyvisa.ResourceManager("@py")
    name = f"TCPIP::{host}::{int(port)}::SOCKET"
    print(f"# {name}", flush=True)
    resource = rm.open_resource(name, read_termination="\n", write_termination="\n")
    # A guard against a server that never answers, not a measure of speed.
    resource.timeout = 30000
    try:
        session(Session(resource), wire)
    except Exception as error:  # a lost connection or an answer that does not parse
        check(False, f"the session went through: {type(error).__name__}: {error}")
    finally:
        resource.close()
        rm.close()
    print("PASS" if not failures else f"FAIL: {len(failures)} check(s)", flush=True)
    return 0 if not failures else 1


if __name__ == "__main__":
    sys.exit(main())

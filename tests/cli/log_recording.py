#!/usr/bin/env python3
"""tavik-cli --demo log as a lab leaves it running: its files read with the
csv module (and pandas where installed), across midnight and a change from
summer time under faketime, killed with SIGKILL under strace, and on a disk
that fills up. Usage: log_recording.py TAVIK_CLI CASE; exit 77 skips."""
import csv, math, os, re, signal, struct, subprocess, sys, tempfile, time
from datetime import datetime

PROGRAM, CASE = sys.argv[1], sys.argv[2]
SKIP = 77
ISO = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$")
REPORT_HEADER = ["time", "elapsed_s", "v1_V", "v2_V", "mode", "freq_Hz", "freq_in", "event"]
INTERVAL_HEADER = ["time", "elapsed_s", "v1_count", "v1_min_V", "v1_mean_V", "v1_max_V", "v2_count", "v2_min_V",
                   "v2_mean_V", "v2_max_V", "mode", "freq_count", "freq_min_Hz", "freq_mean_Hz", "freq_max_Hz",
                   "freq_in", "event"]


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)


def log(folder, *options, env=None, seconds=None):
    args = [PROGRAM, "--demo", "log", "--dir", folder, *options]
    if seconds is not None:
        args += ["--seconds", str(seconds)]
    run = subprocess.run(args, capture_output=True, text=True, env=env, timeout=120)
    check(run.returncode == 0, f"{args}: exit {run.returncode}: {run.stderr}")
    return run


def files(folder):
    return sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.startswith("tavik-") and n.endswith(".csv"))


def read(path):
    """Metadata, header and rows; every row whole, as long as the header."""
    with open(path, newline="", encoding="utf-8") as f:
        text = f.read()
    check(text.endswith("\n"), f"{path} ends in a torn row")
    lines = text.splitlines()
    meta = {}
    while lines and lines[0].startswith("# "):
        key, _, value = lines.pop(0)[2:].partition(": ")
        meta[key] = value
    table = list(csv.reader(lines))
    header, rows = table[0], table[1:]
    for row in rows:
        check(len(row) == len(header), f"{path}: a row of {len(row)} fields: {row}")
        check(ISO.match(row[0]), f"{path}: time {row[0]}")
    return meta, header, [dict(zip(header, r)) for r in rows]


def moment(text):
    return datetime.fromisoformat(text).timestamp()


def data_rows(rows):
    return [r for r in rows if not r["event"]]


def ordered(rows):
    """Times and elapsed_s never repeat a row's order backwards."""
    for a, b in zip(rows, rows[1:]):
        check(moment(b["time"]) >= moment(a["time"]), f"time goes back: {a['time']} then {b['time']}")
        check(float(b["elapsed_s"]) >= float(a["elapsed_s"]), f"elapsed_s goes back at {b['time']}")


# The demo logger: a sine from 1.0 to 6.5 V every 96 reports on channel 1, a
# ramp from 0.5 to 4.0 V every 160 on channel 2, 10-bit samples kept as
# 32-bit floats, factors 1.0.
def volts10(volts):
    raw = max(-32768, min(32767, round(volts / 7.5315 * 1024.0)))
    return struct.unpack("f", struct.pack("f", raw * 7.5315 * (1.0 / 1024)))[0]


def demo(step):
    phase1, phase2 = math.fmod(step, 96) / 96, math.fmod(step, 160) / 160
    return (volts10(1.0 + 5.5 * 0.5 * (1.0 + math.sin(2.0 * math.pi * phase1))), volts10(0.5 + 3.5 * phase2))


DEMO = [demo(k) for k in range(480)]


def stats(values):
    return f"{min(values):.4f}", f"{sum(values) / len(values):.4f}", f"{max(values):.4f}"


def case_report_rows():
    with tempfile.TemporaryDirectory() as folder:
        log(folder, seconds=3, env={**os.environ, "LC_ALL": "ru_RU.UTF-8", "TZ": "Asia/Kolkata"})
        [path] = files(folder)
        meta, header, rows = read(path)
        check(header == REPORT_HEADER, f"header {header}")
        for key in ("program", "host", "time_zone", "started", "logger", "generator", "freqmeter"):
            check(key in meta, f"no metadata {key}: {meta}")
        check(meta["time_zone"].startswith("UTC+05:30"), meta["time_zone"])
        check("VXLogger" in meta["logger"] and "factors 1.000000 1.000000" in meta["logger"], meta["logger"])
        check(all(r["time"].endswith("+05:30") for r in rows), "a time without the zone's offset")
        ordered(rows)
        logger = [r for r in data_rows(rows) if r["v1_V"]]
        meter = [r for r in data_rows(rows) if r["freq_Hz"]]
        check(50 <= len(logger) <= 62, f"{len(logger)} logger rows in 3 s")
        check(10 <= len(meter) <= 13, f"{len(meter)} meter rows in 3 s")
        check(all(r["freq_Hz"] == "100000" and r["freq_in"] == "1" and not r["v1_V"] for r in meter), "meter rows")
        # The reports are consecutive steps of the demo's signals.
        first = [f"{v:.4f}" for v in DEMO[0]]
        check([logger[0]["v1_V"], logger[0]["v2_V"]] == first, f"first report {logger[0]} is not step 0 {first}")
        for k, r in enumerate(logger):
            want = [f"{v:.4f}" for v in DEMO[k % 480]]
            check([r["v1_V"], r["v2_V"], r["mode"]] == want + ["10bit"], f"report {k}: {r} not {want}")
        events = [r["event"] for r in rows if r["event"]]
        check(events[:3] == [e for e in events[:3] if " bound: " in e] and len(events) == 4, f"events {events}")
        check(events[-1] == "recording stopped", events)
        try:
            import pandas
        except ImportError:
            return
        frame = pandas.read_csv(path, comment="#")
        check(list(frame.columns) == REPORT_HEADER and frame["freq_Hz"].dropna().eq(100000).all(), "pandas")


def case_interval_rows():
    with tempfile.TemporaryDirectory() as folder:
        log(folder, "--every", "1", seconds=4.5)
        [path] = files(folder)
        meta, header, rows = read(path)
        check(header == INTERVAL_HEADER, f"header {header}")
        ordered(rows)
        full = [r for r in data_rows(rows)[1:-1]]
        check(len(full) >= 3, f"{len(data_rows(rows))} interval rows in 4.5 s")
        for r in full:
            check(r["time"][19:23] == ".000", f"an interval row not on the second: {r['time']}")
            check(17 <= int(r["v1_count"]) <= 22 and 3 <= int(r["freq_count"]) <= 5, f"counts {r}")
            check(r["freq_min_Hz"] == r["freq_mean_Hz"] == r["freq_max_Hz"] == "100000.000", f"meter {r}")
        # Each interval holds consecutive steps; the next interval goes on
        # where this one ended.
        step = 0
        for r in data_rows(rows)[:-1]:
            n = int(r["v1_count"])
            window = [DEMO[(step + i) % 480] for i in range(n)]
            want = stats([v[0] for v in window]) + stats([v[1] for v in window])
            got = (r["v1_min_V"], r["v1_mean_V"], r["v1_max_V"], r["v2_min_V"], r["v2_mean_V"], r["v2_max_V"])
            check(got == want, f"interval at {r['time']} from step {step}: {got} not {want}")
            step += n


def faketime_run(folder, start_utc, zone, rotate, seconds):
    """A recording under libfaketime, its clocks starting at a moment given
    in UTC (a local time would be ambiguous in the hour after the change)."""
    start = int(datetime.fromisoformat(start_utc + "+00:00").timestamp())
    env = {**os.environ, "TZ": zone, "FAKETIME": f"@{start}", "FAKETIME_FMT": "%s", "LD_PRELOAD": faketime_library()}
    # A sanitizer build wants its runtime first among the preloaded
    # libraries; libfaketime comes first here, which is harmless to it.
    env["ASAN_OPTIONS"] = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
    log(folder, "--rotate", rotate, "--every", "1", "--sync", "1", env=env, seconds=seconds)
    return files(folder)


def faketime_library():
    for path in ("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1", "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1"):
        if os.path.exists(path):
            return path
    print("SKIP: no libfaketime (Debian's faketime)")
    sys.exit(SKIP)


def rotated(paths, names, last_old, first_new):
    """Two files, the second from the boundary on; intervals unbroken."""
    check([os.path.basename(p) for p in paths] == [f"tavik-{n}.csv" for n in names], f"files {paths}")
    check(paths == sorted(paths), "names do not sort in time order")
    parts = [read(p) for p in paths]
    for meta, header, rows in parts:
        check("logger" in meta and "file_started" in meta and header == INTERVAL_HEADER, "metadata in each file")
    old, new = data_rows(parts[0][2]), data_rows(parts[1][2])
    check(old[-1]["time"] == last_old, f"the first file ends at {old[-1]['time']}, not {last_old}")
    check(new[0]["time"] == first_new, f"the second file starts at {new[0]['time']}, not {first_new}")
    ordered(parts[0][2] + parts[1][2])
    every = old[1:] + new[:-1]
    for a, b in zip(every, every[1:]):
        check(moment(b["time"]) - moment(a["time"]) == 1.0, f"an interval lost or doubled: {a['time']}, {b['time']}")
    return parts


def case_across_midnight():
    with tempfile.TemporaryDirectory() as folder:
        paths = faketime_run(folder, "2026-12-09 20:59:56", "Europe/Moscow", "daily", 7)
        rotated(paths, ["20261209-235956", "20261210-000000"], "2026-12-10T00:00:00.000+03:00",
                "2026-12-10T00:00:01.000+03:00")


def case_across_summer_time_end():
    # Berlin, 25 October 2026: 03:00 summer time is 02:00 winter time, and
    # the hourly file of that second 02 o'clock comes after the first.
    with tempfile.TemporaryDirectory() as folder:
        paths = faketime_run(folder, "2026-10-25 00:59:56", "Europe/Berlin", "hourly", 7)
        parts = rotated(paths, ["20261025-025956", "20261025-025957"], "2026-10-25T02:00:00.000+01:00",
                        "2026-10-25T02:00:01.000+01:00")
        check(parts[1][0]["file_started"].startswith("2026-10-25T02:00:00."), parts[1][0]["file_started"])
        check(data_rows(parts[0][2])[-2]["time"] == "2026-10-25T02:59:59.000+02:00", "the last summer interval")


def case_killed():
    with tempfile.TemporaryDirectory() as folder:
        trace = os.path.join(folder, "trace")
        child = subprocess.Popen(["strace", "-f", "-tt", "-e", "trace=fdatasync,fsync", "-o", trace, PROGRAM, "--demo",
                                  "log", "--dir", folder, "--sync", "1"], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        time.sleep(5.5)
        with open(f"/proc/{child.pid}/task/{child.pid}/children") as f:
            program = int(f.read().split()[0])
        killed_at = time.time()
        os.kill(program, signal.SIGKILL)
        child.wait(timeout=30)
        [path] = files(folder)
        meta, header, rows = read(path)
        last = moment(rows[-1]["time"])
        check(killed_at - last < 1.0, f"the last row is {killed_at - last:.3f} s before the kill")
        check(rows[-1]["event"] != "recording stopped", "a killed recording says it stopped")
        syncs = [line.split()[1] for line in open(trace) if "fdatasync(" in line and "= 0" in line]
        stamps = [sum(float(x) * f for x, f in zip(s.split(":"), (3600, 60, 1))) for s in syncs]
        gaps = [b - a for a, b in zip(stamps, stamps[1:])]
        check(len(syncs) >= 4 and all(0.9 <= g <= 1.4 for g in gaps), f"fdatasync at {syncs}")
        print(f"killed: last row {killed_at - last:.3f} s before SIGKILL; fdatasync every "
              f"{min(gaps):.3f} to {max(gaps):.3f} s ({len(syncs)} calls)")


def case_full_disk():
    if os.geteuid() != 0:
        print("SKIP: needs root to mount a small tmpfs")
        sys.exit(SKIP)
    with tempfile.TemporaryDirectory() as folder:
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", folder]).returncode != 0:
            print("SKIP: cannot mount a tmpfs here")
            sys.exit(SKIP)
        try:
            filler = os.path.join(folder, "filler")
            fd = os.open(filler, os.O_WRONLY | os.O_CREAT)
            try:
                while os.write(fd, b"x" * 512) > 0:
                    pass
            except OSError:
                pass
            os.close(fd)
            os.truncate(filler, os.path.getsize(filler) - 4096)
            child = subprocess.Popen([PROGRAM, "--demo", "log", "--dir", folder, "--seconds", "7", "--sync", "1"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            time.sleep(4.5)
            os.remove(filler)
            err = child.communicate(timeout=60)[1]
            check(child.returncode == 0, f"exit {child.returncode}: {err}")
            check("rows cannot be written" in err and "rows are written again" in err, err)
            [path] = files(folder)
            meta, header, rows = read(path)
            gaps = [r for r in rows if r["event"].startswith("gap: ")]
            check(len(gaps) == 1, f"gap rows {gaps}")
            check(rows[-1]["event"] == "recording stopped", rows[-1])
            lost = int(gaps[0]["event"].split()[1])
            before = [r for r in data_rows(rows) if moment(r["time"]) < moment(gaps[0]["time"])]
            after = [r for r in data_rows(rows) if moment(r["time"]) > moment(gaps[0]["time"])]
            check(lost > 10 and before and after, f"{lost} lost, {len(before)} before, {len(after)} after")
            # Nothing written before the disk filled is missing: the logger's
            # rows before the gap are consecutive steps from the first.
            logger = [r for r in before if r["v1_V"]]
            seen = [r["v1_V"] for r in logger]
            wanted = [f"{DEMO[k][0]:.4f}" for k in range(len(logger))]
            check(seen == wanted, f"rows before the gap: {seen} for {wanted}")
            print(f"full disk: {len(before)} rows, then {lost} not written, then {len(after)}: {gaps[0]['event']}")
        finally:
            subprocess.run(["umount", "-l", folder])


globals()["case_" + CASE]()

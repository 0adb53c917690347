#!/usr/bin/env python3
"""tavik-cli stats and plot over recordings whose values the test knows: a
long one of its own making (a drifting frequency, a gap, an event, a torn
last line) and one in the window's format; the figures computed here, the
picture parsed as XML. Usage: look_back.py TAVIK_CLI CASE."""
import json, math, os, re, statistics, subprocess, sys, tempfile
import xml.etree.ElementTree as ET
from datetime import datetime, timedelta, timezone

PROGRAM, CASE = sys.argv[1], sys.argv[2]
ZONE = timezone(timedelta(hours=3))
START = datetime(2026, 12, 9, 10, 0, 0, tzinfo=ZONE)
STEPS = 4100 * 4  # 4100 s of rows 0.25 s apart
GAP = (1000.0, 1010.0)  # no rows from 1000 s to 1010 s


def check(condition, message):
    if not condition:
        print("FAIL:", message)
        sys.exit(1)


def close(a, b, what):
    check(abs(a - b) <= 1e-9 * max(1.0, abs(b)), f"{what}: {a} not {b}")


def iso(seconds):
    return (START + timedelta(seconds=seconds)).isoformat(timespec="milliseconds")


def own_recording(path):
    """Rows as tavik-cli log writes them; returns what they hold."""
    v1, v2, hz = [], [], []
    rows = 0
    with open(path, "w", newline="") as f:
        f.write("# program: test\n# rows: one per report\ntime,elapsed_s,v1_V,v2_V,mode,freq_Hz,freq_in,event\n")
        f.write(f"{iso(0)},0.000,,,,,,logger bound: VXLogger\n")
        rows += 1
        for i in range(STEPS):
            t = i * 0.25
            if GAP[0] <= t < GAP[1]:
                continue
            if i % 2:
                a = round(2.5 + 0.001 * (i % 97) + math.sin(i / 50), 4)
                b = round(0.8 + 0.002 * (i % 13), 4) if i % 3 else None
                f.write(f"{iso(t)},{t:.3f},{a:.4f},{'' if b is None else f'{b:.4f}'},10bit,,,\n")
                v1.append((t, a))
                if b is not None:
                    v2.append((t, b))
            else:
                h = round(100000 + 0.002 * t + 0.3 * math.sin(i))
                f.write(f"{iso(t)},{t:.3f},,,,{h},1,\n")
                hz.append((t, h))
            rows += 1
        f.write(f"{iso(STEPS * 0.25)},4100.000,1.2")  # torn by a power cut
    return rows, v1, v2, hz


def allan(points, tau):
    t0 = points[0][0]
    bins = {}
    for t, f in points:
        bins.setdefault(math.floor((t - t0) / tau), []).append(f)
    last = max(bins)
    means = {k: sum(v) / len(v) for k, v in bins.items() if k != last}
    diffs = [(means[k + 1] - means[k]) ** 2 for k in means if k + 1 in means]
    return math.sqrt(sum(diffs) / (2 * len(diffs))) if len(diffs) >= 2 else None


def run(*args):
    done = subprocess.run([PROGRAM, *args], capture_output=True, text=True, timeout=120,
                          env={**os.environ, "LC_ALL": "ru_RU.UTF-8"})
    check(done.returncode == 0, f"{args}: exit {done.returncode}: {done.stderr}")
    return done.stdout


def case_stats():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "tavik-20261209-100000.csv")
        rows, v1, v2, hz = own_recording(path)
        got = json.loads(run("stats", "--json", path))
        check(got["rows"] == rows and got["events"] == 1 and got["skipped"] == 1, f"rows {got}")
        check(got["start"] == iso(0) and got["end"] == iso(STEPS * 0.25 - 0.25), f"span {got['start']} {got['end']}")
        check(len(got["gaps"]) == 1, f"gaps {got['gaps']}")
        gap = got["gaps"][0]
        check(gap["from"] == iso(GAP[0] - 0.25) and gap["to"] == iso(GAP[1]) and gap["seconds"] == 10.25, f"gap {gap}")
        for name, points in (("v1_V", v1), ("v2_V", v2), ("freq_Hz", hz)):
            values = [v for _, v in points]
            c = got["channels"][name]
            check(c["count"] == len(values), f"{name} count {c['count']} not {len(values)}")
            close(c["min"], min(values), name + " min")
            close(c["max"], max(values), name + " max")
            close(c["mean"], statistics.fmean(values), name + " mean")
            close(c["std"], statistics.stdev(values), name + " std")
        ts = [t / 3600 for t, _ in hz]
        fs = [f for _, f in hz]
        mt, mf = statistics.fmean(ts), statistics.fmean(fs)
        slope = sum((t - mt) * (f - mf) for t, f in zip(ts, fs)) / sum((t - mt) ** 2 for t in ts)
        close(got["freq_drift_Hz_per_h"], slope, "drift")
        check(abs(slope - 7.2) < 0.1, f"the drift put in is 7.2 Hz/h, not {slope}")
        for tau in ("1", "10", "100", "1000"):
            close(got["allan_deviation_Hz"][tau], allan(hz, float(tau)), f"Allan deviation at {tau} s")
        text = run("stats", path)
        check(re.search(r"^gap: 2026-12-09T10:16:39\.750\+03:00 to 2026-12-09T10:16:50\.000\+03:00 \(10\.250 s\)$",
                        text, re.M), text)
        check(re.search(r"^freq_Hz: count \d+, min \d+\.\d{3}, mean 100004\.\d{3}, max", text, re.M), text)


def window_recording(path):
    v1, v2 = [], []
    with open(path, "w", newline="") as f:
        for i in range(40):
            stamp = f"09122026;1000{i // 10:02d}{(i % 10) * 100:03d}"
            if i % 4 == 0:  # 10 bit
                a, b = 3.0 + i / 1000, 1.5 + i / 2000
                f.write(f"{stamp};24;{a:.3f};1,000;{b:.3f};1,000\r\n".replace(".", ","))
                v1.append(round(a, 3)), v2.append(round(b, 3))
            elif i % 4 == 1:  # 8 bit, peak: the mean of both
                f.write(f"{stamp};30;3,77;3,82;1,000;1,88;1,94;1,000\r\n")
                v1.append((3.77 + 3.82) / 2), v2.append((1.88 + 1.94) / 2)
            elif i % 4 == 2:  # 10 bit, peak, channel 2
                f.write(f"{stamp};29;2,500;2,600;1,000\r\n")
                v2.append((2.5 + 2.6) / 2)
            else:
                f.write(f"{stamp};\r\n")
    return v1, v2


def case_window_file():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "09122026100000.csv")
        v1, v2 = window_recording(path)
        got = json.loads(run("stats", "--json", path))
        check(got["rows"] == 40 and got["skipped"] == 0 and got["gaps"] == [], got)
        check(got["start"] == "2026-12-09T10:00:00.000" and got["end"] == "2026-12-09T10:00:03.900", got)
        check(got["channels"]["freq_Hz"] is None, got)
        for name, values in (("v1_V", v1), ("v2_V", v2)):
            c = got["channels"][name]
            check(c["count"] == len(values), f"{name}: {c}")
            close(c["mean"], statistics.fmean(values), name)
            close(c["std"], statistics.stdev(values), name)


SVG = "{http://www.w3.org/2000/svg}"


def subpaths(d):
    return d.count("M")


def case_plot():
    with tempfile.TemporaryDirectory() as folder:
        long, short = os.path.join(folder, "tavik-20261209-100000.csv"), os.path.join(folder, "09122026100000.csv")
        own_recording(long)
        window_recording(short)
        for source, envelope in ((long, True), (short, False)):
            picture = os.path.join(folder, "plot.svg")
            check(run("plot", source, "-o", picture).strip() == picture, "the picture's name")
            root = ET.parse(picture).getroot()
            paths = {p.get("id"): p for p in root.iter(SVG + "path")}
            axes = {g.get("id"): g for g in root.iter(SVG + "g") if g.get("class") == "axis"}
            check(set(axes) == {"volts-axis", "frequency-axis", "time-axis"}, f"axes {set(axes)}")
            units = {g: [t.text for t in axes[g].iter(SVG + "text") if t.get("class") == "unit"] for g in axes}
            check(units["volts-axis"] == ["V"] and units["frequency-axis"] == ["Hz"], f"units {units}")
            ticks = [t.text for t in axes["time-axis"].iter(SVG + "text") if t.get("class") == "tick"]
            check(2 <= len(ticks) <= 9 and all(re.fullmatch(r"\d\d:\d\d(:\d\d)?", t) for t in ticks), f"time ticks {ticks}")
            gaps = [r for r in root.iter(SVG + "rect") if r.get("class") == "gap"]
            if envelope:
                check({"v1", "v2", "freq", "v1-envelope", "v2-envelope", "freq-envelope"} <= set(paths), set(paths))
                # 4100 s on 1080 columns: the 10 s gap leaves empty columns.
                for name in ("v1", "freq", "freq-envelope"):
                    check(subpaths(paths[name].get("d")) == 2, f"{name} is not cut by the gap")
                check(len(gaps) == 2, f"the gap shaded in both panels: {len(gaps)}")
                check(units["time-axis"][0].startswith("time (UTC+03:00)"), units["time-axis"])
                check(len(ET.tostring(root)) < 400_000, "a long recording drawn point by point")
            else:
                check(set(paths) == {"v1", "v2", "freq"} and paths["freq"].get("d") == "", set(paths))
                points = [p for p in re.findall(r"[ML]([\d.]+),([\d.]+)", paths["v2"].get("d"))]
                check(len(points) == 30 and gaps == [], f"{len(points)} points of v2, {len(gaps)} gaps")


globals()["case_" + CASE]()

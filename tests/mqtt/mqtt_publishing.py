#!/usr/bin/python3
"""tavik-cli's MQTT publishing as a broker and Home Assistant meet it.

    mqtt_publishing.py TAVIK_CLI

Debian's mosquitto, in a folder of its own on a free loopback port, carries
`tavik-cli --demo serve --mqtt ... --metrics ...`; mosquitto_sub reads what
it holds and what comes, as JSON (-F %j). Checked: the discovery configs and
the availability, retained; readings not retained, the demo meter's
100000 Hz among them; the broker stopped and started again (readings resume,
the logger keeps its 20 reports a second meanwhile, by the metrics
endpoint's counter); SIGKILL (the broker publishes the will, offline); and
SIGTERM (the program says offline itself and ends with 0).
Prints what mosquitto_sub printed and the figures; the exit status says
whether everything held.
"""
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from script_checks import check, failures, free_port  # noqa: E402

CLI = sys.argv[1]


work = tempfile.mkdtemp(prefix="tavik-mqtt-")
port = free_port()
with open(os.path.join(work, "mosquitto.conf"), "w") as config:
    config.write(f"listener {port} 127.0.0.1\nallow_anonymous true\npersistence false\n")


def start_broker():
    broker = subprocess.Popen(["mosquitto", "-c", os.path.join(work, "mosquitto.conf")],
                              stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "mosquitto.log"), "a"))
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return broker
        except OSError:
            time.sleep(0.1)
    raise SystemExit("mosquitto did not listen")


def messages(topics, seconds, until=None):
    """What mosquitto_sub received in the time (or until a message passes the test), parsed."""
    args = ["mosquitto_sub", "-h", "127.0.0.1", "-p", str(port), "-F", "%j", "-W", str(seconds)]
    for topic in topics:
        args += ["-t", topic]
    sub = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    got = []
    for line in sub.stdout:
        message = json.loads(line)
        got.append(message)
        if until and until(message):
            break
    sub.kill()
    sub.wait()
    return got


def reports(metrics_port, kind):
    with urllib.request.urlopen(f"http://127.0.0.1:{metrics_port}/metrics", timeout=10) as answer:
        for line in answer.read().decode().splitlines():
            name, _, value = line.rpartition(" ")
            if name == f'tavik_reports_total{{kind="{kind}"}}':
                return float(value)
    return None


broker = start_broker()
program = None
try:
    program = subprocess.Popen([CLI, "--demo", "serve", "--listen", "127.0.0.1:0", "--metrics", "127.0.0.1:0",
                                "--mqtt", f"mqtt://127.0.0.1:{port}"],
                               stdout=subprocess.PIPE, stderr=open(os.path.join(work, "tavik.log"), "w"), text=True)
    prefix, metrics_port = None, None
    for line in program.stdout:
        if found := re.match(r"publishing to mqtt://127\.0\.0\.1:\d+ under (\S+)$", line):
            prefix = found.group(1)
        if found := re.match(r"serving metrics on http://127\.0\.0\.1:(\d+)/metrics$", line):
            metrics_port = int(found.group(1))
        if prefix and metrics_port:
            break
    check(f"says where it publishes ({prefix})", prefix is not None and metrics_port is not None)

    print("what the broker holds and what comes, a new subscriber's view:")
    time.sleep(2.5)
    seen = messages(["homeassistant/#", f"{prefix}/#"], 3)
    for message in seen:
        print("   ", json.dumps(message, ensure_ascii=False))
    retained = {m["topic"]: m["payload"] for m in seen if m["retain"]}
    configs = {t: json.loads(p) for t, p in retained.items() if t.startswith("homeassistant/")}
    check(f"four discovery configs retained ({sorted(configs)})",
          sorted(t.split("/")[1] for t in configs) == ["binary_sensor", "sensor", "sensor", "sensor"])
    classes = sorted((c.get("device_class", ""), c.get("unit_of_measurement", ""),
                      c.get("suggested_display_precision", -1), c["state_topic"]) for c in configs.values())
    check("voltage in V to 3 decimals, frequency in whole Hz, the IN input binary", classes == [
        ("", "", -1, f"{prefix}/freqmeter/input_in"), ("frequency", "Hz", 0, f"{prefix}/freqmeter/frequency"),
        ("voltage", "V", 3, f"{prefix}/logger/voltage1"), ("voltage", "V", 3, f"{prefix}/logger/voltage2")])
    check("each config has a device block with its module's serial, and the program's and the module's availability", all(
        {"manufacturer", "model", "serial_number", "sw_version", "identifiers"} <= set(c["device"]) and
        c["device"]["serial_number"] == {"logger": "DEMO-L1", "freqmeter": "DEMO-F1"}[c["state_topic"].split("/")[-2]] and
        [a["topic"] for a in c["availability"]] == [f"{prefix}/status", c["state_topic"].rsplit("/", 1)[0] + "/status"]
        for c in configs.values()))
    check("online retained, for the program and each module", all(
        retained.get(f"{prefix}/{level}status") == "online" for level in ["", "logger/", "generator/", "freqmeter/"]))
    readings = [m for m in seen if not m["topic"].startswith("homeassistant/") and not m["topic"].endswith("/status")]
    check("readings are not retained", readings and not any(m["retain"] for m in readings))
    check("the meter's 100000 Hz", f"{prefix}/freqmeter/frequency" in {m["topic"] for m in readings} and all(
        m["payload"] == "100000" for m in readings if m["topic"] == f"{prefix}/freqmeter/frequency"))
    volts = [float(m["payload"]) for m in readings if m["topic"] == f"{prefix}/logger/voltage1"]
    check(f"about one reading a second: {len(volts)} of channel 1 in 3 s, from 0 to 10 V",
          2 <= len(volts) <= 4 and all(0 <= v <= 10 for v in volts))

    print("the broker stopped for 5 s and started again:")
    before = reports(metrics_port, "logger")
    broker.terminate()
    broker.wait(timeout=30)
    time.sleep(5)
    during = reports(metrics_port, "logger")
    broker = start_broker()
    back = time.monotonic()
    resumed = messages([f"{prefix}/freqmeter/frequency"], 60, until=lambda m: True)
    took = time.monotonic() - back
    rate = (during - before) / 5
    check(f"the logger kept {rate:.1f} reports/s while the broker was away", rate >= 18)
    check(f"readings resume {took:.1f} s after the broker is back", resumed and resumed[0]["payload"] == "100000")
    again = {m["topic"] for m in messages(["homeassistant/#"], 2) if m["retain"]}
    check(f"the discovery configs published again to the new broker ({len(again)})", len(again) == 4)

    print("the program killed with SIGKILL:")
    watcher = subprocess.Popen(["mosquitto_sub", "-h", "127.0.0.1", "-p", str(port), "-F", "%j", "-W", "60",
                                "-t", f"{prefix}/status"], stdout=subprocess.PIPE, text=True)
    first = json.loads(watcher.stdout.readline())
    program.send_signal(signal.SIGKILL)
    killed = time.monotonic()
    program.wait()
    last = json.loads(watcher.stdout.readline())
    took = time.monotonic() - killed
    watcher.kill()
    print("   ", json.dumps(first), "\n   ", json.dumps(last))
    check(f"the broker published offline {took:.2f} s after the kill", first["payload"] == "online" and
          last["payload"] == "offline" and last["retain"] == 0)
    program = None

    print("publish ended with SIGTERM:")
    watcher = subprocess.Popen(["mosquitto_sub", "-h", "127.0.0.1", "-p", str(port), "-F", "%j", "-W", "60",
                                "-t", "tavik/bench-test/status"], stdout=subprocess.PIPE, text=True)
    program = subprocess.Popen([CLI, "--demo", "publish", "--mqtt", f"mqtt://127.0.0.1:{port}", "--every", "0,2",
                                "--mqtt-topic", "tavik/bench-test"],
                               stdout=subprocess.PIPE, stderr=open(os.path.join(work, "tavik.log"), "a"), text=True)
    said = program.stdout.readline().strip()
    first = json.loads(watcher.stdout.readline())
    program.send_signal(signal.SIGTERM)
    code = program.wait(timeout=30)
    last = json.loads(watcher.stdout.readline())
    watcher.kill()
    check(f"said \"{said}\", online, then offline from the program itself, exit status {code}",
          said == f"publishing to mqtt://127.0.0.1:{port} under tavik/bench-test" and first["payload"] == "online" and
          last["payload"] == "offline" and code == 0)
    program = None
finally:
    if program:
        program.kill()
    broker.terminate()
    broker.wait(timeout=30)
    if failures:
        for log in ["tavik.log", "mosquitto.log"]:
            print(f"{log}:\n" + open(os.path.join(work, log)).read()[-3000:])
    shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)

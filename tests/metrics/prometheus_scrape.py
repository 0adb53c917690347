#!/usr/bin/python3
"""tavik-cli's metrics endpoint as a lab's monitoring meets it.

    prometheus_scrape.py TAVIK_CLI

promtool checks the exposition of `tavik-cli --demo metrics`; then Debian's
prometheus, in a folder of its own on a free loopback port, scrapes
`tavik-cli --demo serve --metrics` once a second, and its HTTP API is asked
for the frequency, a voltage and `up`. (A module unplugged is tested over
the in-memory platform in metrics_collector_test.) Prints what Prometheus
answered; the exit status says whether everything held.
"""
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from script_checks import check, failures, free_port  # noqa: E402

CLI = sys.argv[1]


def start(args, pattern):
    """The program, and the port it says it serves metrics on."""
    process = subprocess.Popen([CLI, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        line = process.stdout.readline()
        if not line:
            break
        found = re.match(pattern, line)
        if found:
            return process, int(found.group(1))
    process.kill()
    raise SystemExit(f"{args} did not say where it serves metrics: {process.stderr.read()}")


def get(url, accept=None):
    request = urllib.request.Request(url, headers={"Accept": accept} if accept else {})
    with urllib.request.urlopen(request, timeout=10) as answer:
        return answer.headers.get("Content-Type"), answer.read().decode()


def stop(process):
    process.send_signal(signal.SIGTERM)
    code = process.wait(timeout=30)
    check(f"{process.args[1:]} ended with 0 after SIGTERM (got {code})", code == 0)


print("promtool check metrics on tavik-cli --demo metrics:")
metrics, port = start(["--demo", "metrics", "--listen", "127.0.0.1:0"], r"serving metrics on http://127\.0\.0\.1:(\d+)/metrics$")
time.sleep(1)  # a few readings of each module
kind, text = get(f"http://127.0.0.1:{port}/metrics")
check(f"text format answered ({kind})", kind.startswith("text/plain; version=0.0.4"))
lint = subprocess.run(["promtool", "check", "metrics"], input=text, capture_output=True, text=True)
print(f"  promtool: exit {lint.returncode} {lint.stdout.strip()} {lint.stderr.strip()}")
check("promtool finds nothing to say", lint.returncode == 0 and not lint.stdout.strip() and not lint.stderr.strip())
kind, text = get(f"http://127.0.0.1:{port}/metrics", "application/openmetrics-text;version=1.0.0")
check(f"OpenMetrics when asked for ({kind})", kind.startswith("application/openmetrics-text") and text.endswith("# EOF\n"))
stop(metrics)

print("prometheus scraping tavik-cli --demo serve --metrics:")
work = tempfile.mkdtemp(prefix="tavik-prometheus-")
server, port = None, None
prometheus = None
try:
    server, port = start(["--demo", "serve", "--listen", "127.0.0.1:0", "--metrics", "127.0.0.1:0"],
                         r"serving metrics on http://127\.0\.0\.1:(\d+)/metrics$")
    web = free_port()
    with open(os.path.join(work, "prometheus.yml"), "w") as config:
        config.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                     "scrape_configs:\n  - job_name: tavik\n"
                     f"    static_configs:\n      - targets: ['127.0.0.1:{port}']\n")
    prometheus = subprocess.Popen(
        ["prometheus", f"--config.file={work}/prometheus.yml", f"--storage.tsdb.path={work}/data",
         f"--web.listen-address=127.0.0.1:{web}"],
        stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "prometheus.log"), "w"))

    def query(expression):
        url = f"http://127.0.0.1:{web}/api/v1/query?" + urllib.parse.urlencode({"query": expression})
        _, body = get(url)
        return json.loads(body)

    answers = {}
    deadline = time.monotonic() + 60
    wanted = ["up", "tavik_frequency_hertz", 'tavik_logger_voltage_volts{channel="1"}']
    while time.monotonic() < deadline and len(answers) < len(wanted):
        for expression in wanted:
            try:
                result = query(expression)
            except OSError:
                break  # not listening yet
            if result.get("status") == "success" and result["data"]["result"]:
                answers[expression] = result
        time.sleep(0.5)
    for expression in wanted:
        print(f"  {expression}: {json.dumps(answers.get(expression))}")
    values = {e: [float(r["value"][1]) for r in a["data"]["result"]] for e, a in answers.items()}
    check("up = 1", values.get("up") == [1.0])
    check("tavik_frequency_hertz = 100000", values.get("tavik_frequency_hertz") == [100000.0])
    volts = values.get('tavik_logger_voltage_volts{channel="1"}', [])
    check(f"a voltage of channel 1 between 0 and 10 V ({volts})", len(volts) == 1 and 0 < volts[0] < 10)
    modules = query("tavik_module_up")["data"]["result"]
    check("every module up", sorted((r["metric"]["kind"], r["value"][1]) for r in modules) ==
          [("freqmeter", "1"), ("generator", "1"), ("logger", "1")])
    # A reading joined with its module's serial, as a dashboard would.
    joined = query('tavik_frequency_hertz * on(instance) group_left(serial) tavik_module_info{kind="freqmeter"}')
    print(f"  joined with tavik_module_info: {json.dumps(joined)}")
    check("the frequency joined with the meter's serial", [(r["metric"].get("serial"), r["value"][1])
                                                           for r in joined["data"]["result"]] == [("DEMO-F1", "100000")])
finally:
    if prometheus:
        prometheus.terminate()
        prometheus.wait(timeout=30)
    if server:
        stop(server)
    if failures:
        print(open(os.path.join(work, "prometheus.log")).read()[-3000:])
    shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)

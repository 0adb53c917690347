#!/usr/bin/python3
"""tavik-cli serve found and driven on the network as lab tools find and drive LAN instruments.

    lan_instrument.py TAVIK_CLI

In a network and mount namespace of its own (a veth pair, 10.77.0.1 and
10.77.0.2, nothing reaching outside it), with a D-Bus system bus and Debian's
avahi-daemon and rpcbind of its own: `tavik-cli --demo serve` listening on
10.77.0.1 is listed by avahi-browse (its name, port, address and TXT record,
which carries what *IDN? says) and by lxi discover; pyvisa reaches it at the
address found; its VXI-11 port is in the portmapper, where pyvisa
(TCPIP::10.77.0.1::INSTR: a fresh reading, a trace as binary, the status
byte, a device clear) and lxi scpi find it, and `_vxi-11._tcp` is advertised;
a second server on the same host gets the next name and the VXI-11 port; the
daemon restarted, the advertisement comes back; a server that ends is
withdrawn, and takes its VXI-11 port back from the portmapper only if it is
still its own.
Needs root for the namespace (exit 77 without it).
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from script_checks import check, failures  # noqa: E402

CLI = os.path.abspath(sys.argv[1])
ADDRESS = "10.77.0.1"

if os.environ.get("TAVIK_LAN_INSIDE") != "1":
    if os.geteuid() != 0:
        print("a network namespace needs root: not run")
        sys.exit(77)
    os.environ["TAVIK_LAN_INSIDE"] = "1"
    os.execvp("unshare", ["unshare", "--net", "--mount", sys.executable] + sys.argv)

work = tempfile.mkdtemp(prefix="tavik-lan-")
children = []


def run(*args):
    subprocess.run(args, check=True)


def start(args, log):
    child = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=open(os.path.join(work, log), "w"), text=True)
    children.append(child)
    return child


def wait_for(what, condition, seconds=30):
    deadline = time.monotonic() + seconds
    started = time.monotonic()
    while time.monotonic() < deadline:
        if condition():
            print(f"  WAIT {what}: {time.monotonic() - started:.1f} s of {seconds} s")
            return True
        time.sleep(0.2)
    print(f"  WAIT {what}: timed out after {seconds} s")
    return False


def unescape(field):
    """avahi-browse -p writes a byte outside printable ASCII, and ';' or '\\', as \\DDD (decimal)."""
    raw = re.sub(rb"\\(\d{3})", lambda m: bytes([int(m.group(1))]), field.encode())
    return raw.decode("utf-8")


def browse(show=False):
    """The resolved _scpi-raw._tcp services, by name: {name: (address, port, txt)}."""
    out = subprocess.run(["avahi-browse", "-rtp", "_scpi-raw._tcp"], capture_output=True, text=True).stdout
    if show:
        print("  avahi-browse -rtp _scpi-raw._tcp:\n" + out)
    found = {}
    for line in out.splitlines():
        fields = line.split(";")
        if fields[0] != "=" or len(fields) < 10:
            continue
        txt = dict(item.split("=", 1) for item in re.findall(r'"((?:[^"\\]|\\.)*)"', ";".join(fields[9:])))
        found[unescape(fields[3])] = (fields[7], int(fields[8]), txt)
    return found


def stderr_of(log):
    with open(os.path.join(work, log)) as f:
        return f.read()


def browse_vxi11():
    """The resolved _vxi-11._tcp services: {name: (address, port)}."""
    out = subprocess.run(["avahi-browse", "-rtp", "_vxi-11._tcp"], capture_output=True, text=True).stdout
    return {unescape(f[3]): (f[7], int(f[8])) for f in (line.split(";") for line in out.splitlines())
            if f[0] == "=" and len(f) >= 9}


def vxi11_ports():
    """The TCP ports the portmapper has for VXI-11's core channel (395183 version 1)."""
    out = subprocess.run(["rpcinfo", "-p", ADDRESS], capture_output=True, text=True).stdout
    rows = [line.split() for line in out.splitlines()[1:]]
    return [int(r[3]) for r in rows if len(r) >= 4 and r[:3] == ["395183", "1", "tcp"]]


def vxi11_port_of(log):
    found = re.search(r"VXI-11 on port (\d+), registered", stderr_of(log))
    return int(found.group(1)) if found else None


# The namespace's network, bus and daemons. /run is the namespace's own (the
# daemons' pid files and sockets, rpcbind's among them), so the daemons of
# the machine are not disturbed.
run("mount", "-t", "tmpfs", "tmpfs", "/run")
os.makedirs("/run/avahi-daemon")
os.makedirs("/run/rpcbind")
run("ip", "link", "set", "lo", "up")
run("ip", "link", "add", "v0", "type", "veth", "peer", "name", "v1")
run("ip", "addr", "add", f"{ADDRESS}/24", "dev", "v0")
run("ip", "addr", "add", "10.77.0.2/24", "dev", "v1")
run("ip", "link", "set", "v0", "up")
run("ip", "link", "set", "v1", "up")
with open(os.path.join(work, "bus.conf"), "w") as f:
    f.write(f"""<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path={work}/bus</listen><auth>EXTERNAL</auth>
<policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*"/>
<allow receive_sender="*"/></policy></busconfig>
""")
os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = f"unix:path={work}/bus"
with open(os.path.join(work, "avahi.conf"), "w") as f:
    f.write("[server]\nallow-interfaces=v0\nuse-ipv6=no\n[publish]\npublish-hinfo=no\npublish-workstation=no\n")
avahi = ["avahi-daemon", "-f", os.path.join(work, "avahi.conf"), "--no-drop-root", "--no-chroot", "--no-rlimits"]
try:
    start(["dbus-daemon", "--nofork", f"--config-file={work}/bus.conf"], "dbus.log")
    wait_for("the bus", lambda: os.path.exists(f"{work}/bus"))
    daemon = start(avahi, "avahi.log")
    start(["rpcbind", "-f"], "rpcbind.log")
    wait_for("the portmapper", lambda: os.path.exists("/run/rpcbind.sock"))

    host = os.uname().nodename
    name = f"Тавик ({host})"
    first = start([CLI, "--demo", "serve", "--listen", f"{ADDRESS}:0"], "serve-1.log")
    port = int(first.stdout.readline().split(":")[-1])
    wait_for("the first server advertised", lambda: "advertised over mDNS" in stderr_of("serve-1.log"))
    seen = browse(show=True)
    check(f"avahi-browse lists \"{name}\" at {ADDRESS}:{port}", seen.get(name, (None, None))[:2] == (ADDRESS, port))

    import pyvisa
    rm = pyvisa.ResourceManager("@py")
    tavik = rm.open_resource(f"TCPIP::{seen[name][0]}::{seen[name][1]}::SOCKET", read_termination="\n",
                             write_termination="\n", timeout=5000) if name in seen else None
    idn = tavik.query("*IDN?").strip().split(",") if tavik else []
    print("  *IDN?:", idn)
    txt = seen.get(name, (None, None, {}))[2]
    check("its TXT record is *IDN?'s", len(idn) == 4 and txt.get("txtvers") == "1" and
          [txt.get(k) for k in ("Manufacturer", "Model", "SerialNumber", "FirmwareVersion")] == idn)
    if tavik:
        tavik.close()

    # VXI-11: the port told to the portmapper, and VISA's INSTR resource.
    wait_for("the VXI-11 port registered", lambda: vxi11_port_of("serve-1.log") is not None)
    vxi11_port = vxi11_port_of("serve-1.log")
    check(f"the portmapper has VXI-11 at the port serve names ({vxi11_port})", vxi11_ports() == [vxi11_port])
    instr = rm.open_resource(f"TCPIP::{ADDRESS}::INSTR", timeout=5000)
    answers = {q: instr.query(q).strip() for q in ["*IDN?", "MEAS:FREQ?", "READ:FREQ?"]}
    print("  over VXI-11:", answers)
    check("over VXI-11 *IDN? is the same, and fresh readings are the demo meter's 100000 Hz",
          answers == {"*IDN?": ",".join(idn), "MEAS:FREQ?": "100000", "READ:FREQ?": "100000"})
    points = instr.query_binary_values("FORM REAL,32;:TRAC:DATA? (@1)", datatype="f", is_big_endian=True)
    print(f"  over VXI-11: FORM REAL,32;:TRAC:DATA? (@1): {len(points)} floats, {points[:2]} ...")
    check("query_binary_values reads the sweep over VXI-11",
          0 < len(points) <= 512 and len(points) % 2 == 0 and all(0 <= v < 8 for v in points))
    instr.write("FOO:BAR")
    check("the status byte says an error is queued (bit 2)", instr.read_stb() & 0x04 == 0x04)
    check("which the error queue holds", instr.query("SYST:ERR?").startswith("-113,"))
    instr.write("*IDN?")
    instr.clear()
    check("a device clear drops the unread answer", instr.read_stb() & 0x10 == 0 and
          instr.query("SYST:ERR?").startswith("0,"))
    instr.close()
    lxi_idn = subprocess.run(["lxi", "scpi", "-a", ADDRESS, "*IDN?"], capture_output=True, text=True).stdout
    print("  lxi scpi -a " + ADDRESS + " '*IDN?': " + lxi_idn.strip())
    check("lxi scpi reaches it over VXI-11", lxi_idn.strip() == ",".join(idn))
    check("_vxi-11._tcp is advertised at the portmapper's port",
          wait_for("_vxi-11._tcp", lambda: browse_vxi11().get(name) == (ADDRESS, 111)))

    lxi = subprocess.run(["lxi", "discover", "-m", "-t", "3"], capture_output=True, text=True).stdout
    print("  lxi discover -m:\n" + lxi)
    found = re.findall(r'Found "(.*)" on address (\S+)\n\s+scpi-raw service on port (\d+)', lxi)
    check("lxi discover -m finds it", (name, ADDRESS, str(port)) in found)

    second = start([CLI, "--demo", "serve", "--listen", f"{ADDRESS}:0"], "serve-2.log")
    second_port = int(second.stdout.readline().split(":")[-1])
    renamed = f"{name} #2"
    check("a second server on the host is advertised as the next name",
          wait_for("the second server advertised", lambda: renamed in browse()) and
          browse()[renamed][1] == second_port)

    wait_for("the second VXI-11 port", lambda: vxi11_port_of("serve-2.log") is not None)
    check("the server started last has the VXI-11 port", vxi11_ports() == [vxi11_port_of("serve-2.log")])

    daemon.send_signal(signal.SIGTERM)
    daemon.wait(30)
    daemon = start(avahi, "avahi-2.log")
    check("the daemon restarted, both are advertised again",
          wait_for("both back", lambda: {name, renamed} <= set(browse()), 60))

    first.send_signal(signal.SIGINT)
    check("the first server ends with 0", first.wait(30) == 0)
    check("a server that ended is withdrawn, the other kept",
          wait_for("the first withdrawn", lambda: name not in browse(), 30) and renamed in browse())
    check("the portmapper keeps the second server's VXI-11 port", vxi11_ports() == [vxi11_port_of("serve-2.log")])
    second.send_signal(signal.SIGINT)
    check("the second server ends with 0", second.wait(30) == 0)
    check("and takes its VXI-11 port back", vxi11_ports() == [])
    print("  tavik-cli's notices:\n" + stderr_of("serve-1.log"))
finally:
    for child in reversed(children):
        if child.poll() is None:
            child.send_signal(signal.SIGTERM)
            try:
                child.wait(10)
            except subprocess.TimeoutExpired:
                child.kill()
    shutil.rmtree(work, ignore_errors=True)

print("FAILED: " + "; ".join(failures) if failures else "all passed")
sys.exit(1 if failures else 0)

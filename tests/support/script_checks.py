"""What the scripts that meet tavik-cli with real servers share: a check
that prints its line and keeps what failed, and a free loopback port."""
import socket

failures = []


def check(what, ok):
    print(f"  {'ok  ' if ok else 'FAIL'} {what}")
    if not ok:
        failures.append(what)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]

#!/bin/sh
# tavik-cli --demo serve on a port of the system's choosing, driven by a real
# VISA client (pyvisa) and then under bad input and load; the load again with
# modules that take 2 ms a transfer, as on a real bus; SIGTERM ends each with
# exit status 0.
#     serve_session.sh TAVIK_CLI [sanitized|plain]
set -u
cli=$1
build=${2:-plain}
here=$(dirname "$0")
work=$(mktemp -d)
server=
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
status=0

# start TRANSFER_MS: a server, its port in $port.
start() {
    rm -f "$work/out" "$work/wire.log"
    TAVIK_DEMO_TRANSFER_MS=$1 TAVIK_DEMO_WIRE=$work/wire.log "$cli" --demo serve --listen 127.0.0.1:0 \
        >"$work/out" 2>"$work/err" &
    server=$!
    port=
    for _ in $(seq 100); do
        port=$(sed -n 's/^serving SCPI on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/out")
        [ -n "$port" ] && return 0
        sleep 0.1
    done
    echo "tavik-cli serve did not say where it listens"
    cat "$work/err"
    exit 1
}

stop() {
    kill -TERM $server
    wait $server
    code=$?
    echo "tavik-cli serve ended with $code after SIGTERM"
    [ $code -eq 0 ] || status=1
}

start 0
/usr/bin/python3 "$here/pyvisa_session.py" "$port" "$work/wire.log" || status=1
/usr/bin/python3 "$here/serve_load.py" "$port" "$work/wire.log" "$server" "$build" || status=1
stop
echo "the same load, every transfer answered 2 ms late:"
start 2
/usr/bin/python3 "$here/serve_load.py" "$port" "$work/wire.log" "$server" "$build" || status=1
stop
exit $status

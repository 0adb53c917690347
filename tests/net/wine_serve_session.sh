#!/usr/bin/env bash
# tavik-cli.exe --demo serve under Wine, answering the pyvisa session from
# this side: the server on a port the system picks, the session run against
# it, then Ctrl-C (Wine makes one of SIGINT) and the server's exit checked.
# The server has a prefix of its own (WINEPREFIX, made once by wine-run.sh),
# so that its wineserver, ended here whatever happened, is no other test's.
#   tests/net/wine_serve_session.sh WINE_RUN TAVIK-CLI.exe SESSION.py WORK_DIR
set -uo pipefail
wine_run=$1 program=$2 session=$3 work=$4
: "${WINEPREFIX:?WINEPREFIX: a prefix for this test alone}"
export WINEPREFIX WINE_RUN_RAW=1  # the program's own process, its own signals
mkdir -p "$work"
out=$work/serve.out err=$work/serve.err wire=$work/wire.log
rm -f "$out" "$err" "$wire"
server=
finish() {
  if [ -n "$server" ] && kill -0 "$server" 2>/dev/null; then kill -KILL "$server" 2>/dev/null; wait "$server" 2>/dev/null; fi
  WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
}
trap finish EXIT

# The wire log as the Windows program names it: Wine maps / to Z:.
windows_wire=Z:$(printf '%s' "$wire" | tr / '\\')
TAVIK_DEMO_WIRE=$windows_wire "$wine_run" "$program" --demo serve --listen 127.0.0.1:0 >"$out" 2>"$err" &
server=$!

# The port the system picked, once the program says it (a first start of the
# prefix takes a while).
port=
for _ in $(seq 1200); do
  line=$(head -n 1 "$out" | tr -d '\r')
  case "$line" in
    "serving SCPI on 127.0.0.1:"*) port=${line##*:}; break ;;
  esac
  kill -0 "$server" 2>/dev/null || break
  sleep 0.2
done
if [ -z "$port" ]; then
  echo "the server did not say where it listens; its output:"; cat "$out" "$err"
  exit 1
fi
echo "# $line"

status=0
/usr/bin/python3 "$session" "127.0.0.1:$port" "$wire" || status=1

# Ctrl-C: the server ends the session and exits 0.
kill -INT "$server"
stopped=
for _ in $(seq 300); do
  kill -0 "$server" 2>/dev/null || { stopped=1; break; }
  sleep 0.1
done
if [ -z "$stopped" ]; then
  echo "FAIL: the server did not end on Ctrl-C"
  exit 1
fi
wait "$server"
code=$?
server=
if [ "$code" -ne 0 ]; then
  echo "FAIL: the server exited with $code after Ctrl-C; its errors:"; cat "$err"
  status=1
else
  echo "  ok   the server exited 0 after Ctrl-C"
fi
exit $status

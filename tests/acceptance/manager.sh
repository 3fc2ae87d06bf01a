#!/usr/bin/env bash
# The service under a server manager, on a private bus: etikord registers with etikor-manager,
# a second station of the same name ends silently, the manager's Start and Stop reach the
# station, and a station that crashed is dropped so that its restart registers again. systemd
# is played by a notify socket: the station reports READY, keeps the watchdog alive from its
# event loop and reports STOPPING.
set -euo pipefail
etikord="$1"
manager="$2"
work="$(mktemp -d)"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; cat "$work"/*.log >&2 2>/dev/null; exit 1; }
wait_for() { # seconds, command...
  local n=$(($1 * 10)); shift
  for _ in $(seq "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
stations() { "$manager" list; } # whole, so that grep -q cannot cut it short
listed() { grep -qx "$1" <<<"$(stations)"; }
unlisted() { ! grep -q 'Etikor  / Line4' <<<"$(stations)"; }

export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" ETIKOR_REGISTRY="$work/registry.reg"
export ETIKOR_HOME="$work/Server" CUPS_SERVER=127.0.0.1:9 QT_LOGGING_RULES="etikor.*=true"
mkdir -p "$HOME" "$ETIKOR_HOME" && install -d -m 700 "$XDG_RUNTIME_DIR"
printf '"Modulname","Line4"\r\n' >"$ETIKOR_HOME/Line4.dcnf"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\Server manager\\Optionen]\r\n"Bus"="session"\r\n\r\n' \
  >"$ETIKOR_REGISTRY"

dbus-daemon --session --nofork --print-address=1 >"$work/bus" &
pids+=($!)
wait_for 10 test -s "$work/bus" || fail "no dbus-daemon"
export DBUS_SESSION_BUS_ADDRESS="$(head -1 "$work/bus")"
"$manager" serve >"$work/manager.log" 2>&1 &
pids+=($!)
wait_for 10 "$manager" list || fail "etikor-manager does not serve"

# systemd's side of sd_notify: a datagram socket that keeps what the station says.
python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.bind(sys.argv[1])
while True:
    print(s.recv(4096).decode().replace("\n", " "), flush=True)
' "$work/notify" >"$work/notify.log" &
pids+=($!)
wait_for 10 test -S "$work/notify" || fail "no notify socket"

NOTIFY_SOCKET="$work/notify" WATCHDOG_USEC=200000 "$etikord" "$ETIKOR_HOME/Line4.dcnf" \
  >"$work/first.log" 2>&1 &
first=$!
pids+=($first)
wait_for 20 grep -q '^READY=1 STATUS=Line4 Etikor Vers:' "$work/notify.log" || fail "no READY"
wait_for 5 listed 'Etikor  / Line4' || fail "the station did not register"
listed "  ClientPath = $ETIKOR_HOME/Line4.dcnf" || fail "ClientPath not handed over"
sleep 1
pings=$(grep -c '^WATCHDOG=1' "$work/notify.log")
[ "$pings" -ge 6 ] || fail "only $pings watchdog pings in a second at 200 ms"

timeout 20 "$etikord" "$ETIKOR_HOME/Line4.dcnf" >"$work/second.log" 2>&1 || fail "second station failed"
grep -q 'running with' "$work/second.log" && fail "second station ran"
[ "$(grep -c 'Etikor  / Line4' <<<"$(stations)")" -eq 1 ] || fail "second station registered"

"$manager" start line4 || fail "start failed"
wait_for 5 grep -q 'asked to show a window' "$work/first.log" || fail "start did not reach the station"
"$manager" restart Line4 || fail "restart failed"
"$manager" stop Line4 || fail "stop failed"
wait_for 10 sh -c "! kill -0 $first" || fail "the station did not stop"
wait "$first" || fail "the station ended with an error after stop"
grep -q '^STOPPING=1' "$work/notify.log" || fail "no STOPPING"
grep -q 'removed "Etikor  / Line4" (.*): it disconnected' "$work/manager.log" || fail "no Disconnect"
unlisted || fail "still registered after stop"

# A crash leaves no registration behind that would refuse the restart.
"$etikord" "$ETIKOR_HOME/Line4.dcnf" >"$work/crashed.log" 2>&1 &
crashed=$!
pids+=($crashed)
wait_for 20 listed 'Etikor  / Line4' || fail "the station did not register again"
kill -KILL "$crashed"
wait_for 10 unlisted || fail "the crashed station stays registered"
grep -q 'closed without Disconnect' "$work/manager.log" || fail "the manager did not notice the crash"
"$etikord" "$ETIKOR_HOME/Line4.dcnf" >"$work/restart.log" 2>&1 &
pids+=($!)
wait_for 20 grep -q 'running with.*registered with the server manager' "$work/restart.log" ||
  fail "the restart was refused"
echo "1 passed, 0 failed"

#!/usr/bin/env bash
# The service as systemd runs it: it starts on a configuration, refuses a second instance
# of itself silently, runs its shutdown when it is told to stop, and restarts after a crash.
set -euo pipefail
etikord="$1"
work="$(mktemp -d)"
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" ETIKOR_REGISTRY="$work/registry.reg"
export ETIKOR_HOME="$work/Server" CUPS_SERVER=127.0.0.1:9 QT_LOGGING_RULES="etikor.*=true"
mkdir -p "$HOME" "$ETIKOR_HOME" && install -d -m 700 "$XDG_RUNTIME_DIR"
printf '"Modulname","Line3"\r\n' >"$ETIKOR_HOME/Line3.dcnf"

"$etikord" "$ETIKOR_HOME/Line3.dcnf" >"$work/first.log" 2>&1 &
pid=$!
for _ in $(seq 100); do grep -q 'running with' "$work/first.log" 2>/dev/null && break; sleep 0.1; done
grep -q 'Line3 Etikor Vers:' "$work/first.log" || fail "service did not start: $(cat "$work/first.log")"

timeout 20 "$etikord" "$ETIKOR_HOME/Line3.dcnf" >"$work/second.log" 2>&1 ||
  fail "second instance did not end cleanly"
grep -q 'running with' "$work/second.log" && fail "second instance ran"

# The start recorded the installation in the registry store.
grep -q '"Extension"="DCNF"' "$ETIKOR_REGISTRY" || fail "registry store not written"

# A registration run associates .dcnf files with the program for this user and ends.
XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" timeout 20 "$etikord" /RegServer ||
  fail "registration run failed"
grep -q "^Exec=\"$etikord\" %f" "$work/data/applications/etikor.desktop" || fail "no desktop entry"
grep -q 'application/x-etikor-dcnf=etikor.desktop' "$work/config/mimeapps.list" ||
  fail "not the default application for .dcnf"

kill -TERM "$pid"
wait "$pid" || fail "service ended with an error after SIGTERM"

# A station that crashed must not block its own restart with the lock it left behind.
"$etikord" "$ETIKOR_HOME/Line3.dcnf" >"$work/crashed.log" 2>&1 &
pid=$!
sleep 1
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
[ -e "$XDG_RUNTIME_DIR/etikord.lock" ] || fail "the crashed service left no lock to recover from"
"$etikord" "$ETIKOR_HOME/Line3.dcnf" >"$work/restart.log" 2>&1 &
pid=$!
for _ in $(seq 100); do grep -q 'running with' "$work/restart.log" 2>/dev/null && break; sleep 0.1; done
grep -q 'running with' "$work/restart.log" || fail "restart after a crash was refused"
kill -TERM "$pid"
wait "$pid" || fail "restarted service ended with an error"

# Below the registry's free-space limit (the first start wrote the default " 30") the
# service reports the shortage on its output, which the journal keeps.
grep -q '"MaxFreeSpace(MB)"=" 30"' "$ETIKOR_REGISTRY" || fail "no default free-space limit written"
sed -i 's/"MaxFreeSpace(MB)"=" 30"/"MaxFreeSpace(MB)"="999999999999"/' "$ETIKOR_REGISTRY"
"$etikord" "$ETIKOR_HOME/Line3.dcnf" >"$work/full.log" 2>&1 &
pid=$!
for _ in $(seq 100); do grep -q 'running with' "$work/full.log" 2>/dev/null && break; sleep 0.1; done
grep -q 'Free Diskspace Drive /.* bytes' "$work/full.log" || fail "no shortage report: $(cat "$work/full.log")"
kill -TERM "$pid"
wait "$pid" || fail "service ended with an error"
pid=""
echo "1 passed, 0 failed"

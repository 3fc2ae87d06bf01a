#!/usr/bin/env bash
# The manager's D-Bus policy on a system bus of the test's own: root may list, start and stop
# stations through etikor-manager; another user may list them but neither register a station
# (which could take a station's name and keep it from starting) nor stop one.
#
#   dbus-policy.sh POLICY ETIKOR-MANAGER
set -euo pipefail
policy="$1"
manager="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ "$(id -u)" -ne 0 ]; then
  [ "${CI:-}" = "true" ] && fail "needs root to act as another user"
  echo "SKIP: needs root to act as another user"
  exit 77
fi
work="$(mktemp -d)"
chmod 755 "$work"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

# The system bus's own configuration, listening in the test's folder, with only this policy.
sed -e 's|<user>messagebus</user>||' -e 's|<pidfile>.*</pidfile>||' \
  -e "s|<listen>.*</listen>|<listen>unix:path=$work/socket</listen>|" \
  -e "s|<includedir>system.d</includedir>|<include>$policy</include>|" \
  -e 's|<includedir>/etc/dbus-1/system.d</includedir>||' \
  -e 's|<include ignore_missing="yes">/etc/dbus-1/system[-a-z]*.conf</include>||' \
  /usr/share/dbus-1/system.conf >"$work/system.conf"
dbus-daemon --config-file="$work/system.conf" --nofork --nosyslog 2>"$work/daemon.log" &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/socket" ] && break; sleep 0.1; done
[ -S "$work/socket" ] || fail "the bus did not start: $(cat "$work/daemon.log")"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/socket"
"$manager" serve >"$work/manager.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do "$manager" list >/dev/null 2>&1 && break; sleep 0.1; done
"$manager" list >/dev/null || fail "root cannot run the manager: $(cat "$work/manager.log")"

as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
as_nobody "$manager" list >"$work/nobody.log" 2>&1 || fail "another user cannot list: $(cat "$work/nobody.log")"
rc=0; as_nobody "$manager" stop Line1 >"$work/nobody.log" 2>&1 || rc=$?
grep -q 'Rejected send message' "$work/nobody.log" || fail "another user may stop stations ($rc)"
rc=0; "$manager" stop Line1 >"$work/root.log" 2>&1 || rc=$?
[ "$rc" -eq 3 ] || fail "root's stop was not answered by the manager: $(cat "$work/root.log")"
rc=0
as_nobody dbus-send --bus="$DBUS_SESSION_BUS_ADDRESS" --print-reply \
  --dest=projDienstwart.clsServerConnect /projDienstwart/clsServerConnect \
  projDienstwart.clsServerConnect.PrevInstance string:"Etikor  / Line1" >"$work/send.log" 2>&1 || rc=$?
grep -q 'AccessDenied' "$work/send.log" || fail "another user may talk to the manager as a station"
echo "ok"

#!/usr/bin/env bash
# The desktop program as an operator meets it: a real X server with a tray, a fresh home
# folder, a station configuration copied from a Windows station and a station with none,
# and a simulated PLC that publishes the variables of module Linie7 only. Each station
# starts with another module, so it reports the missing variables in the message window,
# which OK answers. The window is opened from the tray icon, the module is changed to
# Linie7 and saved, and the link is built without a complaint; the file is checked byte
# for byte. A second start while the first runs must end silently. A disk below the
# registry's free-space limit brings up the message window, which OK answers; the window is
# minimised to the tray twice and brought back drawn. Under a server manager the station
# shows no icon and comes up on the manager's Start. All of it under a window manager.
set -euo pipefail
etikor="$1"
manager="$2"
work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
[ -n "${ACCEPTANCE_DEBUG:-}" ] && set -x
fail() { echo "FAIL: $*" >&2; exit 1; }

# A private X server on a free display, a window manager and a tray for the icon.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
HOME="$work/home" openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 28 \
  >/dev/null 2>&1 &
pids+=($!)

# A new user: nothing configured, nothing cached.
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" ETIKOR_REGISTRY="$work/home/registry.reg"
unset XDG_CONFIG_HOME XDG_DATA_HOME QT_QPA_PLATFORM
mkdir -p "$HOME" && install -d -m 700 "$XDG_RUNTIME_DIR"
export CUPS_SERVER=127.0.0.1:9   # no print system: the default printer is empty

# The PLC, reached through the registry's endpoint option, as the configurations' net ids
# name no OPC UA server.
plcsim="$(cd "$(dirname "$0")/../../tools/plcsim" && pwd)/plcsim.js"
port=$(node -e 'const s = require("net").createServer().listen(0, "127.0.0.1", () => { console.log(s.address().port); s.close(); })')
node "$plcsim" --module Linie7 --port "$port" --stay --quiet </dev/null >"$work/plcsim.log" 2>&1 &
pids+=($!)
for _ in $(seq 600); do grep -q '^ready ' "$work/plcsim.log" && break; sleep 0.1; done
grep -q '^ready ' "$work/plcsim.log" || fail "the simulated PLC did not start: $(cat "$work/plcsim.log")"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\OPC UA\\Optionen]\r\n"Endpoint"="opc.tcp://localhost:%s"\r\n\r\n' \
  "$port" >"$ETIKOR_REGISTRY"

wait_for() { # command... : retries for about ten seconds
  for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
# The icon is a window of ours embedded in the tray's panel; prints its +x+y on the screen.
tray_icon() {
  local tree; tree=$(xwininfo -root -tree)
  awk '/"panel"/ {p = 1; next} p && /"etikor"/ {print $NF; found = 1; exit} END {exit !found}' <<<"$tree"
}
window_id() { xdotool search --name "$1" | head -1; }
click_tray() {
  local pos; pos=$(tray_icon)
  local x=${pos#+}; x=${x%%+*}; local y=${pos##*+}
  xdotool mousemove $((x + 8)) $((y + 8)) click 1
}
viewable() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
# Minimising sends the window to the tray at once: off the screen and out of the window
# manager's client list (the task bar). It must stay there, not come back by itself as an
# undrawn frame, and a left click on the icon brings it back drawn (more than one colour).
minimise_to_tray() {
  local wid="$1" hex; hex=$(printf '0x%x' "$1")
  xdotool windowminimize "$wid"
  wait_for bash -c "! xprop -root _NET_CLIENT_LIST | grep -qi '$hex'" ||
    fail "the minimised window stayed in the task bar"
  sleep 2.5 # the tray check runs every second: a window mapped again shows up by now
  ! viewable "$wid" || fail "the minimised window came back by itself"
  click_tray
  wait_for viewable "$wid" || fail "a left click on the tray did not bring the window back"
  sleep 0.5
  [ "$(import -window "$wid" -format '%k' info:)" -gt 1 ] || fail "the window came back undrawn"
}
# Answers the message window of a station whose module the PLC does not know; its caption
# is the application title, which has no version in it.
answer_plc_message() {
  local re=' Etikor(: Empty configuration )?$'
  wait_for xdotool search --onlyvisible --name "$re" || fail "no message for the unknown module"
  local msg; msg=$(xdotool search --onlyvisible --name "$re" | head -1)
  xdotool windowfocus --sync "$msg" && xdotool key --window "$msg" alt+o
  wait_for bash -c "! xdotool search --onlyvisible --name '$re'" || fail "OK did not close it"
}

# Starts the program, opens the window from the tray, turns edit mode on, replaces the
# module name and saves. $1: the station folder, $2: the title the window must carry, $3..:
# the program's arguments.
edit_and_save() {
  local home="$1" title="$2"; shift 2
  ETIKOR_HOME="$home" "$etikor" "$@" >"$work/etikor.log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  wait_for tray_icon || fail "no tray icon appeared"
  answer_plc_message
  [ -z "$(xdotool search --onlyvisible --name "$title" 2>/dev/null)" ] || fail "window visible at start"
  click_tray
  wait_for xdotool search --onlyvisible --name "$title" || fail "left click on the tray did not show '$title'"
  local wid; wid=$(window_id "$title")
  xdotool windowfocus --sync "$wid"
  xdotool key --window "$wid" alt+f && sleep 0.3 && xdotool key d && sleep 0.3
  # The module name box: third row of the settings.
  xdotool mousemove --window "$wid" 250 94 click --repeat 3 1 && sleep 0.2
  xdotool type --delay 20 "Linie7"
  xdotool key --window "$wid" alt+f && sleep 0.3 && xdotool key s && sleep 0.5
  grep -q "Create VarHandle: Linie7" "$home"/EtikorComm-*.dat &&
    fail "the link to module Linie7 failed: $(cat "$home"/EtikorComm-*.dat)"
  # A second start of the same program ends silently while the first runs.
  local t0=$SECONDS
  ETIKOR_HOME="$home" timeout 20 "$etikor" >/dev/null 2>&1 || fail "second instance failed"
  [ $((SECONDS - t0)) -lt 15 ] || fail "second instance did not end by itself"
  exit_program "$wid" "$pid"
}

exit_program() { # window id, pid: E&xit from the menu ends the program cleanly
  xdotool key --window "$1" alt+f && sleep 0.3 && xdotool key x
  wait_for bash -c "! kill -0 $2" || fail "E&xit did not end the program"
  wait "$2" || fail "program ended with an error: $(cat "$work/etikor.log")"
}

# 1. A station with no configuration: the default file is written on save.
mkdir -p "$work/empty/Server"
edit_and_save "$work/empty/Server" " Etikor Vers:"
expected_empty=$(printf '"ServerPath",""\r\n"Netid",""\r\n"Port",""\r\n"Modulname","Linie7"\r\n"Labelshop",0\r\n"LabelshopPath",""\r\n"DeleteDelay",""\r\n"CAD-Print",0\r\n"CAD-Path",""\r\n"CAD-Extension",""\r\n"CAD-PrintRest",0\r\n"Command-Line",""\r\n"Option-Command-Line",0\r\n"PrintToFit",0\r\n"WritePrintData",1\r\n"Sonderzeichen",1\r\n"PaperOrientation",0\r\n"PrintRAW",0\r\n"WinCADPrint",0\r\n"UTF8Codierung",0\r\n"Printername",""\r\n"ChinaCodierung",0\r\n"PrefixOnOff",0\r\n"Prefix",""\r\n"RAWAddCrLf",0\r\n"Codierung",""\r\n"AblOnOff",1\r\n' | od -An -tx1)
[ "$(od -An -tx1 "$work/empty/Server/Etikor.dcnf")" = "$expected_empty" ] ||
  fail "Etikor.dcnf differs: $(od -c "$work/empty/Server/Etikor.dcnf" | head -20)"

# 2. A configuration written by a Windows station: Windows-1252, CR LF, backslash paths,
#    degree signs for quotes. Only the module name may change on save.
mkdir -p "$work/plant/Server"
windows() {
  printf '"ServerPath","~apppath~\\Data\\Druckdaten.mdb"\r\n"Netid","192.0.2.7.1.1"\r\n"Port","851"\r\n"Modulname","%s"\r\n"Labelshop",0\r\n"LabelshopPath","~apppath~\\Labelshop"\r\n"DeleteDelay","14"\r\n"CAD-Print",2\r\n"CAD-Path","\\Bilder"\r\n"CAD-Extension",".emf"\r\n"CAD-PrintRest",1\r\n"Command-Line","\260C:\\Tools\\druck.exe\260 \260#~#\260"\r\n"Option-Command-Line",0\r\n"PrintToFit",1\r\n"WritePrintData",1\r\n"Sonderzeichen",1\r\n"PaperOrientation",0\r\n"PrintRAW",1\r\n"WinCADPrint",0\r\n"UTF8Codierung",0\r\n"Printername","Zebra Halle 1"\r\n"ChinaCodierung",0\r\n"PrefixOnOff",1\r\n"Prefix","INPUT ON$013"\r\n"RAWAddCrLf",0\r\n"Codierung","cp850"\r\n"AblOnOff",1\r\n' "$1"
}
windows 'Pr\344gung' >"$work/plant/Server/Line.DCNF"
edit_and_save "$work/plant/Server" "gung Etikor Vers:" "$work/plant/Server/Line.DCNF"
[ "$(od -An -tx1 "$work/plant/Server/Line.DCNF")" = "$(windows Linie7 | od -An -tx1)" ] ||
  fail "Line.DCNF differs: $(od -c "$work/plant/Server/Line.DCNF" | head -30)"
[ -d "$work/plant/Bilder" ] || fail "the configured image folder was not created"
# 3. The free space of the disk is below the limit in the registry (the first start wrote
#    the default " 30"): the message window comes up by itself, and OK answers it for good.
grep -q '"MaxFreeSpace(MB)"=" 30"' "$ETIKOR_REGISTRY" || fail "no default free-space limit written"
sed -i 's/"MaxFreeSpace(MB)"=" 30"/"MaxFreeSpace(MB)"="999999999999"/' "$ETIKOR_REGISTRY"
mkdir -p "$work/full/Server"
printf '"Modulname","Linie7"\r\n' >"$work/full/Server/Etikor.dcnf"
ETIKOR_HOME="$work/full/Server" "$etikor" >"$work/etikor.log" 2>&1 &
pid=$!
pids+=("$pid")
wait_for xdotool search --onlyvisible --name '^Etikor$' || fail "no message window for the full disk"
msg=$(xdotool search --onlyvisible --name '^Etikor$' | head -1)
xdotool windowfocus --sync "$msg" && xdotool key --window "$msg" alt+o
wait_for bash -c "! xdotool search --onlyvisible --name '^Etikor\$'" || fail "OK did not close it"
sleep 1
[ -z "$(xdotool search --onlyvisible --name '^Etikor$' 2>/dev/null)" ] || fail "the answered message came back"
wait_for tray_icon || fail "no tray icon appeared"
click_tray
wait_for xdotool search --onlyvisible --name " Etikor Vers:" || fail "main window did not show"
wid=$(window_id " Etikor Vers:")
minimise_to_tray "$wid"
minimise_to_tray "$wid"
exit_program "$wid" "$pid"

# 4. Under a server manager (etikor-manager on a bus of the test's own): no tray icon, the
#    window stays hidden until the manager's Start brings it up on top, a second start is
#    refused by the manager, and the manager's Stop ends the program cleanly.
dbus-daemon --session --nofork --print-address=1 >"$work/bus" &
pids+=($!)
wait_for test -s "$work/bus" || fail "no dbus-daemon"
mkdir -p "$work/managed/Server"
sed -i 's/"MaxFreeSpace(MB)"="999999999999"/"MaxFreeSpace(MB)"=" 30"/' "$ETIKOR_REGISTRY"
printf '"Modulname","Linie7"\r\n' >"$work/managed/Server/Etikor.dcnf"
(
  export DBUS_SESSION_BUS_ADDRESS="$(head -1 "$work/bus")"
  "$manager" serve >"$work/manager.log" 2>&1 &
  echo $! >"$work/manager.pid"
  wait_for "$manager" list || fail "etikor-manager does not serve"
  ETIKOR_HOME="$work/managed/Server" "$etikor" >"$work/etikor.log" 2>&1 &
  pid=$!
  wait_for grep -q 'registered "Etikor  / Linie7"' "$work/manager.log" || fail "not registered"
  sleep 1
  ! tray_icon >/dev/null || fail "a tray icon beside the server manager"
  [ -z "$(xdotool search --onlyvisible --name " Etikor Vers:" 2>/dev/null)" ] || fail "window shown at start"
  ETIKOR_HOME="$work/managed/Server" timeout 20 "$etikor" >/dev/null 2>&1 || fail "second start failed"
  kill -0 "$pid" || fail "the first station ended"
  "$manager" start Linie7 || fail "Start failed"
  wait_for xdotool search --onlyvisible --name "Linie7 Etikor Vers:" || fail "Start did not show the window"
  xprop -id "$(window_id "Linie7 Etikor Vers:")" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE ||
    fail "the window is not on top"
  "$manager" stop Linie7 || fail "Stop failed"
  wait_for bash -c "! kill -0 $pid" || fail "Stop did not end the program"
  wait "$pid" || fail "program ended with an error after Stop"
  grep -q 'removed "Etikor  / Linie7" (.*): it disconnected' "$work/manager.log" || fail "no Disconnect"
)
pids+=("$(cat "$work/manager.pid")")

# 5. A registration that cannot write the registry (its folder is a file, which stops root
#    too): each failure is shown in the message window before the program ends, with 1.
touch "$work/notafolder"
ETIKOR_REGISTRY="$work/notafolder/registry.reg" "$etikor" -REGSERVER >"$work/register.log" 2>&1 &
pid=$!
pids+=("$pid")
wait_for xdotool search --onlyvisible --name '^Etikor$' || fail "the failed registration said nothing"
answered=0
while kill -0 "$pid" 2>/dev/null && [ "$answered" -lt 10 ]; do
  msg=$(xdotool search --onlyvisible --name '^Etikor$' | head -1) || { sleep 0.2; continue; }
  xdotool windowfocus --sync "$msg" && xdotool key --window "$msg" alt+o && answered=$((answered + 1))
  sleep 0.5
done
wait "$pid" && fail "a failed registration ended with 0"
[ "$answered" -ge 1 ] || fail "no registry failure was shown"
grep -q 'Fehler beim Schreiben der Registry' "$work/register.log" ||
  fail "the failures were not printed: $(cat "$work/register.log")"
# Without a display they are printed, and a station cannot start.
(unset DISPLAY; ETIKOR_REGISTRY="$work/notafolder/registry.reg" "$etikor" -REGSERVER) \
  >"$work/register.log" 2>&1 && fail "a failed registration without a display ended with 0"
grep -q 'Fehler beim Schreiben der Registry' "$work/register.log" ||
  fail "the failures were not printed without a display: $(cat "$work/register.log")"
(unset DISPLAY; "$etikor") >"$work/nodisplay.log" 2>&1 && fail "a station started without a display"
grep -q 'etikord runs a station without one' "$work/nodisplay.log" || fail "no word without a display"
echo "1 passed, 0 failed"

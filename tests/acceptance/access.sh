#!/usr/bin/env bash
# A station moved from Windows with its Access print database: the service, the simulated PLC
# and an .mdb named by the Jet string the Windows station wrote. Lot requests of label types 1
# and 0 transfer the file's data; another program then rewrites the file in place, first
# halfway (the request is answered with the reason), then whole (the next request reads the
# new rows).
set -euo pipefail
etikord="$1"
shared="$2"
top="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/plc.out" "$work/etikord.out" >&2 2>/dev/null; exit 1; }
wait_line() { # file, pattern
  for _ in $(seq 300); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  fail "no '$2' in $1"
}

export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" ETIKOR_REGISTRY="$work/registry.reg"
export ETIKOR_HOME="$work/Server" CUPS_SERVER=127.0.0.1:9
mkdir -p "$HOME" "$ETIKOR_HOME" "$work/Data" && install -d -m 700 "$XDG_RUNTIME_DIR"
cp "$shared/access/druckdaten.mdb" "$work/Data/Druckdaten.mdb"
chmod u+w "$work/Data/Druckdaten.mdb"
python3 "$top/tools/accessdb/make_druckdaten.py" "$shared/access/template-empty-jet4.mdb" \
  "$work/bigger.mdb" 30 >/dev/null

port=$(node -e 'const s = require("net").createServer().listen(0, "127.0.0.1", () => { console.log(s.address().port); s.close(); })')
mkfifo "$work/plc.in"
node "$top/tools/plcsim/plcsim.js" --module Acc --port "$port" --quiet --pki "$work/pki" \
  --var print.Druckdaten:String --var print.Etikettendaten:String \
  --var print.Tintendruckdaten:String <"$work/plc.in" >"$work/plc.out" 2>"$work/plc.err" &
pids+=($!)
exec 7>"$work/plc.in"
wait_line "$work/plc.out" '^ready'

printf '"ServerPath","Provider=Microsoft.Jet.OLEDB.4.0;Data Source=~apppath~\\Data\\Druckdaten.mdb;Persist Security Info=False"\r\n"Netid","127.0.0.1"\r\n"Port","%s"\r\n"Modulname","Acc"\r\n"Labelshop",0\r\n"LabelshopPath",""\r\n"DeleteDelay","30"\r\n"CAD-Print",0\r\n"CAD-Path",""\r\n"CAD-Extension",".wmf"\r\n"CAD-PrintRest",0\r\n"Command-Line",""\r\n"Option-Command-Line",0\r\n"PrintToFit",0\r\n"WritePrintData",1\r\n"Sonderzeichen",1\r\n"PaperOrientation",0\r\n"PrintRAW",0\r\n"WinCADPrint",0\r\n"UTF8Codierung",0\r\n"Printername",""\r\n"ChinaCodierung",0\r\n"PrefixOnOff",0\r\n"Prefix",""\r\n"RAWAddCrLf",0\r\n"Codierung",""\r\n"AblOnOff",0\r\n' \
  "$port" >"$ETIKOR_HOME/Acc.dcnf"
"$etikord" "$ETIKOR_HOME/Acc.dcnf" >"$work/etikord.out" 2>&1 &
pids+=($!)
sleep 2

request() { # lot, part, label type: the PLC's lines of this request
  local seen; seen=$(wc -l <"$work/plc.out")
  printf 'set Print.LosName %s\nset Print.TeileNr %s\nset Print.EtikettenType %s\nraise\nwait-clear 30\n' \
    "$1" "$2" "$3" >&7
  for _ in $(seq 400); do
    tail -n +$((seen + 1)) "$work/plc.out" | grep -q '^cleared\|^timeout' && break
    sleep 0.1
  done
  tail -n +$((seen + 1)) "$work/plc.out"
}

r=$(request L2024-001 4711 1)
grep -q 'write Acc.print.Druckdaten = "^XA^FO20,20^A0N,40,40^FDGrüße aus Köln^FS^XZ"' <<<"$r" ||
  fail "label type 1 did not transfer the first row: $r"
grep -q 'cleared Acc.Print.anford anfordErr=0' <<<"$r" || fail "label type 1 not answered with 0: $r"
r=$(request l2024-001 4711 0)
[ "$(grep -c 'write Acc.print.Etikettendaten' <<<"$r")" -eq 2 ] ||
  fail "label type 0 did not transfer both rows of the stored query: $r"
grep -q 'write Acc.print.Tintendruckdaten = "L2024-001 4711 Größe M"' <<<"$r" ||
  fail "label type 0 did not transfer the ink-jet column: $r"
grep -q 'cleared Acc.Print.anford anfordErr=0' <<<"$r" || fail "label type 0 not answered with 0: $r"

# Another program rewrites the file in place and is caught halfway.
head -c 70000 "$work/bigger.mdb" >"$work/Data/Druckdaten.mdb"
r=$(request BULK-00002 1000 1)
grep -q 'cleared Acc.Print.anford anfordErr=1 anfordErrText="[^"]*ends inside a page' <<<"$r" ||
  fail "a half-written file was not reported: $r"
cat "$work/bigger.mdb" >"$work/Data/Druckdaten.mdb"
r=$(request BULK-00002 1000 1)
grep -q 'write Acc.print.Druckdaten = "^XA^FDEtikett 20 Grüße^FS^XZ"' <<<"$r" ||
  fail "the rewritten file's new rows were not read: $r"
grep -q 'cleared Acc.Print.anford anfordErr=0' <<<"$r" || fail "not answered with 0 after the rewrite: $r"
echo "1 passed, 0 failed"

#!/usr/bin/env bash
# The demonstration as a new user runs it, checked: a station against the simulated PLC
# (node-opcua), the sample SQLite database and a socket RAW printer serves a raw request,
# lot requests with both database transfers, a lot the database lacks, a command-line
# request on a second station and a label from a gLabels layout on a third; the PLC gets
# every answer and the printer the exact bytes (the label as a ZPL graphic whose barcode
# reads back).
set -euo pipefail
build="$1"
top="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; echo "--- demo output:" >&2; cat "$work/out" >&2; exit 1; }

ETIKOR_SKIP_SETUP=1 ETIKOR_BUILD_DIR="$build" ETIKOR_DEMO_DIR="$work/station" \
  timeout 240 "$top/scripts/demo" --batch >"$work/out" 2>&1 || fail "the demonstration failed"
out="$work/out"
[ "$(grep -c 'cleared Demo.Print.anford anfordErr=0 anfordErrText=" "' "$out")" -eq 3 ] ||
  fail "not every request of station Demo was answered with 0"
grep -q 'cleared Demo.Print.anford anfordErr=1 anfordErrText="[^"]* Write Query: No Records found ! ' "$out" ||
  fail "the missing lot was not reported to the PLC"
grep -q 'write Demo.print.Druckdaten = "^XA^FO40,40^A0N,40^FDLot L1001 part 1^FS^XZ\\r\\n"' "$out" ||
  fail "label type 1 did not transfer its column with the escapes expanded"
grep -q 'write Demo.print.Tintendruckdaten = "L2002/1 INK"' "$out" ||
  fail "label type 0 did not transfer the view's columns"
grep -q 'cleared Cmd.Print.anford anfordErr=0' "$out" || fail "the command request was not answered"
[ -f "$work/station/commands/barcode-4711.txt" ] || fail "the command did not run with the barcode"
grep -q 'cleared Lbl.Print.anford anfordErr=0' "$out" || fail "the label request was not answered with 0"
jobs=("$work"/station/jobs/job-*.prn)
[ "${#jobs[@]}" -eq 4 ] || fail "expected 4 printer jobs, got ${#jobs[@]}"
[ "$(od -An -tx1 "${jobs[0]}" | tr -d ' \n')" = "$(printf '^XA^FDRaw from the PLC^FS^XZ\f' | od -An -tx1 | tr -d ' \n')" ] ||
  fail "the raw job's bytes differ"
# Windows-1252 for the umlauts, CR LF from the "$013$010" escapes, and the form feed.
printf '^XA^FO40,40^A0N,40^FDLot L2002 Gr\366\337e 5^FS^XZ\r\n\f' | cmp -s - "${jobs[2]}" ||
  fail "the lot job's bytes differ: $(od -c "${jobs[2]}")"
grep -q 'Anforderung Los:L1001   TeileNr:1  [0-9]* (msec)  Raw:[0-9]* (msec)' "$out" ||
  fail "no log line with the request's time and the RAW time"
# The label: 70 x 30 mm at 203 dpi as one graphic field; its bits as a bitmap (PBM packs them
# the same way) must hold the lot's barcode.
grep -q '^\^XA\^PW559\^LL240\^FO0,0\^GFA,16800,16800,70,' "${jobs[3]}" || fail "the label job is no ZPL graphic label"
node -e 'const zpl = require("fs").readFileSync(process.argv[1], "latin1");
  const hex = zpl.split("^GFA,")[1].split(",")[3].split("^")[0];
  process.stdout.write(Buffer.concat([Buffer.from("P4\n560 240\n"), Buffer.from(hex, "hex")]));' \
  "${jobs[3]}" >"$work/label.pbm"
zbarimg --quiet "$work/label.pbm" | grep -q '^CODE-128:L1001-2$' || fail "the label's barcode does not read back"
echo "1 passed, 0 failed"

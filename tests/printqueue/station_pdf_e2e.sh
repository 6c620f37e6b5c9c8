#!/usr/bin/env bash
# qlnfax station --pdf-dir: a fax that the virtual line's fax machine sends
# to receive mode is stored as always (file, row) and also written as a PDF
# named after date, time and sender into the directory given.
# usage: station_pdf_e2e.sh QLNFAX
set -uo pipefail
qlnfax=$1
work=$(mktemp -d /tmp/qln-stationpdf.XXXXXX)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
data=$work/data
station_pid=
cleanup() {
    [[ -n $station_pid ]] && { kill -TERM "$station_pid" 2>/dev/null; wait "$station_pid" 2>/dev/null; }
    if [[ ${keep:-0} == 1 ]]; then echo "work directory kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in "$work"/*.out "$data/Lastrec.log"; do [[ -f $f ]] && { echo "--- $f"; tail -25 "$f"; }; done
    keep=1
    exit 1
}
mkdir -p "$data"
cp "$(dirname "$0")/virtual-modem.ini" "$data/QLN.INI"
printf 'A page for receive mode.\n' >"$work/page.txt"
"$qlnfax" render "$work/page.txt" "$work/page.apf" >"$work/render.out" 2>&1 &&
    "$qlnfax" export "$work/page.apf" -o "$work/page.tif" >>"$work/render.out" 2>&1 || fail "cannot make the page"

"$qlnfax" station --data-dir "$data" --pdf-dir "$work/My Faxes" >"$work/station.out" 2>&1 &
station_pid=$!
for _ in $(seq 300); do grep -q '^receive mode on' "$work/station.out" 2>/dev/null && break; sleep 0.1; done
grep -q '^receive mode on' "$work/station.out" || fail "receive mode did not start"
"$qlnfax" vline call "$data/vline" --to 1 --send "$work/page.tif" >"$work/call.out" 2>&1 || fail "the call failed"
for _ in $(seq 200); do grep -q '^pdf: ' "$work/station.out" && break; sleep 0.1; done
pdf=$(sed -n 's/^pdf: //p' "$work/station.out" | head -1)
[[ -n $pdf && -f $pdf ]] || fail "no PDF was written"
[[ $(dirname "$pdf") == "$work/My Faxes" ]] || fail "the PDF is not in the directory given: $pdf"
[[ $(basename "$pdf") =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}-[0-9]{2}\ from\ .+\.pdf$ ]] || fail "PDF name: $pdf"
[[ $(head -c 5 "$pdf") == "%PDF-" ]] || fail "not a PDF: $pdf"
ls "$data"/receive/*.APF >/dev/null 2>&1 || ls "$data"/receive/* >/dev/null 2>&1 || fail "the APF file was not kept"
echo ok

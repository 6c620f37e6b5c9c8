#!/usr/bin/env bash
# qlnfax sendfax over the virtual modem of the settings ("Virtual modem
# (test line)", whose line qlnfax starts in <data>/vline):
#   pdf       a 2-page PDF alone: sent, exit 0, the row marked sent
#   mixed     a TIFF, a text and an APF file with a cover text: one fax of
#             all their pages, in order
#   busy      number 200: exit 1, the row kept with the busy result
#   noanswer  number 300: exit 1, the row kept with its result
#   refusals  a missing file, an unknown kind of file, no modem set up: a
#             clear error, exit 2 and no row
# usage: sendfax_e2e.sh CASE QLNFAX
set -uo pipefail
case_name=$1
qlnfax=$2
work=$(mktemp -d /tmp/qln-sendfax.XXXXXX)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
data=$work/data
cleanup() {
    if [[ ${keep:-0} == 1 ]]; then echo "work directory kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in "$work"/*.out "$data/Lastsend.log" "$data/vline/serve.out"; do
        [[ -f $f ]] && { echo "--- $f"; tail -25 "$f"; }
    done
    keep=1
    exit 1
}
mkdir -p "$data"
# The virtual modem of the settings; its line runs in <data>/vline.
cp "$(dirname "$0")/virtual-modem.ini" "$data/QLN.INI"

# Documents: a 2-page fax rendered from RTF, exported as PDF and TIFF.
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs28 Page one of the quote.\\par\\page Page two.\\par}' >"$work/doc.rtf"
"$qlnfax" render "$work/doc.rtf" "$work/doc.apf" >"$work/render.out" 2>&1 || fail "render failed"
"$qlnfax" export "$work/doc.apf" -o "$work/doc.pdf" >"$work/export.out" 2>&1 || fail "export to PDF failed"
"$qlnfax" export "$work/doc.apf" -o "$work/doc.tif" >>"$work/export.out" 2>&1 || fail "export to TIFF failed"
printf 'A plain text page.\nSecond line.\n' >"$work/note.txt"

rows() { "$qlnfax" list outgoing --data-dir "$data" 2>/dev/null; }
field() { awk -F'\t' -v n="$1" 'NR == 1 { print $n }' <<<"$row"; }
remote_pages() {
    for _ in $(seq 100); do [[ -s $data/vline/remote/rx-0001.txt ]] && break; sleep 0.1; done
    tiffinfo "$data/vline/remote/rx-0001.tif" 2>/dev/null | grep -c 'TIFF Directory'
}

case $case_name in
refusals)
    "$qlnfax" sendfax --data-dir "$data" -d 100 "$work/missing.pdf" >"$work/missing.out" 2>&1
    rc=$?
    [[ $rc == 2 ]] || fail "a missing file gave exit $rc"
    grep -q 'cannot read ".*missing.pdf": no such file' "$work/missing.out" || fail "no clear error for a missing file"
    # One missing file among good ones stores nothing either.
    "$qlnfax" sendfax --data-dir "$data" -d 100 "$work/doc.pdf" "$work/gone.txt" >"$work/missing2.out" 2>&1
    [[ $? == 2 ]] || fail "a missing second file was not refused"
    cp "$work/note.txt" "$work/letter.doc"
    "$qlnfax" sendfax --data-dir "$data" -d 100 "$work/letter.doc" >"$work/kind.out" 2>&1
    [[ $? == 2 ]] && grep -q 'is not a PDF, TIFF, text, RTF or APF file' "$work/kind.out" ||
        fail "an unknown kind of file was not refused"
    # A .pdf that is not a PDF is refused before it is stored.
    cp "$work/note.txt" "$work/fake.pdf"
    "$qlnfax" sendfax --data-dir "$data" -d 100 "$work/fake.pdf" >"$work/fake.out" 2>&1
    [[ $? == 1 ]] && grep -q 'is not a PDF or TIFF file' "$work/fake.out" || fail "a fake PDF was not refused"
    printf '[User]\nName=x\n' >"$work/nomodem.ini"
    mkdir -p "$work/nomodem" && cp "$work/nomodem.ini" "$work/nomodem/QLN.INI"
    "$qlnfax" sendfax --data-dir "$work/nomodem" -d 100 "$work/doc.pdf" >"$work/nomodem.out" 2>&1
    [[ $? == 2 ]] && grep -q 'no modem is set up' "$work/nomodem.out" || fail "no modem was not refused"
    [[ -z $(rows) ]] || fail "a refused sendfax left a row: $(rows)"
    [[ -z $("$qlnfax" list outgoing --data-dir "$work/nomodem" 2>/dev/null) ]] || fail "no-modem sendfax left a row"
    ;;
pdf)
    "$qlnfax" sendfax --data-dir "$data" -d 100 --to "Jane Smith" "$work/doc.pdf" >"$work/send.out" 2>&1
    rc=$?
    [[ $rc == 0 ]] || fail "sendfax exited $rc"
    grep -q '^result: Sent$' "$work/send.out" || fail "no result line"
    grep -qi 'dialing\|connect' "$work/send.out" || fail "no progress was printed"
    row=$(rows)
    [[ $(wc -l <<<"$row") == 1 ]] || fail "expected one row: $row"
    [[ $(field 2) == T && $(field 7) == 2 && $(field 8) == Sent && $(field 5) == "Jane Smith" && $(field 1) == doc ]] ||
        fail "row after sending: $row"
    [[ $(remote_pages) == 2 ]] || fail "the fax machine on 100 did not get 2 pages"
    ls "$data" | grep -qi '_SENDFAX\|\.apf$' && fail "temporary files left in the data directory: $(ls "$data")"
    ;;
mixed)
    "$qlnfax" sendfax --data-dir "$data" -d 100 --cover-text "To Jane: three documents follow." \
        "$work/doc.tif" "$work/note.txt" "$work/doc.apf" >"$work/send.out" 2>&1
    rc=$?
    [[ $rc == 0 ]] || fail "sendfax exited $rc"
    row=$(rows)
    # Cover 1 + TIFF 2 + text 1 + APF 2.
    [[ $(field 2) == T && $(field 7) == 6 ]] || fail "row after sending: $row"
    [[ $(remote_pages) == 6 ]] || fail "the fax machine on 100 did not get 6 pages"
    ls "$data" | grep -qi '_SENDFAX\|\.apf$' && fail "temporary files left in the data directory: $(ls "$data")"
    ;;
busy | noanswer)
    number=200
    [[ $case_name == noanswer ]] && number=300
    "$qlnfax" sendfax --data-dir "$data" -d $number "$work/note.txt" >"$work/send.out" 2>&1
    rc=$?
    [[ $rc == 1 ]] || fail "sendfax to $number exited $rc"
    row=$(rows)
    [[ $(field 2) == F && -n $(field 8) && $(field 8) != Sent && $(field 6) == $number ]] ||
        fail "row after $case_name: $row"
    [[ $case_name == busy && $(field 8) != "Called fax number was busy" ]] && fail "busy result: $(field 8)"
    grep -q "^result: $(field 8)\$" "$work/send.out" || fail "the result was not printed"
    ;;
*) fail "unknown case $case_name" ;;
esac
echo ok

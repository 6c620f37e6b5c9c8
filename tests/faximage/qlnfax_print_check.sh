#!/usr/bin/env bash
# qlnfax print end to end: a three-page fax printed to PDF one and four to a
# sheet, with the print log; bad arguments and an unreadable file fail.
# usage: qlnfax_print_check.sh QLNFAX
set -uo pipefail
qlnfax=$1
work=$(mktemp -d /tmp/qln-print-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for i in $(seq 1 150); do echo "Line $i of the print check"; done >"$work/text.txt"
"$qlnfax" convert "$work/text.txt" -o "$work/fax.apf" >/dev/null 2>&1 || fail "convert failed"
pages=$("$qlnfax" info "$work/fax.apf" 2>/dev/null | sed -n 's/^Pages: //p')
((pages >= 3)) || fail "the test fax has $pages pages"

"$qlnfax" print "$work/fax.apf" --pdf "$work/one.pdf" --footer 'Page: $P of $N' --log "$work/print.log" \
    >"$work/out" 2>&1 || fail "print failed: $(cat "$work/out")"
grep -q "^printed $pages pages" "$work/out" || fail "no page count in the output"
[[ $(pdfinfo "$work/one.pdf" | sed -n 's/^Pages: *//p') == "$pages" ]] || fail "one.pdf lacks sheets"
pdftotext "$work/one.pdf" - | grep -q "Page: 2 of $pages" || fail "footer of page 2 missing"
grep -q "^Printing $work/fax.apf started at " "$work/print.log" || fail "no start line in the log"
grep -q "^Printing $work/fax.apf finished at " "$work/print.log" || fail "no finish line in the log"

"$qlnfax" print "$work/fax.apf" --pdf "$work/four.pdf" --4up --pages 1-3 >/dev/null 2>&1 || fail "4-up print failed"
[[ $(pdfinfo "$work/four.pdf" | sed -n 's/^Pages: *//p') == 1 ]] || fail "three pages 4-up are not one sheet"
"$qlnfax" print "$work/fax.apf" --pdf "$work/land.pdf" --4up --landscape --pages 1-3 >/dev/null 2>&1 ||
    fail "landscape print failed"
[[ $(pdfinfo "$work/land.pdf" | sed -n 's/^Pages: *//p') == 2 ]] || fail "three pages 2-up are not two sheets"

"$qlnfax" print "$work/fax.apf" --pdf a.pdf --printer x >/dev/null 2>&1
[[ $? == 2 ]] || fail "--pdf with --printer was accepted"
echo "not a fax" >"$work/bad.apf"
"$qlnfax" print "$work/bad.apf" --pdf "$work/bad.pdf" >/dev/null 2>&1 && fail "an unreadable file printed"
[[ ! -e $work/bad.pdf ]] || fail "a PDF was left for an unreadable file"
echo "PASS: qlnfax print"

#!/usr/bin/env bash
# qlnfax render and qlnfax fax send without a fax line: argument errors,
# nothing to render, page counts, no work files left behind,
# and a send whose port does not exist (exit 1, the record and the log
# telling why, no rendered file left).
# usage: qlnfax_faxsend_check.sh QLNFAX
set -uo pipefail
qlnfax=$1
work=$(mktemp -d /tmp/qln-faxsend-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

printf '{\\rtf1\\ansi Page one\\par\\page Page two\\par}' >"$work/two.rtf"
printf '{\\rtf1\\ansi \\par \\par }' >"$work/blank.rtf"

"$qlnfax" render >/dev/null 2>&1; [[ $? == 2 ]] || fail "render without arguments"
"$qlnfax" render "$work/none.rtf" "$work/o.apf" >/dev/null 2>&1; [[ $? == 2 ]] || fail "render of a missing file"
msg=$("$qlnfax" render "$work/blank.rtf" "$work/o.apf" 2>&1 >/dev/null); rc=$?
[[ $rc == 1 && $msg == *"Fax has no contents or cover sheet"* ]] || fail "blank document: rc $rc, $msg"
[[ ! -e $work/o.apf ]] || fail "a blank document left an output file"
[[ $("$qlnfax" render "$work/two.rtf" "$work/mem.apf") == 2 ]] || fail "two pages not counted"
[[ $("$qlnfax" render --bitmap-file "$work/two.rtf" "$work/bmp.apf") == 2 ]] || fail "bitmap file render"
[[ -z $(ls -A "$work" | grep -i -e '^\.qlnrender' -e '_TMP.BMP') ]] || fail "render left work files"

data=$work/data
mkdir -p "$data"
"$qlnfax" fax send --data-dir "$data" 1 >/dev/null 2>&1; [[ $? == 2 ]] || fail "no modem set up"
rec=$("$qlnfax" fax add --data-dir "$data" --to Jane --phone 555-0100 "$work/two.rtf") || fail "fax add"
"$qlnfax" fax send --data-dir "$data" 9 --com 1 >/dev/null 2>&1; [[ $? == 2 ]] || fail "missing record"
"$qlnfax" fax send --data-dir "$data" "$rec" --com 1 --class 3 >/dev/null 2>&1; [[ $? == 2 ]] || fail "bad class"
out=$("$qlnfax" fax send --data-dir "$data" "$rec" --device /dev/qln-no-such-port 2>&1); rc=$?
[[ $rc == 1 ]] || fail "send to a missing port exited $rc"
[[ $out == *"result: Error opening communications port"* ]] || fail "result line: $out"
row=$("$qlnfax" list outgoing --data-dir "$data")
[[ $(awk -F'\t' '{ print $2 "|" $7 "|" $8 }' <<<"$row") == "F|2|Error opening communications port" ]] ||
    fail "record after the failed send: $row"
grep -q '^Error opening com port: COM1' "$data/Lastsend.log" || fail "Lastsend.log"
[[ -z $(ls "$data" | grep -i '\.apf$') ]] || fail "the rendered file was left"
echo ok

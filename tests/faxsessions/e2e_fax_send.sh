#!/usr/bin/env bash
# qlnfax fax send over the virtual fax line: a fax stored with `qlnfax fax
# add` is rendered and sent to the remote machine (exit 0, the record marked
# sent with 2 pages, "Lastsend.log" written), and a busy number fails with
# exit 1, its result in the record and SENT left as it was.
# usage: e2e_fax_send.sh CASE QLNFAX      (CASE: sent | busy)
set -uo pipefail
case_name=$1
qlnfax=$2
work=$(mktemp -d /tmp/qln-faxsend-e2e.XXXXXX)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
line_pid=

cleanup() {
    [[ -n $line_pid ]] && { kill -TERM "$line_pid" 2>/dev/null; wait "$line_pid" 2>/dev/null; }
    if [[ ${keep:-0} == 1 ]]; then echo "work directory kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in "$work"/*.out "$work/data/Lastsend.log"; do [[ -f $f ]] && { echo "--- $f"; tail -25 "$f"; }; done
    keep=1
    exit 1
}

"$qlnfax" vline serve "$work/line" --modems 1 >"$work/line.out" 2>&1 &
line_pid=$!
for _ in $(seq 200); do [[ -S $work/line/vline.sock ]] && break; sleep 0.05; done
[[ -S $work/line/vline.sock ]] || fail "the virtual line did not start"

mkdir -p "$work/data"
printf '[Modem]\nFaxClass=1\nMaximumBPS=14400\n[Dialing]\nDialAttempts=1\n[User]\nFax=+1 555 0100\n' >"$work/data/QLN.INI"
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Dear Jane,\\par the quote follows.\\par\\page Twelve boxes.\\par}' \
    >"$work/doc.rtf"
number=100
[[ $case_name == busy ]] && number=200
rec=$("$qlnfax" fax add --data-dir "$work/data" --to "Jane Smith" --phone "$number" --subject Quote "$work/doc.rtf") ||
    fail "fax add failed"

"$qlnfax" fax send --data-dir "$work/data" "$rec" --device "$work/line/modem1" >"$work/send.out" 2>&1
rc=$?
row=$("$qlnfax" list outgoing --data-dir "$work/data")
field() { awk -F'\t' -v n="$1" '{ print $n }' <<<"$row"; }  # empty fields kept
sent=$(field 2) date=$(field 3) pages=$(field 7) result=$(field 8)
grep -q '^Start:' "$work/data/Lastsend.log" || fail "Lastsend.log lacks its start line"
[[ $(ls "$work/data" | grep -ci '\.apf$') == 0 ]] || fail "a rendered file was left in the data directory"
case $case_name in
sent)
    [[ $rc == 0 ]] || fail "fax send exited $rc"
    grep -q '^result: Sent$' "$work/send.out" || fail "no result line"
    [[ $sent == T && $pages == 2 && $result == Sent && $date == $(date +%Y%m%d) ]] ||
        fail "record after sending: sent=$sent pages=$pages result=$result date=$date"
    grep -q '^Result: Sent' "$work/data/Lastsend.log" || fail "Lastsend.log lacks the result"
    for _ in $(seq 100); do [[ -s $work/line/remote/rx-0001.txt ]] && break; sleep 0.1; done
    [[ $(tiffinfo "$work/line/remote/rx-0001.tif" 2>/dev/null | grep -c 'TIFF Directory') == 2 ]] ||
        fail "the remote machine did not store 2 pages"
    ;;
busy)
    [[ $rc == 1 ]] || fail "fax send to a busy number exited $rc"
    grep -q '^result: Called fax number was busy$' "$work/send.out" || fail "no busy result line"
    [[ $sent == F && $result == "Called fax number was busy" && -z $date ]] ||
        fail "record after a busy number: sent=$sent result=$result date=$date"
    grep -q '^Faxfinish Code: -8064' "$work/data/Lastsend.log" || fail "Lastsend.log lacks the finish code"
    ;;
*) fail "unknown case $case_name" ;;
esac
echo "ok"

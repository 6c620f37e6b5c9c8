#!/usr/bin/env bash
# End to end: a receive station killed with SIGKILL in the middle of a call
# over the virtual fax line leaves the file of the pages it had confirmed
# and no row; the next start of receive mode lists that file, marked
# "Incomplete fax" because a begun page follows the whole one.
# usage: station_kill_e2e.sh QLNFAX
set -uo pipefail
qlnfax=$1
work=$(mktemp -d /tmp/qln-station-kill.XXXXXX)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
    if [[ ${keep:-0} == 1 ]]; then echo "work directory kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in "$work"/*.out; do [[ -f $f ]] && { echo "--- $f"; tail -15 "$f"; }; done
    keep=1
    exit 1
}

"$qlnfax" vline serve "$work/line" --modems 1 >"$work/line-serve.out" 2>&1 &
pids+=($!)
for _ in $(seq 200); do [[ -S $work/line/vline.sock ]] && break; sleep 0.05; done
[[ -S $work/line/vline.sock ]] || fail "the virtual line did not start"

# A short page 1, then a long page 2 during which the station is killed.
{
    for i in 1 2 3; do echo "Kill test line $i"; done
    printf '\f'
    for i in $(seq 1 40); do echo "Kill test line $i: the quick brown fox jumps over the lazy dog"; done
} >"$work/text.txt"
"$qlnfax" convert "$work/text.txt" -o "$work/doc.apf" >/dev/null 2>&1 || fail "convert failed"
"$qlnfax" export "$work/doc.apf" -o "$work/doc.tif" >/dev/null 2>&1 || fail "export failed"

data=$work/data
mkdir -p "$data"
# Starts a station writing to $1 and waits until receive mode is on.
start_station() {
    "$qlnfax" station --data-dir "$data" --device "$work/line/modem1" --class 1 >"$1" 2>&1 &
    station=$!
    pids+=($station)
    for _ in $(seq 300); do grep -q '^receive mode on' "$1" && break; sleep 0.1; done
    grep -q '^receive mode on' "$1" || fail "the station did not start ($1)"
}
out=$work/station.out
start_station "$out"

"$qlnfax" vline call "$work/line" --number 101 --send "$work/doc.tif" --remote-id "KILLED CALL" \
    >"$work/call.out" 2>&1 &
call=$!
pids+=($call)
# Killed while page 2 comes in: page 1 is confirmed by then.
for _ in $(seq 600); do grep -q 'status: Receiving fax.*page 2 (' "$out" && break; sleep 0.1; done
grep -q 'status: Receiving fax.*page 2 (' "$out" || fail "the second page never came"
sleep 1
kill -KILL "$station"
wait "$station" 2>/dev/null
kill -TERM "$call" 2>/dev/null  # the calling machine would wait out its T.30 timers
wait "$call" 2>/dev/null

files=$(ls "$data/receive" | grep -ci '\.apf$')
[[ $files == 1 ]] || fail "expected the one file of the killed call, found $files"
[[ -z $("$qlnfax" list received --data-dir "$data" 2>/dev/null) ]] || fail "the killed call got a row"

# The next start lists it.
out2=$work/station2.out
start_station "$out2"
kill -TERM "$station"
wait "$station" 2>/dev/null
grep -q '^log: Listed a received file that had no row: ' "$out2" || fail "the file was not listed"
row=$("$qlnfax" list received --data-dir "$data")
[[ $(wc -l <<<"$row") == 1 ]] || fail "rows after the restart: $row"
[[ $row == *"KILLED CALL"* && $row == *"Incomplete fax"* ]] || fail "row of the killed call: $row"
awk -F'\t' '{ for (i = 1; i <= NF; i++) if ($i == "1") found = 1 } END { exit !found }' <<<"$row" ||
    fail "the row does not hold the confirmed page: $row"
grep -q '^Listed a received file that had no row: ' "$data/Lastrec.log" || fail "Lastrec.log"
echo ok

#!/usr/bin/env bash
# Receive-mode soak run: calls back to back from the virtual line's calling
# terminal to `qlnfax station`, one run per fax class, each with a data
# directory of its own. After each run: as many rows, files and "received"
# events as calls, every file name unique, every file a one-page fax, and
# "Lastrec.log" closed by the stop. Prints the time per call.
# usage: soak.sh QLNFAX [CLASS1_CALLS [CLASS2_CALLS [CLASS20_CALLS]]]
#        (defaults 50 20 20; a count of 0 skips that class)
set -uo pipefail
qlnfax=$1
counts=(${2:-50} ${3:-20} ${4:-20})
classes=(1 2 2.0)
work=$(mktemp -d /tmp/qln-receive-soak.XXXXXX)
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

"$qlnfax" vline serve "$work/line" --modems 1,2,2.0 >"$work/line-serve.out" 2>&1 &
pids+=($!)
for _ in $(seq 200); do [[ -S $work/line/vline.sock ]] && break; sleep 0.05; done
[[ -S $work/line/vline.sock ]] || fail "the virtual line did not start"

for i in $(seq 1 30); do echo "Soak line $i: the quick brown fox jumps over the lazy dog 0123456789"; done >"$work/text.txt"
"$qlnfax" convert "$work/text.txt" -o "$work/page.apf" >/dev/null 2>&1 || fail "convert failed"
"$qlnfax" export "$work/page.apf" --page 1 -o "$work/page.tif" >/dev/null 2>&1 || fail "export failed"

for k in 0 1 2; do
    calls=${counts[$k]}
    cls=${classes[$k]}
    modem=$((k + 1))
    ((calls > 0)) || continue
    data=$work/data-$cls
    mkdir -p "$data"
    out=$work/station-$cls.out
    "$qlnfax" station --data-dir "$data" --device "$work/line/modem$modem" --class "$cls" >"$out" 2>&1 &
    station=$!
    pids+=($station)
    for _ in $(seq 300); do grep -q '^receive mode on' "$out" && break; sleep 0.1; done
    grep -q '^receive mode on' "$out" || fail "Class $cls station did not start"
    t0=$(date +%s.%N)
    for n in $(seq 1 "$calls"); do
        "$qlnfax" vline call "$work/line" --number "10$modem" --send "$work/page.tif" \
            --remote-id "SOAK $n" >"$work/call.out" 2>&1 || fail "Class $cls call $n failed"
        # The next call rings only once the station has stored this one.
        for _ in $(seq 200); do
            (($(grep -c '^received: ' "$out") >= n)) && break
            sleep 0.1
        done
        (($(grep -c '^received: ' "$out") >= n)) || fail "Class $cls call $n was not stored"
    done
    t1=$(date +%s.%N)
    kill -INT "$station"
    wait "$station" || fail "Class $cls station did not stop cleanly"
    files=$(ls "$data/receive" | wc -l)
    unique=$(ls "$data/receive" | sort -u | wc -l)
    rows=$("$qlnfax" list received --data-dir "$data" 2>/dev/null | grep -c 'SOAK ')
    ((files == calls)) || fail "Class $cls: $files files for $calls calls"
    ((unique == calls)) || fail "Class $cls: file names repeat"
    ((rows == calls)) || fail "Class $cls: $rows rows for $calls calls"
    for f in "$data"/receive/*; do
        [[ $("$qlnfax" info "$f" 2>/dev/null | sed -n 's/^Pages: //p') == 1 ]] || fail "Class $cls: $f is not a one-page fax"
    done
    for n in $(seq 1 "$calls"); do
        grep -q "from \"SOAK $n\"" "$out" || fail "Class $cls: call $n from SOAK $n not listed"
    done
    grep -q '^Stopped receive mode:' "$data/Lastrec.log" || fail "Class $cls: Lastrec.log lacks the stop"
    awk -v c="$cls" -v n="$calls" -v a="$t0" -v b="$t1" \
        'BEGIN { printf "Class %-3s %3d calls, %3d rows, %3d files, %6.1f s per call\n", c, n, n, n, (b - a) / n }'
done
echo "PASS: receive soak"

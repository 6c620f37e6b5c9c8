#!/usr/bin/env bash
# End-to-end tests of the virtual fax line with efax as an independent host.
# usage: e2e.sh CASE QLNFAX TIFFCMP
# Cases: class1_send class1_receive modem_to_modem dial_results two_lines
#        sigterm realtime class2 class20 class2_to_class1 class2_pages
#        class20_pages max_bps terminal_call
set -uo pipefail
case_name=$1
qlnfax=$2
tiffcmp=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/vline-e2e.XXXXXX)
pids=()

cleanup() {
    for p in "${pids[@]}"; do
        kill -TERM "$p" 2>/dev/null
    done
    for p in "${pids[@]}"; do
        wait "$p" 2>/dev/null
    done
    if [[ ${keep:-0} == 1 ]]; then echo "work directory kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for log in "$work"/*/vline.log; do
        [[ -f $log ]] && { echo "--- $log (last lines)"; grep -v spandsp "$log" | tail -15; }
    done
    for out in "$work"/*.out; do
        [[ -f $out ]] && { echo "--- $out"; tail -15 "$out"; }
    done
    keep=1
    exit 1
}

# A text page efax can read (TIFF class F, 1-D, 204x98 dpi); lines=N rows.
make_page() {
    local out=$1 rows=$2 args=() i
    for ((i = 0; i * 60 + 100 < rows - 20; i++)); do
        args+=(-draw "text 80,$((100 + i * 60)) 'Line $i: the quick brown fox jumps over the lazy dog 0123456789'")
    done
    convert -size 1728x"$rows" xc:white -font DejaVu-Sans -pointsize 36 -fill black "${args[@]}" \
        -monochrome "$work/page.pbm" || fail "cannot draw the test page"
    efix -i pbm -o tiffg3 -R 204x98 -r 204x98 "$work/page.pbm" >"$out" 2>/dev/null || fail "efix failed"
}

# start_line NAME [serve options...]: runs a line in $work/NAME; sets line_pid.
start_line() {
    local name=$1
    shift
    "$qlnfax" vline serve "$work/$name" "$@" >"$work/$name-serve.out" 2>&1 &
    line_pid=$!
    pids+=("$line_pid")
    for _ in $(seq 100); do
        [[ -S $work/$name/vline.sock ]] && return 0
        sleep 0.05
    done
    fail "line $name did not start"
}

fax_class=1
efax_send() { # DEVICE NUMBER FILE OUT
    timeout 150 efax -d "$1" -o$fax_class -h "" -l "+1 555 0001" -t "$2" "$3" >"$4" 2>&1
}

efax_receive() { # DEVICE PREFIX OUT
    timeout 150 efax -d "$1" -o$fax_class -l "+1 555 0002" -r "$2" >"$3" 2>&1
}

# Sends to the remote machine and receives from it through modem N.
send_and_receive() { # MODEM
    make_page "$work/page.tif" 500
    start_line L --modems 1,1,2,2.0 --speed-up 4
    efax_send "$work/L/modem$1" 100 "$work/page.tif" "$work/send.out" || fail "efax send failed"
    grep -q 'sent -> ' "$work/send.out" || fail "efax does not count the page as sent"
    check_remote_ok "$work/L" 1 "$work/page.tif"
    "$qlnfax" vline call "$work/L" --to "$1" --send "$work/page.tif" >"$work/call.out" 2>&1 &
    call_pid=$!
    wait_for_log "$work/call.out" RING 10 || fail "modem $1 never rang"
    efax_receive "$work/L/modem$1" "$work/got" "$work/receive.out" || fail "efax receive failed"
    wait "$call_pid" || fail "vline call exited non-zero"
    grep -qx 'completion: 0 OK' "$work/call.out" || fail "vline call did not report success"
    "$tiffcmp" "$work/got.001" "$work/page.tif" || fail "received page differs from the sent one"
}

wait_for_log() { # FILE PATTERN SECONDS
    for _ in $(seq $(($3 * 20))); do
        grep -q "$2" "$1" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

check_remote_ok() { # LINE_DIR N SENT_TIFF [PAGES]
    local base pages=${4:-1}
    base=$(printf '%s/remote/rx-%04d' "$1" "$2")
    [[ -f $base.txt ]] || fail "no $base.txt"
    grep -qx 'code: 0' "$base.txt" || fail "remote reports failure: $(cat "$base.txt")"
    grep -qx "pages: $pages" "$base.txt" || fail "remote counted wrong pages: $(cat "$base.txt")"
    grep -qx 'remote id: +1 555 0001' "$base.txt" || fail "wrong remote id: $(cat "$base.txt")"
    for ((p = 0; p < pages; p++)); do
        "$tiffcmp" "$base.tif" "$3" $p $p || fail "received page $((p + 1)) differs from the sent one"
    done
}

# Two pages of different length both ways through modem N: efax sends them
# to the remote machine as two files, then receives them from `vline call`.
two_pages() { # MODEM
    make_page "$work/p1.tif" 500
    make_page "$work/p2.tif" 800
    tiffcp "$work/p1.tif" "$work/p2.tif" "$work/both.tif" || fail "tiffcp failed"
    start_line L --modems 1,1,2,2.0 --speed-up 4
    timeout 150 efax -d "$work/L/modem$1" -o$fax_class -h "" -l "+1 555 0001" -t 100 \
        "$work/p1.tif" "$work/p2.tif" >"$work/send.out" 2>&1 || fail "efax send failed"
    [[ $(grep -c 'sent -> ' "$work/send.out") == 2 ]] || fail "efax does not count two pages as sent"
    check_remote_ok "$work/L" 1 "$work/both.tif" 2
    "$qlnfax" vline call "$work/L" --to "$1" --send "$work/both.tif" >"$work/call.out" 2>&1 &
    call_pid=$!
    wait_for_log "$work/call.out" RING 10 || fail "modem $1 never rang"
    efax_receive "$work/L/modem$1" "$work/got" "$work/receive.out" || fail "efax receive failed"
    wait "$call_pid" || fail "vline call exited non-zero"
    grep -qx 'pages sent: 2' "$work/call.out" || fail "vline call did not report two pages"
    grep -qx 'completion: 0 OK' "$work/call.out" || fail "vline call did not report success"
    [[ -f $work/got.002 && ! -e $work/got.003 ]] || fail "efax did not receive exactly two pages"
    "$tiffcmp" "$work/got.001" "$work/p1.tif" || fail "received page 1 differs from the sent one"
    "$tiffcmp" "$work/got.002" "$work/p2.tif" || fail "received page 2 differs from the sent one"
}

case $case_name in
class1_send)
    make_page "$work/page.tif" 500
    start_line L --speed-up 4
    efax_send "$work/L/modem1" 100 "$work/page.tif" "$work/send.out" || fail "efax send failed"
    check_remote_ok "$work/L" 1 "$work/page.tif"
    # the host got its OK for the final hang-up
    grep -q 'done, returning 0' "$work/send.out" || fail "efax did not finish cleanly"
    ;;

class1_receive)
    make_page "$work/page.tif" 500
    start_line L --speed-up 4
    "$qlnfax" vline call "$work/L" --to 2 --send "$work/page.tif" >"$work/call.out" 2>&1 &
    call_pid=$!
    wait_for_log "$work/call.out" RING 10 || fail "modem 2 never rang"
    efax_receive "$work/L/modem2" "$work/got" "$work/receive.out" || fail "efax receive failed"
    wait "$call_pid" || fail "vline call exited non-zero"
    grep -qx 'pages sent: 1' "$work/call.out" || fail "vline call did not report the page"
    grep -qx 'completion: 0 OK' "$work/call.out" || fail "vline call did not report success"
    "$tiffcmp" "$work/got.001" "$work/page.tif" || fail "received page differs from the sent one"
    # a modem that is not there is an error, not a hang
    "$qlnfax" vline call "$work/L" --to 9 --send "$work/page.tif" >"$work/bad.out" 2>&1 && fail "call to modem 9 succeeded"
    grep -q 'no modem 9' "$work/bad.out" || fail "wrong message for a missing modem"
    ;;

modem_to_modem)
    make_page "$work/page.tif" 500
    start_line L --speed-up 4
    efax_send "$work/L/modem1" 102 "$work/page.tif" "$work/send.out" &
    send_pid=$!
    wait_for_log "$work/L/vline.log" 'modem1 dials "102"' 10 || fail "modem 1 never dialled"
    sleep 0.5
    efax_receive "$work/L/modem2" "$work/got" "$work/receive.out" || fail "efax receive failed"
    wait "$send_pid" || fail "efax send failed"
    "$tiffcmp" "$work/got.001" "$work/page.tif" || fail "received page differs from the sent one"
    ;;

dial_results)
    start_line L --speed-up 8
    python3 "$here/at_chat.py" "$work/L/modem1" 20 ATE0 ATD200 ATDT300 ATD400 ATD101 AT >"$work/chat.out" 2>&1 ||
        fail "modem did not answer every command"
    grep -q '^ATD200: BUSY' "$work/chat.out" || fail "200 is not busy"
    grep -q '^ATDT300: NO ANSWER' "$work/chat.out" || fail "300 does answer"
    grep -q '^ATD400: VOICE' "$work/chat.out" || fail "400 is not a voice"
    grep -q '^ATD101: BUSY' "$work/chat.out" || fail "a modem calling itself is not busy"
    grep -q '^AT: OK' "$work/chat.out" || fail "modem left command mode"
    ;;

two_lines)
    make_page "$work/page.tif" 500
    start_line A --speed-up 4
    start_line B --speed-up 4
    # a second line in the same directory is refused
    "$qlnfax" vline serve "$work/A" >"$work/dup.out" 2>&1 && fail "second line in the same directory started"
    grep -q 'already running' "$work/dup.out" || fail "wrong message for a busy directory"
    [[ -S $work/A/vline.sock && -L $work/A/modem1 ]] || fail "refused start damaged the running line"
    efax_send "$work/A/modem1" 100 "$work/page.tif" "$work/sendA.out" &
    a=$!
    efax_send "$work/B/modem1" 100 "$work/page.tif" "$work/sendB.out" &
    b=$!
    wait "$a" || fail "send on line A failed"
    wait "$b" || fail "send on line B failed"
    check_remote_ok "$work/A" 1 "$work/page.tif"
    check_remote_ok "$work/B" 1 "$work/page.tif"
    [[ $(ls "$work/A/remote" | wc -l) == 2 && $(ls "$work/B/remote" | wc -l) == 2 ]] ||
        fail "a line received more than its own call"
    ;;

sigterm)
    make_page "$work/page.tif" 1100
    start_line L --speed-up 4
    efax_send "$work/L/modem1" 100 "$work/page.tif" "$work/send.out" &
    send_pid=$!
    pids+=("$send_pid")
    wait_for_log "$work/L/vline.log" 'remote machine answers' 15 || fail "remote never answered"
    sleep 2
    kill -TERM "$line_pid"
    for _ in $(seq 100); do kill -0 "$line_pid" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$line_pid" 2>/dev/null && fail "line still running 5 s after SIGTERM"
    wait "$line_pid"
    rc=$?
    [[ $rc == 0 ]] || fail "line exited with $rc after SIGTERM"
    [[ -e $work/L/modem1 || -e $work/L/vline.sock ]] && fail "modem links or socket left behind"
    grep -q '^code: [1-9]' "$work/L/remote/rx-0001.txt" || fail "cut call not recorded as failed"
    ls "$work/L/remote" | grep -q part && fail "half-written file left behind"
    tail -1 "$work/L/vline.log" | grep -q stopped || fail "log does not end with the stop"
    ;;

realtime)
    make_page "$work/page.tif" 300
    start_line L
    start=$(date +%s.%N)
    efax_send "$work/L/modem1" 100 "$work/page.tif" "$work/send.out" || fail "efax send failed"
    end=$(date +%s.%N)
    check_remote_ok "$work/L" 1 "$work/page.tif"
    # Flow control held the host to the line rate (efax reports its rate).
    bps=$(sed -n 's/.* \([0-9][0-9]*\) bps$/\1/p' "$work/send.out" | tail -1)
    [[ -n $bps && $bps -le 18000 ]] || fail "host sent at ${bps:-?} bit/s on a 14400 bit/s line"
    awk -v s="$start" -v e="$end" -v b="$(stat -c %s "$work/page.tif")" 'BEGIN { printf "real-time call of a %d-byte page: %.1f s\n", b, e - s }'
    ;;

class2_to_class1)
    make_page "$work/page.tif" 500
    start_line L --modems 1,1,2,2.0 --speed-up 4
    fax_class=2
    efax_send "$work/L/modem3" 101 "$work/page.tif" "$work/send.out" &
    send_pid=$!
    wait_for_log "$work/L/vline.log" 'modem3 dials "101"' 10 || fail "modem 3 never dialled"
    sleep 0.5
    fax_class=1
    efax_receive "$work/L/modem1" "$work/got" "$work/receive.out" || fail "efax receive failed"
    wait "$send_pid" || fail "efax send failed"
    "$tiffcmp" "$work/got.001" "$work/page.tif" || fail "received page differs from the sent one"
    ;;

class2)
    fax_class=2
    send_and_receive 3
    ;;

class20)
    fax_class=0
    send_and_receive 4
    ;;

class2_pages)
    fax_class=2
    two_pages 3
    ;;

class20_pages)
    fax_class=0
    two_pages 4
    ;;

max_bps)
    # efax (Class 1) on a line that carries at most 9600 bit/s: its 14400 and
    # 12000 trainings are garbled and answered with FTT, and the page goes
    # through at 9600.
    "$qlnfax" vline serve "$work/X" --max-bps 9000 >"$work/bad.out" 2>&1
    [[ $? == 2 ]] || fail "--max-bps 9000 was not refused as a bad argument"
    make_page "$work/page.tif" 500
    start_line L --speed-up 4 --max-bps 9600
    efax_send "$work/L/modem1" 100 "$work/page.tif" "$work/send.out" || fail "efax send failed"
    check_remote_ok "$work/L" 1 "$work/page.tif"
    grep -qx 'bit rate: 9600' "$work/L/remote/rx-0001.txt" || fail "page not sent at 9600: $(cat "$work/L/remote/rx-0001.txt")"
    log=$work/L/vline.log
    [[ $(grep -c 'garbled after its training' "$log") == 2 ]] || fail "not exactly two carriers garbled"
    grep -q 'modem1 sends V.17 at 14400 bit/s' "$log" || fail "14400 not garbled"
    grep -q 'modem1 sends V.17 at 12000 bit/s' "$log" || fail "12000 not garbled"
    [[ $(grep -c 'training check failed, FTT sent' "$log") -ge 2 ]] || fail "the remote did not answer FTT twice"
    grep -q 'training check passed, CFR sent' "$log" || fail "no training passed"
    ;;

terminal_call)
    # The line's calling terminal dials the remote machine and sends two
    # pages at the highest speed the line carries (here at most 12000).
    make_page "$work/p1.tif" 500
    make_page "$work/p2.tif" 800
    tiffcp "$work/p1.tif" "$work/p2.tif" "$work/both.tif" || fail "tiffcp failed"
    start_line L --speed-up 4 --max-bps 12000
    "$qlnfax" vline call "$work/L" --number 100 --send "$work/both.tif" --remote-id "+1 555 0001" \
        >"$work/call.out" 2>&1 || fail "vline call --number 100 failed"
    grep -qx 'pages sent: 2' "$work/call.out" || fail "terminal did not report two pages"
    grep -qx 'completion: 0 OK' "$work/call.out" || fail "terminal did not report success"
    grep -qx 'bit rate: 12000' "$work/call.out" || fail "terminal did not fall back to 12000"
    grep -qx 'remote id: 100' "$work/call.out" || fail "terminal did not name the remote machine"
    check_remote_ok "$work/L" 1 "$work/both.tif" 2
    # numbers other than the remote machine are refused, not dialled
    "$qlnfax" vline call "$work/L" --number 555 --send "$work/both.tif" >"$work/bad.out" 2>&1 &&
        fail "terminal call to 555 succeeded"
    grep -q 'reaches only the remote machine' "$work/bad.out" || fail "wrong message for another number"
    ;;

*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "PASS: $case_name"

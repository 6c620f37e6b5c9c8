#!/usr/bin/env bash
# End-to-end fax sessions over the virtual fax line: Quillon's sender and
# receiver against spandsp's T.30 terminal and against each other.
# usage: e2e_sessions.sh CASE QLNFAX
# Cases: class1_send class1_send_3pages_9600 class1_send_3pages_4800 class1_fallback
#        class1_receive class1_receive_no_dcn class1_send_options quillon_to_quillon class2_send class20_send
#        class2_receive class20_receive class2_bit_order cancel_and_vanish dial_failures
set -uo pipefail
case_name=$1
qlnfax=$2
samples=$(cd "$(dirname "$0")/../../samples" && pwd)
work=$(mktemp -d /tmp/qln-sessions-e2e.XXXXXX)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
pids=()

cleanup() {
    for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
    if [[ ${keep:-${KEEP_WORK:-0}} == 1 ]]; then echo "work directory kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for f in "$work"/*.out "$work"/line/vline.log; do
        [[ -f $f ]] && { echo "--- $f"; grep -v spandsp "$f" | tail -20; }
    done
    keep=1
    exit 1
}

# The line runs in real time: the engine's pauses are real milliseconds.
start_line() {
    "$qlnfax" vline serve "$work/line" "$@" >"$work/line-serve.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 200); do
        [[ -S $work/line/vline.sock ]] && return 0
        sleep 0.05
    done
    fail "the virtual line did not start"
}

# A one-page text fax (about 60 lines of text), fine or normal.
make_fax() {
    local out=$1 res=${2:-}
    for i in $(seq 1 60); do echo "Line $i: the quick brown fox jumps over the lazy dog 0123456789"; done >"$work/text.txt"
    "$qlnfax" convert "$work/text.txt" -o "$out" $res >/dev/null 2>&1 || fail "convert failed"
}

# The remote machine writes its report once the call has cleared.
wait_for_file() {
    for _ in $(seq 300); do
        [[ -s $1 ]] && return 0
        sleep 0.1
    done
    return 1
}

wait_for_line() {
    for _ in $(seq 600); do
        grep -q "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

pages_of() { "$qlnfax" info "$1" 2>/dev/null | sed -n 's/^Pages: //p'; }
bad_codes() { "$qlnfax" info "$1" 2>/dev/null | grep -c ' [1-9][0-9]* bad codes'; }

# Page N-1 of the remote's TIFF against the sender's own page (a TIFF
# exported from its APF file). The received page is the sent page with the
# header band (white lines and the header line) on top: its rows below the
# band must equal the sent page's pixels, and the band must hold the header
# line's black pixels. Fine pages must arrive fine, normal pages normal.
check_received_page() {
    local tif=$1 index=$2 want=$3 fine=$4
    local w h W H y mean diff
    read -r w h < <(identify -format '%w %h\n' "$want")
    read -r W H y < <(identify -format '%w %h %y\n' "$tif[$index]")
    [[ -n $H ]] || fail "received TIFF lacks page $((index + 1))"
    [[ $W == "$w" ]] || fail "page $((index + 1)) is $W pixels wide, sent $w"
    y=${y%%.*}
    if [[ $fine == fine ]]; then
        ((y > 150)) || fail "fine page $((index + 1)) arrived at $y lines per inch"
    else
        ((y < 150)) || fail "normal page $((index + 1)) arrived at $y lines per inch"
    fi
    local band=$((H - h))
    ((band > 8 && band <= 64)) || fail "page $((index + 1)): $H rows received for $h sent (header band $band rows)"
    convert "$tif[$index]" -gravity south -crop "${w}x${h}+0+0" +repage "$work/got$index.pbm" || fail "cannot read page $((index + 1))"
    convert "$want" "$work/want$index.pbm" || fail "cannot read $want"
    diff=$(compare -metric AE "$work/want$index.pbm" "$work/got$index.pbm" null: 2>&1 | cut -d' ' -f1)
    [[ $diff == 0 ]] || fail "received page $((index + 1)) differs from the sent one in $diff pixels"
    mean=$(convert "$tif[$index]" -crop "${w}x${band}+0+0" +repage -format '%[fx:mean<1?1:0]' info:)
    [[ $mean == 1 ]] || fail "page $((index + 1)) has no header line"
}

# Three one-page files: a normal text page, a page converted from a bitmap
# and a fine text page (a resolution change in mid-fax), each also exported
# as a TIFF page. Short texts keep the real-time calls under two minutes.
make_three_pages() {
    for i in $(seq 1 12); do echo "Line $i: the quick brown fox jumps over the lazy dog 0123456789"; done >"$work/text.txt"
    "$qlnfax" convert "$work/text.txt" -o "$work/p1.apf" >/dev/null 2>&1 || fail "convert of the text failed"
    "$qlnfax" convert "$samples/logo.bmp" -o "$work/p2.apf" >/dev/null 2>&1 || fail "convert of the bitmap failed"
    "$qlnfax" convert "$work/text.txt" -o "$work/p3.apf" --fine >/dev/null 2>&1 || fail "fine convert failed"
    for i in 1 2 3; do
        "$qlnfax" export "$work/p$i.apf" --page 1 -o "$work/p$i.tif" >/dev/null 2>&1 || fail "export of page $i failed"
    done
}

# Page N of a received APF file against the sent TIFF page WANT. Quillon's
# sender puts BAND rows of white lines (and the header line, when there is
# one) above each page; another sender puts none. Rows below the band must
# equal the sent page, and the resolution must be the sent one.
check_stored_page() {
    local apf=$1 page=$2 want=$3 band=$4
    local w h W H y wy
    "$qlnfax" export "$apf" --page "$page" -o "$work/got$page.tif" >/dev/null 2>&1 ||
        fail "export of received page $page failed"
    read -r w h wy < <(identify -format '%w %h %y\n' "$want")
    read -r W H y < <(identify -format '%w %h %y\n' "$work/got$page.tif")
    [[ $W == "$w" ]] || fail "stored page $page is $W pixels wide, sent $w"
    [[ ${y%%.*} == "${wy%%.*}" ]] || fail "stored page $page has $y lines per inch, sent $wy"
    [[ $((H - h)) == "$band" ]] || fail "stored page $page has $H rows for $h sent (expected $band more)"
    convert "$work/got$page.tif" -gravity south -crop "${w}x${h}+0+0" +repage "$work/gotp$page.pbm" ||
        fail "cannot read stored page $page"
    convert "$want" "$work/wantp$page.pbm" || fail "cannot read $want"
    diff=$(compare -metric AE "$work/wantp$page.pbm" "$work/gotp$page.pbm" null: 2>&1 | cut -d' ' -f1)
    [[ $diff == 0 ]] || fail "stored page $page differs from the sent one in $diff pixels"
}

# The three pages of make_three_pages received in one call: the fine page
# follows EOM, which starts a new document, so pages 1-2 are stored in
# FAX0001.APF and page 3 in FAX0002.APF, each below BAND rows of the sender's.
check_two_documents() {
    local band=$1
    [[ $(pages_of "$work/in/FAX0001.APF") == 2 ]] || fail "first document lacks pages"
    [[ $(pages_of "$work/in/FAX0002.APF") == 1 ]] || fail "second document lacks its page"
    [[ $(bad_codes "$work/in/FAX0001.APF") == 0 && $(bad_codes "$work/in/FAX0002.APF") == 0 ]] ||
        fail "a received page has bad codes"
    [[ ! -e $work/in/FAX0003.APF ]] || fail "a third file was stored"
    check_stored_page "$work/in/FAX0001.APF" 1 "$work/p1.tif" "$band"
    check_stored_page "$work/in/FAX0001.APF" 2 "$work/p2.tif" "$band"
    check_stored_page "$work/in/FAX0002.APF" 1 "$work/p3.tif" "$band"
}

# Interrupts a running qlnfax two seconds after its output shows STATUS
# (page data flowing): it must end with "User abort" and error 6005.
cancel_in_mid_page() {
    local pid=$1 out=$2 status=$3
    wait_for_line "$out" "$status" || fail "no page data in $out"
    sleep 2
    kill -INT "$pid"
    wait "$pid" && fail "cancelled session in $out reported success"
    grep -q "^User abort" "$out" || fail "no user-abort status in $out"
    grep -q "^failed: 6005" "$out" || fail "cancel did not give 6005 in $out"
}

case $case_name in
class1_send)
    # One fine page after a text cover page, header line on both.
    start_line
    make_fax "$work/fax.apf" --fine
    "$qlnfax" export "$work/fax.apf" --page 1 -o "$work/fax.tif" >/dev/null 2>&1 || fail "export failed"
    printf 'Cover page\n\nTo: the remote machine\nFrom: Quillon\n' >"$work/cover.txt"
    "$qlnfax" send --device "$work/line/modem1" --class 1 --bps 14400 --station "QLN E2E" \
        --header 'QLN $I page $P of $N' --cover "$work/cover.txt" 100 "$work/fax.apf" >"$work/send.out" 2>&1 ||
        fail "send failed"
    grep -q "^sent: 2 page(s) to 100 at 14400 bps" "$work/send.out" || fail "no success line"
    [[ $(grep -c "^Page accepted by remote" "$work/send.out") == 2 ]] || fail "not every page confirmed"
    report=$work/line/remote/rx-0001.txt
    wait_for_file "$report" || fail "remote wrote no report"
    grep -q '^pages: 2$' "$report" || fail "remote did not store the cover and the page"
    grep -q '^code: 0$' "$report" || fail "remote reports an error"
    # The TSI in T.30's order (the number last character first, then the
    # blank fill): the remote reads the identification without blanks.
    grep -q '^remote id as received: \[QLN E2E\]$' "$report" || fail "the TSI is not in T.30's order"
    tif=$(sed -n 's/^file: //p' "$report")
    # The cover: fine like the fax, with text below the header band.
    read -r W y < <(identify -format '%w %y\n' "$tif[0]")
    [[ $W == 1728 && ${y%%.*} -gt 150 ]] || fail "cover page is $W pixels wide at $y lines per inch"
    mean=$(convert "$tif[0]" -crop "1728x200+0+64" +repage -format '%[fx:mean<1?1:0]' info:)
    [[ $mean == 1 ]] || fail "the cover page holds no text"
    check_received_page "$tif" 1 "$work/fax.tif" fine
    ;;
class1_send_3pages_9600 | class1_send_3pages_4800)
    # The resolution change before the fine page goes through EOM and a new DCS.
    bps=${case_name##*_}
    start_line
    make_three_pages
    start=$(date +%s%N)
    "$qlnfax" send --device "$work/line/modem1" --class 1 --bps "$bps" --station "QLN E2E" \
        --header 'QLN $I page $P of $N' 100 "$work/p1.apf" "$work/p2.apf" "$work/p3.apf" \
        >"$work/send.out" 2>&1 || fail "send failed"
    echo "call at $bps bps took $(( ($(date +%s%N) - start) / 1000000 )) ms"
    grep -q "^sent: 3 page(s) to 100 at $bps bps" "$work/send.out" || fail "no success line"
    [[ $(grep -c "^Page accepted by remote" "$work/send.out") == 3 ]] || fail "not every page confirmed"
    report=$work/line/remote/rx-0001.txt
    wait_for_file "$report" || fail "remote wrote no report"
    grep -q '^code: 0$' "$report" || fail "remote reports an error"
    grep -q '^pages: 3$' "$report" || fail "remote did not store three pages"
    grep -q "^bit rate: $bps\$" "$report" || fail "remote received at another bit rate"
    grep -q '^remote id: QLN E2E$' "$report" || fail "remote did not get the station ID"
    tif=$(sed -n 's/^file: //p' "$report")
    [[ $(identify "$tif" 2>/dev/null | wc -l) == 3 ]] || fail "received TIFF does not hold three pages"
    check_received_page "$tif" 0 "$work/p1.tif" normal
    check_received_page "$tif" 1 "$work/p2.tif" normal
    check_received_page "$tif" 2 "$work/p3.tif" fine
    ;;
class1_fallback)
    # A line that carries at most 7200 bit/s: the remote answers each
    # training above it with FTT and Quillon steps down through the rates
    # both sides support (the remote's DIS offers V.17, V.29 and V.27ter:
    # V.17 14400, 12000, 9600, then V.29 9600) until the 7200 training passes.
    start_line --max-bps 7200
    make_fax "$work/fax.apf"
    "$qlnfax" send --device "$work/line/modem1" --class 1 --bps 14400 100 "$work/fax.apf" \
        >"$work/send.out" 2>&1 || fail "send failed"
    grep -q "^sent: 1 page(s) to 100 at 7200 bps" "$work/send.out" || fail "not sent at 7200"
    wait_for_file "$work/line/remote/rx-0001.txt" || fail "remote wrote no report"
    grep -q '^code: 0$' "$work/line/remote/rx-0001.txt" || fail "remote reports an error"
    grep -q '^bit rate: 7200$' "$work/line/remote/rx-0001.txt" || fail "remote received at another bit rate"
    log=$work/line/vline.log
    [[ $(grep -c 'training check failed, FTT sent' "$log") == 4 ]] || fail "the remote did not answer FTT four times"
    [[ $(grep -o 'modem1 sends V[.0-9]* at [0-9]* bit/s, above' "$log" | tr '\n' ';') == \
        'modem1 sends V.17 at 14400 bit/s, above;modem1 sends V.17 at 12000 bit/s, above;modem1 sends V.17 at 9600 bit/s, above;modem1 sends V.29 at 9600 bit/s, above;' ]] \
        || fail "the garbled trainings were not 14400, 12000, 9600 on V.17 and 9600 on V.29, in that order"
    [[ $(grep -c 'training check passed, CFR sent' "$log") == 1 ]] || fail "the remote did not accept one training"
    ;;
class1_receive)
    # The remote machine sends a 3-page TIFF (normal, bitmap, fine pages).
    start_line
    make_three_pages
    tiffcp "$work/p1.tif" "$work/p2.tif" "$work/p3.tif" "$work/all.tif" || fail "tiffcp failed"
    mkdir -p "$work/in"
    "$qlnfax" receive --device "$work/line/modem1" --class 1 --dir "$work/in" --once >"$work/receive.out" 2>&1 &
    rpid=$!
    pids+=($rpid)
    sleep 1
    "$qlnfax" vline call "$work/line" --to 1 --send "$work/all.tif" >"$work/call.out" 2>&1 || fail "call failed"
    wait $rpid || fail "receive failed"
    grep -q '^completion: 0 ' "$work/call.out" || fail "the remote reports an error"
    grep -q '^pages sent: 3$' "$work/call.out" || fail "the remote did not send three pages"
    check_two_documents 0
    ;;
class1_receive_no_dcn)
    # The remote machine hangs up after the MCF to its EOP without DCN: the
    # confirmed fax is a received fax (exit 0, the file kept).
    start_line --remote-no-dcn
    make_fax "$work/fax.apf"
    "$qlnfax" export "$work/fax.apf" --page 1 -o "$work/p1.tif" >/dev/null 2>&1 || fail "export failed"
    mkdir -p "$work/in"
    "$qlnfax" receive --device "$work/line/modem1" --class 1 --dir "$work/in" --once >"$work/receive.out" 2>&1 &
    rpid=$!
    pids+=($rpid)
    sleep 1
    "$qlnfax" vline call "$work/line" --to 1 --send "$work/p1.tif" >"$work/call.out" 2>&1
    wait $rpid || fail "the receive of a confirmed fax without DCN failed"
    grep -q '^received: .*FAX0001.APF' "$work/receive.out" || fail "no received line"
    [[ $(pages_of "$work/in/FAX0001.APF") == 1 ]] || fail "the page was not kept"
    grep -q 'hangs up without DCN' "$work/line/vline.log" || fail "the remote did not hang up early"
    ;;
class1_send_options)
    # The header line in a system font, XON/XOFF while the training check and
    # the page data flow, and the modem set up at another port speed than
    # the call runs at. The received page must still equal the sent one
    # below the header band.
    start_line
    make_fax "$work/fax.apf" --fine
    "$qlnfax" export "$work/fax.apf" --page 1 -o "$work/fax.tif" >/dev/null 2>&1 || fail "export failed"
    "$qlnfax" send --device "$work/line/modem1" --class 1 --bps 14400 --station "QLN OPT" \
        --software-flow --init-baud 9600 --header 'QLN $I page $P of $N' --header-font 'DejaVu Sans,13' \
        100 "$work/fax.apf" >"$work/send.out" 2>&1 || fail "send failed"
    grep -q "^sent: 1 page(s) to 100 at 14400 bps" "$work/send.out" || fail "no success line"
    report=$work/line/remote/rx-0001.txt
    wait_for_file "$report" || fail "remote wrote no report"
    grep -q '^code: 0$' "$report" || fail "remote reports an error"
    grep -q '^remote id: QLN OPT$' "$report" || fail "remote did not get the station ID"
    check_received_page "$(sed -n 's/^file: //p' "$report")" 0 "$work/fax.tif" fine
    ;;
quillon_to_quillon)
    start_line
    make_fax "$work/fax.apf"
    mkdir -p "$work/in"
    # Both sides with XON/XOFF flow control while page data flows.
    "$qlnfax" receive --device "$work/line/modem2" --class 1 --dir "$work/in" --once --station "QLN B" \
        --software-flow --init-baud 9600 >"$work/receive.out" 2>&1 &
    rpid=$!
    pids+=($rpid)
    sleep 1
    "$qlnfax" send --device "$work/line/modem1" --class 1 --software-flow --station "QLN A" 102 \
        "$work/fax.apf" >"$work/send.out" 2>&1 || fail "send failed"
    wait $rpid || fail "receive failed"
    grep -q "received: .*FAX0001.APF from QLN A" "$work/receive.out" || fail "receiver did not report the fax"
    [[ $(pages_of "$work/in/FAX0001.APF") == 1 ]] || fail "received file lacks its page"
    [[ $(bad_codes "$work/in/FAX0001.APF") == 0 ]] || fail "received page has bad codes"
    ;;
class2_send | class20_send)
    # Quillon as the Class 2/2.0 host sends three pages with a resolution
    # change; the Class 2.0 case puts an APF cover page (the bitmap page)
    # before them.
    start_line --modems 2,2.0
    make_three_pages
    cover=() first=0 pages=3
    if [[ $case_name == class2_send ]]; then
        dev=modem1 cls=2
    else
        dev=modem2 cls=2.0 cover=(--cover "$work/p2.apf") first=1 pages=4
    fi
    "$qlnfax" send --device "$work/line/$dev" --class $cls --station "QLN C$cls" "${cover[@]}" \
        --header 'QLN $I page $P of $N' 100 "$work/p1.apf" "$work/p2.apf" "$work/p3.apf" \
        >"$work/send.out" 2>&1 || fail "send failed"
    grep -q "^sent: $pages page(s) to 100" "$work/send.out" || fail "no success line"
    report=$work/line/remote/rx-0001.txt
    wait_for_file "$report" || fail "remote wrote no report"
    grep -q '^code: 0$' "$report" || fail "remote reports an error"
    grep -q "^pages: $pages\$" "$report" || fail "remote did not store $pages pages"
    tif=$(sed -n 's/^file: //p' "$report")
    ((first == 0)) || check_received_page "$tif" 0 "$work/p2.tif" normal
    check_received_page "$tif" $((first + 0)) "$work/p1.tif" normal
    check_received_page "$tif" $((first + 1)) "$work/p2.tif" normal
    check_received_page "$tif" $((first + 2)) "$work/p3.tif" fine
    ;;
class2_receive | class20_receive)
    # Quillon's Class 1 sender sends three pages to Quillon as the Class 2/2.0
    # host; each stored page is the sent page below the sender's 8 white
    # lines. The fine page comes after EOM, which the modem reports as
    # end-of-document code 1: it starts a second file.
    if [[ $case_name == class2_receive ]]; then cls=2; else cls=2.0; fi
    start_line --modems 1,$cls
    make_three_pages
    mkdir -p "$work/in"
    "$qlnfax" receive --device "$work/line/modem2" --class $cls --dir "$work/in" --once \
        >"$work/receive.out" 2>&1 &
    rpid=$!
    pids+=($rpid)
    sleep 1
    "$qlnfax" send --device "$work/line/modem1" --class 1 --station "QLN A" 102 \
        "$work/p1.apf" "$work/p2.apf" "$work/p3.apf" >"$work/send.out" 2>&1 || fail "send failed"
    wait $rpid || fail "receive failed"
    check_two_documents 8
    ;;
class2_bit_order)
    # The Class 2 modem is left with the reversed bit order (+FBOR=1), as
    # another program may leave it; Quillon sets the order itself. efax,
    # driving the line's Class 1 modem, then gets the page Quillon sent,
    # and a page efax sends is stored as sent. The line pauses while its
    # Class 2 modem takes the page from Quillon, but efax's timers run on:
    # a short page and a faster line clock keep the pause within them.
    start_line --modems 1,2 --speed-up 4
    make_three_pages
    cp "$work/p1.apf" "$work/fax.apf"
    cp "$work/p1.tif" "$work/fax.tif"
    reverse_bit_order() {
        "$qlnfax" modem --device "$work/line/modem2" send "+FCLASS=2;+FBOR=1" >"$work/fbor.out" 2>&1 ||
            fail "the modem refused the bit order"
    }
    reverse_bit_order
    "$qlnfax" send --device "$work/line/modem2" --class 2 --station "QLN C2" --header 'QLN $I page $P of $N' \
        101 "$work/fax.apf" >"$work/send.out" 2>&1 &
    spid=$!
    pids+=($spid)
    wait_for_line "$work/line/vline.log" 'modem2: dial "101"' || fail "modem 2 never dialled"
    sleep 0.5
    timeout 150 efax -d "$work/line/modem1" -o1 -l "+1 555 0002" -r "$work/got" >"$work/efax-rx.out" 2>&1 ||
        fail "efax receive failed"
    wait $spid || fail "send failed"
    check_received_page "$work/got.001" 0 "$work/fax.tif" normal
    reverse_bit_order
    mkdir -p "$work/in"
    "$qlnfax" receive --device "$work/line/modem2" --class 2 --dir "$work/in" --once >"$work/receive.out" 2>&1 &
    rpid=$!
    pids+=($rpid)
    sleep 1
    timeout 150 efax -d "$work/line/modem1" -o1 -h "" -l "+1 555 0001" -t 102 "$work/fax.tif" \
        >"$work/efax-tx.out" 2>&1 || fail "efax send failed"
    wait $rpid || fail "receive failed"
    [[ $(pages_of "$work/in/FAX0001.APF") == 1 ]] || fail "the received file lacks its page"
    # efax blanks a band at the top of the page it sends (its header line,
    # here empty): the rows below it must be the sent ones.
    "$qlnfax" export "$work/in/FAX0001.APF" --page 1 -o "$work/got.tif" >/dev/null 2>&1 || fail "export failed"
    read -r w h < <(identify -format '%w %h\n' "$work/fax.tif")
    convert "$work/fax.tif" -gravity south -crop "${w}x$((h - 16))+0+0" +repage "$work/want.pbm" || fail "cannot read the sent page"
    convert "$work/got.tif" -gravity south -crop "${w}x$((h - 16))+0+0" +repage "$work/got.pbm" || fail "cannot read the stored page"
    diff=$(compare -metric AE "$work/want.pbm" "$work/got.pbm" null: 2>&1 | cut -d' ' -f1)
    [[ $diff == 0 ]] || fail "the stored page differs from the one efax sent in $diff pixels"
    ;;
cancel_and_vanish)
    start_line
    make_fax "$work/fax.apf"
    # The receiver is cancelled in mid-page: no partial file stays behind.
    mkdir -p "$work/in"
    "$qlnfax" receive --device "$work/line/modem2" --class 1 --dir "$work/in" --once \
        >"$work/receive.out" 2>&1 &
    rpid=$!
    pids+=($rpid)
    sleep 1
    "$qlnfax" send --device "$work/line/modem1" --class 1 102 "$work/fax.apf" >"$work/send.out" 2>&1 &
    spid=$!
    pids+=($spid)
    cancel_in_mid_page $rpid "$work/receive.out" "^Getting page data"
    [[ -z $(ls -A "$work/in") ]] || fail "a partial received file was left"
    wait $spid && fail "sender succeeded against a cancelled receiver"
    # The sender is cancelled in mid-page: 6005, and the remote machine
    # reports the call as failed.
    "$qlnfax" send --device "$work/line/modem1" --class 1 100 "$work/fax.apf" >"$work/cancel.out" 2>&1 &
    spid=$!
    pids+=($spid)
    cancel_in_mid_page $spid "$work/cancel.out" "^Sending page data"
    wait_for_file "$work/line/remote/rx-0001.txt" || fail "remote wrote no report"
    grep -q '^code: 0$' "$work/line/remote/rx-0001.txt" && fail "remote reports a cancelled call as received"
    # The modem vanishes in mid-page: the sender ends and closes the port.
    "$qlnfax" send --device "$work/line/modem1" --class 1 100 "$work/fax.apf" >"$work/vanish.out" 2>&1 &
    spid=$!
    pids+=($spid)
    wait_for_line "$work/vanish.out" "^Sending page data" || fail "no page data sent"
    sleep 2
    kill -TERM "${pids[0]}"
    for _ in $(seq 300); do
        kill -0 $spid 2>/dev/null || break
        sleep 0.1
    done
    kill -0 $spid 2>/dev/null && fail "sender hangs after the modem vanished"
    wait $spid && fail "sender reported success without its modem"
    ;;
dial_failures)
    start_line
    make_fax "$work/fax.apf"
    "$qlnfax" send --device "$work/line/modem1" --class 1 --dial-attempts 2 --retry-wait 2 200 \
        "$work/fax.apf" >"$work/busy.out" 2>&1 && fail "busy number reported success"
    grep -q "^failed: 8064" "$work/busy.out" || fail "busy did not give 8064"
    [[ $(grep -c "^Dialing" "$work/busy.out") == 2 ]] || fail "busy number not redialled once"
    grep -q "^Busy, waiting until redial" "$work/busy.out" || fail "no redial status"
    "$qlnfax" send --device "$work/line/modem1" --class 1 400 "$work/fax.apf" >"$work/voice.out" 2>&1 &&
        fail "voice reported success"
    grep -q "^failed: 8065" "$work/voice.out" || fail "voice did not give 8065"
    "$qlnfax" send --device "$work/line/modem1" --class 1 --dial-wait 5 300 "$work/fax.apf" \
        >"$work/noanswer.out" 2>&1 && fail "unanswered call reported success"
    grep -q "^failed: 8074" "$work/noanswer.out" || fail "no answer did not give 8074"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "PASS: $case_name"

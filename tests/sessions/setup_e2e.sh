#!/usr/bin/env bash
# End to end: the modem set-up tools against the virtual fax line's emulated
# modems mapped into [Ports], and the virtual modem, which the program
# starts itself, sending to the line's fax machine and receiving from it.
# usage: setup_e2e.sh CASE QLNFAX
#        CASE: tools virtual_send virtual_faxsend virtual_receive
set -uo pipefail
# The tools' message boxes and beeps go to stderr, kept apart from their output.
case_name=$1
qlnfax=$2
work=$(mktemp -d /tmp/qln-setup-e2e.XXXXXX)
export QT_QPA_PLATFORM=offscreen
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
    for f in "$work"/*.out "$work"/*.err "$work"/line/vline.log "$work"/data/vline/vline.log; do
        [[ -f $f ]] && { echo "--- $f"; grep -v spandsp "$f" | tail -20; }
    done
    keep=1
    exit 1
}

expect_line() { # file, exact line
    grep -qxF -- "$2" "$1" || fail "$(basename "$1"): no line \"$2\""
}

# No line of the virtual modem may outlive the command that started it.
no_line_left() {
    for _ in $(seq 50); do
        pgrep -f "vline serve $work/data/vline" >/dev/null || return 0
        sleep 0.1
    done
    fail "the virtual modem's line is still running"
}

make_tiff() {
    for i in $(seq 1 40); do echo "Line $i: set-up test page 0123456789"; done >"$work/page.txt"
    "$qlnfax" convert "$work/page.txt" -o "$work/page.apf" >/dev/null 2>&1 || fail "convert failed"
    "$qlnfax" export "$work/page.apf" --page 1 -o "$work/page.tif" >/dev/null 2>&1 || fail "export failed"
}

mkdir -p "$work/data"
case $case_name in
tools)
    "$qlnfax" vline serve "$work/line" --modems 1,1,2,2.0 >"$work/line-serve.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 200); do [[ -S $work/line/vline.sock ]] && break; sleep 0.05; done
    [[ -S $work/line/vline.sock ]] || fail "the virtual line did not start"
    # Another program holds modem3 (COM3).
    python3 -c 'import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
fcntl.flock(fd, fcntl.LOCK_EX)
print("held", flush=True)
time.sleep(120)' "$work/line/modem3" >"$work/holder.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do grep -q held "$work/holder.out" && break; sleep 0.05; done
    printf '[Ports]\nCOM1=%s\nCOM2=%s\nCOM3=%s\nCOM4=%s\nCOM5=%s\nCOM6=%s\n' \
        "$work/line/modem9" "$work/line/modem1" "$work/line/modem3" "$work/line/modem2" \
        "$work/line/modem8" "$work/line/modem7" >"$work/data/QLN.INI"

    "$qlnfax" modem find --data-dir "$work/data" >"$work/find.out" 2>"$work/find.err"
    [[ $? == 0 ]] || fail "find found nothing"
    expect_line "$work/find.out" "Com 1: Port does not exist"
    expect_line "$work/find.out" "Com 2: MODEM"
    expect_line "$work/find.out" "Com 3: Port is already open (could be modem)"
    expect_line "$work/find.out" "Com 4: MODEM"
    expect_line "$work/find.out" "A modem was found on Com Port 2. We suggest setting the Port as Com 2."
    expect_line "$work/find.out" "result: 2"

    "$qlnfax" modem classes --data-dir "$work/data" --com 2 >"$work/classes2.out" 2>"$work/classes2.err" || fail "classes COM2"
    expect_line "$work/classes2.out" "Class 1   : Supported (recommended)"
    expect_line "$work/classes2.out" "recommended: Class 1"
    "$qlnfax" modem classes --data-dir "$work/data" --device "$work/line/modem4" >"$work/classes20.out" 2>"$work/classes20.err" \
        || fail "classes modem4"
    expect_line "$work/classes20.out" "Class 2.0 : Supported  (bold)"
    expect_line "$work/classes20.out" "Class 2   : Not Supported"
    "$qlnfax" modem classes --data-dir "$work/data" --com 3 >"$work/classes3.out" 2>"$work/classes3.err" && fail "held COM3 checked"
    expect_line "$work/classes3.out" "The communications port is in use ( Com 3 )"
    expect_line "$work/classes3.out" "Class 1   : unknown"
    "$qlnfax" modem classes --data-dir "$work/data" --com 1 >"$work/classes1.out" 2>"$work/classes1.err" && fail "missing COM1 checked"
    expect_line "$work/classes1.out" "Unable to open the specified communications port ( Com1 )"

    # The line's modems by name; one that is gone since gives no modem.
    QLN_VLINE_DIRS=$work/line "$qlnfax" modem devices --data-dir "$work/data" >"$work/devices.out" 2>"$work/devices.err"
    grep -qF "Virtual line modem 4 ($work/line)" "$work/devices.out" || fail "line modems not listed"
    QLN_VLINE_DIRS=$work/line "$qlnfax" modem classes --data-dir "$work/data" \
        --device "Virtual line modem 4 ($work/line)" >"$work/classesname.out" 2>"$work/classesname.err" \
        || fail "classes by name"
    expect_line "$work/classesname.out" "Class 2.0 : Supported  (bold)"
    # The held modem by name: its own reason.
    QLN_VLINE_DIRS=$work/line "$qlnfax" modem classes --data-dir "$work/data" \
        --device "Virtual line modem 3 ($work/line)" >"$work/classesheld.out" 2>"$work/classesheld.err" \
        && fail "held modem checked"
    expect_line "$work/classesheld.out" "The modem device \"Virtual line modem 3 ($work/line)\" is in use by another program"
    kill -TERM "${pids[0]}"; wait "${pids[0]}" 2>/dev/null
    QLN_VLINE_DIRS=$work/line timeout 20 "$qlnfax" modem classes --data-dir "$work/data" \
        --device "Virtual line modem 4 ($work/line)" >"$work/classesgone.out" 2>"$work/classesgone.err"
    [[ $? == 1 ]] || fail "a stopped line's modem was not refused at once"
    expect_line "$work/classesgone.out" "Unable to select the modem device"
    ;;
virtual_send)
    # A user without a modem: the virtual modem sends to the fax machine on 100.
    printf '[Modem]\nUseTAPI=1\nTAPIDevice=Virtual modem (test line)\n' >"$work/data/QLN.INI"
    QLN_DATA_DIR=$work/data "$qlnfax" modem classes --device "Virtual modem (test line)" >"$work/classes.out" 2>"$work/classes.err" \
        || fail "classes of the virtual modem"
    expect_line "$work/classes.out" "recommended: Class 1"
    no_line_left
    make_tiff
    QLN_DATA_DIR=$work/data "$qlnfax" send --device "Virtual modem (test line)" --class 1 100 "$work/page.apf" \
        >"$work/send.out" 2>&1 || fail "send through the virtual modem"
    grep -q "^sent: 1 page(s) to 100" "$work/send.out" || fail "no success line"
    grep -q '^code: 0$' "$work/data/vline/remote/rx-0001.txt" || fail "the fax machine on 100 reports an error"
    [[ -f $work/data/vline/remote/rx-0001.tif ]] || fail "no page arrived"
    no_line_left
    ;;
virtual_faxsend)
    # A stored fax sent the way the send window does, with the modem of the
    # settings: the virtual modem chosen in the quick set-up.
    printf '[Modem]\nComPort=0\nUseTAPI=1\nTAPIDevice=Virtual modem (test line)\n' >"$work/data/QLN.INI"
    for i in $(seq 1 30); do echo "Line $i: a fax through the virtual modem"; done >"$work/letter.txt"
    "$qlnfax" fax add --to "Test Machine" --phone 100 --subject "Virtual modem" "$work/letter.txt" \
        --data-dir "$work/data" >"$work/add.out" 2>&1 || fail "fax add"
    record=$(tail -1 "$work/add.out")
    "$qlnfax" fax send --data-dir "$work/data" "$record" >"$work/faxsend.out" 2>&1 || fail "fax send"
    grep -q "^result: Sent" "$work/faxsend.out" || fail "no Sent result"
    grep -q '^code: 0$' "$work/data/vline/remote/rx-0001.txt" || fail "the fax machine on 100 reports an error"
    grep -q "Opened modem device: Virtual modem (test line)" "$work/data/Lastsend.log" \
        || fail "the send log does not name the virtual modem"
    no_line_left
    ;;
virtual_receive)
    # The line's fax machine calls the virtual modem.
    make_tiff
    mkdir -p "$work/in"
    QLN_DATA_DIR=$work/data "$qlnfax" receive --device "Virtual modem (test line)" --class 1 --dir "$work/in" \
        --once >"$work/receive.out" 2>&1 &
    rpid=$!
    pids+=($rpid)
    for _ in $(seq 200); do [[ -S $work/data/vline/vline.sock ]] && break; sleep 0.05; done
    sleep 1
    "$qlnfax" vline call "$work/data/vline" --to 1 --send "$work/page.tif" >"$work/call.out" 2>&1 || fail "call failed"
    wait $rpid || fail "receive failed"
    grep -q '^completion: 0 ' "$work/call.out" || fail "the calling machine reports an error"
    [[ $(ls "$work/in" | wc -l) == 1 ]] || fail "no fax file received"
    no_line_left
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "ok"

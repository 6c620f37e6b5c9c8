#!/usr/bin/env bash
# qlnfax receive and send against a Class 2 modem played on a pseudo-terminal:
#  - with --once a call that fails ends the command (exit 1, "failed: CODE
#    TEXT") instead of going back to waiting for the next call;
#  - a call that fails after a whole page names the file that kept it;
#  - a call that succeeds exits 0 and prints the caller's identifier with its
#    control bytes escaped;
#  - answering until interrupted: exit 0 when no call failed, else 1 and the
#    failed call's code (also for a call that failed before it had a file);
#  - a send to a busy number exits 1 with "failed: CODE TEXT".
# usage: cli_calls.sh QLNFAX
set -uo pipefail
qlnfax=$1
work=$(mktemp -d /tmp/qln-cli-receive.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work
status=0

# The modem: answers "OK" to every command, rings once the receiver has
# settled, and plays the call given as its argument:
#   nocarrier  ATA gets "NO CARRIER"
#   cut        one whole page of more, then the caller hangs up
# After its call the modem stays, answering "OK" and never ringing again.
#   whole      one page, end of document, the caller's id has an ESC byte
#   busy       no ring (for the receiver, no call); a dial gets "BUSY"
cat >"$work/modem.py" <<'EOF'
import os, pty, select, sys, time
call, link = sys.argv[1], sys.argv[2]
master, slave = pty.openpty()
os.symlink(os.ttyname(slave), link)
page = bytes((i * 7) & 0xFF for i in range(3000)).replace(b"\x10", b"\x10\x10") + b"\x10\x03"
tsi = '"CALLER\x1b[2J 7"' if call == "whole" else '"CALLER 7"'
def say(*lines):
    for l in lines:
        os.write(master, b"\r\n" + l.encode("latin-1") + b"\r\n")
buf, rung, fdr, last = b"", False, 0, time.time()
deadline = time.time() + 25
while time.time() < deadline:
    r, _, _ = select.select([master], [], [], 0.1)
    if not r:
        if call != "busy" and not rung and buf == b"" and time.time() - last > 1.0:
            say("RING")
            rung = True
        continue
    data = os.read(master, 4096)
    last = time.time()
    buf += data
    while b"\r" in buf:
        line, buf = buf.split(b"\r", 1)
        cmd = line.strip().decode("latin-1")
        if not cmd:
            continue
        if cmd.startswith("ATD"):
            say("BUSY")
        elif cmd == "ATA":
            if call == "nocarrier":
                say("NO CARRIER")
            else:
                say("+FCON", "+FTSI:" + tsi, "+FDCS:0,3,0,2,0,0,0,0", "OK")
        elif cmd == "AT+FDR":
            fdr += 1
            if fdr == 1:
                say("CONNECT")
                while True:  # DC2: the receiver is ready for the page
                    if os.read(master, 1) == b"\x12":
                        break
                os.write(master, page)
                say("+FPTS:1", "+FET:0" if call == "cut" else "+FET:2", "OK")
            elif call == "cut":
                say("+FHNG:50", "OK")
            else:
                say("+FHNG:00", "OK")
        else:
            say("OK")
EOF

# run_call CALL [run]: runs the modem and the receiver (with --once, or with
# "run" answering calls until interrupted 4 seconds on); leaves the
# receiver's output in $work/out and its exit status in $rc.
run_call() {
    rm -f "$work/modem"
    rm -rf "$work/in"
    mkdir -p "$work/in"
    python3 "$work/modem.py" "$1" "$work/modem" &
    local mpid=$!
    for _ in $(seq 50); do [[ -e $work/modem ]] && break; sleep 0.1; done
    if [[ ${2:-} == run ]]; then
        timeout --preserve-status -k 10 -s INT 4 \
            "$qlnfax" receive --device "$work/modem" --class 2 --dir "$work/in" --rings 1 >"$work/out" 2>&1
    else
        timeout 20 "$qlnfax" receive --device "$work/modem" --class 2 --dir "$work/in" --once --rings 1 \
            >"$work/out" 2>&1
    fi
    rc=$?
    kill "$mpid" 2>/dev/null
    wait "$mpid" 2>/dev/null
}

fail() {
    echo "FAIL: $1"
    cat "$work/out"
    status=1
}

run_call nocarrier
if [[ $rc == 124 ]]; then
    fail "receive --once went on waiting after a failed call"
elif [[ $rc != 1 ]] || ! grep -Eq '^failed: [1-9][0-9]* .+' "$work/out"; then
    fail "a failed call ended with status $rc and no \"failed: CODE TEXT\" line"
fi

run_call cut
if [[ $rc != 1 ]]; then
    fail "a call cut after a whole page ended with status $rc"
elif ! grep -Eq "^kept: $work/in/[^ ]+\\.APF \\(1 page\\(s\\)\\) from CALLER 7\$" "$work/out"; then
    fail "the file holding the whole page of a failed call is not named"
elif ! grep -Eq '^failed: [1-9][0-9]* ' "$work/out"; then
    fail "a call cut after a whole page does not say why it failed"
fi

run_call whole
if [[ $rc != 0 ]] || ! grep -q '^finished$' "$work/out"; then
    fail "a received fax ended with status $rc"
elif grep -q $'\x1b' "$work/out"; then
    fail "the caller's identifier reached the terminal with its control bytes"
elif ! grep -Eq '^received: .+\.APF from .+7$' "$work/out"; then
    fail "the received file is not named"
fi

# Answering calls until interrupted: an interrupt while waiting fails no
# call; a call that failed before any file was opened still counts, with its
# own code rather than the interrupt's.
run_call busy run
if [[ $rc != 0 ]] || ! grep -q '^finished$' "$work/out"; then
    fail "receive interrupted while waiting, no call failed, ended with status $rc"
fi
run_call nocarrier run
if [[ $rc != 1 ]] || ! grep -Eq '^failed: 8068 ' "$work/out"; then
    fail "receive interrupted after a failed call ended with status $rc and not its code"
fi

# A send that fails: the exit status and the reason.
rm -f "$work/modem"
python3 "$work/modem.py" busy "$work/modem" &
mpid=$!
for _ in $(seq 50); do [[ -e $work/modem ]] && break; sleep 0.1; done
printf 'A page to send.\n' >"$work/page.txt"
"$qlnfax" convert "$work/page.txt" -o "$work/page.apf" >/dev/null 2>&1 || fail "convert failed"
timeout 20 "$qlnfax" send --device "$work/modem" --class 2 --dial-attempts 1 100 "$work/page.apf" >"$work/out" 2>&1
rc=$?
kill "$mpid" 2>/dev/null
wait "$mpid" 2>/dev/null
if [[ $rc != 1 ]] || ! grep -Eq '^failed: [1-9][0-9]* .*busy' "$work/out"; then
    fail "a send to a busy number ended with status $rc and no \"failed: CODE TEXT\" line"
fi

[[ $status == 0 ]] && echo "PASS: receive --once ends after any call; kept pages named; identifiers escaped; failed send exits 1"
exit $status

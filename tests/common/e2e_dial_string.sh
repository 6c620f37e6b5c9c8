#!/usr/bin/env bash
# Dial strings over the virtual fax line: a fax number holding a carriage
# return never reaches the modem (the number is refused when it is entered,
# and one stored by another program is refused by the sender before it
# dials), while a number that may be dialled makes exactly one dial command.
# Listing such a number escapes its control bytes. The modem device is named
# by a path relative to the working directory.
# usage: e2e_dial_string.sh QLNFAX
set -uo pipefail
qlnfax=$1
work=$(mktemp -d /tmp/qln-dial-e2e.XXXXXX)
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
    for f in "$work"/*.out "$work/line/vline.log"; do [[ -f $f ]] && { echo "--- $f"; tail -20 "$f"; }; done
    keep=1
    exit 1
}
cd "$work" || exit 1

"$qlnfax" vline serve line --modems 1 >line.out 2>&1 &
line_pid=$!
for _ in $(seq 200); do [[ -S line/vline.sock ]] && break; sleep 0.05; done
[[ -S line/vline.sock ]] || fail "the virtual line did not start"
mkdir data
printf '[Modem]\nFaxClass=1\n[Dialing]\nDialAttempts=1\n' >data/QLN.INI
printf '{\\rtf1\\ansi Hello\\par}' >doc.rtf

"$qlnfax" modem --data-dir data --device line/modem1 check >check.out 2>&1 ||
    fail "a modem named by a relative path was not found"

# Entered numbers: refused at once, nothing stored.
"$qlnfax" fax add --data-dir data --to Jane --phone $'100\rAT&F&W0' doc.rtf >add.out 2>&1 &&
    fail "fax add stored a number holding a carriage return"
grep -q 'The fax number holds \\x0D' add.out || fail "fax add did not say why"
"$qlnfax" phonebook add --data-dir data --name Jane --phone $'100;\x1b' >pb.out 2>&1 &&
    fail "phonebook add stored a number holding ';'"
[[ -z $("$qlnfax" list outgoing --data-dir data --all) ]] || fail "a refused fax left a row"

# A number written into the table by another program: refused before dialling.
rec=$("$qlnfax" fax add --data-dir data --to Jane --phone 200 doc.rtf) || fail "fax add of a good number failed"
python3 - data/QLN.DBF "$rec" <<'PY' || fail "cannot patch the table"
import struct, sys
path, recno = sys.argv[1], int(sys.argv[2])
d = bytearray(open(path, 'rb').read())
hlen, rlen = struct.unpack_from('<HH', d, 8)
pos = 32
while d[pos] != 0x0D:
    if d[pos:pos + 11].split(b'\0')[0] == b'PHONE':
        start = hlen + (recno - 1) * rlen + struct.unpack_from('<I', d, pos + 12)[0]
        d[start:start + d[pos + 16]] = b'T100\r\nATD999'.ljust(d[pos + 16])
    pos += 32
open(path, 'wb').write(bytes(d))
PY
# Listing it prints the control bytes escaped, never raw.
"$qlnfax" list outgoing --data-dir data >list.out || fail "list failed"
grep -qF 'T100\x0D\x0AATD999' list.out || fail "list did not escape the number: $(cat -A list.out)"
grep -q $'\r' list.out && fail "list printed a raw carriage return"
"$qlnfax" fax send --data-dir data "$rec" --device line/modem1 >bad.out 2>&1 && fail "the patched number was sent"
grep -q '^result: The fax number or dial prefix holds a character a modem cannot dial$' bad.out ||
    fail "no dial-string result"
grep -q 'modem1: dial ' line/vline.log && fail "a dial command reached the modem"

# A good number (a blank and a hyphen, which modems skip, brackets, which
# are dropped): one dial.
rec=$("$qlnfax" fax add --data-dir data --to Jane --phone '(2) 0-0' doc.rtf) || fail "fax add failed"
"$qlnfax" fax send --data-dir data "$rec" --device line/modem1 >busy.out 2>&1
grep -q '^result: Called fax number was busy$' busy.out || fail "the busy number was not dialled"
[[ $(grep -c 'modem1: dial ' line/vline.log) == 1 ]] || fail "not exactly one dial command"
grep -q 'modem1 dials "200"' line/vline.log || fail "the line did not see 200 dialled"
echo "ok"

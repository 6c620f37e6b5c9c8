#!/usr/bin/env bash
# qlnfax over faults that used to pass as success:
#  - fax add with a cover template whose memo cannot be read, and with a PDF
#    that is encrypted, cut short or whose page tree loops, or a TIFF that
#    does not decode: refused at once, with the reason, nothing stored;
#  - a full disk (a small tmpfs; skipped where it cannot be mounted): a fax
#    add that fails half-way leaves no row and no "Eraseme.rtf", and a
#    cleanup that cannot pack exits 1 naming the table;
#  - 20 fax adds in parallel on one data directory all get their row, and
#    a table another program holds past the wait is refused naming it;
#  - qlnfax render stopped by a signal leaves no scratch directory, and a
#    stale one (its process gone) is removed by the next render.
# usage: qlnfax_write_failures_test.sh QLNFAX
set -uo pipefail
qlnfax=$1
pdfmaker=$(cd "$(dirname "$0")/../common" && pwd)/pdfmaker.py
work=$(mktemp -d /tmp/qln-write-failures.XXXXXX)
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
mounted=
cleanup() {
    [[ -n $mounted ]] && umount "$work/full"
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$work" || exit 1
rows() { "$qlnfax" list outgoing --data-dir "$1" --all | wc -l; }

# Patches field FIELD of row RECNO in DBF to VALUE (bytes, padded).
patch_field() {
    python3 - "$@" <<'PY'
import struct, sys
path, recno, field, value = sys.argv[1], int(sys.argv[2]), sys.argv[3].encode(), sys.argv[4].encode()
d = bytearray(open(path, 'rb').read())
hlen, rlen = struct.unpack_from('<HH', d, 8)
pos = 32
while d[pos] != 0x0D:
    if d[pos:pos + 11].split(b'\0')[0] == field:
        start = hlen + (recno - 1) * rlen + struct.unpack_from('<I', d, pos + 12)[0]
        d[start:start + d[pos + 16]] = value.rjust(d[pos + 16])
    pos += 32
open(path, 'wb').write(bytes(d))
PY
}

printf '{\\rtf1\\ansi Hello\\par}' >doc.rtf
for kind in text cut loop encrypted; do python3 "$pdfmaker" $kind $kind.pdf; done
mv text.pdf good.pdf
python3 - <<'PY'
# A 64 x 64 TIFF whose only strip lies far past the end of the file.
import struct
entries = [(256, 3, 1, 64), (257, 3, 1, 64), (259, 3, 1, 1), (262, 3, 1, 0), (273, 4, 1, 0x100000),
           (278, 3, 1, 64), (279, 4, 1, 512)]
tif = b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", len(entries))
tif += b"".join(struct.pack("<HHII", t, k, n, v) for t, k, n, v in entries) + struct.pack("<I", 0)
open("bad.tif", "wb").write(tif)
PY

# qlnfax render stopped by SIGINT or SIGTERM leaves no scratch directory, and
# one left by a render that was killed outright goes at the next render.
python3 "$pdfmaker" pages long.pdf 20000
mkdir render
for sig in INT TERM; do
    "$qlnfax" render long.pdf render/out.apf >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 400); do compgen -G "render/.qlnrender-*/QLN_1.APF*" >/dev/null && break; sleep 0.05; done
    compgen -G "render/.qlnrender-*/QLN_1.APF*" >/dev/null || fail "render made no page file"
    kill -$sig $pid || fail "render ended before SIG$sig could stop it"
    wait $pid 2>/dev/null
    compgen -G "render/.qlnrender-*" >/dev/null && fail "SIG$sig left $(ls -A render)"
done
dead=$(( $(cat /proc/sys/kernel/pid_max) - 1 ))
while kill -0 $dead 2>/dev/null; do dead=$((dead - 1)); done
mkdir "render/.qlnrender-$dead-abcdef" && : >"render/.qlnrender-$dead-abcdef/QLN_1.APF"
mkdir "render/.qlnrender-$$-ghijkl"
"$qlnfax" render doc.rtf render/out.apf >/dev/null || fail "render"
[[ -e render/.qlnrender-$dead-abcdef ]] && fail "a stale scratch directory stayed"
[[ -d render/.qlnrender-$$-ghijkl ]] || fail "the scratch directory of a running process went"

mkdir data
"$qlnfax" fax add --data-dir data --to Ann --phone 100 good.pdf >/dev/null || fail "a good PDF was refused"
for doc in cut.pdf:"cut short" loop.pdf:"page tree" encrypted.pdf:encrypted bad.tif:"does not convert"; do
    file=${doc%%:*} why=${doc#*:}
    "$qlnfax" fax add --data-dir data --to Ann --phone 100 "$file" >out 2>err && fail "$file was accepted"
    grep -q "$why" err || fail "$file: no reason: $(cat err)"
done
"$qlnfax" covers add --data-dir data --description Plain doc.rtf >/dev/null || fail "covers add"
patch_field data/QLNCOV.DBF 1 COVER 99999999
"$qlnfax" fax add --data-dir data --to Ann --phone 100 --template Plain doc.rtf >out 2>err &&
    fail "a template that cannot be read was used"
grep -q 'cover template "Plain" cannot be read' err || fail "template: $(cat err)"
[[ $(rows data) == 1 ]] || fail "refused faxes left rows: $(rows data)"

# Twenty at once: each waits for the tables in turn.
mkdir busy
"$qlnfax" tables init --data-dir busy >/dev/null
pids=()
for i in $(seq 20); do
    "$qlnfax" fax add --data-dir busy --to "P$i" --phone 100 doc.rtf >"add$i.out" 2>&1 &
    pids+=($!)
done
failed=0
for p in "${pids[@]}"; do wait "$p" || failed=$((failed + 1)); done
[[ $failed == 0 && $(rows busy) == 20 ]] || fail "$failed of 20 parallel adds failed: $(cat add*.out | sort | uniq -c)"

# A table held by another program: the wait runs out, the holder is named,
# and tables init says so with exit 1.
flock -x busy/QLNPB.DBF sleep 30 &
holder=$!
for _ in $(seq 100); do grep -q " $holder " /proc/locks && break; sleep 0.05; done
QLN_TABLE_LOCK_WAIT_MS=200 "$qlnfax" tables init --data-dir busy >out 2>err
rc=$?
kill $holder 2>/dev/null
wait $holder 2>/dev/null
[[ $rc == 1 ]] || fail "tables init with a table held elsewhere exited $rc"
grep -q "QLNPB.DBF is in use by flock (pid $holder)" err || fail "the holder was not named: $(cat err)"

# A full disk.
mkdir full
if ! mount -t tmpfs -o size=400k tmpfs full 2>/dev/null; then
    echo "ok (full disk not tested: cannot mount a tmpfs here)"
    exit 0
fi
mounted=1
mkdir full/d
"$qlnfax" tables init --data-dir full/d >/dev/null
"$qlnfax" fax add --data-dir full/d --to Ann --phone 100 doc.rtf >/dev/null || fail "add before the disk is full"
rm -f full/d/Eraseme.rtf
python3 -c "print('{\\\\rtf1 ' + ' '.join('word%d' % i for i in range(2000)) + '\\\\par}')" >big.rtf
# Leave two pages free: room for the row and its cover sheet, not for the document.
dd if=/dev/zero of=full/fill bs=1k count=1000 2>/dev/null
truncate -s -8k full/fill
"$qlnfax" fax add --data-dir full/d --to Bob --phone 100 big.rtf >out 2>err && fail "fax add on a full disk exited 0"
grep -q 'could not be stored' err || fail "full disk: $(cat err)"
[[ $(rows full/d) == 1 ]] || fail "the failed add left a row: $("$qlnfax" list outgoing --data-dir full/d --all)"
ls full/d | grep -qi '^eraseme.rtf$' && fail "the failed add left Eraseme.rtf"
dd if=/dev/zero of=full/rest bs=1k count=100 2>/dev/null  # now nothing is left
"$qlnfax" rebuild --data-dir full/d >out 2>err && fail "rebuild that cannot pack exited 0: $(cat out err)"
grep -q 'QLN.DBF: the rows marked for deletion could not be removed: .*No space left' err || fail "rebuild: $(cat err)"
"$qlnfax" cleanup --data-dir full/d --outgoing --unsent >out 2>err && fail "cleanup on a full disk exited 0: $(cat out)"
grep -q 'No space left on device' err || fail "cleanup: $(cat err)"
echo ok

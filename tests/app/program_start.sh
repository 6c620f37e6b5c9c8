#!/usr/bin/env bash
# The program itself: a first start sets up a fresh data directory, and a
# second copy started meanwhile ends at once without disturbing the first.
#   program_start.sh PATH/TO/quillon
set -u
quillon=$1
work=$(mktemp -d /tmp/quillon-start.XXXXXX)
name="quillon-start-test-$$"
first=
cleanup() {
  [ -n "$first" ] && kill "$first" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen
printf '[Modem]\nComPort=0\n' > "$work/QLN.INI"

"$quillon" --data-dir "$work" --instance-name "$name" >"$work/first.log" 2>&1 &
first=$!
# The first activation builds the full index set, which creates the phone
# book and cover tables as well.
for _ in $(seq 100); do
  [ -f "$work/QLNPB.DBF" ] && [ -f "$work/QLNCOV.DBF" ] && break
  sleep 0.1
done
for f in QLN.DBF QLN.CDX QLNREC.DBF QLNREC.CDX QLNCOV.DBF QLNPB.DBF; do
  [ -f "$work/$f" ] || { echo "missing $f after start"; cat "$work/first.log"; exit 1; }
done
[ -d "$work/receive" ] || { echo "receive folder missing"; exit 1; }

# A second copy must hand over and end quickly with success.
timeout 10 "$quillon" --data-dir "$work" --instance-name "$name" >"$work/second.log" 2>&1
rc=$?
[ $rc -eq 0 ] || { echo "second copy ended with $rc"; cat "$work/second.log"; exit 1; }
kill -0 "$first" 2>/dev/null || { echo "first copy is gone"; cat "$work/first.log"; exit 1; }
echo "ok"

#!/usr/bin/env bash
# qlnfax tables init / list over a fresh data directory: the four tables are
# created with the full tag set, rows come back in tag order, deleted rows
# only with --all, an unknown tag is refused.
set -euo pipefail
qlnfax=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen

out=$("$qlnfax" tables init --data-dir "$dir" 2>/dev/null)
for f in QLN.DBF QLN.FPT QLN.CDX QLNREC.DBF QLNREC.CDX QLNCOV.DBF QLNCOV.CDX QLNPB.DBF QLNPB.CDX; do
  [ -f "$dir/$f" ] || { echo "missing $f"; exit 1; }
done
grep -q "^QLN.DBF	0 rows	0 listed	tags: DATESENT DATEND SUBJECT RECIPIENT$" <<<"$out" || { echo "$out"; exit 1; }
grep -q "^Rebuilding Received FAX indexes$" <<<"$out" || { echo "no rebuild: $out"; exit 1; }

# A second start finds the full set and does not rebuild.
out=$("$qlnfax" tables init --data-dir "$dir" 2>/dev/null)
if grep -q "Rebuilding" <<<"$out"; then echo "rebuilt again"; exit 1; fi

# Phonebook rows written by another program (0x03 table, one row flagged).
python3=/usr/bin/python3
if [ -x "$python3" ] && "$python3" -c "import dbf" 2>/dev/null; then
  rm -f "$dir/QLNPB.DBF" "$dir/QLNPB.CDX"
  (cd "$dir" && "$python3" - <<'PY'
import dbf
t = dbf.Table('QLNPB.DBF', 'NAME C(35); PHONE C(25)', dbf_type='db3')
t.open(dbf.READ_WRITE)
for n, p in [('Zoe', '1'), ('adam', '2'), ('Mia', '3')]:
    t.append((n, p))
with t[2] as r:
    dbf.delete(r)
t.close()
PY
  )
  got=$("$qlnfax" list phonebook --data-dir "$dir" 2>/dev/null)
  [ "$got" = $'adam\t2\nZoe\t1' ] || { echo "list: $got"; exit 1; }
  got=$("$qlnfax" list phonebook --data-dir "$dir" --all 2>/dev/null)
  [ "$got" = $' \tadam\t2\n*\tMia\t3\n \tZoe\t1' ] || { echo "list --all: $got"; exit 1; }
fi

set +e
"$qlnfax" list phonebook --data-dir "$dir" --order NOPE >/dev/null 2>&1
rc=$?
set -e
[ $rc -eq 2 ] || { echo "unknown tag gave $rc"; exit 1; }
echo ok

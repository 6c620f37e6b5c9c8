#!/usr/bin/env bash
# A received-fax table whose header counts fewer rows than its file holds,
# with its index file gone: qlnfax tables init reports it as damaged and
# leaves every file as it was; qlnfax tables repair backs the files up and
# makes the header count every row, which python3-dbfread then reads back.
set -euo pipefail
qlnfax=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen
python3=/usr/bin/python3
if ! "$python3" -c "import dbf, dbfread" 2>/dev/null; then
  echo "python3-dbf and python3-dbfread are needed"; exit 1
fi

"$qlnfax" tables init --data-dir "$dir" >/dev/null
(cd "$dir" && "$python3" - <<'PY'
import dbf, datetime, struct
t = dbf.Table('QLNREC.DBF')
t.open(dbf.READ_WRITE)
for i in range(6):
    t.append((datetime.date(2025, 3, i + 1), '1%d:00' % i, 'STATION %d' % i, i + 1, 'FAX%04d.APF' % i, 'note %d' % i))
t.close()
# The header now counts two of the six rows.
with open('QLNREC.DBF', 'r+b') as f:
    f.seek(4)
    f.write(struct.pack('<I', 2))
PY
)
rm -f "$dir/QLNREC.CDX"
sums() { (cd "$dir" && find . -type f | sort | xargs md5sum); }
before=$(sums)

set +e
err=$("$qlnfax" tables init --data-dir "$dir" 2>&1 >/dev/null)
rc=$?
set -e
[ $rc -eq 1 ] || { echo "init on a damaged table gave $rc"; exit 1; }
grep -q "QLNREC.DBF is damaged: its header counts 2 rows but the file holds 6" <<<"$err" || { echo "$err"; exit 1; }
[ "$(sums)" = "$before" ] || { echo "files changed"; diff <(echo "$before") <(sums); exit 1; }

out=$("$qlnfax" tables repair --data-dir "$dir" --backup "$dir/bk")
grep -q "QLNREC.DBF: the header counted 2 rows, it now counts the 6 rows the file holds" <<<"$out" || { echo "$out"; exit 1; }
[ "$(cd "$dir/bk" && md5sum QLNREC.DBF | cut -d' ' -f1)" = "$(grep ' ./QLNREC.DBF$' <<<"$before" | cut -d' ' -f1)" ] \
  || { echo "backup differs from the damaged table"; exit 1; }

# Every row back, read by an independent reader.
(cd "$dir" && "$python3" - <<'PY'
import dbfread, datetime
rows = list(dbfread.DBF('QLNREC.DBF'))
assert len(rows) == 6, len(rows)
for i, r in enumerate(rows):
    assert r['DATEREC'] == datetime.date(2025, 3, i + 1), r
    assert r['FROM'] == 'STATION %d' % i, r
    assert r['PAGES'] == i + 1, r
    assert r['FAXFILE'] == 'FAX%04d.APF' % i, r
    assert r['NOTES'] == 'note %d' % i, r
PY
)
out=$("$qlnfax" tables init --data-dir "$dir")
grep -q "^QLNREC.DBF	6 rows	6 listed" <<<"$out" || { echo "$out"; exit 1; }
[ "$("$qlnfax" tables repair --data-dir "$dir")" = "no damaged table" ]
echo ok

#!/bin/bash
# The qlnfax composition commands on a fresh data directory: phonebook
# entries and cover templates added and listed in their order.
set -euo pipefail
QLNFAX=$1
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Phonebook: record numbers printed on their own line, listed by upper-case name.
[ "$("$QLNFAX" phonebook add --data-dir "$DIR" --name "zoë Müller" --phone 555-0101)" = 1 ] || fail "first add"
[ "$("$QLNFAX" phonebook add --data-dir "$DIR" --name "Adam" --phone 555-0102)" = 2 ] || fail "second add"
expected=$(printf 'Adam\t555-0102\nzoë Müller\t555-0101')
[ "$("$QLNFAX" phonebook list --data-dir "$DIR")" = "$expected" ] || fail "phonebook list"
if "$QLNFAX" phonebook add --data-dir "$DIR" --name "No number" 2>/dev/null; then fail "add without --phone"; fi

# Cover templates: added from RTF with merge fields, listed by description.
cat > "$DIR/tpl.rtf" <<'RTF'
{\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0\fs24 To: {\field{\*\fldinst QLNMERGE 1}{\fldrslt [RECIPIENT]}}\par
Fax: {\field{\*\fldinst QLNMERGE 2}{\fldrslt [FAX#]}}\par
\page Re: {\field{\*\fldinst QLNMERGE 3}{\fldrslt [SUBJECT]}}\par}
RTF
[ "$("$QLNFAX" covers add --data-dir "$DIR" --description "Standard" "$DIR/tpl.rtf")" = 1 ] || fail "covers add"
[ "$("$QLNFAX" covers add --data-dir "$DIR" --description "Another" "$DIR/tpl.rtf")" = 2 ] || fail "covers add 2"
[ "$("$QLNFAX" covers list --data-dir "$DIR")" = "$(printf 'Another\nStandard')" ] || fail "covers list"

# Faxes: a plain-text document with a template cover, then an RTF cover.
printf 'First line\nSecond line\n' > "$DIR/doc.txt"
[ "$("$QLNFAX" fax add --data-dir "$DIR" --to "Zoë" --phone 555-0199 --subject "Hello" --template Standard "$DIR/doc.txt")" = 1 ] \
    || fail "fax add with template"
[ "$("$QLNFAX" fax add --data-dir "$DIR" --to "Bob" --phone 1 --cover "$DIR/tpl.rtf" "$DIR/doc.txt")" = 2 ] \
    || fail "fax add with cover"
"$QLNFAX" list outgoing --data-dir "$DIR" | grep -q "^Hello	F			Zoë	555-0199" || fail "list outgoing shows the fax"
"$QLNFAX" list outgoing --data-dir "$DIR" | grep -q "^Subject	F			Bob	1" || fail "omitted subject keeps the design text"
if "$QLNFAX" fax add --data-dir "$DIR" --to X --phone 1 --template Missing "$DIR/doc.txt" 2>/dev/null; then
    fail "unknown template accepted"
fi
if "$QLNFAX" fax add --data-dir "$DIR" --to X --phone 1 "$DIR/none.rtf" 2>/dev/null; then fail "missing document"; fi
[ "$("$QLNFAX" list outgoing --data-dir "$DIR" | wc -l)" = 2 ] || fail "a refused fax was stored"

# The stored cover of the first fax: fields filled in, the page break kept.
if /usr/bin/python3 -c 'import dbfread' 2>/dev/null; then
    /usr/bin/python3 - "$DIR" <<'PY' || fail "stored cover"
import sys
from dbfread import DBF
rows = list(DBF(sys.argv[1] + '/QLN.DBF'))
cover = rows[0]['RTFCOVER']
assert 'To: Zo' in cover and '555-0199' in cover and 'Re: Hello' in cover, cover
assert 'QLNMERGE' not in cover and '\\pagebb' in cover, cover
assert 'First line' in rows[0]['RTFDOC'], rows[0]['RTFDOC']
assert 'QLNMERGE' in rows[1]['RTFCOVER']  # a cover file is stored as given
PY
fi
echo ok

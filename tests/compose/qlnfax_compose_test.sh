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
echo ok

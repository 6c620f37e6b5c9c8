#!/usr/bin/env bash
# qlnfax cleanup and rebuild over sample faxes: the group delete by state,
# date and text (a dry run changes nothing, 0 deleted means no rebuild),
# received files going with their rows, the rows gone from the files after
# the rebuild, and no notice from the toolkit before the output.
#   qlnfax_cleanup_test.sh QLNFAX QLN_SAMPLEDATA
set -euo pipefail
qlnfax=$1
sampledata=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen
unset XDG_RUNTIME_DIR
fail() { echo "$*"; exit 1; }

"$sampledata" "$dir" 10 6 >/dev/null
"$qlnfax" rebuild --data-dir "$dir" >/dev/null
listed() { "$qlnfax" list "$1" --data-dir "$dir" --all 2>/dev/null | wc -l; }
[ "$(listed outgoing)" = 10 ] || fail "seeded rows: $(listed outgoing)"

# A dry run counts and changes nothing; nothing on stderr at all.
out=$("$qlnfax" cleanup --data-dir "$dir" --outgoing --before 2020-01-05 --dry-run 2>"$dir/err")
[ "$out" = "4 to delete (dry run)." ] || fail "dry run: $out"
[ ! -s "$dir/err" ] || fail "stderr: $(cat "$dir/err")"
[ "$(listed outgoing)" = 10 ] || fail "dry run deleted"

# Before a date: the two faxes never sent have no date and stay.
out=$("$qlnfax" cleanup --data-dir "$dir" --outgoing --before 2020-01-05 2>&1)
head -1 <<<"$out" | grep -qx "4 deleted." || fail "before: $out"
grep -qx "Rebuilding COVER file indexes" <<<"$out" || fail "no rebuild after deleting: $out"
[ "$(listed outgoing)" = 6 ] || fail "rows left in the file: $(listed outgoing)"
"$qlnfax" list outgoing --data-dir "$dir" --all | grep -q '^\*' && fail "flagged rows left in the file"
[ "$("$qlnfax" list outgoing --data-dir "$dir" | grep -c $'\tF\t')" = 2 ] || fail "unsent faxes were deleted"

# Nothing matched: the count is 0 and nothing is rebuilt.
out=$("$qlnfax" cleanup --data-dir "$dir" --outgoing --match RECIPIENT=nobody 2>&1)
[ "$out" = "0 deleted." ] || fail "nothing matched: $out"

# Partial against exact text; received files go with their rows.
out=$("$qlnfax" cleanup --data-dir "$dir" --received --match FROM=acme --exact 2>&1)
[ "$(head -1 <<<"$out")" = "0 deleted." ] || fail "exact acme: $out"
out=$("$qlnfax" cleanup --data-dir "$dir" --received --match FROM=acme 2>&1)
[ "$(head -1 <<<"$out")" = "1 deleted." ] || fail "partial acme: $out"
[ ! -e "$dir/receive/FAX0001.APF" ] || fail "the fax file stayed"
[ -e "$dir/receive/FAX0002.APF" ] || fail "another fax file went"
[ "$(listed received)" = 5 ] || fail "received rows: $(listed received)"

# A received file that cannot be removed (here a directory in its place):
# the row goes, the command names the file and exits 1.
rm "$dir/receive/FAX0003.APF" && mkdir "$dir/receive/FAX0003.APF"
set +e
out=$("$qlnfax" cleanup --data-dir "$dir" --received --match FROM=FAX --exact 2>"$dir/err")
rc=$?
set -e
[ $rc -eq 1 ] || fail "cleanup with a file it cannot remove exited $rc"
[ "$(head -1 <<<"$out")" = "1 deleted." ] || fail "unremovable file: $out"
grep -q '"FAX0003.APF"' "$dir/err" || fail "the file was not named: $(cat "$dir/err")"
rmdir "$dir/receive/FAX0003.APF"

# The unsent ones, then the rest by --sent.
out=$("$qlnfax" cleanup --data-dir "$dir" --outgoing --unsent 2>&1)
[ "$(head -1 <<<"$out")" = "2 deleted." ] || fail "unsent: $out"
out=$("$qlnfax" cleanup --data-dir "$dir" --outgoing --sent 2>&1)
[ "$(head -1 <<<"$out")" = "4 deleted." ] || fail "sent: $out"
[ "$(listed outgoing)" = 0 ] || fail "outgoing left"

# rebuild prints every progress text.
out=$("$qlnfax" rebuild --data-dir "$dir" 2>&1)
[ "$(wc -l <<<"$out")" = 8 ] || fail "rebuild: $out"
[ "$(head -1 <<<"$out")" = "Removing FAX file records marked for deletion" ] || fail "rebuild: $out"

# Refused option sets.
for bad in "--outgoing" "--received --sent --before 2020-01-01" "--outgoing --received --sent" \
           "--outgoing --before 2020-02-30" "--outgoing --match FROM=x" "--outgoing --unsent --exact"; do
  set +e
  # shellcheck disable=SC2086
  "$qlnfax" cleanup --data-dir "$dir" $bad >/dev/null 2>&1
  rc=$?
  set -e
  [ $rc -eq 2 ] || fail "\"$bad\" gave $rc"
done
echo ok

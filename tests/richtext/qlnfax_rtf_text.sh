#!/usr/bin/env bash
# qlnfax rtf text: paragraphs one a line, a form feed line per hard page
# break, Unicode out as UTF-8; an unreadable file fails with status 1 and a
# wrong call with status 2.
set -euo pipefail
qlnfax=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

cat >"$work/letter.rtf" <<'RTF'
{\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}}\f0\fs20 Dear Zo\'eb,\par
\par
{\b Price:} 5 \u8364?\par
\pard\pagebb Second page\page Third page\par}
RTF
"$qlnfax" rtf text "$work/letter.rtf" >"$work/out.txt"
printf 'Dear Zo\xc3\xab,\n\nPrice: 5 \xe2\x82\xac\n\f\nSecond page\n\f\nThird page\n' >"$work/expected.txt"
cmp "$work/out.txt" "$work/expected.txt"

status=0
"$qlnfax" rtf text "$work/missing.rtf" 2>/dev/null || status=$?
test "$status" -eq 1
status=0
"$qlnfax" rtf "$work/letter.rtf" 2>/dev/null || status=$?
test "$status" -eq 2
echo "qlnfax rtf text: ok"

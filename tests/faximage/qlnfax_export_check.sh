#!/usr/bin/env bash
# Runs qlnfax info and export on a small APF page and checks each output with
# an independent reader: tiffinfo and tiff2pdf for TIFF class F, ImageMagick
# for PCX, DCX, BMP and PNG, the header for PDF.
set -euo pipefail
qlnfax=$1
apf=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

info=$("$qlnfax" info "$apf")
echo "$info"
grep -q '^Pages: 1$' <<<"$info"
grep -q '^Page 1: normal, 1728 pixels, framed, image length 875 bytes, 48 lines, 0 bad codes$' <<<"$info"

for ext in pcx dcx bmp png tif pdf; do
  "$qlnfax" export "$apf" --page 1 -o "$work/page.$ext"
done
tiffinfo -D "$work/page.tif" >"$work/tiffinfo.txt" 2>&1
! grep -qi error "$work/tiffinfo.txt"
grep -q 'Image Width: 1728 Image Length: 48' "$work/tiffinfo.txt"
grep -q 'Resolution: 204, 98 pixels/inch' "$work/tiffinfo.txt"
tiff2pdf -o "$work/tiff2pdf.pdf" "$work/page.tif"
test -s "$work/tiff2pdf.pdf"
head -c 4 "$work/page.pdf" | grep -q '%PDF'
if command -v identify >/dev/null; then
  for ext in pcx dcx bmp png; do
    # Normal-resolution pages are shown doubled in height.
    identify -format '%w %h\n' "$work/page.$ext" | head -n1 | grep -q '^1728 96$'
  done
fi
# Control bytes of a station identifier are escaped, never printed raw.
printf 'hello\n' >"$work/note.txt"
"$qlnfax" convert "$work/note.txt" -o "$work/note.apf" --station $'A\x1b[2J\rB"' >/dev/null
info=$("$qlnfax" info "$work/note.apf")
grep -qF 'Station: "A\x1B[2J\x0DB\""' <<<"$info"
if grep -q $'\x1b' <<<"$info"; then exit 1; fi

# A page beyond the count is refused with the APF error.
if "$qlnfax" export "$apf" --page 2 -o "$work/none.png" 2>"$work/err.txt"; then exit 1; fi
grep -q 'File is not an APF file (-8001)' "$work/err.txt"
echo "qlnfax info/export: all outputs verified"

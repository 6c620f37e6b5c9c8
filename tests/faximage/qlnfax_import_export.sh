#!/usr/bin/env bash
# Multi-page export and import through qlnfax, checked with independent
# tools: pdfinfo and pdftoppm for PDF, tiffinfo, tiff2pdf and ImageMagick
# for TIFF class F; tiffcp makes Group 3 and Group 4 input, Ghostscript a
# PDF document. Every page is compared pixel for pixel with the APF page.
set -euo pipefail
qlnfax=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
cd "$work"

# Pixels that differ between two images of the same size (0 when equal).
differ() { compare -metric AE "$1" "$2" null: 2>&1 || true; }

# A fax of three pages: normal, fine, normal.
printf 'First page, normal\nwith two lines\n' >a.txt
printf 'Second page, fine\n\n\tindented\n' >b.txt
printf 'Third page\n' >c.txt
"$qlnfax" convert a.txt -o a.apf >/dev/null
"$qlnfax" convert b.txt --fine -o b.apf >/dev/null
"$qlnfax" convert c.txt -o c.apf >/dev/null
for f in a b c; do "$qlnfax" export $f.apf $f.tif; done
tiffcp a.tif b.tif c.tif parts.tif
"$qlnfax" convert parts.tif -o fax.apf >list.txt
grep -q '^fax.apf: 3 page(s)$' list.txt
grep -q 'page 1: normal' list.txt
grep -q 'page 2: fine' list.txt
grep -q 'page 3: normal' list.txt
ydpi=(98 196 98)
for p in 1 2 3; do
  "$qlnfax" export fax.apf --page $p --raw-lines page$p.png
done

# PDF: three pages, each the APF page at 204 x 196 or 98 dpi.
"$qlnfax" export fax.apf fax.pdf
pdfinfo fax.pdf | grep -q '^Pages: *3$'
# One lossless 1-bit image per page.
test "$(pdfimages -list fax.pdf | grep -c ' gray *1 *1 *ccitt ')" = 3
for p in 1 2 3; do
  lines=$(identify -format '%h' page$p.png)
  pdftoppm -gray -aaVector no -rx 204 -ry ${ydpi[p-1]} -f $p -l $p fax.pdf pdfpage
  ppm=$(ls pdfpage*.pgm)
  test "$(identify -format '%wx%h' "$ppm")" = "1728x$lines"
  convert "$ppm" -threshold 50% pdf$p.png
  rm -f pdfpage*.pgm
  test "$(differ pdf$p.png page$p.png)" = 0
done

# TIFF class F: three directories with the resolution tags, readable by
# tiffinfo and tiff2pdf, each page equal to the APF page.
"$qlnfax" export fax.apf fax.tif
tiffinfo fax.tif >tiffinfo.txt 2>&1
! grep -qi error tiffinfo.txt
test "$(grep -c 'Compression Scheme: CCITT Group 3' tiffinfo.txt)" = 3
grep 'Resolution:' tiffinfo.txt | tr -d ' ' >res.txt
printf 'Resolution:204,98pixels/inch\nResolution:204,196pixels/inch\nResolution:204,98pixels/inch\n' | cmp - res.txt
tiff2pdf -o tiff2pdf.pdf fax.tif
pdfinfo tiff2pdf.pdf | grep -q '^Pages: *3$'
for p in 1 2 3; do
  convert "fax.tif[$((p - 1))]" tif$p.png
  test "$(differ tif$p.png page$p.png)" = 0
done

# Import: the TIFF recompressed as Group 3 (2-D) and Group 4 gives back
# every page.
tiffcp -c g3:2d fax.tif g3.tif
tiffcp -c g4 fax.tif g4.tif
for kind in g3 g4; do
  "$qlnfax" convert $kind.tif -o $kind.apf | grep -q ": 3 page(s)$"
  for p in 1 2 3; do
    "$qlnfax" export $kind.apf --page $p --raw-lines $kind-$p.png
    test "$(differ $kind-$p.png page$p.png)" = 0
  done
done

# A PDF document of three Letter pages.
cat >doc.ps <<'PS'
%!PS
/Helvetica findfont 40 scalefont setfont
1 1 3 { /n exch def 72 700 moveto (Page ) show n 3 string cvs show showpage } for
PS
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sPAPERSIZE=letter -sOutputFile=doc.pdf doc.ps
"$qlnfax" convert doc.pdf --fine -o doc.apf >list.txt
grep -q '^doc.apf: 3 page(s)$' list.txt
test "$(grep -c 'fine, 1728 pixels' list.txt)" = 3
"$qlnfax" export doc.apf --page 3 doc3.png
# 11 inches at 1728 / 8.5 x 196 / 204 lines per inch.
h=$(identify -format '%h' doc3.png)
test "$h" -ge 2145 && test "$h" -le 2152
# The PDF as the document of an outgoing fax: stored, and refused when the
# file is not a PDF whatever its name.
mkdir data
printf '{\\rtf1\\ansi Cover sheet\\par}' >cover.rtf
"$qlnfax" fax add --data-dir data --to Someone --phone 555 --subject Scan --cover cover.rtf doc.pdf >recno.txt
grep -qx '[0-9][0-9]*' recno.txt
# Sending renders the cover and the three PDF pages (the port is missing, so
# the call fails after the rendering) and leaves no work files behind.
if "$qlnfax" fax send --data-dir data "$(cat recno.txt)" --device /dev/qln-no-such-port >/dev/null 2>&1; then
  exit 1
fi
test "$("$qlnfax" list outgoing --data-dir data | awk -F'\t' '{ print $7 }')" = 4
test -z "$(ls data | grep -i -e '\.apf$' -e '^_faxdoc')"
cp a.txt notpdf.pdf
if "$qlnfax" fax add --data-dir data --to Someone --phone 555 notpdf.pdf 2>err.txt; then exit 1; fi
grep -q 'is not a PDF or TIFF file' err.txt
# The output may not be the input.
if "$qlnfax" export fax.apf fax.apf 2>/dev/null; then exit 1; fi
cp fax.apf same.pdf
if "$qlnfax" export same.pdf same.pdf 2>err.txt; then exit 1; fi
cmp fax.apf same.pdf
echo "qlnfax import/export: every page verified"

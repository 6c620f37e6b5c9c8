#!/usr/bin/env bash
# usage: pages_bench.sh QLNFAX [PAGES]   (default 8000 pages)
# Prints one line per case: seconds for qlnfax and for the reference tool,
# for PAGES/4 and PAGES pages, so that growth faster than the page count
# shows as a rising time per page.
set -euo pipefail
qlnfax=$1
pdfmaker=$(cd "$(dirname "$0")/../../tests/common" && pwd)/pdfmaker.py
pages=${2:-8000}
work=$(mktemp -d /tmp/qln-pages-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
cd "$work"
secs() { local t0=$EPOCHREALTIME; "$@" >/dev/null 2>&1; awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }'; }

printf '%-34s %8s %8s %10s\n' case pages qlnfax reference
for n in $((pages / 4)) "$pages"; do
    python3 -c "import sys; sys.stdout.write(''.join('p%d\f\r\n' % i for i in range($n)))" >text.txt
    "$qlnfax" convert text.txt -o many.apf >/dev/null
    a=$(secs "$qlnfax" export many.apf many.tif)
    b=$(secs tiffcp many.tif copy.tif)
    printf '%-34s %8d %8.2f %10.2f\n' "APF export to TIFF (tiffcp)" "$n" "$a" "$b"
    a=$(secs "$qlnfax" convert many.tif -o back.apf)
    printf '%-34s %8d %8.2f %10.2f\n' "TIFF to APF (tiffcp)" "$n" "$a" "$b"
    python3 "$pdfmaker" pages many.pdf "$n"
    a=$(secs "$qlnfax" convert many.pdf -o pdf.apf)
    mkdir -p ppm
    b=$(secs pdftoppm -r 204 -mono many.pdf ppm/p)
    rm -rf ppm
    printf '%-34s %8d %8.2f %10.2f\n' "PDF to APF (pdftoppm -mono)" "$n" "$a" "$b"
done

# One Letter page holding a 30000 x 30000 one-bit picture.
python3 "$pdfmaker" picture picture.pdf 30000
a=$(secs "$qlnfax" convert picture.pdf -o picture.apf)
mkdir -p ppm
b=$(secs pdftoppm -r 204 -mono picture.pdf ppm/p)
printf '%-34s %8d %8.2f %10.2f\n' "PDF 30000x30000 picture (pdftoppm)" 1 "$a" "$b"

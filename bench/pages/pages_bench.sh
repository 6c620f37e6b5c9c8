#!/usr/bin/env bash
# usage: pages_bench.sh QLNFAX [PAGES]   (default 8000 pages)
# Prints one line per case: seconds for qlnfax and for the reference tool,
# for PAGES/4 and PAGES pages, so that growth faster than the page count
# shows as a rising time per page.
set -euo pipefail
qlnfax=$1
pages=${2:-8000}
work=$(mktemp -d /tmp/qln-pages-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
cd "$work"
secs() { local t0=$EPOCHREALTIME; "$@" >/dev/null 2>&1; awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }'; }

pdf_pages() {  # N FILE: N tiny pages, each one line
    python3 - "$1" "$2" <<'PY'
import sys
n, name = int(sys.argv[1]), sys.argv[2]
objs = [b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % (4 + i) for i in range(n)) + b"] /Count %d >>" % n,
        b"<< /Length 14 >>\nstream\n0 0 m 9 9 l S\nendstream"]
objs += [b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 10] /Contents 3 0 R >>"] * n
out, offs = bytearray(b"%PDF-1.4\n"), []
for i, o in enumerate(objs, 1):
    offs.append(len(out)); out += b"%d 0 obj\n" % i + o + b"\nendobj\n"
x = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1) + b"".join(b"%010d 00000 n \n" % o for o in offs)
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, x)
open(name, "wb").write(bytes(out))
PY
}

printf '%-34s %8s %8s %10s\n' case pages qlnfax reference
for n in $((pages / 4)) "$pages"; do
    python3 -c "import sys; sys.stdout.write(''.join('p%d\f\r\n' % i for i in range($n)))" >text.txt
    "$qlnfax" convert text.txt -o many.apf >/dev/null
    a=$(secs "$qlnfax" export many.apf many.tif)
    b=$(secs tiffcp many.tif copy.tif)
    printf '%-34s %8d %8.2f %10.2f\n' "APF export to TIFF (tiffcp)" "$n" "$a" "$b"
    a=$(secs "$qlnfax" convert many.tif -o back.apf)
    printf '%-34s %8d %8.2f %10.2f\n' "TIFF to APF (tiffcp)" "$n" "$a" "$b"
    pdf_pages "$n" many.pdf
    a=$(secs "$qlnfax" convert many.pdf -o pdf.apf)
    mkdir -p ppm
    b=$(secs pdftoppm -r 204 -mono many.pdf ppm/p)
    rm -rf ppm
    printf '%-34s %8d %8.2f %10.2f\n' "PDF to APF (pdftoppm -mono)" "$n" "$a" "$b"
done

# One Letter page holding a 30000 x 30000 one-bit picture.
python3 - <<'PY'
import zlib
w = h = 30000
c = zlib.compressobj(9)
data = b"".join(c.compress(b"\x55" * (w // 8) * 64) for _ in range(h // 64)) + c.flush()
content = b"q 612 0 0 792 0 0 cm /Im1 Do Q"
objs = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        b"/Resources << /XObject << /Im1 5 0 R >> >> >>",
        b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream",
        b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray /BitsPerComponent 1 "
        b"/Filter /FlateDecode /Length %d >>\nstream\n" % (w, h - h % 64, len(data)) + data + b"\nendstream"]
out, offs = bytearray(b"%PDF-1.4\n"), []
for i, o in enumerate(objs, 1):
    offs.append(len(out)); out += b"%d 0 obj\n" % i + o + b"\nendobj\n"
x = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1) + b"".join(b"%010d 00000 n \n" % o for o in offs)
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, x)
open("picture.pdf", "wb").write(bytes(out))
PY
a=$(secs "$qlnfax" convert picture.pdf -o picture.apf)
mkdir -p ppm
b=$(secs pdftoppm -r 204 -mono picture.pdf ppm/p)
printf '%-34s %8d %8.2f %10.2f\n' "PDF 30000x30000 picture (pdftoppm)" 1 "$a" "$b"

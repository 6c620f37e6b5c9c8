#!/usr/bin/env python3
"""Small PDF files for tests and benchmarks, written without any library.

usage: pdfmaker.py KIND OUT [N]
  text       one Letter page with a line of text
  cut        the same cut short (no trailer)
  loop       a page tree whose node is its own ancestor
  encrypted  the text page behind the standard security handler (a password
             that is not empty)
  pages      N tiny pages of one line each
  picture    one Letter page holding an N x N one-bit picture
"""
import sys
import zlib


def pdf(objs, trailer_extra=b""):
    out, offs = bytearray(b"%PDF-1.4\n"), []
    for i, o in enumerate(objs, 1):
        offs.append(len(out))
        out += b"%d 0 obj\n" % i + o + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offs)
    out += b"trailer\n<< /Size %d /Root 1 0 R " % (len(objs) + 1) + trailer_extra
    out += b">>\nstartxref\n%d\n%%%%EOF\n" % xref
    return bytes(out)


def stream(data, dictionary=b""):
    return b"<< %s/Length %d >>\nstream\n" % (dictionary, len(data)) + data + b"\nendstream"


def text_page():
    return [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
            b"/Resources << /Font << /F1 5 0 R >> >> >>",
            stream(b"BT /F1 24 Tf 72 700 Td (Hello) Tj ET"),
            b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]


def make(kind, n):
    if kind == "text":
        return pdf(text_page())
    if kind == "cut":
        return pdf(text_page())[:200]
    if kind == "loop":
        return pdf([b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    b"<< /Type /Pages /Parent 2 0 R /Kids [2 0 R] /Count 1 >>"])
    if kind == "encrypted":
        key = b"<0123456789abcdef0123456789abcdef>"
        handler = b"<< /Filter /Standard /V 1 /R 2 /O <" + b"11" * 32 + b"> /U <" + b"22" * 32 + b"> /P -4 >>"
        return pdf(text_page() + [handler], b"/Encrypt 6 0 R /ID [" + key + key + b"] ")
    if kind == "pages":
        kids = b" ".join(b"%d 0 R" % (4 + i) for i in range(n))
        objs = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [" + kids + b"] /Count %d >>" % n,
                stream(b"0 0 m 9 9 l S")]
        return pdf(objs + [b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 10] /Contents 3 0 R >>"] * n)
    if kind == "picture":
        rows = n - n % 64
        c = zlib.compressobj(9)
        data = b"".join(c.compress(b"\x55" * ((n + 7) // 8) * 64) for _ in range(rows // 64)) + c.flush()
        return pdf([b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                    b"/Resources << /XObject << /Im1 5 0 R >> >> >>",
                    stream(b"q 612 0 0 792 0 0 cm /Im1 Do Q"),
                    stream(data, b"/Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray "
                                 b"/BitsPerComponent 1 /Filter /FlateDecode " % (n, rows))])
    raise SystemExit("unknown kind " + kind)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    with open(sys.argv[2], "wb") as f:
        f.write(make(sys.argv[1], int(sys.argv[3]) if len(sys.argv) > 3 else 0))

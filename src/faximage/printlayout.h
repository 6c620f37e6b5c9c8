// Page layout of fax printing, without any drawing: where each fax page goes
// on a sheet (one per sheet, or four in portrait / two in landscape), when a
// new sheet starts, where and how large the page image is printed (stretched
// to fit or at its natural size, always at the fax page's own aspect), and
// the expansion of header and footer templates.
//
// Plain functions on integers and strings, so the rules can be checked
// without a printer. Thread-safe.
#pragma once

#include <string>

namespace qln::fax {

// A rectangle in printer pixels; right and bottom are exclusive.
struct PrintRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const PrintRect &) const = default;
};

// a * b / c rounded to the nearest integer (halves away from zero), the way
// the operating system's multiply-divide rounds; 0 when c is 0.
int mulDiv(int a, int b, int c);

// Whether page p (first..last) starts a new sheet: never the first page;
// every page when one page goes on a sheet; with several per sheet, every
// fourth page in portrait and every second in landscape, counted from first.
bool startsNewSheet(int page, int first, bool multiPage, bool landscape);

// The part of the sheet `sheet` that page p takes. One page per sheet: the
// whole sheet. Several: the sheet halved across (and in portrait also down),
// quarter q = (p - first) mod 4 in the order top left, top right, bottom
// left, bottom right (landscape: left, right), shrunk by 2 on every side.
PrintRect pageCell(const PrintRect &sheet, int page, int first, bool multiPage, bool landscape);

// Pixel density of a page bitmap as the printer's unpacker delivers it: 204
// pixels to the inch across, 196 lines down (a normal-resolution page has
// each of its 98 lines per inch doubled). Wide pages keep the density.
inline constexpr int kFaxPrintDpiX = 204;
inline constexpr int kFaxPrintDpiY = 196;

// Size of the page image on paper, always at the fax page's aspect (its
// pixels 1/204 inch wide and 1/196 inch high). Natural: the page's real size
// on a printer of `printerDpi`, shrunk to the cell when it does not fit.
// Fit: stretched or shrunk until it meets the cell's width or height.
// Never larger than the cell.
struct PrintSize {
    int width = 0;
    int height = 0;
};
PrintSize printedSize(const PrintRect &cell, int bitmapWidth, int bitmapHeight, bool fitToPage,
                      int printerDpi);

// Where the image of printedSize goes in the cell: at its top, centred
// across.
PrintRect printedRect(const PrintRect &cell, const PrintSize &size);

// Values of the template tokens for one page.
struct MarginValues {
    std::string date;      // $D
    std::string time;      // $T
    std::string fileName;  // $F
    int page = 0;          // $P
    int pageCount = 0;     // $N
};

// Expands a header or footer template: a token runs from "$" to the next
// blank (or the end); its second character, in either case, picks the value
// (D date, F file name, N page count, P page, T time); any other token is
// removed, leaving the blank that followed it. Text inserted for a token is
// not searched again.
std::string expandMarginTemplate(const std::string &templ, const MarginValues &values);

} // namespace qln::fax

// The decisions of the fax viewer window and of the hand-over from the main
// window, as plain functions: the start zoom, the zoom steps, the status
// text, the page header texts, the export of a page, the print options and
// what they do to the fax printer.
//
// Plain functions; the export and the printer set-up run on the
// user-interface thread (they use the unpacker and the printer component).
#pragma once

#include <string>
#include <vector>

namespace qln::fax {
class TApdFaxPrinter;
}

namespace qln::viewer {

// ---- Zoom ---------------------------------------------------------------------

// The window's internal zoom: 25, 50, 75 or 100; 66 before the first one.
inline constexpr int kZoomNone = 66;
// Zoom for a page of `pageWidth` pixels in a control `controlWidth` wide:
// 50 when it fits; else 50 when trunc(control / page * 150) >= 37, else 25.
int startZoom(int controlWidth, int pageWidth);
// The next step in or out; `beep` is set (and the zoom kept) at the end.
int zoomIn(int zoom, bool &beep);
int zoomOut(int zoom, bool &beep);
// Caption of the menu item of a zoom ("50%", "100%", "150%", "200%",
// "Fit &Width", "Fit &Page").
const char *zoomCaption(int zoom);

// Zooms that follow the window: the page's width fills the control (room
// left for the vertical scroll bar), or the whole page fits in it.
inline constexpr int kZoomFitWidth = -1;
inline constexpr int kZoomFitPage = -2;
inline bool isFitZoom(int zoom) { return zoom == kZoomFitWidth || zoom == kZoomFitPage; }

// The display scale of a zoom: multiplier and divisor, the same on both
// axes. Fixed zooms give z / 100 (100: 1 / 1); fit zooms are computed from
// the page (as displayed unscaled, rotation applied) and the control's
// client area; `scrollBar` is the width of a vertical scroll bar.
struct ZoomScale {
    unsigned mult = 1;
    unsigned div = 1;
    bool operator==(const ZoomScale &) const = default;
};
ZoomScale zoomScale(int zoom, int pageWidth, int pageHeight, int clientWidth, int clientHeight, int scrollBar);
// Zoom in or out from a fit zoom showing at `scale`: the next fixed step
// beyond it; `beep` when there is none.
int zoomInFromFit(const ZoomScale &scale, bool &beep);
int zoomOutFromFit(const ZoomScale &scale, bool &beep);

// The viewer window's size when no placement is stored: wide enough for a
// fax page at the start zoom (864 pixels) beside `chromeWidth` pixels of
// frame and scroll bar, as tall as the screen's free area allows (up to the
// page's height at that zoom), never larger than the free area.
struct WindowSize {
    int width = 0;
    int height = 0;
};
WindowSize initialViewerSize(int availWidth, int availHeight, int chromeWidth, int chromeHeight);

// "Page %d of %d", "%s: Page %d of %d" with a prefix, "No file loaded"
// without a file.
std::string pageStatusText(const std::string &prefix, int page, int pageCount, bool hasFile);

// ---- Header texts of the hand-over ---------------------------------------------

// "YYYYMMDD" in the short date format, " at ", the time; "unknown" for a
// part that cannot be read.
std::string faxDateText(const std::string &yyyymmdd, const std::string &time);
// "not sent" for a fax that was not sent, else faxDateText.
std::string sentDateText(bool sent, const std::string &yyyymmdd, const std::string &time);
std::string outgoingHeaderText(const std::string &recipient, const std::string &subject,
                               const std::string &dateText);
// `faxFilePath` is given as the program shows it; it is put in lower case.
std::string receivedHeaderText(const std::string &from, const std::string &dateText,
                               const std::string &faxFilePath);

// ---- Export ----------------------------------------------------------------------

enum class ExportType { Bmp, Pcx, Dcx, Pdf, Tiff };
// "BMP", "PCX", "DCX", "PDF", "TIF".
const char *exportExtension(ExportType t);
// The export types the build offers; PDF and TIFF (every page) when the fax
// image library has its multi-page export.
std::vector<ExportType> availableExportTypes();
// The name typed in the save dialog with the type's extension (in lower
// case) added when it has none.
std::string exportFileName(const std::string &typed, ExportType t);
// The save dialog's filter, e.g. "BMP File (*.bmp *.BMP)".
std::string exportFilter(ExportType t);
// Why `outFile` cannot take an export of `apfFile`: the text for the user,
// or "" when it can. The fax file itself (under any name) is refused.
std::string exportTargetProblem(const std::string &apfFile, const std::string &outFile);
// Writes page `page` of `apfFile` to `outFile` as the window does: no aspect
// correction by the unpacker, blank-line compression as given, and a file
// whose page 1 is normal resolution stretched 2/1 vertically (each line
// twice). BMP and PCX files carry the fax resolution (204 x 196 pixels per
// inch). PDF and TIFF write every page at its own resolution. Raises
// fax::EFaxUnpackerError on failure (-1002 for the fax file itself as the
// output).
void exportPage(const std::string &apfFile, int page, ExportType type, const std::string &outFile,
                bool whitespace = false, unsigned wsFrom = 0, unsigned wsTo = 0);

// ---- Printing ----------------------------------------------------------------------

// Where a print job goes: a printer (empty name: the system's default) or a
// PDF file.
struct PrintDestination {
    bool toPdf = false;
    std::string printerName;
    std::string pdfFile;
    bool operator==(const PrintDestination &) const = default;
};
// The destination the print dialog opens with: the one chosen before when
// it still exists (a PDF file, or a printer still installed), else the
// default printer, else the first printer, and on a machine without any
// printer a PDF file named after the fax in `folder`.
PrintDestination proposePrintDestination(const std::vector<std::string> &printers,
                                         const std::string &defaultPrinter,
                                         const PrintDestination &previous, const std::string &faxFile,
                                         const std::string &folder);
// A PDF file name with ".pdf" added when it has no extension.
std::string pdfFileName(const std::string &typed);

struct PrintOptions {
    bool multiPage = false;
    bool header = false;
    bool footer = false;
    bool stretch = false;
};

// What the print dialog gives back.
struct PrintChoice {
    int fromPage = 1;
    int toPage = 1;
    PrintOptions options;
};

// The print dialog's Ok: refused (a beep) while the "To" page is enabled
// and lower than the "From" page.
bool printRangeAcceptable(bool toEnabled, int fromPage, int toPage);

// Sets the printer for a job: the range, the scale (fit to page with
// stretch), multi-page (never for the current page alone), header and
// footer with their captions ("Page: $P of $N"; the header text).
void applyPrintChoice(fax::TApdFaxPrinter &printer, const PrintChoice &choice, bool currentPageOnly,
                      const std::string &headerText);

}  // namespace qln::viewer

// Export of APF fax pages for sharing: multi-page PDF, multi-page TIFF
// class F, PNG and BMP (one page), PCX and DCX (one page, through the
// unpacker).
//
// PDF and TIFF keep every page at its own fax resolution: a TIFF page
// carries XResolution 204 and YResolution 196 (fine) or 98 (normal) per
// inch, so readers show a normal page at its true aspect; a PDF page has
// the fax page's physical size (width / 204 inch by lines / 196 or 98 inch)
// and holds one image of the page, coded as in the TIFF (Group 3, through
// CCITTFaxDecode), so nothing is lost or resampled. PNG and BMP have no
// usable pixel aspect, so a normal page has each line doubled unless raw
// lines are asked for.
//
// Every output is written under a temporary name and renamed when complete
// (OutputFile); an output naming the input file, or a page that decodes to
// no line, fails with nothing written.
//
// Plain functions; any thread, except that PNG and BMP writing use QtGui's
// image writers (no widgets) and PCX / DCX go through TApdFaxUnpacker,
// which is for the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QImage>

#include "faximage/unpackertiff.h"

namespace qln::fax {

enum class FaxExportFormat { None, Pdf, Tiff, Png, Bmp, Pcx, Dcx };

// The format a file name asks for by its extension (case ignored):
// pdf, tif/tiff, png, bmp, pcx, dcx; else None.
FaxExportFormat faxExportFormatFor(const std::string &fileName);

struct FaxExportOptions {
    // Page to write, from 1; 0 means every page for PDF and TIFF and page 1
    // for the single-page formats.
    int page = 0;
    // PNG and BMP: keep a normal page's lines as they are in the file.
    bool rawLines = false;
};

// Decodes page `page` (from 1) or, with 0, every page of an APF file. A page
// without any line gives -8001 ("Bad fax format"); other errors as
// readFaxPageLines.
int readFaxPages(const std::string &apfFile, int page, std::vector<FaxPageLines> &pages);

// The bytes of a TIFF class F file holding the pages in order, one image
// file directory per page with its own resolution and PageNumber.
std::vector<uint8_t> makeTiffClassFPages(const std::vector<FaxPageLines> &pages);

// A page as a monochrome image (black on white); with doubleNormalLines a
// normal-resolution page has each line twice.
QImage faxPageImage(const FaxPageLines &page, bool doubleNormalLines);

// Writers over decoded pages. 0 or a negative code.
int writeFaxPdf(const std::vector<FaxPageLines> &pages, const std::string &outFile);
int writeFaxTiff(const std::vector<FaxPageLines> &pages, const std::string &outFile);
// PNG or BMP (format "png" / "bmp") of one page.
int writeFaxImage(const FaxPageLines &page, const std::string &outFile, const char *format, bool rawLines);

// The whole export: reads the APF file and writes `outFile` in the format
// its extension names. Unknown extension or output equal to the input:
// -1002 ("Bad argument"); a page number past the last page: the unpacker's
// error.
int exportFaxFile(const std::string &apfFile, const std::string &outFile, const FaxExportOptions &options);

} // namespace qln::fax

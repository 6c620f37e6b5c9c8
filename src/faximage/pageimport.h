// Whole-page converter inputs: TIFF files of any kind libtiff reads
// (Group 3 / Group 4 fax files, scans in any compression, grey or colour,
// every page) and PDF documents rendered through poppler.
//
// These inputs are pages, not pictures to be placed: each page is scaled to
// the full page width (1728 or 2048 pixels, no left margin, no centring)
// and its lines follow at the page's own resolution, so the pages' physical
// proportions are kept. A TIFF page is fine when its vertical resolution is
// at least 150 dots per inch, else normal (a page without resolution tags
// takes the converter's resolution and is treated as having square
// pixels); a PDF page is rendered at the converter's resolution. Grey and
// colour pixels are thresholded near black and white and ordered-dithered
// in between (dither.h).
//
// TiffAnyReader is the converter's TIFF input: the own TiffReader reads a
// single-image file it accepts, placed as before; a file of more than one
// image, or one the own reader refuses (-8002), goes to libtiff.
//
// Errors: a missing file -2; a file neither reader accepts, an encrypted
// PDF, or a page larger than 32767 x 65535 source pixels or 64 million
// pixels in all (a PDF page over about 190 inches long) -8002.
//
// Not thread-safe: one reader per conversion.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QImage>

#include "faximage/convertercore.h"
#include "faximage/monobitmap.h"

namespace qln::fax {

// A source page before scaling: any QImage, and its resolution in dots per
// inch (0 when unknown).
struct SourcePage {
    QImage image;
    // A bilevel page may come as fax raster instead (1 = black); it is
    // used as it is when it needs no scaling.
    MonoBitmap mono;
    double xDpi = 0;
    double yDpi = 0;
    int fine = -1; // 1 fine, 0 normal, -1 decided from yDpi
};

// Scales a source page onto a fax page `pageWidth` pixels wide and turns it
// black and white (1 = black). `defaultFine` is used when the page does not
// decide. Sets `fine` to the page's resolution. Null bitmap on failure.
MonoBitmap faxPageFromSource(const SourcePage &src, int pageWidth, bool defaultFine, bool &fine);

class WholePageReader : public FaxInputReader {
public:
    int open(ConverterCore &core, const std::string &fileName) override;
    int beginPage(ConverterCore &core) override;
    int readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages) override;
    void close() override;

    int pageCount() const { return pages_; }

protected:
    // Opens the source and tells its page count (at least 1).
    virtual int openSource(const std::string &fileName, int &pages) = 0;
    // Loads page `index` (from 0) of the open source.
    virtual int loadPage(int index, bool fine, SourcePage &page) = 0;
    virtual void closeSource() = 0;

private:
    int pages_ = 0;
    int next_ = 0;      // index of the page beginPage loads next
    int row_ = 0;       // next row of the current page
    bool defaultFine_ = false;
    MonoBitmap page_;
};

class LibTiffReader : public WholePageReader {
public:
    ~LibTiffReader() override;
    std::string defaultExtension() const override { return "TIF"; }

    // Number of images in a TIFF file as libtiff sees it; 0 when it cannot
    // open the file.
    static int imageCount(const std::string &fileName);

protected:
    int openSource(const std::string &fileName, int &pages) override;
    int loadPage(int index, bool fine, SourcePage &page) override;
    void closeSource() override;

private:
    void *tif_ = nullptr; // TIFF *
};

class PdfReader : public WholePageReader {
public:
    PdfReader();
    ~PdfReader() override;
    std::string defaultExtension() const override { return "PDF"; }

protected:
    int openSource(const std::string &fileName, int &pages) override;
    int loadPage(int index, bool fine, SourcePage &page) override;
    void closeSource() override;

private:
    struct Doc;
    std::unique_ptr<Doc> doc_;
};

// Whether a PDF or TIFF file attached as a fax's document converts: every
// page is converted as the rendering before a send converts it (into a
// scratch file that is removed), so that a document that is encrypted,
// truncated, loops or cannot be decoded is refused when it is attached
// rather than when the fax is sent. Empty when it converts; otherwise the
// reason ("the PDF is encrypted", "the TIFF does not convert: Unsupported
// graphics file format (-8002)").
std::string wholePageDocumentProblem(const std::string &fileName);

class TiffAnyReader : public FaxInputReader {
public:
    std::string defaultExtension() const override { return "TIF"; }
    int open(ConverterCore &core, const std::string &fileName) override;
    int beginPage(ConverterCore &core) override { return active_->beginPage(core); }
    int readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages) override
    {
        return active_->readLine(core, raster, endOfPage, morePages);
    }
    void close() override;

    // Whether libtiff reads the open file (else the own reader does).
    bool usingLibTiff() const { return usingLibTiff_; }

private:
    std::unique_ptr<FaxInputReader> active_;
    bool usingLibTiff_ = false;
};

} // namespace qln::fax

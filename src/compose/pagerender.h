// Page rendering: turns the cover sheet and the document of an outgoing fax
// into one APF file with one fax page per printed page. Each page of a rich
// text is painted into a 1664 × 2156 monochrome page bitmap (8.5 × 11
// inches at about 196 dots per inch), with a black dot five pixels in from
// its lower right corner, converted into a one-page APF file by the fax
// converter (bitmap input, fine resolution, placed after the converter's
// left margin), and the page files are joined into the base file
// QLN_<n>.APF (faxpagefiles.h).
//
// The bitmap goes to the converter in memory; with useBitmapFile it is
// written to "_TMP.BMP" in the data directory and converted from there
// instead (the pages come out the same).
//
// A rich text is reached through PagePainter, which RichDocument satisfies
// (PagePainterFor). Conversion and file errors are raised (the converter's
// EFaxConverterError, the library's EAPDException); a failed rendering
// removes the files it made before passing the error on.
//
// User-interface thread only: pending events run between pages.
#pragma once

#include "faximage/converter.h"

#include <functional>
#include <string>
#include <vector>

class QPainter;

namespace qln::compose {

// What rendering asks of a rich text.
class PagePainter {
public:
    virtual ~PagePainter() = default;
    // The emptiness test of rich text (no text; or under 256 characters with
    // each of the first 201 lines blank).
    virtual bool isEmptyText() const = 0;
    virtual void setZoom(int percent) = 0;
    // Ends a page at every hard page break while on.
    virtual void setPageBreakMode(bool on) = 0;
    // Paints as many lines as fit from firstLine on; returns the first line
    // not painted, 0 when the text is finished.
    virtual int paintPage(QPainter &painter, int left, int top, int width, int bottomLimit, int firstLine) = 0;
};

// PagePainter over any document type with the same four calls.
template <typename Doc>
class PagePainterFor : public PagePainter {
public:
    explicit PagePainterFor(Doc &doc) : doc_(doc) {}
    bool isEmptyText() const override { return doc_.isEmptyText(); }
    void setZoom(int percent) override { doc_.setZoom(percent); }
    void setPageBreakMode(bool on) override { doc_.setPageBreakMode(on); }
    int paintPage(QPainter &p, int left, int top, int width, int bottomLimit, int firstLine) override
    {
        return doc_.paintPage(p, left, top, width, bottomLimit, firstLine);
    }

private:
    Doc &doc_;
};

class FaxPageRenderer {
public:
    static constexpr int kPageWidth = 1664;
    static constexpr int kPageHeight = 2156;
    static constexpr int kMargin = 49;
    static constexpr int kDotInset = 5;
    static constexpr const char *kBitmapFile = "_TMP.BMP";
    static constexpr const char *kNoContents = "Fax has no contents or cover sheet";

    // Status texts in the order CreateFaxFile shows them.
    static constexpr const char *kCreating = "Creating fax file";
    static constexpr const char *kCreatingPages = "Creating fax file....";
    static constexpr const char *kJoining = "Creating fax file........";

    // dataDir ends with '/'; screenPixelsPerInch sets the zoom.
    explicit FaxPageRenderer(std::string dataDir, int screenPixelsPerInch = 96);

    // The fax converter, set up for page bitmaps (idBmp, coYield, frHigh).
    fax::TApdFaxConverter ApdFaxConverter1;

    // Hand the converter "_TMP.BMP" instead of the bitmap in memory.
    bool useBitmapFile = false;

    // Hooks of the main window: the status panel text ("" clears it), the
    // hourglass with the button bar disabled (true) or back to normal, and
    // letting pending events run. Defaults do nothing / run Qt's loop.
    std::function<void(const std::string &)> onStatus;
    std::function<void(bool busy)> onBusy;
    std::function<void()> processMessages;

    // Zoom that scales the screen layout to about 200 dots per inch:
    // trunc(200 / ppi × 100) percent.
    static int zoomFor(int screenPixelsPerInch);

    // Appends one APF file per page of the text to `pages`.
    void RenderRichText(PagePainter &text, std::vector<std::string> &pages);

    // Converts an attached PDF or TIFF document (faxdocumentfile.h), every
    // page at fine resolution, into one APF file appended to `pages`;
    // returns its page count. A file of another kind raises -8002.
    int RenderDocumentFile(const std::string &file, std::vector<std::string> &pages);

    // The whole rendering of a fax whose cover sheet and document are
    // loaded. Returns the joined file's full name and sets pageCount; with
    // both texts empty (and no document file) shows "Fax has no contents or
    // cover sheet" and returns "". A document file, when given, follows the
    // cover sheet and the document text.
    std::string CreateFaxFile(PagePainter &cover, PagePainter &document, int &pageCount,
                              const std::string &documentFile = {});

private:
    void status(const std::string &text);
    void busy(bool on);
    void pump();
    void convertPage(const class QImage &page, const std::string &apfName);

    std::string dataDir_;
    int ppi_;
};

}  // namespace qln::compose

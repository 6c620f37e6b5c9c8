#include "compose/pagerender.h"

#include "common/messages.h"
#include "compose/faxpagefiles.h"
#include "faximage/apferrors.h"
#include "faximage/convertererror.h"
#include "faximage/faxdocumentfile.h"
#include "faximage/apfreader.h"
#include "faximage/monobitmap.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <stdexcept>

namespace qln::compose {

namespace {

// The painted page as a fax bitmap (1 = black): a pixel is black when its
// grey value is below the middle, as on a monochrome device.
fax::MonoBitmap toMono(const QImage &page)
{
    fax::MonoBitmap bm(page.width(), page.height());
    for (int y = 0; y < page.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(page.constScanLine(y));
        uint8_t *out = bm.row(y);
        for (int x = 0; x < page.width(); ++x) {
            const QRgb px = in[x];
            if ((px & 0xFFFFFF) != 0xFFFFFF && qGray(px) < 128)
                out[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
    }
    return bm;
}

}  // namespace

FaxPageRenderer::FaxPageRenderer(std::string dataDir, int screenPixelsPerInch)
    : dataDir_(std::move(dataDir)), ppi_(screenPixelsPerInch > 0 ? screenPixelsPerInch : 96)
{
    ApdFaxConverter1.SetInputDocumentType(fax::idBmp);
    ApdFaxConverter1.SetOptions(fax::coYield);
    ApdFaxConverter1.SetResolution(fax::frHigh);
}

int FaxPageRenderer::zoomFor(int screenPixelsPerInch)
{
    if (screenPixelsPerInch <= 0)
        screenPixelsPerInch = 96;
    return 20000 / screenPixelsPerInch;
}

void FaxPageRenderer::status(const std::string &text)
{
    if (onStatus)
        onStatus(text);
}

void FaxPageRenderer::busy(bool on)
{
    if (onBusy)
        onBusy(on);
}

void FaxPageRenderer::pump()
{
    if (processMessages)
        processMessages();
    else if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void FaxPageRenderer::convertPage(const QImage &page, const std::string &apfName)
{
    const fax::MonoBitmap bitmap = toMono(page);
    if (!useBitmapFile) {
        pump();
        ApdFaxConverter1.ConvertBitmapToFile(bitmap, apfName);
        return;
    }
    const std::string bmpName = dataDir_ + kBitmapFile;
    if (!bitmap.toQImage(true).save(QString::fromStdString(bmpName), "BMP"))
        throw fax::EFaxConverterError(fax::ecDeviceWrite);
    pump();
    ApdFaxConverter1.SetDocumentFile(bmpName);
    ApdFaxConverter1.SetOutFileName(apfName);
    ApdFaxConverter1.ConvertDocument();
}

void FaxPageRenderer::RenderRichText(PagePainter &text, std::vector<std::string> &pages)
{
    const std::string base = BaseFaxFileName(dataDir_);
    int k = int(pages.size());
    QImage page(kPageWidth, kPageHeight, QImage::Format_RGB32);
    text.setZoom(zoomFor(ppi_));
    page.fill(Qt::white);
    text.setPageBreakMode(true);
    int next = 0;
    try {
        do {
            const int first = next;
            {
                QPainter painter(&page);
                painter.setRenderHint(QPainter::Antialiasing, false);
                painter.setRenderHint(QPainter::TextAntialiasing, false);
                next = text.paintPage(painter, kMargin, kMargin, kPageWidth - kMargin, kPageHeight - kMargin,
                                      first);
            }
            // A text that paints nothing more would make pages for ever.
            if (next > 0 && next <= first)
                throw std::runtime_error("A line of the text does not fit on a fax page");
            ++k;
            const std::string name = k == 1 ? base : PageFileName(dataDir_, k);
            page.setPixel(kPageWidth - kDotInset, kPageHeight - kDotInset, qRgb(0, 0, 0));
            convertPage(page, name);
            pages.push_back(name);
            page.fill(Qt::white);
        } while (next > 0);
    } catch (...) {
        if (useBitmapFile)
            std::remove((dataDir_ + kBitmapFile).c_str());
        throw;
    }
    if (useBitmapFile)
        std::remove((dataDir_ + kBitmapFile).c_str());
}

int FaxPageRenderer::RenderDocumentFile(const std::string &file, std::vector<std::string> &pages)
{
    const fax::TFaxInputDocumentType type = fax::faxDocumentFileType(file);
    if (type != fax::idPdf && type != fax::idTiff)
        throw fax::EFaxConverterError(fax::ecUnsupportedFormat);
    const int k = int(pages.size()) + 1;
    const std::string name = k == 1 ? BaseFaxFileName(dataDir_) : PageFileName(dataDir_, k);
    pump();
    fax::TApdFaxConverter converter;
    converter.SetInputDocumentType(type);
    converter.SetOptions(fax::coYield);
    converter.SetResolution(fax::frHigh);
    converter.SetDocumentFile(file);
    converter.SetOutFileName(name);
    converter.ConvertDocument();
    pages.push_back(name);
    fax::ApfReader reader;
    if (int rc = reader.open(name); rc < 0)
        throw fax::EFaxConverterError(rc);
    return reader.pageCount();
}

std::string FaxPageRenderer::CreateFaxFile(PagePainter &cover, PagePainter &document, int &pageCount,
                                           const std::string &documentFile)
{
    busy(true);
    status(kCreating);
    pump();
    if (cover.isEmptyText() && document.isEmptyText() && documentFile.empty()) {
        busy(false);
        status("");
        messages().message(kNoContents);
        return {};
    }
    std::vector<std::string> pages;
    try {
        status(kCreatingPages);
        pump();
        if (!cover.isEmptyText())
            RenderRichText(cover, pages);
        if (!document.isEmptyText())
            RenderRichText(document, pages);
        // Every file so far holds one page; an attached document many.
        int count = int(pages.size());
        if (!documentFile.empty())
            count += RenderDocumentFile(documentFile, pages);
        pageCount = count;
        status(kJoining);
        pump();
        const std::string joined = JoinFaxPages(pages);
        busy(false);
        status("");
        return joined;
    } catch (...) {
        // Nothing of a failed rendering stays in the data directory.
        for (const std::string &p : pages)
            std::remove(p.c_str());
        busy(false);
        status("");
        throw;
    }
}

}  // namespace qln::compose

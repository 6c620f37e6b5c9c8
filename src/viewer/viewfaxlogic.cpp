// Zoom, status, header texts, export and print settings of the fax viewer
// window. See viewfaxlogic.h.
#include "viewer/viewfaxlogic.h"

#include "common/localeformats.h"
#include "faximage/apferrors.h"
#include "faximage/faxprinter.h"
#include "faximage/unpacker.h"

#if __has_include("faximage/faxexport.h")
#include "faximage/faxexport.h"
#define QLN_VIEWER_MULTIPAGE_EXPORT 1
#endif

#include <QDate>
#include <QImageWriter>
#include <QSaveFile>
#include <QTime>

#include <cctype>
#include <cstdio>

namespace qln::viewer {

int startZoom(int controlWidth, int pageWidth)
{
    if (pageWidth > controlWidth && pageWidth > 0)
        return int(double(controlWidth) / double(pageWidth) * 150.0) >= 37 ? 50 : 25;
    return 50;
}

int zoomIn(int zoom, bool &beep)
{
    beep = zoom >= 100;
    if (beep)
        return zoom;
    return zoom < 50 ? 50 : zoom < 75 ? 75 : 100;
}

int zoomOut(int zoom, bool &beep)
{
    beep = zoom <= 25;
    if (beep)
        return zoom;
    return zoom > 75 ? 75 : zoom > 50 ? 50 : 25;
}

const char *zoomCaption(int zoom)
{
    switch (zoom) {
    case 25: return "50%";
    case 50: return "100%";
    case 75: return "150%";
    case 100: return "200%";
    default: return "";
    }
}

std::string pageStatusText(const std::string &prefix, int page, int pageCount, bool hasFile)
{
    if (!hasFile)
        return "No file loaded";
    std::string s = "Page " + std::to_string(page) + " of " + std::to_string(pageCount);
    return prefix.empty() ? s : prefix + ": " + s;
}

std::string faxDateText(const std::string &yyyymmdd, const std::string &time)
{
    const QDate d = QDate::fromString(QString::fromStdString(yyyymmdd), QStringLiteral("yyyyMMdd"));
    const std::string date = d.isValid() ? formatDate(localeFormats().shortDateFormat, d) : "unknown";
    std::string t = time;
    while (!t.empty() && t.back() == ' ')
        t.pop_back();
    while (!t.empty() && t.front() == ' ')
        t.erase(t.begin());
    return date + " at " + (t.empty() ? std::string("unknown") : t);
}

std::string sentDateText(bool sent, const std::string &yyyymmdd, const std::string &time)
{
    return sent ? faxDateText(yyyymmdd, time) : "not sent";
}

namespace {
const std::string kSeparator(13, ' ');

std::string trimmed(std::string s)
{
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return s.substr(i);
}
}  // namespace

std::string outgoingHeaderText(const std::string &recipient, const std::string &subject,
                               const std::string &dateText)
{
    return "To: " + recipient + kSeparator + "Subject: " + subject + kSeparator + "Sent: " + dateText;
}

std::string receivedHeaderText(const std::string &from, const std::string &dateText,
                               const std::string &faxFilePath)
{
    std::string lower = faxFilePath;
    for (char &c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return "From: " + trimmed(from) + kSeparator + "Received: " + dateText + kSeparator + "Fax File: " + lower;
}

// ---- Export ----------------------------------------------------------------------

const char *exportExtension(ExportType t)
{
    switch (t) {
    case ExportType::Bmp: return "BMP";
    case ExportType::Pcx: return "PCX";
    case ExportType::Dcx: return "DCX";
    case ExportType::Pdf: return "PDF";
    case ExportType::Tiff: return "TIF";
    }
    return "";
}

std::vector<ExportType> availableExportTypes()
{
#ifdef QLN_VIEWER_MULTIPAGE_EXPORT
    return {ExportType::Bmp, ExportType::Pcx, ExportType::Dcx, ExportType::Pdf, ExportType::Tiff};
#else
    return {ExportType::Bmp, ExportType::Pcx, ExportType::Dcx};
#endif
}

void exportPage(const std::string &apfFile, int page, ExportType type, const std::string &outFile, bool whitespace,
                unsigned wsFrom, unsigned wsTo)
{
    if (type == ExportType::Pdf || type == ExportType::Tiff) {
#ifdef QLN_VIEWER_MULTIPAGE_EXPORT
        fax::FaxExportOptions options;
        options.page = 0;
        if (int rc = fax::exportFaxFile(apfFile, outFile, options))
            throw fax::EFaxUnpackerError(rc);
        return;
#else
        throw fax::EFaxUnpackerError(fax::ecUnsupportedFormat);
#endif
    }
    fax::TApdFaxUnpacker u;
    u.AutoScaleMode = fax::asNone;
    u.WhitespaceCompression = whitespace;
    u.WhitespaceFrom = wsFrom;
    u.WhitespaceTo = wsTo;
    u.setInFileName(apfFile);
    u.OutFileName = outFile;
    if (u.ReadFaxResolution() == fax::frNormalRes) {
        u.Scaling = true;
        u.setHorizMult(1);
        u.setHorizDiv(1);
        u.setVertMult(2);
        u.setVertDiv(1);
    }
    if (type == ExportType::Pcx) {
        u.ExtractPagePcx(page);
        return;
    }
    if (type == ExportType::Dcx) {
        u.ExtractPageDcx(page);
        return;
    }
    const fax::MonoBitmap bm = u.ExtractPageBitmap(page);
    if (bm.isNull())
        throw fax::EFaxUnpackerError(fax::ecFaxBadFormat);
    QSaveFile file(QString::fromStdString(outFile));
    if (!file.open(QIODevice::WriteOnly))
        throw fax::EFaxUnpackerError(fax::ecAccessDenied);
    QImageWriter writer(&file, "bmp");
    if (!writer.write(bm.toQImage(false))) {
        file.cancelWriting();
        throw fax::EFaxUnpackerError(fax::ecDeviceWrite);
    }
    if (!file.commit())
        throw fax::EFaxUnpackerError(fax::ecDeviceWrite);
}

// ---- Printing ----------------------------------------------------------------------

bool printRangeAcceptable(bool toEnabled, int fromPage, int toPage)
{
    return !(toEnabled && toPage < fromPage);
}

void applyPrintChoice(fax::TApdFaxPrinter &printer, const PrintChoice &choice, bool currentPageOnly,
                      const std::string &headerText)
{
    printer.FirstPageToPrint = choice.fromPage;
    printer.LastPageToPrint = choice.toPage;
    printer.PrintScale = choice.options.stretch ? fax::psFitToPage : fax::psNone;
    printer.MultiPage = currentPageOnly ? false : choice.options.multiPage;
    printer.FaxHeader.Enabled = choice.options.header;
    printer.FaxFooter.Enabled = choice.options.footer;
    printer.FaxFooter.Caption = choice.options.footer ? "Page: $P of $N" : "";
    printer.FaxHeader.Caption = choice.options.header ? headerText : "";
}

}  // namespace qln::viewer

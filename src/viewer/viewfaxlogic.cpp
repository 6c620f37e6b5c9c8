// Zoom, status, header texts, export and print settings of the fax viewer
// window. See viewfaxlogic.h.
#include "viewer/viewfaxlogic.h"

#include "common/localeformats.h"
#include "faximage/apferrors.h"
#include "faximage/faxprinter.h"
#include "faximage/outputfile.h"
#include "faximage/unpacker.h"
#include "faximage/unpackerpcx.h"

#if __has_include("faximage/faxexport.h")
#include "faximage/faxexport.h"
#define QLN_VIEWER_MULTIPAGE_EXPORT 1
#endif

#include <QDate>
#include <QImageWriter>
#include <QSaveFile>
#include <QTime>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <iterator>

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
    case kZoomFitWidth: return "Fit &Width";
    case kZoomFitPage: return "Fit &Page";
    default: return "";
    }
}

ZoomScale zoomScale(int zoom, int pageWidth, int pageHeight, int clientWidth, int clientHeight, int scrollBar)
{
    if (!isFitZoom(zoom)) {
        if (zoom <= 0 || zoom == 100)
            return {};
        return {unsigned(zoom), 100u};
    }
    if (pageWidth <= 0 || pageHeight <= 0)
        return {};
    const int width = std::max(1, clientWidth - (zoom == kZoomFitWidth ? scrollBar : 0));
    const int height = std::max(1, clientHeight);
    if (zoom == kZoomFitWidth || int64_t(width) * pageHeight <= int64_t(height) * pageWidth)
        return {unsigned(width), unsigned(pageWidth)};
    return {unsigned(height), unsigned(pageHeight)};
}

namespace {
constexpr int kFixedZooms[] = {25, 50, 75, 100};
}  // namespace

int zoomInFromFit(const ZoomScale &scale, bool &beep)
{
    for (int z : kFixedZooms)
        if (int64_t(z) * scale.div > int64_t(scale.mult) * 100) {
            beep = false;
            return z;
        }
    beep = true;
    return 0;
}

int zoomOutFromFit(const ZoomScale &scale, bool &beep)
{
    for (auto it = std::rbegin(kFixedZooms); it != std::rend(kFixedZooms); ++it)
        if (int64_t(*it) * scale.div < int64_t(scale.mult) * 100) {
            beep = false;
            return *it;
        }
    beep = true;
    return 0;
}

WindowSize initialViewerSize(int availWidth, int availHeight, int chromeWidth, int chromeHeight)
{
    // A 1728-pixel page at the start zoom ("100%", half size), 2200 lines.
    constexpr int kPageWidth = 864, kPageHeight = 1100;
    WindowSize s;
    s.width = std::min(availWidth, kPageWidth + chromeWidth);
    s.height = std::min(availHeight, kPageHeight + chromeHeight);
    return s;
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

namespace {

// A name's extension (without the dot), or "" when its last part has none.
std::string extensionOf(const std::string &name)
{
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot + 1 == name.size())
        return {};
    return name.substr(dot + 1);
}

std::string lower(std::string s)
{
    for (char &c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Pixels per inch of an exported page: 204 across, 196 down (normal pages
// have each line twice).
constexpr int kExportDpiX = 204;
constexpr int kExportDpiY = 196;

int dotsPerMeter(int dpi) { return int(dpi / 0.0254 + 0.5); }

// A page bitmap (1 = white) as a PCX image marked with the fax resolution.
std::vector<uint8_t> pcxOf(const fax::MonoBitmap &bm)
{
    std::vector<uint8_t> rows(bm.bits.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = uint8_t(~bm.bits[i]);  // 1 = black, as the PCX writer takes it
    std::vector<uint8_t> pcx = fax::makePcxImage(rows.data(), bm.width, bm.bytesPerLine, bm.height);
    // Horizontal and vertical resolution, little-endian words at 12 and 14.
    pcx[12] = uint8_t(kExportDpiX & 0xFF);
    pcx[13] = uint8_t(kExportDpiX >> 8);
    pcx[14] = uint8_t(kExportDpiY & 0xFF);
    pcx[15] = uint8_t(kExportDpiY >> 8);
    return pcx;
}

}  // namespace

std::string exportFileName(const std::string &typed, ExportType t)
{
    if (typed.empty() || !extensionOf(typed).empty())
        return typed;
    return typed + "." + lower(exportExtension(t));
}

std::string exportFilter(ExportType t)
{
    const std::string ext = exportExtension(t);
    return ext + " File (*." + lower(ext) + " *." + ext + ")";
}

std::string exportTargetProblem(const std::string &apfFile, const std::string &outFile)
{
    if (outFile.empty())
        return "No file name was given.";
    if (outFile == apfFile || fax::sameFile(apfFile, outFile))
        return "The fax cannot be exported onto its own file " + outFile + ".";
    return {};
}

void exportPage(const std::string &apfFile, int page, ExportType type, const std::string &outFile, bool whitespace,
                unsigned wsFrom, unsigned wsTo)
{
    if (!exportTargetProblem(apfFile, outFile).empty())
        throw fax::EFaxUnpackerError(fax::ecBadArgument);
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
    const fax::MonoBitmap bm = u.ExtractPageBitmap(page);
    if (bm.isNull())
        throw fax::EFaxUnpackerError(fax::ecFaxBadFormat);
    if (type == ExportType::Pcx || type == ExportType::Dcx) {
        const std::vector<uint8_t> pcx = pcxOf(bm);
        const int rc = fax::writeFileAtomically(outFile, type == ExportType::Pcx ? pcx : fax::makeDcxFile(pcx));
        if (rc)
            throw fax::EFaxUnpackerError(rc);
        return;
    }
    QImage image = bm.toQImage(false);
    image.setDotsPerMeterX(dotsPerMeter(kExportDpiX));
    image.setDotsPerMeterY(dotsPerMeter(kExportDpiY));
    QSaveFile file(QString::fromStdString(outFile));
    if (!file.open(QIODevice::WriteOnly))
        throw fax::EFaxUnpackerError(fax::ecAccessDenied);
    QImageWriter writer(&file, "bmp");
    if (!writer.write(image)) {
        file.cancelWriting();
        throw fax::EFaxUnpackerError(fax::ecDeviceWrite);
    }
    if (!file.commit())
        throw fax::EFaxUnpackerError(fax::ecDeviceWrite);
}

// ---- Printing ----------------------------------------------------------------------

PrintDestination proposePrintDestination(const std::vector<std::string> &printers,
                                         const std::string &defaultPrinter,
                                         const PrintDestination &previous, const std::string &faxFile,
                                         const std::string &folder)
{
    auto installed = [&](const std::string &name) {
        return !name.empty() && std::find(printers.begin(), printers.end(), name) != printers.end();
    };
    if (previous.toPdf && !previous.pdfFile.empty())
        return previous;
    PrintDestination d;
    if (installed(previous.printerName)) {
        d.printerName = previous.printerName;
        return d;
    }
    if (installed(defaultPrinter)) {
        d.printerName = defaultPrinter;
        return d;
    }
    if (!printers.empty()) {
        d.printerName = printers.front();
        return d;
    }
    std::string base = faxFile;
    if (const std::size_t slash = base.find_last_of('/'); slash != std::string::npos)
        base = base.substr(slash + 1);
    if (const std::size_t dot = base.find_last_of('.'); dot != std::string::npos && dot > 0)
        base = base.substr(0, dot);
    if (base.empty())
        base = "fax";
    d.toPdf = true;
    d.pdfFile = (folder.empty() || folder.back() == '/' ? folder : folder + "/") + lower(base) + ".pdf";
    return d;
}

std::string pdfFileName(const std::string &typed)
{
    if (typed.empty() || !extensionOf(typed).empty())
        return typed;
    return typed + ".pdf";
}

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

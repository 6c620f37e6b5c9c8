#include "faximage/faxexport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "faximage/apf.h"
#include "faximage/apferrors.h"
#include "faximage/g3encoder.h"
#include "faximage/outputfile.h"
#include "faximage/unpacker.h"
#include "faximage/unpackercore.h"

namespace qln::fax {

namespace {

constexpr int kHorizontalDpi = 204;

int verticalDpi(const FaxPageLines &page)
{
    return page.fine ? 196 : 98;
}

std::string lowerExtension(const std::string &name)
{
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// Little-endian TIFF directory entries written into a byte vector.
void putEntry(std::vector<uint8_t> &out, std::size_t &pos, uint16_t tag, uint16_t type, uint32_t count,
              uint32_t value)
{
    uint8_t *p = out.data() + pos;
    putU16(p, tag);
    putU16(p + 2, type);
    putU32(p + 4, count);
    putU32(p + 8, 0);
    if (type == 3 && count == 1)
        putU16(p + 8, uint16_t(value));
    else
        putU32(p + 8, value);
    pos += 12;
}

// The page's lines coded as one-dimensional Group 3 with an EOL before each
// line, least significant bit first, closed by the end-of-page codes.
std::vector<uint8_t> codePage(const FaxPageLines &page)
{
    std::vector<uint8_t> strip;
    G3LineEncoder enc;
    for (const auto &line : page.lines) {
        const std::size_t n = enc.encodeRaster(line.data(), page.width);
        strip.insert(strip.end(), enc.data(), enc.data() + n);
    }
    uint8_t eop[G3LineEncoder::kEndOfPageLength];
    G3LineEncoder::endOfPageLine(eop);
    strip.insert(strip.end(), eop, eop + sizeof eop);
    return strip;
}

// Writes `bytes` through a QIODevice-backed writer into an OutputFile.
int commitBytes(const std::string &outFile, const QByteArray &bytes)
{
    return writeFileAtomically(outFile, reinterpret_cast<const uint8_t *>(bytes.constData()),
                               std::size_t(bytes.size()));
}

} // namespace

FaxExportFormat faxExportFormatFor(const std::string &fileName)
{
    const std::string ext = lowerExtension(fileName);
    if (ext == "pdf")
        return FaxExportFormat::Pdf;
    if (ext == "tif" || ext == "tiff")
        return FaxExportFormat::Tiff;
    if (ext == "png")
        return FaxExportFormat::Png;
    if (ext == "bmp")
        return FaxExportFormat::Bmp;
    if (ext == "pcx")
        return FaxExportFormat::Pcx;
    if (ext == "dcx")
        return FaxExportFormat::Dcx;
    return FaxExportFormat::None;
}

int readFaxPages(const std::string &apfFile, int page, std::vector<FaxPageLines> &pages)
{
    pages.clear();
    int first = page, last = page;
    if (page <= 0) {
        UnpackerCore core;
        ApfFileHeader h;
        if (int rc = core.readFileHeader(apfFile, h))
            return rc;
        first = 1;
        last = h.pageCount;
        if (last < 1)
            return ecFaxBadFormat;
    }
    for (int p = first; p <= last; ++p) {
        FaxPageLines lines;
        if (int rc = readFaxPageLines(apfFile, p, lines))
            return rc;
        if (lines.lines.empty())
            return ecFaxBadFormat;
        pages.push_back(std::move(lines));
    }
    return ecOK;
}

std::vector<uint8_t> makeTiffClassFPages(const std::vector<FaxPageLines> &pages)
{
    // Layout: the 8-byte header, then per page its directory, its two
    // resolution rationals and its strip; each directory links to the next.
    constexpr uint16_t kEntries = 17;
    constexpr uint16_t kShort = 3, kLong = 4, kRational = 5;
    constexpr std::size_t kIfdSize = 2 + kEntries * 12 + 4;
    std::vector<uint8_t> out(8, 0);
    out[0] = 'I';
    out[1] = 'I';
    putU16(&out[2], 42);
    std::size_t linkPos = 4; // where the offset of the next directory goes
    const uint16_t count = uint16_t(std::min<std::size_t>(pages.size(), 65535));
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const FaxPageLines &page = pages[i];
        const std::vector<uint8_t> strip = codePage(page);
        const std::size_t ifdPos = (out.size() + 1) & ~std::size_t(1); // word boundary
        const std::size_t xResPos = ifdPos + kIfdSize;
        const std::size_t yResPos = xResPos + 8;
        const std::size_t stripPos = yResPos + 8;
        out.resize(stripPos + strip.size(), 0);
        putU32(&out[linkPos], uint32_t(ifdPos));
        const uint32_t rows = uint32_t(page.lines.size());
        putU16(&out[ifdPos], kEntries);
        std::size_t e = ifdPos + 2;
        putEntry(out, e, 254, kLong, 1, 2);                       // NewSubfileType: page
        putEntry(out, e, 256, kLong, 1, uint32_t(page.width));    // ImageWidth
        putEntry(out, e, 257, kLong, 1, rows);                    // ImageLength
        putEntry(out, e, 258, kShort, 1, 1);                      // BitsPerSample
        putEntry(out, e, 259, kShort, 1, 3);                      // Compression: CCITT Group 3
        putEntry(out, e, 262, kShort, 1, 0);                      // Photometric: white is 0
        putEntry(out, e, 266, kShort, 1, 2);                      // FillOrder: LSB first
        putEntry(out, e, 273, kLong, 1, uint32_t(stripPos));      // StripOffsets
        putEntry(out, e, 277, kShort, 1, 1);                      // SamplesPerPixel
        putEntry(out, e, 278, kLong, 1, rows ? rows : 1);         // RowsPerStrip
        putEntry(out, e, 279, kLong, 1, uint32_t(strip.size()));  // StripByteCounts
        putEntry(out, e, 282, kRational, 1, uint32_t(xResPos));   // XResolution
        putEntry(out, e, 283, kRational, 1, uint32_t(yResPos));   // YResolution
        putEntry(out, e, 292, kLong, 1, 0);                       // T4Options: 1-D, no fill bits
        putEntry(out, e, 296, kShort, 1, 2);                      // ResolutionUnit: inch
        // PageNumber: this page (from 0) and the page count, two SHORTs.
        putU16(&out[e], 297);
        putU16(&out[e + 2], kShort);
        putU32(&out[e + 4], 2);
        putU16(&out[e + 8], uint16_t(i));
        putU16(&out[e + 10], count);
        e += 12;
        putEntry(out, e, 327, kShort, 1, 0); // CleanFaxData: clean (lines coded again)
        linkPos = e;
        putU32(&out[linkPos], 0);
        putU32(&out[xResPos], kHorizontalDpi);
        putU32(&out[xResPos + 4], 1);
        putU32(&out[yResPos], uint32_t(verticalDpi(page)));
        putU32(&out[yResPos + 4], 1);
        std::copy(strip.begin(), strip.end(), out.begin() + long(stripPos));
    }
    return out;
}

QImage faxPageImage(const FaxPageLines &page, bool doubleNormalLines)
{
    const int repeat = (doubleNormalLines && !page.fine) ? 2 : 1;
    const int rows = int(page.lines.size());
    QImage img(page.width, rows * repeat, QImage::Format_Mono);
    if (img.isNull())
        return img;
    img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    const std::size_t bytes = std::min<std::size_t>(std::size_t(page.width / 8), std::size_t(img.bytesPerLine()));
    for (int y = 0; y < rows; ++y) {
        const std::vector<uint8_t> &line = page.lines[std::size_t(y)];
        for (int r = 0; r < repeat; ++r) {
            uchar *dst = img.scanLine(y * repeat + r);
            std::memset(dst, 0, std::size_t(img.bytesPerLine()));
            std::memcpy(dst, line.data(), std::min(bytes, line.size()));
        }
    }
    // Physical resolution, for writers that record it (PNG pHYs, BMP).
    img.setDotsPerMeterX(int(kHorizontalDpi / 0.0254 + 0.5));
    img.setDotsPerMeterY(int((repeat == 2 ? 196 : verticalDpi(page)) / 0.0254 + 0.5));
    return img;
}

int writeFaxPdf(const std::vector<FaxPageLines> &pages, const std::string &outFile)
{
    if (pages.empty())
        return ecBadArgument;
    for (const FaxPageLines &p : pages)
        if (p.lines.empty())
            return ecFaxBadFormat;
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setTitle(QStringLiteral("Fax"));
        pdf.setCreator(QStringLiteral("Quillon"));
        pdf.setResolution(kHorizontalDpi);
        // PDF page sizes are whole points here, so the page is the fax page
        // rounded up (less than a point of white at the right and bottom).
        auto pageSize = [](const FaxPageLines &p) {
            const double w = std::ceil(p.width * 72.0 / kHorizontalDpi - 0.01);
            const double h = std::ceil(double(p.lines.size()) * 72.0 / verticalDpi(p) - 0.01);
            return QPageSize(QSizeF(w, h), QPageSize::Point, QString(), QPageSize::ExactMatch);
        };
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setPageSize(pageSize(pages.front()));
        QPainter painter;
        if (!painter.begin(&pdf))
            return ecDeviceWrite;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0) {
                pdf.setPageSize(pageSize(pages[i]));
                if (!pdf.newPage()) {
                    painter.end();
                    return ecDeviceWrite;
                }
            }
            // The raster at its physical size in the painter's units (204 per
            // inch), so a normal page's lines are twice as tall as a fine
            // page's.
            const QRectF target(0, 0, pages[i].width,
                                double(pages[i].lines.size()) * kHorizontalDpi / verticalDpi(pages[i]));
            const QImage img = faxPageImage(pages[i], false);
            if (img.isNull()) {
                painter.end();
                return ecOutOfMemory;
            }
            painter.drawImage(target, img);
        }
        painter.end();
    }
    if (bytes.isEmpty())
        return ecDeviceWrite;
    return commitBytes(outFile, bytes);
}

int writeFaxTiff(const std::vector<FaxPageLines> &pages, const std::string &outFile)
{
    if (pages.empty())
        return ecBadArgument;
    for (const FaxPageLines &p : pages)
        if (p.lines.empty())
            return ecFaxBadFormat;
    return writeFileAtomically(outFile, makeTiffClassFPages(pages));
}

int writeFaxImage(const FaxPageLines &page, const std::string &outFile, const char *format, bool rawLines)
{
    if (page.lines.empty())
        return ecFaxBadFormat;
    const QImage img = faxPageImage(page, !rawLines);
    if (img.isNull())
        return ecOutOfMemory;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(img))
        return ecDeviceWrite;
    buffer.close();
    return commitBytes(outFile, bytes);
}

int exportFaxFile(const std::string &apfFile, const std::string &outFile, const FaxExportOptions &options)
{
    const FaxExportFormat format = faxExportFormatFor(outFile);
    if (format == FaxExportFormat::None || outFile.empty())
        return ecBadArgument;
    if (outFile == apfFile || sameFile(apfFile, outFile))
        return ecBadArgument;
    const int onePage = options.page > 0 ? options.page : 1;
    std::vector<FaxPageLines> pages;
    switch (format) {
    case FaxExportFormat::Pdf:
    case FaxExportFormat::Tiff:
        if (int rc = readFaxPages(apfFile, options.page, pages))
            return rc;
        return format == FaxExportFormat::Pdf ? writeFaxPdf(pages, outFile) : writeFaxTiff(pages, outFile);
    case FaxExportFormat::Png:
    case FaxExportFormat::Bmp:
        if (int rc = readFaxPages(apfFile, onePage, pages))
            return rc;
        return writeFaxImage(pages.front(), outFile, format == FaxExportFormat::Png ? "png" : "bmp",
                             options.rawLines);
    case FaxExportFormat::Pcx:
    case FaxExportFormat::Dcx:
        try {
            TApdFaxUnpacker u;
            u.setOptions(0);
            u.setInFileName(apfFile);
            u.OutFileName = outFile;
            if (format == FaxExportFormat::Pcx)
                u.ExtractPagePcx(onePage);
            else
                u.ExtractPageDcx(onePage);
            return ecOK;
        } catch (const EFaxUnpackerError &e) {
            return e.code();
        }
    case FaxExportFormat::None: break;
    }
    return ecBadArgument;
}

} // namespace qln::fax

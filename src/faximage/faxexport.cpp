#include "faximage/faxexport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

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
    // One reader for all pages: each page is found from the one before it,
    // so the file is walked once however many pages it has.
    ApfReader reader;
    if (int rc = reader.open(apfFile))
        return rc;
    int first = page, last = page;
    if (page <= 0) {
        first = 1;
        last = reader.pageCount();
        if (last < 1)
            return ecFaxBadFormat;
    }
    for (int p = first; p <= last; ++p) {
        FaxPageLines lines;
        if (int rc = readFaxPageLines(reader, apfFile, p, lines))
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

namespace {

uint8_t reversedBits(uint8_t b)
{
    b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// A size for PDF text: at most four decimals, no exponent, cut rather than
// rounded up. A renderer at exactly 204 (196, 98) dots per inch then finds
// the page and image a hair under their whole number of pixels and draws
// the image pixel for pixel; a hair over would give a row or column more
// and a resampled image.
std::string pdfNumber(double v)
{
    QString t = QString::number(std::floor(v * 10000.0) / 10000.0, 'f', 4);
    while (t.contains(QLatin1Char('.')) && (t.endsWith(QLatin1Char('0')) || t.endsWith(QLatin1Char('.'))))
        t.chop(1);
    return t.toStdString();
}

// A PDF file built object by object, with the cross-reference table.
class PdfBuilder {
public:
    PdfBuilder() { out_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"; }
    int reserve()
    {
        offsets_.push_back(0);
        return int(offsets_.size());
    }
    void object(int id, const std::string &body, const std::string &stream = {}, bool hasStream = false)
    {
        offsets_[std::size_t(id - 1)] = out_.size();
        out_ += std::to_string(id) + " 0 obj\n" + body;
        if (hasStream) {
            out_ += "\nstream\n";
            out_ += stream;
            out_ += "\nendstream";
        }
        out_ += "\nendobj\n";
    }
    std::string finish(int rootId, int infoId)
    {
        const std::size_t xref = out_.size();
        out_ += "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
        char entry[24];
        for (std::size_t off : offsets_) {
            std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", off);
            out_ += entry;
        }
        out_ += "trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " + std::to_string(rootId) +
                " 0 R /Info " + std::to_string(infoId) + " 0 R >>\nstartxref\n" + std::to_string(xref) +
                "\n%%EOF\n";
        return std::move(out_);
    }

private:
    std::string out_;
    std::vector<std::size_t> offsets_;
};

} // namespace

int writeFaxPdf(const std::vector<FaxPageLines> &pages, const std::string &outFile)
{
    if (pages.empty())
        return ecBadArgument;
    for (const FaxPageLines &p : pages)
        if (p.lines.empty())
            return ecFaxBadFormat;
    // Each page is one image, its lines coded as in the TIFF export
    // (one-dimensional Group 3 with EOLs) under CCITTFaxDecode, which reads
    // the bits most significant first. The page is exactly the fax page's
    // physical size; PDF units are 1/72 inch.
    PdfBuilder pdf;
    const int catalogId = pdf.reserve();
    const int pagesId = pdf.reserve();
    const int infoId = pdf.reserve();
    std::string kids;
    for (const FaxPageLines &page : pages) {
        const int pageId = pdf.reserve();
        const int contentId = pdf.reserve();
        const int imageId = pdf.reserve();
        kids += std::to_string(pageId) + " 0 R ";
        const std::string w = pdfNumber(page.width * 72.0 / kHorizontalDpi);
        const std::string h = pdfNumber(double(page.lines.size()) * 72.0 / verticalDpi(page));
        pdf.object(pageId, "<< /Type /Page /Parent " + std::to_string(pagesId) + " 0 R /MediaBox [0 0 " + w + " " +
                               h + "] /Resources << /XObject << /Im0 " + std::to_string(imageId) +
                               " 0 R >> >> /Contents " + std::to_string(contentId) + " 0 R >>");
        const std::string content = "q " + w + " 0 0 " + h + " 0 0 cm /Im0 Do Q";
        pdf.object(contentId, "<< /Length " + std::to_string(content.size()) + " >>", content, true);
        std::vector<uint8_t> coded = codePage(page);
        std::string data(coded.size(), '\0');
        std::transform(coded.begin(), coded.end(), data.begin(), [](uint8_t b) { return char(reversedBits(b)); });
        const std::string rows = std::to_string(page.lines.size());
        const std::string cols = std::to_string(page.width);
        pdf.object(imageId,
                   "<< /Type /XObject /Subtype /Image /Width " + cols + " /Height " + rows +
                       " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode /DecodeParms << /K 0"
                       " /Columns " + cols + " /Rows " + rows + " /EndOfLine true /BlackIs1 false >> /Length " +
                       std::to_string(data.size()) + " >>",
                   data, true);
    }
    pdf.object(catalogId, "<< /Type /Catalog /Pages " + std::to_string(pagesId) + " 0 R >>");
    pdf.object(pagesId, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
    pdf.object(infoId, "<< /Title (Fax) /Producer (Quillon) >>");
    const std::string bytes = pdf.finish(catalogId, infoId);
    return writeFileAtomically(outFile, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
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

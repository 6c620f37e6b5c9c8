// Interoperability with libtiff's CCITT Group 3 one-dimensional codec: lines
// we code decode in libtiff to the same pixels, and pages libtiff codes
// decode in our decoder to the same pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <tiffio.h>

#include "apftestutil.h"
#include "faximage/g3decoder.h"
#include "faximage/g3encoder.h"
#include "faximage/apf.h"
#include "faximage/monobitmap.h"
#include "faximage/unpackerpcx.h"
#include "faximage/unpackertiff.h"

using namespace qln::fax;
using namespace qln::fax::test;

namespace {

uint8_t reversed(uint8_t b)
{
    b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

void setG3Fields(TIFF *t, int width, int rows)
{
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(rows));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    // Stored most significant bit first, so no layer of libtiff reverses
    // bits behind our back; we reverse them ourselves.
    TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, 0); // one-dimensional coding
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(rows));
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

// Our coding of the lines, decoded by libtiff.
std::vector<Line> libtiffDecodesOurs(const std::string &path, const std::vector<Line> &lines, int width)
{
    std::vector<uint8_t> stream = unframedStream(lines, width);
    for (auto &b : stream)
        b = reversed(b);
    TIFF *t = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(nullptr, t);
    setG3Fields(t, width, int(lines.size()));
    EXPECT_EQ(tmsize_t(stream.size()), TIFFWriteRawStrip(t, 0, stream.data(), tmsize_t(stream.size())));
    TIFFClose(t);

    std::vector<Line> out;
    t = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(nullptr, t);
    std::vector<uint8_t> row(std::size_t(TIFFScanlineSize(t)));
    for (std::size_t y = 0; y < lines.size(); ++y) {
        if (TIFFReadScanline(t, row.data(), uint32_t(y), 0) < 0)
            break;
        out.emplace_back(row.begin(), row.end());
    }
    TIFFClose(t);
    return out;
}

// libtiff's coding of the lines, decoded by us.
std::vector<Line> weDecodeLibtiffs(const std::string &path, const std::vector<Line> &lines, int width)
{
    TIFF *t = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(nullptr, t);
    setG3Fields(t, width, int(lines.size()));
    for (std::size_t y = 0; y < lines.size(); ++y) {
        Line copy = lines[y];
        EXPECT_EQ(1, TIFFWriteScanline(t, copy.data(), uint32_t(y), 0));
    }
    TIFFClose(t);

    t = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(nullptr, t);
    uint64_t *counts = nullptr;
    TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
    std::vector<uint8_t> raw(static_cast<std::size_t>(counts[0]));
    EXPECT_EQ(tmsize_t(raw.size()), TIFFReadRawStrip(t, 0, raw.data(), tmsize_t(raw.size())));
    TIFFClose(t);
    for (auto &b : raw)
        b = reversed(b);
    // libtiff puts an EOL before each line and none after the last; the
    // end-of-page codes close the last line and the page.
    uint8_t eop[G3LineEncoder::kEndOfPageLength];
    G3LineEncoder::endOfPageLine(eop);
    raw.insert(raw.end(), eop, eop + sizeof eop);

    std::vector<Line> out;
    G3Decoder dec([&](const uint8_t *l, int n) { out.emplace_back(l, l + n); });
    dec.feed(raw.data(), raw.size());
    EXPECT_TRUE(dec.pageEnded());
    EXPECT_EQ(0u, dec.badCodes());
    return out;
}

std::vector<Line> textPage(int width, int rows)
{
    QImage img(width, rows, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        QFont f("DejaVu Sans");
        f.setPixelSize(22);
        p.setFont(f);
        p.setPen(Qt::black);
        for (int y = 30; y < rows; y += 28)
            p.drawText(50, y, "Quillon fax page: The quick brown fox jumps over the lazy dog 0123456789 "
                              "+-*/ ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz");
        p.fillRect(0, 0, width, 6, Qt::black);
        p.fillRect(width - 3, 0, 3, rows, Qt::black);
    }
    MonoBitmap bm = MonoBitmap::fromQImage(img, true);
    std::vector<Line> lines;
    for (int y = 0; y < bm.height; ++y)
        lines.emplace_back(bm.row(y), bm.row(y) + width / 8);
    return lines;
}

std::vector<Line> ditheredPage(std::mt19937 &rng, int bytes, int rows)
{
    std::vector<Line> lines;
    for (int y = 0; y < rows; ++y) {
        Line l(static_cast<std::size_t>(bytes));
        for (auto &b : l)
            b = uint8_t(rng());
        lines.push_back(l);
    }
    return lines;
}

} // namespace

TEST(LibtiffPeer, OurLinesDecodeInLibtiff)
{
    TempDir dir;
    std::mt19937 rng(21);
    for (int width : {1728, 2048}) {
        // libtiff keeps at most one run per pixel, so a line of single
        // pixels starting black (width + 1 runs with the leading white 0)
        // overflows its buffer; runs average 2 pixels or more here.
        std::vector<Line> lines;
        for (int i = 0; i < 200; ++i)
            lines.push_back(randomLine(rng, width / 8, 2 + i % 50));
        lines.push_back(Line(std::size_t(width / 8), 0));
        lines.push_back(Line(std::size_t(width / 8), 0xFF));
        lines.push_back(blackSpan(width / 8, 0, 64));
        lines.push_back(blackSpan(width / 8, 64, width));
        EXPECT_TRUE(libtiffDecodesOurs(dir.file("ours.tif"), lines, width) == lines) << width;
    }
    auto text = textPage(1728, 400);
    EXPECT_TRUE(libtiffDecodesOurs(dir.file("text.tif"), text, 1728) == text);
    auto dither = ditheredPage(rng, 216, 100);
    EXPECT_TRUE(libtiffDecodesOurs(dir.file("dither.tif"), dither, 1728) == dither);
}

TEST(LibtiffPeer, LibtiffPagesDecodeInOurs)
{
    TempDir dir;
    std::mt19937 rng(22);
    for (int width : {1728, 2048}) {
        std::vector<Line> lines;
        for (int i = 0; i < 200; ++i)
            lines.push_back(randomLine(rng, width / 8, 1 + i % 50));
        lines.push_back(Line(std::size_t(width / 8), 0));
        lines.push_back(Line(std::size_t(width / 8), 0xFF));
        EXPECT_TRUE(weDecodeLibtiffs(dir.file("theirs.tif"), lines, width) == lines) << width;
    }
    auto text = textPage(1728, 400);
    EXPECT_TRUE(weDecodeLibtiffs(dir.file("text.tif"), text, 1728) == text);
    auto dither = ditheredPage(rng, 216, 100);
    EXPECT_TRUE(weDecodeLibtiffs(dir.file("dither.tif"), dither, 1728) == dither);
}

TEST(LibtiffPeer, ExportedClassFPageReadsBackAndPassesTheTiffTools)
{
    TempDir dir;
    std::mt19937 rng(23);
    std::vector<Line> page = textPage(1728, 120);
    for (int i = 0; i < 30; ++i)
        page.push_back(randomLine(rng, 216, 5));
    writeApf(dir.file("p.apf"), {page}, pfFine);
    FaxPageLines lines;
    ASSERT_EQ(0, readFaxPageLines(dir.file("p.apf"), 1, lines));
    ASSERT_TRUE(lines.lines == page);
    const std::string tif = dir.file("p.tif");
    auto bytes = makeTiffClassF(lines);
    ASSERT_EQ(0, writeFileAtomically(tif, bytes));

    TIFF *t = TIFFOpen(tif.c_str(), "r");
    ASSERT_NE(nullptr, t);
    uint32_t w = 0, h = 0;
    float xres = 0, yres = 0;
    uint16_t comp = 0, fill = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(t, TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(t, TIFFTAG_YRESOLUTION, &yres);
    TIFFGetField(t, TIFFTAG_COMPRESSION, &comp);
    TIFFGetField(t, TIFFTAG_FILLORDER, &fill);
    EXPECT_EQ(1728u, w);
    EXPECT_EQ(page.size(), h);
    EXPECT_EQ(204.0f, xres);
    EXPECT_EQ(196.0f, yres);
    EXPECT_EQ(COMPRESSION_CCITTFAX3, comp);
    EXPECT_EQ(FILLORDER_LSB2MSB, fill);
    std::vector<uint8_t> row(216);
    for (uint32_t y = 0; y < h; ++y) {
        ASSERT_EQ(1, TIFFReadScanline(t, row.data(), y, 0)) << y;
        ASSERT_TRUE(row == page[y]) << y;
    }
    TIFFClose(t);

    if (std::system("command -v tiffinfo >/dev/null && command -v tiff2pdf >/dev/null") == 0) {
        const std::string log = dir.file("log.txt");
        EXPECT_EQ(0, std::system(("tiffinfo -D '" + tif + "' >'" + log + "' 2>&1").c_str()));
        auto text = readFile(log);
        std::string s(text.begin(), text.end());
        EXPECT_EQ(std::string::npos, s.find("rror")) << s;
        EXPECT_EQ(0, std::system(("tiff2pdf -o '" + dir.file("p.pdf") + "' '" + tif + "' 2>'" + log + "'").c_str()));
        EXPECT_TRUE(fileExists(dir.file("p.pdf")));
    }
}

// Interoperability with libtiff's CCITT codecs: Group 3 one-dimensional
// (MH), Group 3 two-dimensional (MR) and Group 4 (MMR). Lines we code decode
// in libtiff to the same pixels, and pages libtiff codes decode in our
// decoders to the same pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
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
#include "faximage/twodimdecoder.h"
#include "faximage/twodimencoder.h"
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

void setG3Fields(TIFF *t, int width, int rows, uint16_t compression = COMPRESSION_CCITTFAX3)
{
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(rows));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    // Stored most significant bit first, so no layer of libtiff reverses
    // bits behind our back; we reverse them ourselves.
    TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    if (compression == COMPRESSION_CCITTFAX3)
        TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, 0); // one-dimensional coding
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(rows));
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

// Writes a strip of our code (least significant bit first) into a TIFF file
// with the fields `fields` sets, and reads `rows` lines back through libtiff.
std::vector<Line> libtiffDecodesStream(const std::string &path, std::vector<uint8_t> stream, std::size_t rows,
                                       const std::function<void(TIFF *)> &fields)
{
    for (auto &b : stream)
        b = reversed(b);
    TIFF *t = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(nullptr, t);
    fields(t);
    EXPECT_EQ(tmsize_t(stream.size()), TIFFWriteRawStrip(t, 0, stream.data(), tmsize_t(stream.size())));
    TIFFClose(t);

    std::vector<Line> out;
    t = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(nullptr, t);
    std::vector<uint8_t> row(std::size_t(TIFFScanlineSize(t)));
    for (std::size_t y = 0; y < rows; ++y) {
        if (TIFFReadScanline(t, row.data(), uint32_t(y), 0) < 0)
            break;
        out.emplace_back(row.begin(), row.end());
    }
    TIFFClose(t);
    return out;
}

// The strip libtiff codes from the lines under the fields `fields` sets,
// least significant bit first.
std::vector<uint8_t> libtiffCodes(const std::string &path, const std::vector<Line> &lines,
                                  const std::function<void(TIFF *)> &fields)
{
    TIFF *t = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(nullptr, t);
    fields(t);
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
    return raw;
}

// Our coding of the lines, decoded by libtiff.
std::vector<Line> libtiffDecodesOurs(const std::string &path, const std::vector<Line> &lines, int width)
{
    return libtiffDecodesStream(path, unframedStream(lines, width), lines.size(),
                                [&](TIFF *t) { setG3Fields(t, width, int(lines.size())); });
}

// libtiff's coding of the lines, decoded by us.
std::vector<Line> weDecodeLibtiffs(const std::string &path, const std::vector<Line> &lines, int width)
{
    auto raw = libtiffCodes(path, lines, [&](TIFF *t) { setG3Fields(t, width, int(lines.size())); });
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

// ---- two-dimensional coding: MR (Group 3 2-D) and MMR (Group 4) ----

namespace {

// A smooth picture through a 4x4 ordered dither: runs of 1 to a few pixels,
// lines much like the ones before them.
std::vector<Line> orderedDitherPage(int width, int rows)
{
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<Line> lines;
    for (int y = 0; y < rows; ++y) {
        Line l(std::size_t(width / 8), 0);
        for (int x = 0; x < width; ++x) {
            const int v = int(128 + 120 * std::sin(x / 50.0) * std::cos(y / 70.0));
            if (v * 16 / 256 <= bayer[y & 3][x & 3])
                l[std::size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
        }
        lines.push_back(l);
    }
    return lines;
}

// Lines that put the 2-D coders' corner cases side by side: changes at the
// last pixel, an all-black first line, alternating pixels in both phases,
// lines that pass each other, white and black lines after busy ones.
std::vector<Line> edgeCaseLines(std::mt19937 &rng, int width)
{
    const int bytes = width / 8;
    std::vector<Line> lines;
    lines.push_back(Line(std::size_t(bytes), 0xFF)); // all black first
    lines.push_back(blackSpan(bytes, width - 1, width));
    lines.push_back(blackSpan(bytes, 0, width - 1));
    lines.push_back(Line(std::size_t(bytes), 0x55));
    lines.push_back(Line(std::size_t(bytes), 0xAA));
    lines.push_back(Line(std::size_t(bytes), 0x55));
    lines.push_back(Line(std::size_t(bytes), 0));
    lines.push_back(Line(std::size_t(bytes), 0xAA));
    lines.push_back(Line(std::size_t(bytes), 0xFF));
    lines.push_back(blackSpan(bytes, 1, 2));
    lines.push_back(blackSpan(bytes, 0, 1));
    lines.push_back(blackSpan(bytes, width - 2, width - 1));
    // Spans that slide past each other line by line, by more than 3 pixels
    // (horizontal mode) and by less (vertical), and short spans under long
    // ones (pass mode).
    for (int i = 0; i < 24; ++i) {
        Line l(std::size_t(bytes), 0);
        for (int x = (i * 5) % 40; x + 20 < width; x += 37 + i % 7)
            for (int k = 0; k < 3 + (i % 4) * 4; ++k)
                l[std::size_t((x + k) >> 3)] |= uint8_t(0x80 >> ((x + k) & 7));
        lines.push_back(l);
    }
    for (int i = 0; i < 40; ++i)
        lines.push_back(randomLine(rng, bytes, 1 + i % 30));
    lines.push_back(Line(std::size_t(bytes), 0xFF));
    lines.push_back(Line(std::size_t(bytes), 0));
    return lines;
}

struct TwoDimCase {
    FaxCoding coding;
    bool fine; // K = 4 (libtiff chooses it from YResolution above 150), else 2
};

std::string caseName(const TwoDimCase &c, int width)
{
    return std::string(faxCodingName(c.coding)) + (c.fine ? " fine " : " normal ") + std::to_string(width);
}

void setTwoDimFields(TIFF *t, int width, int rows, const TwoDimCase &c, uint32_t g3fill = 0)
{
    setG3Fields(t, width, rows, c.coding == FaxCoding::MMR ? COMPRESSION_CCITTFAX4 : COMPRESSION_CCITTFAX3);
    if (c.coding == FaxCoding::MMR) {
        TIFFSetField(t, TIFFTAG_GROUP4OPTIONS, 0);
    } else {
        TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_2DENCODING | g3fill);
    }
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, c.fine ? 196.0f : 98.0f);
}

std::vector<uint8_t> ourTwoDimStream(const std::vector<Line> &lines, int width, FaxCoding coding,
                                     const TwoDimOptions &options)
{
    std::vector<uint8_t> out;
    TwoDimEncoder enc(coding, width, [&](const uint8_t *d, std::size_t n) { out.insert(out.end(), d, d + n); },
                      options);
    for (const auto &l : lines)
        enc.encodeLine(l.data());
    enc.endPage();
    return out;
}

// Our coding of the lines, decoded by libtiff.
std::vector<Line> libtiffDecodesOurTwoDim(const std::string &path, const std::vector<Line> &lines, int width,
                                          const TwoDimCase &c, TwoDimOptions options = {})
{
    options.k = kFactorFor(c.fine);
    return libtiffDecodesStream(path, ourTwoDimStream(lines, width, c.coding, options), lines.size(),
                                [&](TIFF *t) { setTwoDimFields(t, width, int(lines.size()), c); });
}

// The strip libtiff codes from the lines, least significant bit first.
std::vector<uint8_t> libtiffTwoDimStream(const std::string &path, const std::vector<Line> &lines, int width,
                                         const TwoDimCase &c, uint32_t g3fill = 0)
{
    return libtiffCodes(path, lines, [&](TIFF *t) { setTwoDimFields(t, width, int(lines.size()), c, g3fill); });
}

// Our decoding of a stream, fed in pieces of random sizes.
std::vector<Line> weDecodeTwoDim(const std::vector<uint8_t> &stream, int width, FaxCoding coding,
                                 std::mt19937 &rng)
{
    std::vector<Line> out;
    TwoDimDecoder dec(coding, width, [&](const uint8_t *l, int n, bool damaged) {
        EXPECT_FALSE(damaged) << out.size();
        out.emplace_back(l, l + n);
    });
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + rng() % 300);
        dec.feed(stream.data() + at, n);
        at += n;
    }
    dec.finish();
    EXPECT_FALSE(dec.failed());
    EXPECT_EQ(0u, dec.damagedRows());
    return out;
}

// Text, dithered (ordered and random), blank and black pages, and the lines
// of corner cases.
std::vector<std::vector<Line>> twoDimPeerPages(std::mt19937 &rng, int width)
{
    return {textPage(width, 300),
            orderedDitherPage(width, 120),
            ditheredPage(rng, width / 8, 60),
            std::vector<Line>(50, Line(std::size_t(width / 8), 0)),
            std::vector<Line>(50, Line(std::size_t(width / 8), 0xFF)),
            edgeCaseLines(rng, width)};
}

const TwoDimCase kTwoDimCases[] = {
    {FaxCoding::MR, false}, {FaxCoding::MR, true}, {FaxCoding::MMR, false}, {FaxCoding::MMR, true}};

} // namespace

TEST(LibtiffPeer, OurTwoDimPagesDecodeInLibtiff)
{
    TempDir dir;
    std::mt19937 rng(31);
    for (int width : {1728, 2048}) {
        const auto pages = twoDimPeerPages(rng, width);
        for (const TwoDimCase &c : kTwoDimCases)
            for (std::size_t p = 0; p < pages.size(); ++p)
                EXPECT_TRUE(libtiffDecodesOurTwoDim(dir.file("ours.tif"), pages[p], width, c) == pages[p])
                    << caseName(c, width) << " page " << p;
    }
    // Fill to a minimum line length and byte-aligned EOLs are only fill to
    // another decoder.
    auto text = textPage(1728, 200);
    TwoDimOptions filled;
    filled.minLineBits = 8 * 40;
    filled.alignEol = true;
    EXPECT_TRUE(libtiffDecodesOurTwoDim(dir.file("fill.tif"), text, 1728, {FaxCoding::MR, true}, filled) == text);
}

TEST(LibtiffPeer, LibtiffTwoDimPagesDecodeInOurs)
{
    TempDir dir;
    std::mt19937 rng(32);
    for (int width : {1728, 2048}) {
        const auto pages = twoDimPeerPages(rng, width);
        for (const TwoDimCase &c : kTwoDimCases)
            for (std::size_t p = 0; p < pages.size(); ++p) {
                auto stream = libtiffTwoDimStream(dir.file("theirs.tif"), pages[p], width, c);
                EXPECT_TRUE(weDecodeTwoDim(stream, width, c.coding, rng) == pages[p])
                    << caseName(c, width) << " page " << p;
            }
    }
    // libtiff's byte-aligned EOLs (fill before each).
    auto text = textPage(1728, 200);
    auto stream = libtiffTwoDimStream(dir.file("fill.tif"), text, 1728, {FaxCoding::MR, false}, GROUP3OPT_FILLBITS);
    EXPECT_TRUE(weDecodeTwoDim(stream, 1728, FaxCoding::MR, rng) == text);
}

TEST(LibtiffPeer, TwoDimStreamsAreThoseLibtiffCodes)
{
    // The coding modes are fixed by the standard, so both coders must give
    // the same bits: MMR strips are byte for byte libtiff's (EOFB and all),
    // and MR streams are the same up to the end of the last line (libtiff's
    // RTC tags follow its K count; ours are six EOL+1). With byte-aligned
    // EOLs both fill the same way.
    TempDir dir;
    std::mt19937 rng(33);
    for (int width : {1728, 2048}) {
        std::vector<Line> page = textPage(width, 120);
        for (const auto &l : edgeCaseLines(rng, width))
            page.push_back(l);
        for (const auto &l : orderedDitherPage(width, 30))
            page.push_back(l);
        for (const TwoDimCase &c : kTwoDimCases) {
            for (bool align : {false, true}) {
                if (align && c.coding == FaxCoding::MMR)
                    continue;
                TwoDimOptions options;
                options.k = kFactorFor(c.fine);
                options.alignEol = align;
                const auto ours = ourTwoDimStream(page, width, c.coding, options);
                const auto theirs =
                    libtiffTwoDimStream(dir.file("s.tif"), page, width, c, align ? GROUP3OPT_FILLBITS : 0);
                if (c.coding == FaxCoding::MMR) {
                    EXPECT_TRUE(ours == theirs) << caseName(c, width);
                    continue;
                }
                // Up to the last line's end: ours without its RTC.
                std::vector<uint8_t> lines;
                TwoDimEncoder enc(c.coding, width,
                                  [&](const uint8_t *d, std::size_t n) { lines.insert(lines.end(), d, d + n); },
                                  options);
                for (const auto &l : page)
                    enc.encodeLine(l.data());
                ASSERT_LE(lines.size(), theirs.size());
                EXPECT_TRUE(std::equal(lines.begin(), lines.end(), theirs.begin()))
                    << caseName(c, width) << (align ? " aligned" : "");
            }
        }
    }
}

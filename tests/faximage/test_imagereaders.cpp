// Image inputs of the converter: BMP (monochrome and dithered colour), PCX,
// DCX and TIFF, their placement on the page and their error codes.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <QImage>

#include <functional>

#include "apftestutil.h"
#include "faximage/converter.h"
#include "faximage/dither.h"
#include "test_converterutil.h"

namespace qln::fax::test {
namespace {

// A BMP file. bpp 1 uses `black`; bpp 24 and 8 use `grey` (0..255 per
// channel); palette order and orientation can be chosen.
std::vector<uint8_t> makeBmp(int w, int h, int bpp, const PixelFn &black,
                             const std::function<int(int, int)> &grey = nullptr, bool whiteFirst = false,
                             bool topDown = false)
{
    const int paletteEntries = bpp == 1 ? 2 : bpp == 8 ? 256 : 0;
    const std::size_t stride = std::size_t((w * bpp + 31) / 32 * 4);
    const std::size_t off = 14 + 40 + 4 * std::size_t(paletteEntries);
    std::vector<uint8_t> v(off + stride * std::size_t(h), 0);
    v[0] = 'B', v[1] = 'M';
    put32(v, 2, uint32_t(v.size()));
    put32(v, 10, uint32_t(off));
    put32(v, 14, 40);
    put32(v, 18, uint32_t(w));
    put32(v, 22, uint32_t(topDown ? -h : h));
    put16(v, 26, 1);
    put16(v, 28, uint32_t(bpp));
    for (int i = 0; i < paletteEntries; ++i) {
        uint8_t c = bpp == 1 ? ((i == 0) == whiteFirst ? 255 : 0) : uint8_t(i);
        v[54 + 4 * std::size_t(i)] = v[55 + 4 * std::size_t(i)] = v[56 + 4 * std::size_t(i)] = c;
    }
    for (int y = 0; y < h; ++y) {
        uint8_t *row = v.data() + off + stride * std::size_t(topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            if (bpp == 1) {
                // Bit value 1 selects palette entry 1.
                const bool one = black(x, y) == whiteFirst;
                if (one)
                    row[x / 8] |= uint8_t(0x80 >> (x % 8));
            } else if (bpp == 8) {
                row[x] = uint8_t(grey(x, y));
            } else {
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = uint8_t(grey(x, y));
            }
        }
    }
    return v;
}

// Expected fax line: margin, then the image row (doubled when asked) from
// raster pixel `shift`.
std::vector<uint8_t> expectedLine(int y, int w, const PixelFn &black, int margin, int shift, int scale,
                                  int width = 1728)
{
    std::vector<uint8_t> l(std::size_t(width / 8), 0);
    for (int x = 0; x < w; ++x)
        for (int k = 0; k < scale; ++k) {
            const int ox = margin + (shift + x) * scale + k;
            if (ox < width && black(x, y))
                l[std::size_t(ox / 8)] |= uint8_t(0x80 >> (ox % 8));
        }
    return l;
}

class ImageInput : public ::testing::Test {
protected:
    DecodedFile convert(const std::string &name, const std::vector<uint8_t> &data, TFaxInputDocumentType type)
    {
        writeBytes(dir.file(name), data);
        cvt.SetInputDocumentType(type);
        cvt.SetDocumentFile(dir.file(name));
        rc = cvt.convertDocument();
        return decodeApfFile(cvt.OutFileName());
    }
    TempDir dir;
    TApdFaxConverter cvt;
    int rc = 0;
};

const PixelFn kPattern = [](int x, int y) { return ((x / 3 + y) % 7 == 0) || (x > 100 && x < 140 && y % 5 < 2); };

TEST_F(ImageInput, RenderedPageBitmapAtFineResolution)
{
    // The page renderer's case: 1664 x 2156 monochrome, fine, only coYield.
    const int w = 1664, h = 2156;
    cvt.SetOptions(coYield);
    cvt.SetResolution(frHigh);
    DecodedFile f = convert("page.bmp", makeBmp(w, h, 1, kPattern), idBmp);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(f.pages.size(), 1u);
    EXPECT_EQ(f.pages[0].header.flags, pfLineLengths | pfFine);
    ASSERT_EQ(f.pages[0].lines.size(), std::size_t(h));
    for (int y = 0; y < h; ++y)
        ASSERT_EQ(f.pages[0].lines[std::size_t(y)], expectedLine(y, w, kPattern, 50, 0, 1)) << "row " << y;
    // One framed line per row plus the end-of-page line; the file is the
    // two headers and the image data.
    ASSERT_EQ(f.pages[0].coded.size(), std::size_t(h) + 1);
    uint64_t length = 0;
    for (const auto &c : f.pages[0].coded)
        length += 2 + c.size();
    EXPECT_EQ(f.pages[0].header.imageLength, length);
    EXPECT_EQ(readFile(cvt.OutFileName()).size(), 64 + 16 + length);
}

TEST_F(ImageInput, MonochromeBmpPaletteOrderAndOrientationDoNotMatter)
{
    cvt.SetOptions(0);
    const int w = 203, h = 40;
    auto ref = convert("a.bmp", makeBmp(w, h, 1, kPattern), idBmp);
    ASSERT_EQ(rc, 0);
    auto swapped = convert("b.bmp", makeBmp(w, h, 1, kPattern, nullptr, true, true), idBmp);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(ref.pages.size(), 1u);
    ASSERT_EQ(ref.pages[0].lines.size(), std::size_t(h));
    EXPECT_EQ(ref.pages[0].lines, swapped.pages[0].lines);
    // Pixels past the width (row padding) stay white.
    for (int y = 0; y < h; ++y)
        EXPECT_EQ(ref.pages[0].lines[std::size_t(y)], expectedLine(y, w, kPattern, 50, 0, 1));
}

TEST_F(ImageInput, ColourBmpIsDitheredByPosition)
{
    cvt.SetOptions(0);
    auto grey = [](int x, int) { return x < 100 ? 30 : 90; }; // sums 90 and 270
    for (int bpp : {24, 8}) {
        DecodedFile f = convert("c.bmp", makeBmp(200, 40, bpp, nullptr, grey), idBmp);
        ASSERT_EQ(rc, 0) << bpp;
        ASSERT_EQ(f.pages[0].lines.size(), 40u);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 200; ++x) {
                const int sum = 3 * grey(x, y);
                ASSERT_EQ(pixelAt(f.pages[0].lines[std::size_t(y)], 50 + x), sum < ditherThreshold(x, y))
                    << bpp << " " << x << "," << y;
            }
    }
}

TEST(Dither, ThresholdsFollowTheBitInterleaving)
{
    // Worked by hand from d := 2d | 2((a ^ b) & 1) | (b & 1), four steps.
    EXPECT_EQ(ditherThreshold(0, 0), 0);
    EXPECT_EQ(ditherThreshold(1, 0), 160); // 2, 4, 8, 16
    EXPECT_EQ(ditherThreshold(0, 1), 240); // 3, 6, 12, 24
    EXPECT_EQ(ditherThreshold(1, 1), 80);  // 1, 2, 4, 8
    EXPECT_EQ(ditherThreshold(2, 0), 80);  // 0, 2, 4, 8
    EXPECT_EQ(ditherThreshold(15, 15), 150); // 1, 3, 7, 15
    int maxT = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            EXPECT_EQ(ditherThreshold(x, y), ditherThreshold(x % 16, y % 16));
            maxT = std::max(maxT, ditherThreshold(x, y));
        }
    EXPECT_EQ(maxT, 310);
    EXPECT_FALSE(ditherBlack(0, 0, 0)); // threshold 0: nothing is below it
}

TEST_F(ImageInput, BadBmpFilesAreRefused)
{
    auto good = makeBmp(64, 8, 1, kPattern);
    auto truncated = good;
    truncated.resize(good.size() - 10);
    convert("t.bmp", truncated, idBmp);
    EXPECT_EQ(rc, ecUnsupportedFormat);
    EXPECT_FALSE(fileExists(dir.file("t.APF")));

    auto rle = good;
    put32(rle, 30, 1); // RLE8
    convert("r.bmp", rle, idBmp);
    EXPECT_EQ(rc, ecUnsupportedFormat);

    auto huge = good;
    put32(huge, 18, 0x7FFFFFFF);
    convert("h.bmp", huge, idBmp);
    EXPECT_EQ(rc, ecUnsupportedFormat);

    convert("x.bmp", {'B', 'M', 1, 2, 3}, idBmp);
    EXPECT_EQ(rc, ecUnsupportedFormat);

    cvt.SetDocumentFile(dir.file("absent.bmp"));
    EXPECT_EQ(cvt.convertDocument(), ecFileNotFound);
    EXPECT_THROW(cvt.ConvertDocument(), EFaxConverterError);
}

TEST_F(ImageInput, InMemoryBitmapConvertsLikeABmp)
{
    MonoBitmap bm(300, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 300; ++x)
            bm.setPixel(x, y, kPattern(x, y));
    cvt.SetOptions(coCenterImage);
    cvt.ConvertBitmapToFile(bm, dir.file("mem.apf"));
    DecodedFile f = decodeApfFile(dir.file("mem.apf"));
    ASSERT_EQ(f.pages.size(), 1u);
    ASSERT_EQ(f.pages[0].lines.size(), 20u);
    const int shift = 8 * ((1728 - 300 - 50) / 16);
    for (int y = 0; y < 20; ++y)
        EXPECT_EQ(f.pages[0].lines[std::size_t(y)], expectedLine(y, 300, kPattern, 50, shift, 1));
    EXPECT_THROW(cvt.ConvertBitmapToFile(MonoBitmap(), dir.file("none.apf")), EFaxConverterError);

    // A Qt image must be monochrome; its black pixels print black.
    QImage colour(300, 20, QImage::Format_RGB32);
    colour.fill(Qt::white);
    EXPECT_EQ(cvt.convertBitmap(colour, dir.file("q.apf")), ecBadArgument);
    EXPECT_FALSE(fileExists(dir.file("q.apf")));
    QImage mono = bm.toQImage(true);
    ASSERT_EQ(mono.format(), QImage::Format_Mono);
    ASSERT_EQ(cvt.convertBitmap(mono, dir.file("q.apf")), 0);
    EXPECT_EQ(decodeApfFile(dir.file("q.apf")).pages[0].lines, f.pages[0].lines);
}

TEST_F(ImageInput, PcxDoubledAndCentred)
{
    cvt.SetOptions(coDoubleWidth | coCenterImage);
    DecodedFile f = convert("p.pcx", makePcx(800, 30, kPattern), idPcx);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(f.pages.size(), 1u);
    ASSERT_EQ(f.pages[0].lines.size(), 30u);
    for (int y = 0; y < 30; ++y)
        ASSERT_EQ(f.pages[0].lines[std::size_t(y)], expectedLine(y, 800, kPattern, 50, 32, 2)) << y;
}

TEST_F(ImageInput, PcxRunsAcrossRowsPaddingAndHalfHeight)
{
    cvt.SetOptions(coHalfHeight);
    const int w = 1000, h = 21;
    DecodedFile f = convert("q.pcx", makePcx(w, h, kPattern, 5, 3, true), idPcx);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(f.pages.size(), 1u);
    // Every other row: lines 1, 3, 5, ... (rows 0, 2, 4, ...).
    ASSERT_EQ(f.pages[0].lines.size(), 11u);
    for (int i = 0; i < 11; ++i)
        ASSERT_EQ(f.pages[0].lines[std::size_t(i)], expectedLine(2 * i, w, kPattern, 50, 0, 1)) << i;
}

TEST_F(ImageInput, BadPcxAndDcxHeaders)
{
    auto good = makePcx(64, 4, kPattern);
    auto bad = good;
    bad[0] = 11;
    convert("a.pcx", bad, idPcx);
    EXPECT_EQ(rc, ecUnsupportedFormat);
    bad = good;
    bad[3] = 8; // 8 bits per pixel
    convert("b.pcx", bad, idPcx);
    EXPECT_EQ(rc, ecUnsupportedFormat);
    bad = good;
    put16(bad, 8, 4000); // wider than the page
    convert("c.pcx", bad, idPcx);
    EXPECT_EQ(rc, ecUnsupportedFormat);
    convert("d.pcx", std::vector<uint8_t>(good.begin(), good.begin() + 100), idPcx);
    EXPECT_EQ(rc, ecUnsupportedFormat);
    // Image data that ends before the rows the header promises: a read
    // error, not a page with blank rows; nothing is left behind.
    auto tall = makePcx(64, 40, kPattern);
    convert("cut.pcx", std::vector<uint8_t>(tall.begin(), tall.begin() + 128 + (tall.size() - 128) / 2), idPcx);
    EXPECT_EQ(rc, ecDeviceRead);
    EXPECT_FALSE(fileExists(dir.file("cut.APF")));
    convert("empty.pcx", std::vector<uint8_t>(tall.begin(), tall.begin() + 128), idPcx);
    EXPECT_EQ(rc, ecDeviceRead);

    auto dcx = makeDcx({good});
    dcx[0] ^= 1;
    convert("e.dcx", dcx, idDcx);
    EXPECT_EQ(rc, ecUnsupportedFormat);
    dcx = makeDcx({good});
    put32(dcx, 4, uint32_t(dcx.size() + 10)); // offset past the end
    convert("f.dcx", dcx, idDcx);
    EXPECT_EQ(rc, ecUnsupportedFormat);
    dcx = makeDcx({good, bad});
    convert("g.dcx", dcx, idDcx);
    EXPECT_EQ(rc, ecUnsupportedFormat);
    EXPECT_FALSE(fileExists(dir.file("g.APF")));
}

TEST_F(ImageInput, DcxPagesBecomeFaxPages)
{
    cvt.SetOptions(0);
    auto p1 = makePcx(100, 3, kPattern);
    auto p2 = makePcx(200, 5, [](int x, int) { return x % 2; });
    auto p3 = makePcx(300, 7, kPattern);
    long toConvert = 0;
    cvt.OnStatus = [&](TApdFaxConverter &, bool, bool, int, int, long, long total, bool &) { toConvert = total; };
    DecodedFile f = convert("m.dcx", makeDcx({p1, p2, p3}), idDcx);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(f.header.pageCount, 3);
    ASSERT_EQ(f.pages.size(), 3u);
    EXPECT_EQ(f.pages[0].lines.size(), 3u);
    EXPECT_EQ(f.pages[1].lines.size(), 5u);
    EXPECT_EQ(f.pages[2].lines.size(), 7u);
    EXPECT_EQ(f.pages[1].lines[0], expectedLine(0, 200, [](int x, int) { return x % 2; }, 50, 0, 1));
    EXPECT_EQ(toConvert, long(p1.size() + p2.size() + p3.size() - 3 * 128));
}

struct TiffSpec {
    int width = 300, length = 20, bits = 1, compression = COMPRESSION_NONE, photometric = PHOTOMETRIC_MINISWHITE;
    int rowsPerStrip = 7;
    bool bigEndian = false;
};

void writeTiff(const std::string &path, const TiffSpec &s, const PixelFn &black)
{
    TIFF *t = TIFFOpen(path.c_str(), s.bigEndian ? "wb" : "wl");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, s.length);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, s.compression);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, s.rowsPerStrip);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    std::vector<uint8_t> row(std::size_t((s.width * s.bits + 7) / 8));
    for (int y = 0; y < s.length; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; s.bits == 1 && x < s.width; ++x) {
            bool on = black(x, y) == (s.photometric == PHOTOMETRIC_MINISWHITE);
            if (on)
                row[std::size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
        TIFFWriteScanline(t, row.data(), uint32_t(y), 0);
    }
    TIFFClose(t);
}

TEST_F(ImageInput, TiffStripsByteOrdersPackBitsAndPhotometric)
{
    cvt.SetOptions(coCenterImage);
    const std::vector<TiffSpec> specs = {
        {},
        {.width = 301, .length = 33, .compression = COMPRESSION_PACKBITS},
        {.width = 517, .length = 9, .photometric = PHOTOMETRIC_MINISBLACK, .rowsPerStrip = 2, .bigEndian = true},
        {.width = 64, .length = 40, .compression = COMPRESSION_PACKBITS, .rowsPerStrip = 40, .bigEndian = true},
    };
    for (const TiffSpec &s : specs) {
        writeTiff(dir.file("i.tif"), s, kPattern);
        cvt.SetInputDocumentType(idTiff);
        cvt.SetDocumentFile(dir.file("i.tif"));
        ASSERT_EQ(cvt.convertDocument(), 0) << s.width;
        DecodedFile f = decodeApfFile(dir.file("i.APF"));
        ASSERT_EQ(f.pages.size(), 1u);
        ASSERT_EQ(f.pages[0].lines.size(), std::size_t(s.length)) << s.width;
        const int shift = 8 * ((1728 - s.width) / 16);
        for (int y = 0; y < s.length; ++y)
            ASSERT_EQ(f.pages[0].lines[std::size_t(y)], expectedLine(y, s.width, kPattern, 50, shift, 1))
                << s.width << " row " << y;
    }
}

TEST_F(ImageInput, UnsupportedAndDamagedTiffs)
{
    cvt.SetInputDocumentType(idTiff);
    cvt.SetDocumentFile(dir.file("u.tif"));
    // Depths and compressions the own reader refuses go to libtiff, which
    // reads them as whole pages.
    writeTiff(dir.file("u.tif"), {.bits = 4, .photometric = PHOTOMETRIC_MINISBLACK}, kPattern);
    EXPECT_EQ(cvt.convertDocument(), ecOK);
    writeTiff(dir.file("u.tif"), {.compression = COMPRESSION_LZW}, kPattern);
    EXPECT_EQ(cvt.convertDocument(), ecOK);
    {
        ApfReader r;
        ASSERT_EQ(r.open(dir.file("u.APF")), 0);
        EXPECT_EQ(r.pageCount(), 1);
    }
    std::remove(dir.file("u.APF").c_str());
    // Neither reader takes these.
    writeBytes(dir.file("u.tif"), {'X', 'X', 42, 0, 8, 0, 0, 0});
    EXPECT_EQ(cvt.convertDocument(), ecUnsupportedFormat);

    // A directory without strip offsets.
    std::vector<uint8_t> noStrips = {'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0};
    auto entry = [&](uint16_t tag, uint32_t value) {
        uint8_t e[12] = {uint8_t(tag), uint8_t(tag >> 8), 4, 0, 1, 0, 0, 0,
                         uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        noStrips.insert(noStrips.end(), e, e + 12);
    };
    entry(256, 100);
    entry(257, 10);
    writeBytes(dir.file("u.tif"), noStrips);
    EXPECT_EQ(cvt.convertDocument(), ecUnsupportedFormat);

    // Image data cut short: device read error, no output left.
    writeTiff(dir.file("u.tif"), {.width = 800, .length = 200, .rowsPerStrip = 200}, kPattern);
    auto data = readFile(dir.file("u.tif"));
    // libtiff writes the directory after the data; keep the header and
    // directory but make the strip offset point near the end.
    TIFF *t = TIFFOpen(dir.file("u.tif").c_str(), "r");
    ASSERT_NE(t, nullptr);
    uint64_t *offs = nullptr;
    ASSERT_TRUE(TIFFGetField(t, TIFFTAG_STRIPOFFSETS, &offs));
    const uint64_t stripStart = offs[0];
    TIFFClose(t);
    data.erase(data.begin() + long(stripStart) + 50, data.begin() + long(stripStart) + 100 * 100);
    // The directory moved: rewrite its offset in the header.
    const uint32_t ifd = uint32_t(data[4] | data[5] << 8 | data[6] << 16 | uint32_t(data[7]) << 24) - (100 * 100 - 50);
    put32(data, 4, ifd);
    writeBytes(dir.file("u.tif"), data);
    EXPECT_EQ(cvt.convertDocument(), ecDeviceRead);
    EXPECT_FALSE(fileExists(dir.file("u.APF")));
}

} // namespace
} // namespace qln::fax::test

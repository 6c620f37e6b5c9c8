// TIFF and PDF input of whole pages: multi-page Group 3 / Group 4 fax TIFFs
// come back line for line with each page's resolution, scans are scaled to
// the fax width in their physical proportions, PDF pages are rendered at fax
// resolution, and the own TIFF reader keeps the files it reads.
#include <gtest/gtest.h>

#include <random>

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <tiffio.h>

#include "apftestutil.h"
#include "faximage/apferrors.h"
#include "faximage/converter.h"
#include "faximage/pageimport.h"
#include "test_converterutil.h"

using namespace qln::fax;
using namespace qln::fax::test;

namespace {

constexpr int kBytes = 1728 / 8;

struct FaxTiffPage {
    std::vector<Line> lines;
    float yres;
};

// A fax TIFF written by libtiff: 1728 pixels, min-is-white, 204 x yres.
void writeFaxTiff(const std::string &path, const std::vector<FaxTiffPage> &pages, uint16_t compression,
                  uint16_t photometric = PHOTOMETRIC_MINISWHITE)
{
    TIFF *t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(nullptr, t);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 1728u);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(pages[p].lines.size()));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
        TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(pages[p].lines.size()));
        TIFFSetField(t, TIFFTAG_XRESOLUTION, 204.f);
        TIFFSetField(t, TIFFTAG_YRESOLUTION, pages[p].yres);
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(t, TIFFTAG_PAGENUMBER, uint16_t(p), uint16_t(pages.size()));
        for (std::size_t y = 0; y < pages[p].lines.size(); ++y) {
            Line row = pages[p].lines[y];
            if (photometric == PHOTOMETRIC_MINISBLACK)
                for (auto &b : row)
                    b = uint8_t(~b);
            ASSERT_EQ(1, TIFFWriteScanline(t, row.data(), uint32_t(y)));
        }
        ASSERT_TRUE(TIFFWriteDirectory(t));
    }
    TIFFClose(t);
}

// An 8-bit grey scan (0 black) with the given resolution in dots per inch.
void writeGreyTiff(const std::string &path, const QImage &grey, float xres, float yres)
{
    TIFF *t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(nullptr, t);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(grey.width()));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(grey.height()));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16u);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, xres);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, yres);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    for (int y = 0; y < grey.height(); ++y) {
        Line row(grey.constScanLine(y), grey.constScanLine(y) + grey.width());
        ASSERT_EQ(1, TIFFWriteScanline(t, row.data(), uint32_t(y)));
    }
    TIFFClose(t);
}

int convert(const std::string &in, const std::string &out, TFaxInputDocumentType type, bool fine = false)
{
    TApdFaxConverter c;
    c.SetOptions(0);
    c.SetInputDocumentType(type);
    c.SetResolution(fine ? frHigh : frNormal);
    c.SetDocumentFile(in);
    c.SetOutFileName(out);
    return c.convertDocument();
}

bool black(const Line &l, int x)
{
    return pixelAt(l, x);
}

class PageImport : public ::testing::TestWithParam<uint16_t> {};

TEST_P(PageImport, FaxTiffPagesComeBackLineForLineWithTheirResolution)
{
    TempDir dir;
    std::mt19937 rng(GetParam());
    std::vector<FaxTiffPage> pages;
    const float yres[] = {98, 196, 196, 98};
    const int rows[] = {30, 75, 1, 50};
    for (int p = 0; p < 4; ++p) {
        FaxTiffPage page{{}, yres[p]};
        for (int y = 0; y < rows[p]; ++y)
            page.lines.push_back(randomLine(rng, kBytes, 30));
        pages.push_back(std::move(page));
    }
    const std::string tif = dir.file("in.tif");
    writeFaxTiff(tif, pages, GetParam());
    ASSERT_EQ(0, convert(tif, dir.file("out.apf"), idTiff));
    const DecodedFile f = decodeApfFile(dir.file("out.apf"));
    ASSERT_EQ(0, f.rc);
    ASSERT_EQ(4u, f.pages.size());
    for (int p = 0; p < 4; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(yres[p] > 150, f.pages[std::size_t(p)].header.fine());
        EXPECT_EQ(1728, f.pages[std::size_t(p)].header.width());
        ASSERT_EQ(pages[std::size_t(p)].lines.size(), f.pages[std::size_t(p)].lines.size());
        for (std::size_t y = 0; y < pages[std::size_t(p)].lines.size(); ++y)
            ASSERT_EQ(pages[std::size_t(p)].lines[y], f.pages[std::size_t(p)].lines[y]) << "row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Compressions, PageImport,
                         ::testing::Values(uint16_t(COMPRESSION_CCITTFAX3), uint16_t(COMPRESSION_CCITTFAX4),
                                           uint16_t(COMPRESSION_NONE), uint16_t(COMPRESSION_LZW)));

TEST(PageImportScan, GreyScanIsScaledToTheFaxWidthInItsProportions)
{
    TempDir dir;
    // 4 x 2 inches at 150 dpi across and 100 dpi down (non-square pixels);
    // a black box over the left half of the upper half.
    QImage grey(600, 200, QImage::Format_Grayscale8);
    grey.fill(255);
    for (int y = 0; y < 100; ++y)
        std::memset(grey.scanLine(y), 0, 300);
    writeGreyTiff(dir.file("scan.tif"), grey, 150, 100);
    ASSERT_EQ(0, convert(dir.file("scan.tif"), dir.file("scan.apf"), idTiff));
    const DecodedFile f = decodeApfFile(dir.file("scan.apf"));
    ASSERT_EQ(0, f.rc);
    ASSERT_EQ(1u, f.pages.size());
    const DecodedPage &pg = f.pages[0];
    // 100 dpi down: a normal page. 4 inches become 1728 pixels (432 per
    // inch), so 2 inches of height at 98/204 of that are 415 lines.
    EXPECT_FALSE(pg.header.fine());
    EXPECT_NEAR(415, int(pg.lines.size()), 1);
    const int h = int(pg.lines.size());
    EXPECT_TRUE(black(pg.lines[10], 10));
    EXPECT_TRUE(black(pg.lines[h / 2 - 5], 860));
    EXPECT_FALSE(black(pg.lines[h / 2 + 5], 10));
    EXPECT_FALSE(black(pg.lines[10], 870));

    // The same scan at 200 dpi down is a fine page of the same height.
    writeGreyTiff(dir.file("fine.tif"), grey.scaled(600, 400), 150, 200);
    ASSERT_EQ(0, convert(dir.file("fine.tif"), dir.file("fine.apf"), idTiff));
    const DecodedFile g = decodeApfFile(dir.file("fine.apf"));
    ASSERT_EQ(1u, g.pages.size());
    EXPECT_TRUE(g.pages[0].header.fine());
    EXPECT_NEAR(830, int(g.pages[0].lines.size()), 1);
}

TEST(PageImportScan, GreyIsDitheredAndBlackAndWhiteStayPure)
{
    auto blackShare = [](int value) {
        SourcePage src;
        src.image = QImage(200, 100, QImage::Format_Grayscale8);
        src.image.fill(uint(value));
        src.xDpi = 204;
        src.yDpi = 196;
        bool fine = false;
        const MonoBitmap bm = faxPageFromSource(src, 1728, false, fine);
        EXPECT_TRUE(fine);
        long on = 0;
        for (int y = 0; y < bm.height; ++y)
            for (int x = 0; x < bm.width; ++x)
                on += bm.pixel(x, y);
        return double(on) / (double(bm.width) * bm.height);
    };
    EXPECT_EQ(1.0, blackShare(0));
    EXPECT_EQ(0.0, blackShare(255));
    EXPECT_NEAR(0.5, blackShare(128), 0.06);
    EXPECT_LT(blackShare(180), blackShare(100));
}

TEST(PageImportTiff, OwnReaderKeepsWhatItReadsAndLibtiffTakesTheRest)
{
    TempDir dir;
    std::mt19937 rng(9);
    FaxTiffPage page{{}, 98};
    for (int y = 0; y < 20; ++y)
        page.lines.push_back(randomLine(rng, kBytes, 30));
    writeFaxTiff(dir.file("one.tif"), {page}, COMPRESSION_NONE);
    writeFaxTiff(dir.file("two.tif"), {page, page}, COMPRESSION_NONE);
    writeFaxTiff(dir.file("g3.tif"), {page}, COMPRESSION_CCITTFAX3);

    auto usesLibTiff = [](const std::string &file) {
        ConverterCore core(nullptr);
        TiffAnyReader r;
        EXPECT_EQ(0, r.open(core, file));
        const bool lib = r.usingLibTiff();
        r.close();
        return lib;
    };
    EXPECT_FALSE(usesLibTiff(dir.file("one.tif")));
    EXPECT_TRUE(usesLibTiff(dir.file("two.tif")));
    EXPECT_TRUE(usesLibTiff(dir.file("g3.tif")));

    // Black stored as 1 or as 0 comes back the same.
    writeFaxTiff(dir.file("black0.tif"), {page, page}, COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISBLACK);
    ASSERT_EQ(0, convert(dir.file("black0.tif"), dir.file("black0.apf"), idTiff));
    const DecodedFile b = decodeApfFile(dir.file("black0.apf"));
    ASSERT_EQ(2u, b.pages.size());
    EXPECT_EQ(page.lines, b.pages[0].lines);

    // The two-page uncompressed file gives both pages.
    ASSERT_EQ(0, convert(dir.file("two.tif"), dir.file("two.apf"), idTiff));
    const DecodedFile f = decodeApfFile(dir.file("two.apf"));
    ASSERT_EQ(2u, f.pages.size());
    EXPECT_EQ(page.lines, f.pages[1].lines);
}

TEST(PageImportPdf, EveryPageIsRenderedAtFaxResolution)
{
    TempDir dir;
    const std::string pdf = dir.file("doc.pdf");
    {
        // Three Letter pages, each with a black box one inch square whose
        // left edge is at (page number) inches and top at one inch.
        QPdfWriter w(QString::fromStdString(pdf));
        w.setPageSize(QPageSize(QPageSize::Letter));
        w.setPageMargins(QMarginsF(0, 0, 0, 0));
        w.setResolution(72);
        QPainter p(&w);
        for (int i = 1; i <= 3; ++i) {
            if (i > 1)
                w.newPage();
            p.fillRect(QRectF(72.0 * i, 72, 72, 72), Qt::black);
        }
    }
    for (bool fine : {false, true}) {
        SCOPED_TRACE(fine);
        const std::string out = dir.file(fine ? "fine.apf" : "normal.apf");
        ASSERT_EQ(0, convert(pdf, out, idPdf, fine));
        const DecodedFile f = decodeApfFile(out);
        ASSERT_EQ(0, f.rc);
        ASSERT_EQ(3u, f.pages.size());
        // 8.5 inches across in 1728 pixels: 203.3 per inch; 11 inches down
        // at 196 (or 98) / 204 of that.
        const double perInch = 1728 / 8.5;
        const double linesPerInch = perInch * (fine ? 196.0 : 98.0) / 204.0;
        for (int i = 1; i <= 3; ++i) {
            const DecodedPage &pg = f.pages[std::size_t(i - 1)];
            EXPECT_EQ(fine, pg.header.fine());
            EXPECT_NEAR(11 * linesPerInch, double(pg.lines.size()), 2);
            const int midY = int(1.5 * linesPerInch);
            const int midX = int((i + 0.5) * perInch);
            EXPECT_TRUE(black(pg.lines[std::size_t(midY)], midX));
            EXPECT_FALSE(black(pg.lines[std::size_t(midY)], int((i - 0.2) * perInch)));
            EXPECT_FALSE(black(pg.lines[std::size_t(midY)], int((i + 1.2) * perInch)));
            EXPECT_FALSE(black(pg.lines[std::size_t(int(0.8 * linesPerInch))], midX));
            EXPECT_TRUE(black(pg.lines[std::size_t(int(1.1 * linesPerInch))], midX));
        }
    }
}

TEST(PageImportErrors, MissingAndForeignFiles)
{
    TempDir dir;
    EXPECT_EQ(ecFileNotFound, convert(dir.file("none.pdf"), dir.file("a.apf"), idPdf));
    EXPECT_EQ(ecFileNotFound, convert(dir.file("none.tif"), dir.file("a.apf"), idTiff));
    {
        FILE *f = std::fopen(dir.file("junk.pdf").c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::fputs("%PDF-1.4 this is not a document", f);
        std::fclose(f);
        f = std::fopen(dir.file("junk.tif").c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::fputs("II*\0garbage", f);
        std::fclose(f);
    }
    EXPECT_EQ(ecUnsupportedFormat, convert(dir.file("junk.pdf"), dir.file("b.apf"), idPdf));
    EXPECT_EQ(ecUnsupportedFormat, convert(dir.file("junk.tif"), dir.file("c.apf"), idTiff));
    EXPECT_FALSE(fileExists(dir.file("b.apf")));
    EXPECT_FALSE(fileExists(dir.file("c.apf")));
}

} // namespace

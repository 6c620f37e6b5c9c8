// Export of APF files: multi-page TIFF class F read back by libtiff and
// multi-page PDF rendered back by poppler, each page equal to the APF page;
// PNG line doubling; refusals that must leave nothing written.
#include <gtest/gtest.h>

#include <random>

#include <QImage>
#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>
#include <tiffio.h>

#include "apftestutil.h"
#include "faximage/apf.h"
#include "faximage/apferrors.h"
#include "faximage/apfreader.h"
#include "faximage/faxexport.h"

using namespace qln::fax;
using namespace qln::fax::test;

namespace {

constexpr int kBytes = 1728 / 8;

// Three pages: normal, fine, normal, with different random content and a
// solid bar so that a shifted or stretched page cannot pass.
std::vector<std::vector<Line>> makePages(std::mt19937 &rng)
{
    std::vector<std::vector<Line>> pages;
    const int rows[] = {40, 90, 25};
    for (int p = 0; p < 3; ++p) {
        std::vector<Line> lines;
        for (int y = 0; y < rows[p]; ++y)
            lines.push_back(y % 7 == 3 ? blackSpan(kBytes, 100 * (p + 1), 100 * (p + 1) + 300)
                                       : randomLine(rng, kBytes, 40));
        pages.push_back(std::move(lines));
    }
    return pages;
}

// An APF file of the pages, page 2 fine.
std::string writeMixed(const TempDir &dir, const std::vector<std::vector<Line>> &pages)
{
    writeApf(dir.file("p1.apf"), {pages[0]}, pfLineLengths);
    writeApf(dir.file("p2.apf"), {pages[1]}, pfLineLengths | pfFine);
    writeApf(dir.file("p3.apf"), {pages[2]}, pfLineLengths);
    const std::string out = dir.file("fax.apf");
    EXPECT_EQ(0, concatenateApf(out, {dir.file("p1.apf"), dir.file("p2.apf"), dir.file("p3.apf")}));
    return out;
}

bool rasterPixel(const Line &l, int x)
{
    return (l[std::size_t(x) >> 3] >> (7 - (x & 7))) & 1;
}

TEST(FaxExport, TiffHoldsEveryPageAtItsResolution)
{
    TempDir dir;
    std::mt19937 rng(7);
    const auto pages = makePages(rng);
    const std::string apf = writeMixed(dir, pages);
    const std::string tif = dir.file("fax.tif");
    ASSERT_EQ(0, exportFaxFile(apf, tif, {}));

    TIFF *t = TIFFOpen(tif.c_str(), "r");
    ASSERT_NE(nullptr, t);
    ASSERT_EQ(3, int(TIFFNumberOfDirectories(t)));
    const float yres[] = {98, 196, 98};
    for (int p = 0; p < 3; ++p) {
        ASSERT_TRUE(TIFFSetDirectory(t, tdir_t(p)));
        uint32_t w = 0, h = 0;
        float xr = 0, yr = 0;
        uint16_t compression = 0, pageNo = 0, pageCount = 0;
        TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
        TIFFGetField(t, TIFFTAG_XRESOLUTION, &xr);
        TIFFGetField(t, TIFFTAG_YRESOLUTION, &yr);
        TIFFGetField(t, TIFFTAG_COMPRESSION, &compression);
        TIFFGetField(t, TIFFTAG_PAGENUMBER, &pageNo, &pageCount);
        EXPECT_EQ(1728u, w);
        EXPECT_EQ(pages[std::size_t(p)].size(), h);
        EXPECT_EQ(204.f, xr);
        EXPECT_EQ(yres[p], yr);
        EXPECT_EQ(COMPRESSION_CCITTFAX3, compression);
        EXPECT_EQ(p, pageNo);
        EXPECT_EQ(3, pageCount);
        std::vector<uint8_t> row(std::size_t(TIFFScanlineSize(t)));
        for (uint32_t y = 0; y < h; ++y) {
            ASSERT_EQ(1, TIFFReadScanline(t, row.data(), y)) << "page " << p << " row " << y;
            ASSERT_EQ(pages[std::size_t(p)][y], Line(row.begin(), row.begin() + kBytes))
                << "page " << p << " row " << y;
        }
    }
    TIFFClose(t);

    // One page on request.
    ASSERT_EQ(0, exportFaxFile(apf, dir.file("two.tif"), {2, false}));
    t = TIFFOpen(dir.file("two.tif").c_str(), "r");
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(1, int(TIFFNumberOfDirectories(t)));
    uint32_t h = 0;
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    EXPECT_EQ(pages[1].size(), h);
    TIFFClose(t);
}

TEST(FaxExport, PdfPagesHaveTheFaxSizeAndPixels)
{
    TempDir dir;
    std::mt19937 rng(11);
    const auto pages = makePages(rng);
    const std::string apf = writeMixed(dir, pages);
    const std::string pdf = dir.file("fax.pdf");
    ASSERT_EQ(0, exportFaxFile(apf, pdf, {}));

    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(pdf));
    ASSERT_TRUE(doc);
    ASSERT_EQ(3, doc->pages());
    poppler::page_renderer r;
    r.set_render_hint(poppler::page_renderer::antialiasing, false);
    r.set_render_hint(poppler::page_renderer::text_antialiasing, false);
    r.set_image_format(poppler::image::format_argb32);
    const double ydpi[] = {98, 196, 98};
    for (int p = 0; p < 3; ++p) {
        std::unique_ptr<poppler::page> pg(doc->create_page(p));
        const poppler::rectf box = pg->page_rect(poppler::media_box);
        EXPECT_NEAR(1728.0 / 204 * 72, box.width(), 0.001);
        EXPECT_NEAR(double(pages[std::size_t(p)].size()) / ydpi[p] * 72, box.height(), 0.001);
        // Rendered at the fax resolution, pixel for pixel.
        const poppler::image img = r.render_page(pg.get(), 204, ydpi[p]);
        ASSERT_TRUE(img.is_valid());
        const QImage q(reinterpret_cast<const uchar *>(img.const_data()), img.width(), img.height(),
                       img.bytes_per_row(), QImage::Format_ARGB32);
        EXPECT_EQ(QSize(1728, int(pages[std::size_t(p)].size())), q.size());
        ASSERT_GE(q.width(), 1728);
        ASSERT_GE(q.height(), int(pages[std::size_t(p)].size()));
        int differ = 0;
        for (int y = 0; y < int(pages[std::size_t(p)].size()); ++y)
            for (int x = 0; x < 1728; ++x)
                differ += (qGray(q.pixel(x, y)) < 128) != rasterPixel(pages[std::size_t(p)][std::size_t(y)], x);
        EXPECT_EQ(0, differ) << "page " << p + 1;
    }
}

TEST(FaxExport, PngDoublesNormalLinesUnlessRawAndKeepsFinePages)
{
    TempDir dir;
    std::mt19937 rng(3);
    const auto pages = makePages(rng);
    const std::string apf = writeMixed(dir, pages);
    ASSERT_EQ(0, exportFaxFile(apf, dir.file("n.png"), {1, false}));
    ASSERT_EQ(0, exportFaxFile(apf, dir.file("raw.png"), {1, true}));
    ASSERT_EQ(0, exportFaxFile(apf, dir.file("f.png"), {2, false}));
    ASSERT_EQ(0, exportFaxFile(apf, dir.file("n.bmp"), {3, false}));
    const QImage n(QString::fromStdString(dir.file("n.png")));
    const QImage raw(QString::fromStdString(dir.file("raw.png")));
    const QImage f(QString::fromStdString(dir.file("f.png")));
    const QImage b(QString::fromStdString(dir.file("n.bmp")));
    EXPECT_EQ(QSize(1728, 80), n.size());
    EXPECT_EQ(QSize(1728, 40), raw.size());
    EXPECT_EQ(QSize(1728, 90), f.size());
    EXPECT_EQ(QSize(1728, 50), b.size());
    // Both copies of a doubled line are the page's line.
    for (int y : {0, 3, 39})
        for (int x = 0; x < 1728; x += 13) {
            const bool black = rasterPixel(pages[0][std::size_t(y)], x);
            EXPECT_EQ(black, qGray(n.pixel(x, 2 * y)) < 128);
            EXPECT_EQ(black, qGray(n.pixel(x, 2 * y + 1)) < 128);
            EXPECT_EQ(black, qGray(raw.pixel(x, y)) < 128);
        }
}

TEST(FaxExport, RefusalsWriteNothing)
{
    TempDir dir;
    std::mt19937 rng(5);
    const auto pages = makePages(rng);
    const std::string apf = writeMixed(dir, pages);
    const std::vector<uint8_t> before = readFile(apf);

    // The output naming the input, also by another path.
    EXPECT_EQ(ecBadArgument, exportFaxFile(apf, apf, {}));
    const std::string alias = dir.path() + "/./fax.apf";
    EXPECT_EQ(ecBadArgument, exportFaxFile(apf, alias, {}));
    EXPECT_EQ(before, readFile(apf));
    // A renamed copy with an export extension is still the input.
    ASSERT_EQ(0, std::rename(apf.c_str(), dir.file("fax.pdf").c_str()));
    EXPECT_EQ(ecBadArgument, exportFaxFile(dir.file("fax.pdf"), dir.file("fax.pdf"), {}));
    EXPECT_EQ(before, readFile(dir.file("fax.pdf")));
    ASSERT_EQ(0, std::rename(dir.file("fax.pdf").c_str(), apf.c_str()));

    EXPECT_EQ(ecBadArgument, exportFaxFile(apf, dir.file("fax.xyz"), {}));
    EXPECT_FALSE(fileExists(dir.file("fax.xyz")));
    EXPECT_GT(0, exportFaxFile(apf, dir.file("p9.tif"), {9, false}));
    EXPECT_FALSE(fileExists(dir.file("p9.tif")));

    // A file whose middle page decodes to no line: no output at all, and an
    // existing output keeps its contents.
    writeApf(dir.file("e1.apf"), {pages[0]}, pfLineLengths);
    writeApf(dir.file("e2.apf"), {{}}, pfLineLengths);
    ASSERT_EQ(0, concatenateApf(dir.file("e.apf"), {dir.file("e1.apf"), dir.file("e2.apf"), dir.file("e1.apf")}));
    for (const char *name : {"e.pdf", "e.tif"}) {
        EXPECT_EQ(ecFaxBadFormat, exportFaxFile(dir.file("e.apf"), dir.file(name), {})) << name;
        EXPECT_FALSE(fileExists(dir.file(name))) << name;
    }
    {
        FILE *f = std::fopen(dir.file("keep.png").c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::fputs("old", f);
        std::fclose(f);
    }
    EXPECT_EQ(ecFaxBadFormat, exportFaxFile(dir.file("e.apf"), dir.file("keep.png"), {2, false}));
    EXPECT_EQ(std::vector<uint8_t>({'o', 'l', 'd'}), readFile(dir.file("keep.png")));
}

} // namespace

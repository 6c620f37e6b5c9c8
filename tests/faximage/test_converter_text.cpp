// Text conversion: page breaks, line cutting, tabs, form feeds, line ends,
// built-in and enhanced fonts, and the exact file arithmetic of small cases.
#include <gtest/gtest.h>

#include <QFont>

#include "apftestutil.h"
#include "faximage/converter.h"
#include "faximage/convertertext.h"
#include "faximage/convertertextreader.h"
#include "test_converterutil.h"

namespace qln::fax::test {
namespace {

class TextConversion : public ::testing::Test {
protected:
    DecodedFile convert(const std::string &text, TFaxInputDocumentType type = idText)
    {
        writeText(dir.file("in.txt"), text);
        cvt.SetInputDocumentType(type);
        cvt.SetDocumentFile(dir.file("in.txt"));
        cvt.ConvertDocument();
        return decodeApfFile(dir.file("in.APF"));
    }
    TempDir dir;
    TApdFaxConverter cvt;
};

TEST_F(TextConversion, LinesPerPageSplitsDocumentIntoPages)
{
    std::string text;
    for (int i = 1; i <= 130; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    cvt.SetLinesPerPage(60);
    DecodedFile f = convert(text);
    ASSERT_EQ(f.rc, 0);
    ASSERT_EQ(f.header.pageCount, 3);
    ASSERT_EQ(f.pages.size(), 3u);
    EXPECT_EQ(f.pages[0].lines.size(), 60u * 16);
    EXPECT_EQ(f.pages[1].lines.size(), 60u * 16);
    EXPECT_EQ(f.pages[2].lines.size(), 10u * 16);
    for (const auto &p : f.pages) {
        EXPECT_EQ(p.header.flags, pfLineLengths);
        // Every coded line plus its length word, and the end-of-page line.
        uint32_t sum = 0;
        for (const auto &c : p.coded)
            sum += 2 + uint32_t(c.size());
        EXPECT_EQ(p.header.imageLength, sum);
        EXPECT_EQ(p.coded.back(), std::vector<uint8_t>({0x00, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00,
                                                        0x08, 0x80, 0x00}));
    }
}

TEST_F(TextConversion, EmptyFileGivesOnePageWithOneBlankLine)
{
    DecodedFile f = convert("");
    ASSERT_EQ(f.rc, 0);
    ASSERT_EQ(f.pages.size(), 1u);
    EXPECT_EQ(f.pages[0].header.imageLength, 22u);
    EXPECT_EQ(f.pages[0].coded[0], std::vector<uint8_t>({0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}));
    EXPECT_EQ(readFile(dir.file("in.APF")).size(), 64u + 16 + 8 + 14);
    ASSERT_EQ(f.pages[0].lines.size(), 1u);
    EXPECT_EQ(blackCount(f.pages[0].lines[0]), 0);
}

TEST_F(TextConversion, FineResolutionAndSmallFontChangeRowsPerLine)
{
    cvt.SetResolution(frHigh);
    DecodedFile f = convert("A\r\nB\r\n");
    ASSERT_EQ(f.pages.size(), 1u);
    EXPECT_EQ(f.pages[0].lines.size(), 2u * 32);
    EXPECT_EQ(f.pages[0].header.flags, pfLineLengths | pfFine);

    cvt.SetResolution(frNormal);
    cvt.SetFontType(ffSmall);
    cvt.SetWidth(fwWide);
    f = convert("A\r\nB\r\nC");
    ASSERT_EQ(f.pages.size(), 1u);
    EXPECT_EQ(f.pages[0].lines.size(), 3u * 8);
    EXPECT_EQ(f.pages[0].header.flags, pfLineLengths | pfWide);
    EXPECT_EQ(f.pages[0].lines[0].size(), 256u);
}

TEST_F(TextConversion, GlyphsLandAfterTheLeftMarginPixelForPixel)
{
    DecodedFile f = convert("Hx");
    ASSERT_EQ(f.pages.size(), 1u);
    ASSERT_EQ(f.pages[0].lines.size(), 16u);
    FaxFont font;
    ASSERT_EQ(font.load(FaxFont::kStandard, false), 0);
    for (int r = 0; r < 16; ++r) {
        const auto &line = f.pages[0].lines[std::size_t(r)];
        for (int x = 0; x < 1728; ++x) {
            bool expect = false;
            const int gx = x - 50;
            if (gx >= 0 && gx < 40) {
                const uint8_t *g = font.glyph(gx < 20 ? 'H' : 'x') + r * 3;
                const int bx = gx % 20;
                expect = (g[bx / 8] >> (7 - bx % 8)) & 1;
            }
            ASSERT_EQ(pixelAt(line, x), expect) << "row " << r << " x " << x;
        }
    }
}

TEST_F(TextConversion, FormFeedsBreakPages)
{
    // A line ending in a form feed ends the page after that line.
    DecodedFile f = convert("one\f\r\ntwo\r\nthree\r\n");
    ASSERT_EQ(f.pages.size(), 2u);
    EXPECT_EQ(f.pages[0].lines.size(), 16u);
    EXPECT_EQ(f.pages[1].lines.size(), 32u);

    // Text after a form feed begins the next page; no page is lost.
    f = convert("one\ftwo\r\nthree");
    ASSERT_EQ(f.pages.size(), 2u);
    EXPECT_EQ(f.pages[0].lines.size(), 16u);
    EXPECT_EQ(f.pages[1].lines.size(), 32u);

    // A form feed at the very end adds no empty page.
    f = convert("one\r\n\f");
    ASSERT_EQ(f.pages.size(), 1u);
    EXPECT_EQ(f.pages[0].lines.size(), 32u);
}

TEST(TextLines, LineEndsOfEveryKindAndEndOfFileMark)
{
    TempDir dir;
    // CR LF split across the 4096-byte block boundary, bare LF, bare CR,
    // and an end-of-file mark closing the last block.
    std::string text(4095, 'a');
    text += "\r\nb\nc\rd\r\n\x1a";
    writeText(dir.file("t.txt"), text);
    ConverterInputFile file;
    ASSERT_EQ(file.open(dir.file("t.txt")), 0);
    TextLineSource src(file);
    std::vector<std::string> lines;
    std::string line;
    bool got = true;
    while (src.next(line, got) == 0 && got)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], std::string(4095, 'a'));
    EXPECT_EQ(lines[1], "b");
    EXPECT_EQ(lines[2], "c");
    EXPECT_EQ(lines[3], "d");
}

TEST(TextCore, TabsExpandAndLongLinesAreCut)
{
    FaxTextCore core;
    ASSERT_EQ(core.loadFont(FaxFont::kStandard, false), 0);
    EXPECT_EQ(core.prepareLine("x\ty"), "x   y");
    EXPECT_EQ(core.prepareLine("\tz"), "    z");
    EXPECT_EQ(core.prepareLine(std::string(200, 'q')).size(), 84u);
    core.setTabStop(0);
    EXPECT_EQ(core.prepareLine("a\tb"), "");
    FaxTextCore small;
    ASSERT_EQ(small.loadFont(FaxFont::kSmall, false), 0);
    EXPECT_EQ(small.prepareLine(std::string(200, 'q')).size(), size_t(1728 / 12 - 50 / 12));
}

TEST(TextCore, FontResourceChecksAndSenderOperations)
{
    FaxFont font;
    EXPECT_EQ(font.load(FaxFont::kStandard, false, nullptr, 0), ecFontFileNotFound);
    EXPECT_EQ(font.load(FaxFont::kSmall, false, kFaxFontResource, 100), ecFontFileNotFound);
    EXPECT_FALSE(font.loaded());
    EXPECT_EQ(font.load(FaxFont::kSmall, true), 0);
    EXPECT_EQ(font.rows(), 16);
    // Fine doubles every row.
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(std::memcmp(font.glyph('M') + 2 * r * 2, font.glyph('M') + (2 * r + 1) * 2, 2), 0);

    uint8_t eop[16] = {};
    EXPECT_EQ(FaxTextCore::endOfPageCodes(eop), 12);
    EXPECT_EQ(eop[11], 0x00);
    EXPECT_EQ(eop[3], 0x08);

    // Drawing into a raster of exactly the page width never writes past it.
    FaxTextCore core;
    ASSERT_EQ(core.loadFont(FaxFont::kSmall, false), 0);
    std::vector<uint8_t> raster(216 + 1, 0);
    const std::string full(1728 / 12, '#');
    for (int r = 1; r <= 8; ++r)
        core.drawTextRow(full.c_str(), r, raster.data());
    EXPECT_EQ(raster[216], 0);
    // A blank raster codes as the six-byte blank line.
    std::vector<uint8_t> blank(216, 0);
    EXPECT_EQ(core.codeRasterLine(blank.data()), 4u);
    EXPECT_EQ(std::vector<uint8_t>(core.codingBuffer(), core.codingBuffer() + 6),
              std::vector<uint8_t>({0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}));
}

TEST_F(TextConversion, EnhancedTextRendersAtTheSameSizeAtBothResolutions)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    cvt.SetEnhFont(font);
    DecodedFile normal = convert("Wy Hello\r\nsecond", idTextEx);
    ASSERT_EQ(normal.rc, 0);
    ASSERT_EQ(normal.pages.size(), 1u);
    const std::size_t rowsNormal = normal.pages[0].lines.size() / 2;
    EXPECT_EQ(normal.pages[0].lines.size() % 2, 0u);
    EXPECT_GE(rowsNormal, 20u);
    int blackNormal = 0, firstNormal = 1728;
    for (const auto &l : normal.pages[0].lines) {
        blackNormal += blackCount(l);
        if (int fb = firstBlack(l); fb >= 0)
            firstNormal = std::min(firstNormal, fb);
    }
    EXPECT_GT(blackNormal, 100);
    EXPECT_GE(firstNormal, 50);

    cvt.SetResolution(frHigh);
    DecodedFile fine = convert("Wy Hello\r\nsecond", idTextEx);
    ASSERT_EQ(fine.pages.size(), 1u);
    const std::size_t rowsFine = fine.pages[0].lines.size() / 2;
    // Doubled font at fine resolution: about twice the rows, about the same
    // width (normal resolution doubles every pixel horizontally).
    EXPECT_NEAR(double(rowsFine), 2.0 * rowsNormal, 4.0);
    int blackFine = 0;
    for (const auto &l : fine.pages[0].lines)
        blackFine += blackCount(l);
    EXPECT_NEAR(double(blackFine) / blackNormal, 2.0, 0.5);
}

TEST_F(TextConversion, EnhancedFontTooLargeIsRefused)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(400);
    cvt.SetEnhFont(font);
    writeText(dir.file("in.txt"), "x");
    cvt.SetInputDocumentType(idTextEx);
    cvt.SetDocumentFile(dir.file("in.txt"));
    try {
        cvt.ConvertDocument();
        FAIL() << "no exception";
    } catch (const EFaxConverterError &e) {
        EXPECT_EQ(e.code(), -8055);
        EXPECT_STREQ(e.what(), "Font selected for enhanced text converter too large");
    }
    EXPECT_FALSE(fileExists(dir.file("in.APF")));
}

} // namespace
} // namespace qln::fax::test

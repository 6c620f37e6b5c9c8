// The unpacker: aspect correction, blank-line compression, scaling, the page
// collector, PCX and DCX output, status, abort and bad input.
#include <gtest/gtest.h>

#include <QImage>
#include <random>

#include "apftestutil.h"
#include "faximage/apf.h"
#include "faximage/apferrors.h"
#include "faximage/unpacker.h"
#include "faximage/unpackerpcx.h"
#include "test_converterutil.h"

using namespace qln::fax;
using namespace qln::fax::test;

namespace {

Line textLine()
{
    Line l = blackSpan(216, 0, 8);
    Line r = blackSpan(216, 1720, 1728);
    for (std::size_t i = 0; i < l.size(); ++i)
        l[i] |= r[i];
    l[5] = 0x10; // one lone black pixel (x = 43)
    return l;
}

int expectCode(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EFaxUnpackerError &e) {
        return e.code();
    }
    return 0;
}

} // namespace

TEST(Unpacker, ReadsCountResolutionAndWidth)
{
    TempDir dir;
    Line wide = blackSpan(256, 2000, 2048);
    writeApf(dir.file("f.apf"), {{wide}, {wide}}, pfFine | pfWide);
    TApdFaxUnpacker u;
    u.setInFileName(dir.file("f.apf"));
    EXPECT_EQ(dir.file("f"), u.OutFileName);
    EXPECT_EQ(2, u.ReadPageCount());
    EXPECT_EQ(frHighRes, u.ReadFaxResolution());
    EXPECT_EQ(fwWideWidth, u.ReadFaxWidth());
    u.OutFileName = "kept";
    u.setInFileName(dir.file("F.APF").substr(0, dir.file("F.APF").size() - 5) + "F.APF");
    EXPECT_EQ("kept", u.OutFileName); // same name but for case: not changed

    TApdFaxUnpacker none;
    EXPECT_EQ(ecFileNotFound, expectCode([&] { none.ReadPageCount(); }));
    none.setInFileName(dir.file("missing.apf"));
    EXPECT_EQ(ecFileNotFound, expectCode([&] { none.ReadPageCount(); }));
}

TEST(Unpacker, AspectModesApplyToNormalPagesOnly)
{
    TempDir dir;
    std::vector<Line> page(1100, textLine());
    writeApf(dir.file("n.apf"), {page}, 0);
    writeApf(dir.file("f.apf"), {page}, pfFine);
    TApdFaxUnpacker u;
    u.setInFileName(dir.file("n.apf"));
    MonoBitmap bm = u.ExtractPageBitmap(1);
    EXPECT_EQ(1728, bm.width);
    EXPECT_EQ(2200, bm.height);
    EXPECT_FALSE(bm.pixel(0, 2199)); // inverted polarity: 0 = black
    EXPECT_TRUE(bm.pixel(100, 0));

    u.AutoScaleMode = asHalfWidth;
    bm = u.ExtractPageBitmap(1);
    EXPECT_EQ(1728, bm.width);
    EXPECT_EQ(1100, bm.height);
    EXPECT_FALSE(bm.pixel(3, 0));
    EXPECT_FALSE(bm.pixel(863, 0)); // pixels 1726..1727 moved to 863
    EXPECT_TRUE(bm.pixel(21, 0));   // a lone black pixel merges with white
    for (int x = 864; x < 1728; ++x)
        ASSERT_TRUE(bm.pixel(x, 500)) << x; // right half white

    u.setInFileName(dir.file("f.apf"));
    for (auto mode : {asDoubleHeight, asHalfWidth, asNone}) {
        u.AutoScaleMode = mode;
        bm = u.ExtractPageBitmap(1);
        EXPECT_EQ(1100, bm.height);
        EXPECT_FALSE(bm.pixel(1727, 0));
    }
}

TEST(Unpacker, WhitespaceCompressionShortensLongBlankRuns)
{
    TempDir dir;
    std::vector<Line> page;
    Line blank(216, 0);
    auto add = [&](int n, const Line &l) { page.insert(page.end(), std::size_t(n), l); };
    add(1, textLine());
    add(25, blank);
    add(1, textLine());
    add(9, blank);
    add(1, textLine());
    add(10, blank); // exactly the threshold
    add(1, textLine());
    add(25, blank);
    writeApf(dir.file("w.apf"), {page}, pfFine);

    auto lengths = [&](unsigned from, unsigned to) {
        TApdFaxUnpacker u;
        u.setInFileName(dir.file("w.apf"));
        u.WhitespaceCompression = true;
        u.WhitespaceFrom = from;
        u.WhitespaceTo = to;
        std::vector<int> lens;
        u.OnOutputLine = [&](TApdCustomFaxUnpacker *, bool start, bool end, const uint8_t *, int len, int) {
            if (!start && !end)
                lens.push_back(len);
        };
        u.UnpackPage(1);
        MonoBitmap bm = u.ExtractPageBitmap(1);
        EXPECT_EQ(int(lens.size()), bm.height);
        return lens;
    };
    auto l = lengths(10, 2);
    EXPECT_EQ((std::vector<int>{216, 0, 0, 216, 0, 0, 0, 0, 0, 0, 0, 0, 0, 216, 0, 0, 216, 0, 0}), l);
    l = lengths(10, 10);
    EXPECT_EQ(1u + 10 + 1 + 9 + 1 + 10 + 1, l.size()); // trailing blanks dropped
    EXPECT_EQ(216, l.back());
}

TEST(Unpacker, BadWhitespaceThresholdsAreRejected)
{
    TempDir dir;
    writeApf(dir.file("w.apf"), {{textLine()}}, 0);
    TApdFaxUnpacker u;
    u.setInFileName(dir.file("w.apf"));
    u.WhitespaceCompression = true;
    u.WhitespaceFrom = 2;
    u.WhitespaceTo = 5;
    EXPECT_EQ(ecBadArgument, expectCode([&] { u.ExtractPageBitmap(1); }));
    u.WhitespaceFrom = 0;
    u.WhitespaceTo = 3;
    EXPECT_EQ(ecBadArgument, expectCode([&] { u.ExtractPageBitmap(1); }));
}

TEST(Unpacker, ScalingHalvesBothWaysAndKeepsBlack)
{
    TempDir dir;
    std::vector<Line> page(2200, Line(216, 0));
    page[1001] = blackSpan(216, 0, 1728); // a one-pixel rule
    page[10] = blackSpan(216, 501, 502);  // a one-pixel dot
    writeApf(dir.file("s.apf"), {page}, pfFine);
    TApdFaxUnpacker u;
    u.setInFileName(dir.file("s.apf"));
    u.Scaling = true;
    u.setHorizMult(1);
    u.setHorizDiv(2);
    u.setVertMult(1);
    u.setVertDiv(0); // ignored
    u.setVertDiv(2);
    MonoBitmap bm = u.ExtractPageBitmap(1);
    EXPECT_EQ(864, bm.width);
    EXPECT_EQ(1100, bm.height);
    EXPECT_FALSE(bm.pixel(400, 500));
    EXPECT_FALSE(bm.pixel(250, 5));
    EXPECT_TRUE(bm.pixel(251, 5));
    EXPECT_TRUE(bm.pixel(400, 501));
}

TEST(Unpacker, PageWithoutValidLinesGivesEmptyBitmap)
{
    TempDir dir;
    // A line of 1727 pixels (white 1664 + white 63), then the end of the page.
    std::vector<uint8_t> stream = {0x00, 0x80, 0x06, 0x0B, 0x00};
    uint8_t eop[12] = {0x00, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00};
    stream.insert(stream.end(), eop, eop + 12);
    writeRawApf(dir.file("e.apf"), stream, 0);
    TApdFaxUnpacker u;
    u.setInFileName(dir.file("e.apf"));
    MonoBitmap bm = u.ExtractPageBitmap(1);
    EXPECT_TRUE(bm.isNull());
    EXPECT_EQ(0, bm.height);

    // A PCX or DCX file of no lines would be unreadable: refused, and an
    // older file of that name is left alone.
    writeBytes(dir.file("e.pcx"), {1, 2, 3});
    for (const char *name : {"e.pcx", "e.dcx"}) {
        u.OutFileName = dir.file(name);
        try {
            if (std::string(name) == "e.pcx")
                u.ExtractPagePcx(1);
            else
                u.ExtractPageDcx(1);
            ADD_FAILURE() << name << " written";
        } catch (const EFaxUnpackerError &e) {
            EXPECT_EQ(e.code(), ecFaxBadFormat) << name;
        }
    }
    EXPECT_EQ(readFile(dir.file("e.pcx")), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(fileExists(dir.file("e.dcx")));
}

TEST(Unpacker, OutputLinesGoToTheEventOnlyWhenUnpackingLines)
{
    TempDir dir;
    writeApf(dir.file("o.apf"), {{textLine(), textLine()}}, pfFine);
    TApdFaxUnpacker u;
    u.setInFileName(dir.file("o.apf"));
    int starts = 0, ends = 0, lines = 0;
    u.OnOutputLine = [&](TApdCustomFaxUnpacker *, bool s, bool e, const uint8_t *, int, int page) {
        EXPECT_EQ(1, page);
        starts += s;
        ends += e;
        lines += !s && !e;
    };
    u.ExtractPageBitmap(1);
    EXPECT_EQ(0, starts + ends + lines);
    u.UnpackPage(1);
    EXPECT_EQ(1, starts);
    EXPECT_EQ(1, ends);
    EXPECT_EQ(2, lines);
}

TEST(Unpacker, StatusEndsAtTheImageLengthAndAbortEndsThePageEarly)
{
    TempDir dir;
    std::vector<Line> page(300, textLine());
    writeApf(dir.file("a.apf"), {page}, pfFine);
    ApfReader r;
    ASSERT_EQ(0, r.open(dir.file("a.apf")));
    ApfPageHeader ph;
    ASSERT_EQ(0, r.seekPage(1, &ph));

    TApdFaxUnpacker u;
    u.setInFileName(dir.file("a.apf"));
    uint64_t last = 0, calls = 0;
    u.OnStatus = [&](TApdCustomFaxUnpacker *, const std::string &, int, uint64_t done, uint64_t total) {
        EXPECT_EQ(ph.imageLength, total);
        EXPECT_LE(done, total);
        last = done;
        ++calls;
    };
    EXPECT_EQ(300, u.ExtractPageBitmap(1).height);
    EXPECT_EQ(ph.imageLength, last);
    EXPECT_GT(calls, 1u);

    u.OnStatus = [&](TApdCustomFaxUnpacker *self, const std::string &, int, uint64_t done, uint64_t) {
        if (done > 1000)
            self->setOptions(self->Options() | uoAbort);
    };
    MonoBitmap bm = u.ExtractPageBitmap(1);
    EXPECT_GT(bm.height, 0);
    EXPECT_LT(bm.height, 300);
}

TEST(Unpacker, QuitWhileYieldingEndsWithGotQuit)
{
    TempDir dir;
    writeApf(dir.file("q.apf"), {std::vector<Line>(40, textLine())}, 0);
    TApdFaxUnpacker u;
    u.setInFileName(dir.file("q.apf"));
    int yields = 0;
    u.YieldHook = [&] { return ++yields == 3; };
    EXPECT_EQ(ecGotQuitMsg, expectCode([&] { u.ExtractPageBitmap(1); }));
    yields = 0;
    u.setOptions(0); // no yielding
    EXPECT_EQ(80, u.ExtractPageBitmap(1).height);
    EXPECT_EQ(0, yields);
}

TEST(Unpacker, BadFilesGiveCodesNotCrashes)
{
    TempDir dir;
    TApdFaxUnpacker u;
    writeApf(dir.file("one.apf"), {{textLine()}}, 0);
    u.setInFileName(dir.file("one.apf"));
    EXPECT_EQ(ecFaxBadFormat, expectCode([&] { u.ExtractPageBitmap(2); }));

    // Truncated data, and a page claiming 4 GB over a few bytes.
    auto stream = unframedStream(std::vector<Line>(50, textLine()), 1728);
    stream.resize(stream.size() / 2);
    writeRawApf(dir.file("t.apf"), stream, 0, uint32_t(stream.size() * 2));
    u.setInFileName(dir.file("t.apf"));
    EXPECT_EQ(ecFaxBadFormat, expectCode([&] { u.ExtractPageBitmap(1); }));
    writeRawApf(dir.file("h.apf"), stream, pfLineLengths, 0xFFFFFFFFu);
    u.setInFileName(dir.file("h.apf"));
    EXPECT_EQ(ecFaxBadFormat, expectCode([&] { u.ExtractPageBitmap(1); }));
}

TEST(Unpacker, OverlongPageIsRefusedInsteadOfGrowingWithoutBound)
{
    TempDir dir;
    std::vector<Line> lines(UnpackerCore::kMaxPageLines + 1, Line(216, 0));
    writeRawApf(dir.file("long.apf"), unframedStream(lines, 1728), pfFine);
    TApdFaxUnpacker u;
    u.setInFileName(dir.file("long.apf"));
    EXPECT_EQ(ecOutOfMemory, expectCode([&] { u.ExtractPageBitmap(1); }));
}

TEST(UnpackerPcx, RowCodingAndHeader)
{
    Line white(216, 0);
    std::vector<uint8_t> out;
    encodePcxRow(white.data(), 216, out);
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xDB, 0xFF}), out);
    // Single bytes: below 0xC0 as they are, 0xC0 and above escaped.
    const uint8_t row[] = {0xFF, 0x3A, 0x3A, 0x3A, 0x10};
    out.clear();
    encodePcxRow(row, 5, out);
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0xC3, 0xC5, 0xC1, 0xEF}), out);

    auto pcx = makePcxImage(white.data(), 1728, 216, 1);
    ASSERT_EQ(128u + 8, pcx.size());
    EXPECT_EQ(10, pcx[0]);
    EXPECT_EQ(2, pcx[1]);
    EXPECT_EQ(1, pcx[2]);
    EXPECT_EQ(1, pcx[3]);
    EXPECT_EQ(1727, getU16(&pcx[8]));
    EXPECT_EQ(0, getU16(&pcx[10]));
    EXPECT_EQ(1, pcx[65]);
    EXPECT_EQ(216, getU16(&pcx[66]));
    auto dcx = makeDcxFile(pcx);
    EXPECT_EQ(0x3ADE68B1u, getU32(&dcx[0]));
    EXPECT_EQ(4100u, getU32(&dcx[4]));
    EXPECT_EQ(0u, getU32(&dcx[8]));
    EXPECT_TRUE(std::equal(pcx.begin(), pcx.end(), dcx.begin() + 4100));
}

TEST(UnpackerPcx, OutputNames)
{
    EXPECT_EQ("/d/out.PCX", unpackOutputName("/d/in.apf", "/d/out", "PCX"));
    EXPECT_EQ("/d/in.PCX", unpackOutputName("/d/in.apf", "", "PCX"));
    EXPECT_EQ("/d/out.img", unpackOutputName("/d/in.apf", "/d/out.img", "PCX"));
    EXPECT_EQ("/d.x/out.DCX", unpackOutputName("", "/d.x/out", "DCX"));
}

TEST(UnpackerPcx, ExtractedFilesDecodeBackToThePage)
{
    TempDir dir;
    std::vector<Line> page(20, textLine());
    writeApf(dir.file("p.apf"), {page}, pfFine);
    TApdFaxUnpacker u;
    u.setInFileName(dir.file("p.apf"));
    u.ExtractPagePcx(1);
    auto pcx = readFile(dir.file("p.PCX"));
    ASSERT_GT(pcx.size(), 128u);
    EXPECT_EQ(19, getU16(&pcx[10]));
    // Decode the run-length data back and compare with the page.
    std::vector<uint8_t> rows;
    for (std::size_t i = 128; i < pcx.size();) {
        uint8_t b = pcx[i++];
        int n = 1;
        if (b >= 0xC0) {
            n = b & 0x3F;
            b = pcx[i++];
        }
        rows.insert(rows.end(), std::size_t(n), uint8_t(~b));
    }
    ASSERT_EQ(216u * 20, rows.size());
    EXPECT_TRUE(std::equal(page[0].begin(), page[0].end(), rows.begin() + 216 * 19));

    u.OutFileName = dir.file("d");
    u.ExtractPageDcx(1);
    auto dcx = readFile(dir.file("d.DCX"));
    EXPECT_EQ(4100 + pcx.size(), dcx.size());

    u.Scaling = true;
    u.setHorizDiv(3); // 576 pixels: 72 bytes
    u.OutFileName = dir.file("s.pcx");
    u.ExtractPagePcx(1);
    auto scaled = readFile(dir.file("s.pcx"));
    EXPECT_EQ(575, getU16(&scaled[8]));
    EXPECT_EQ(72, getU16(&scaled[66]));
}

TEST(MonoBitmapQt, PolarityIsKeptAtTheQtEdge)
{
    TempDir dir;
    writeApf(dir.file("q.apf"), {{blackSpan(216, 0, 10)}}, pfFine);
    TApdFaxUnpacker u;
    u.setInFileName(dir.file("q.apf"));
    MonoBitmap bm = u.ExtractPageBitmap(1); // 1 = white
    QImage img = bm.toQImage(false);
    ASSERT_EQ(1728, img.width());
    EXPECT_EQ(qRgb(0, 0, 0), img.pixel(9, 0));
    EXPECT_EQ(qRgb(255, 255, 255), img.pixel(10, 0));
    MonoBitmap back = MonoBitmap::fromQImage(img, true); // 1 = black
    EXPECT_TRUE(back.pixel(9, 0));
    EXPECT_FALSE(back.pixel(10, 0));
}

TEST(Unpacker, LargePagesReadBackExactlyAcrossReadWindows)
{
    // Pages of several hundred KB: framed lines and unframed blocks cross
    // the reader's read-ahead windows at every possible offset.
    TempDir dir;
    std::mt19937 rng(31);
    std::vector<Line> page;
    for (int i = 0; i < 700; ++i)
        page.push_back(randomLine(rng, 216, 1 + i % 3));
    writeApf(dir.file("big.apf"), {page, page}, pfFine);
    writeRawApf(dir.file("raw.apf"), unframedStream(page, 1728), pfFine);
    for (const char *name : {"big.apf", "raw.apf"}) {
        UnpackerCore core;
        core.setFlags(0);
        PageRows rows;
        ASSERT_EQ(0, core.unpackPageRows(dir.file(name), 1, rows)) << name;
        ASSERT_EQ(700, rows.lines) << name;
        for (int y = 0; y < rows.lines; ++y)
            ASSERT_TRUE(std::equal(page[std::size_t(y)].begin(), page[std::size_t(y)].end(),
                                   rows.data.begin() + long(y) * rows.rowBytes))
                << name << " line " << y;
    }
    UnpackerCore core;
    PageRows rows;
    ASSERT_EQ(0, core.unpackPageRows(dir.file("big.apf"), 2, rows));
    EXPECT_EQ(700, rows.lines);
}

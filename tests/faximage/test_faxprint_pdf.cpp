// Fax printing to PDF, checked on the pages pdftoppm renders and the text
// pdftotext finds: 4-up and 2-up page order, header and footer tokens, the
// natural size at 200 and 600 printer pixels per inch, the print log, abort
// and the status display.
#include "apftestutil.h"
#include "faximage/apf.h"
#include "faximage/faxprinter.h"
#include "faximage/faxprintstatus.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>

#include <fstream>
#include <sstream>

using namespace qln::fax;
using namespace qln::fax::test;

namespace {

constexpr int kBytes = 216;

// A page whose middle third holds `stripes` black stripes (96 pixels wide,
// 96 apart); every page has a black frame 16 pixels (lines) wide, so that it
// shows at a coarse rendering.
std::vector<Line> stripedPage(int stripes, int lines)
{
    std::vector<Line> page;
    for (int y = 0; y < lines; ++y) {
        Line l(kBytes, 0);
        if (y < 16 || y >= lines - 16) {
            l.assign(kBytes, 0xFF);
        } else {
            l[0] = l[1] = l[kBytes - 2] = l[kBytes - 1] = 0xFF;
            if (y > lines / 3 && y < 2 * lines / 3)
                for (int s = 0; s < stripes; ++s)
                    for (int x = 96 + s * 192; x < 192 + s * 192; ++x)
                        l[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        page.push_back(l);
    }
    return page;
}

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Renders every page of a PDF with pdftoppm as grey images.
std::vector<QImage> renderPdf(const std::string &pdf, int dpi, const std::string &prefix)
{
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"),
                                         QString::fromStdString(pdf), QString::fromStdString(prefix)});
    EXPECT_TRUE(p.waitForFinished(30000)) << "pdftoppm (poppler-utils) did not run";
    EXPECT_EQ(p.exitCode(), 0);
    std::vector<QImage> pages;
    for (int i = 1; i < 100; ++i) {
        QImage img;
        if (!img.load(QString::fromStdString(prefix + "-" + std::to_string(i) + ".pgm")) &&
            !img.load(QString::fromStdString(prefix + "-0" + std::to_string(i) + ".pgm")))
            break;
        pages.push_back(img.convertToFormat(QImage::Format_Grayscale8));
    }
    return pages;
}

std::string pdfText(const std::string &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QString::fromStdString(pdf), QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(30000));
    return p.readAllStandardOutput().toStdString();
}

bool dark(const QImage &img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// Black runs along row y between x0 and x1.
int runsAlong(const QImage &img, int y, int x0, int x1)
{
    int runs = 0;
    bool in = false;
    for (int x = x0; x < x1; ++x) {
        const bool d = dark(img, x, y);
        if (d && !in)
            ++runs;
        in = d;
    }
    return runs;
}

// Stripe count of the page image printed inside a region: the number of
// black runs along the row through the middle of its stripes, less the two
// frame edges.
int stripesIn(const QImage &img, QRect region)
{
    int top = -1, bottom = -1;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        if (runsAlong(img, y, region.left(), region.right()) > 0) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    if (top < 0)
        return -1;
    return runsAlong(img, (top + bottom) / 2, region.left(), region.right()) - 2;
}

// Bounding box of the dark pixels.
QRect inkBox(const QImage &img)
{
    int l = img.width(), t = img.height(), r = -1, b = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (dark(img, x, y)) {
                l = std::min(l, x), r = std::max(r, x);
                t = std::min(t, y), b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

class FaxPrintPdf : public ::testing::Test {
protected:
    FaxPrintPdf()
    {
        faxFile = dir.file("six.apf");
        std::vector<std::vector<Line>> pages;
        for (int k = 1; k <= 6; ++k)
            pages.push_back(stripedPage(k, 1100));
        writeApf(faxFile, pages, pfLineLengths);
        pdf = dir.file("out.pdf");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setResolution(300);
        fp.SetPrinter(&printer);
        fp.FaxHeader.Enabled = false;
        fp.FaxFooter.Enabled = false;
        log.LogFileName = dir.file("FAXPRINT.LOG");
        log.DateTimeText = [] { return std::string("3/5/26 9:12:00 am"); };
        fp.FaxPrinterLog = &log;
    }

    TempDir dir;
    std::string faxFile, pdf;
    QPrinter printer{QPrinter::HighResolution};
    TApdFaxPrinter fp;
    TApdFaxPrinterLog log;
};

} // namespace

TEST_F(FaxPrintPdf, FourUpPortraitPutsPagesTwoToFiveInReadingOrder)
{
    fp.MultiPage = true;
    ASSERT_EQ(fp.PrintFile(faxFile, 2, 5), TFaxPrintOutcome::Finished);
    const auto sheets = renderPdf(pdf, 60, dir.file("p"));
    ASSERT_EQ(sheets.size(), 1u);
    const QImage &s = sheets[0];
    const int w = s.width() / 2, h = s.height() / 2;
    EXPECT_EQ(stripesIn(s, QRect(0, 0, w, h)), 2);
    EXPECT_EQ(stripesIn(s, QRect(w, 0, w, h)), 3);
    EXPECT_EQ(stripesIn(s, QRect(0, h, w, h)), 4);
    EXPECT_EQ(stripesIn(s, QRect(w, h, w, h)), 5);
}

TEST_F(FaxPrintPdf, TwoUpLandscapePutsTwoPagesSideBySidePerSheet)
{
    fp.MultiPage = true;
    printer.setPageOrientation(QPageLayout::Landscape);
    ASSERT_EQ(fp.PrintFile(faxFile, 2, 5), TFaxPrintOutcome::Finished);
    const auto sheets = renderPdf(pdf, 60, dir.file("p"));
    ASSERT_EQ(sheets.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const QImage &s = sheets[i];
        EXPECT_GT(s.width(), s.height());
        const int w = s.width() / 2;
        EXPECT_EQ(stripesIn(s, QRect(0, 0, w, s.height())), 2 + 2 * i);
        EXPECT_EQ(stripesIn(s, QRect(w, 0, w, s.height())), 3 + 2 * i);
    }
}

TEST_F(FaxPrintPdf, OnePagePerSheetPrintsTheRangeAndLogsStartAndFinish)
{
    ASSERT_EQ(fp.PrintFile(faxFile, 4, 6), TFaxPrintOutcome::Finished);
    const auto sheets = renderPdf(pdf, 30, dir.file("p"));
    ASSERT_EQ(sheets.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(stripesIn(sheets[i], sheets[i].rect()), 4 + i);
    EXPECT_EQ(slurp(log.LogFileName), "Printing " + faxFile + " started at 3/5/26 9:12:00 am\n"
                                      "Printing " + faxFile + " finished at 3/5/26 9:12:00 am\n\n");
}

TEST_F(FaxPrintPdf, HeaderAndFooterTokensAreExpandedPerPage)
{
    fp.FaxHeader.Enabled = true;
    fp.FaxHeader.Caption = "FILE: $F on $D";
    fp.FaxFooter.Enabled = true;
    fp.FaxFooter.Caption = "Page: $P of $N mark$X end";
    fp.MarginClock = [] {
        MarginValues v;
        v.date = "3/5/26";
        return v;
    };
    ASSERT_EQ(fp.PrintFile(faxFile, 3, 3), TFaxPrintOutcome::Finished);
    const std::string text = pdfText(pdf);
    EXPECT_NE(text.find("FILE: " + faxFile + " on 3/5/26"), std::string::npos) << text;
    EXPECT_NE(text.find("Page: 3 of 6"), std::string::npos) << text;
    // "$X" runs to the next blank and is removed; "mark" before it stays.
    EXPECT_NE(text.find("Page: 3 of 6 mark end"), std::string::npos) << text;
    EXPECT_EQ(text.find("$"), std::string::npos);
    // The page image sits between the two separator lines.
    const auto sheets = renderPdf(pdf, 30, dir.file("p"));
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(stripesIn(sheets[0], sheets[0].rect()), 3);
}

TEST_F(FaxPrintPdf, NaturalSizeIsTheSameOnPaperAt200And600PerInch)
{
    fp.PrintScale = psNone;
    // On A3 the whole page fits: 1728 x 2200 pixels at 200 per inch are
    // 8.64 x 11 inches, 432 x 550 pixels rendered at 50 dpi.
    printer.setPageSize(QPageSize(QPageSize::A3));
    for (int dpi : {200, 600}) {
        printer.setResolution(dpi);
        ASSERT_EQ(fp.PrintFile(faxFile, 1, 1), TFaxPrintOutcome::Finished) << dpi;
        const auto sheets = renderPdf(pdf, 50, dir.file("n" + std::to_string(dpi)));
        ASSERT_EQ(sheets.size(), 1u);
        const QRect box = inkBox(sheets[0]);
        EXPECT_NEAR(box.width(), 432, 2) << dpi;
        EXPECT_NEAR(box.height(), 550, 2) << dpi;
    }
    // On Letter the 11 inches stop at the printable height.
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setResolution(600);
    ASSERT_EQ(fp.PrintFile(faxFile, 1, 1), TFaxPrintOutcome::Finished);
    const auto letter = renderPdf(pdf, 50, dir.file("l"));
    ASSERT_EQ(letter.size(), 1u);
    const QRect paint = printer.pageLayout().paintRectPixels(50);
    EXPECT_NEAR(inkBox(letter[0]).height(), paint.height(), 2);
    // Fitted, the page takes 93 % of the printable width.
    fp.PrintScale = psFitToPage;
    ASSERT_EQ(fp.PrintFile(faxFile, 1, 1), TFaxPrintOutcome::Finished);
    const auto fitted = renderPdf(pdf, 50, dir.file("f"));
    EXPECT_NEAR(inkBox(fitted[0]).width(), paint.width() * 93 / 100, 2);
    EXPECT_NEAR(inkBox(fitted[0]).height(), paint.height(), 2);
}

TEST_F(FaxPrintPdf, AbortInPageThreeLogsAbortAndLeavesNoOutput)
{
    fp.OnNextPage = [this](TApdFaxPrinter &p, int page, int) {
        if (page == 3)
            p.CancelPrint();
    };
    int printedPages = 0;
    fp.OnFaxPrintStatus = [&](TApdFaxPrinter &p, int code) {
        if (code == ppSubmitting)
            printedPages = p.PageBeingPrinted();
    };
    EXPECT_EQ(fp.PrintFile(faxFile, 1, 5), TFaxPrintOutcome::Aborted);
    EXPECT_EQ(printedPages, 2);
    EXPECT_FALSE(fp.Printing());
    EXPECT_EQ(fp.PageBeingPrinted(), 0);
    EXPECT_FALSE(fileExists(pdf));
    const std::string logText = slurp(log.LogFileName);
    EXPECT_EQ(logText, "Printing " + faxFile + " started at 3/5/26 9:12:00 am\n"
                       "Printing " + faxFile + " aborted at 3/5/26 9:12:00 am\n\n");
    // Nothing of the spooled job is left beside the target.
    QDir d(QString::fromStdString(dir.path()));
    EXPECT_TRUE(d.entryList({QStringLiteral(".out.pdf*")}, QDir::Hidden | QDir::Files).isEmpty());
}

TEST_F(FaxPrintPdf, UnreadableFileFailsBeforeAnyJob)
{
    const std::string bad = dir.file("bad.apf");
    std::ofstream(bad) << "not a fax";
    EXPECT_THROW(fp.PrintFile(bad), EFaxUnpackerError);
    EXPECT_FALSE(fileExists(pdf));
    EXPECT_FALSE(fileExists(log.LogFileName));
}

TEST_F(FaxPrintPdf, StatusDisplayFollowsTheJobAndShowsItsFacts)
{
    TApdFaxPrinterStatus status;
    fp.StatusDisplay = &status;
    std::vector<std::string> lines;
    bool visibleWhilePrinting = true;
    // The event comes before the window shows the new code, so at
    // "Submitting" the window still reads "Rendering".
    fp.OnFaxPrintStatus = [&](TApdFaxPrinter &, int code) {
        visibleWhilePrinting = visibleWhilePrinting && status.DisplayVisible();
        if (code == ppSubmitting)
            lines.push_back(status.Display().fpsStatusLine->text().toStdString());
    };
    ASSERT_EQ(fp.PrintFile(faxFile, 2, 3), TFaxPrintOutcome::Finished);
    EXPECT_TRUE(visibleWhilePrinting);
    EXPECT_FALSE(status.DisplayVisible());
    EXPECT_EQ(lines, (std::vector<std::string>{"Rendering 2 of 3", "Rendering 3 of 3"}));
    const FaxPrinterStatusTexts t = faxPrinterStatusTexts(fp);
    EXPECT_EQ(t.fileName, "SIX.APF");
    EXPECT_EQ(t.totalPages, "6");
    EXPECT_EQ(t.resolution, "standard");
    EXPECT_EQ(t.width, "1728");
    EXPECT_EQ(status.Display().windowTitle().toStdString(), "Print Status");
}

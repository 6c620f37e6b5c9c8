// The fax viewer window and its decisions: start zoom, zoom steps, header
// texts, export of a page, printing to PDF, the print dialog, and the
// control's properties.
#include "viewertestfax.h"

#include "common/datadir.h"
#include "common/localeformats.h"
#include "common/messages.h"
#include "faximage/faxprinter.h"
#include "faximage/unpacker.h"
#include "viewer/faxviewer.h"
#include "viewer/preprint.h"
#include "viewer/viewfax.h"
#include "viewer/viewfaxlogic.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QSpinBox>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QUrl>

#include <cstdio>
#include <fstream>
#include <iterator>

using namespace qln;
using namespace qln::viewer;
using namespace qln::viewer::test;
using qln::fax::test::TempDir;

namespace {

std::string slurpFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(ViewerZoom, StartZoomFollowsTheControlWidth)
{
    EXPECT_EQ(startZoom(594, 1728), 50);  // trunc(594 / 1728 * 150) = 51
    EXPECT_EQ(startZoom(400, 1728), 25);  // 34
    EXPECT_EQ(startZoom(2000, 1728), 50);
    EXPECT_EQ(startZoom(427, 1728), 50);  // 37.07: the boundary
    EXPECT_EQ(startZoom(426, 1728), 25);  // 36.98
    bool beep = false;
    EXPECT_EQ(zoomIn(100, beep), 100);
    EXPECT_TRUE(beep);
    EXPECT_EQ(zoomIn(25, beep), 50);
    EXPECT_FALSE(beep);
    EXPECT_EQ(zoomIn(kZoomNone, beep), 75);
    EXPECT_EQ(zoomOut(25, beep), 25);
    EXPECT_TRUE(beep);
    EXPECT_EQ(zoomOut(100, beep), 75);
    EXPECT_STREQ(zoomCaption(50), "100%");
}

TEST(ViewerZoom, FitZoomsFollowTheClientAndStepToTheNextFixedZoom)
{
    // Fit width leaves room for the vertical scroll bar.
    EXPECT_EQ(zoomScale(kZoomFitWidth, 1728, 2200, 880, 600, 16), (ZoomScale{864, 1728}));
    // Fit page: the height limits a portrait page, the width a turned one.
    EXPECT_EQ(zoomScale(kZoomFitPage, 1728, 2200, 880, 600, 16), (ZoomScale{600, 2200}));
    EXPECT_EQ(zoomScale(kZoomFitPage, 2200, 1728, 880, 900, 16), (ZoomScale{880, 2200}));
    EXPECT_EQ(zoomScale(75, 1728, 2200, 880, 600, 16), (ZoomScale{75, 100}));
    EXPECT_EQ(zoomScale(100, 1728, 2200, 880, 600, 16), (ZoomScale{1, 1}));
    EXPECT_EQ(zoomScale(kZoomFitPage, 0, 0, 880, 600, 16), (ZoomScale{1, 1}));
    bool beep = false;
    EXPECT_EQ(zoomInFromFit(ZoomScale{600, 2200}, beep), 50);  // 27 % -> 50
    EXPECT_FALSE(beep);
    EXPECT_EQ(zoomOutFromFit(ZoomScale{600, 2200}, beep), 25);
    EXPECT_EQ(zoomOutFromFit(ZoomScale{1, 5}, beep), 0);
    EXPECT_TRUE(beep);
    EXPECT_EQ(zoomInFromFit(ZoomScale{3, 1}, beep), 0);
    EXPECT_TRUE(beep);
    // The window's first size shows a page at the start zoom on 1366 x 768.
    const WindowSize size = initialViewerSize(1366 - 16, 768 - 48, 24, 90);
    EXPECT_EQ(size.width, 864 + 24);
    EXPECT_EQ(size.height, 768 - 48);
    EXPECT_GE(startZoom(size.width - 24, 1728), 50);
    EXPECT_EQ(initialViewerSize(800, 560, 24, 90).width, 800);
}

TEST(ViewerTexts, StatusAndHeaderTexts)
{
    EXPECT_EQ(pageStatusText("", 2, 3, true), "Page 2 of 3");
    EXPECT_EQ(pageStatusText("Inbox", 2, 3, true), "Inbox: Page 2 of 3");
    EXPECT_EQ(pageStatusText("", 0, 0, false), "No file loaded");
    LocaleFormats f;
    f.shortDateFormat = "m/d/yyyy";
    setLocaleFormats(f);
    EXPECT_EQ(faxDateText("20260305", "09:12"), "3/5/2026 at 09:12");
    EXPECT_EQ(faxDateText("", ""), "unknown at unknown");
    EXPECT_EQ(sentDateText(false, "20260305", "09:12"), "not sent");
    EXPECT_EQ(outgoingHeaderText("Ann", "Offer", "not sent"),
              "To: Ann             Subject: Offer             Sent: not sent");
    EXPECT_EQ(receivedHeaderText("  +1 555 0100 ", "3/5/2026 at 09:12", "/Data/receive/FAX0001.APF"),
              "From: +1 555 0100             Received: 3/5/2026 at 09:12             Fax File: "
              "/data/receive/fax0001.apf");
}

TEST(ViewerExport, NormalPageAsBmpHasTwiceTheLinesAndFinePagesKeepThem)
{
    TempDir dir;
    const std::string normal = dir.file("normal.apf"), fine = dir.file("fine.apf");
    writeSampleFax(normal, 2, 120, false);
    writeSampleFax(fine, 1, 120, true);
    exportPage(normal, 2, ExportType::Bmp, dir.file("n.bmp"));
    QImage n(QString::fromStdString(dir.file("n.bmp")));
    ASSERT_FALSE(n.isNull());
    EXPECT_EQ(n.height(), 240);
    EXPECT_EQ(n.width(), 1728);
    // Page 2's block (y 20..23) is on lines 40..47.
    EXPECT_EQ(qGray(n.pixel(18, 41)), 0);
    EXPECT_EQ(qGray(n.pixel(18, 39)), 255);

    exportPage(fine, 1, ExportType::Bmp, dir.file("f.bmp"));
    EXPECT_EQ(QImage(QString::fromStdString(dir.file("f.bmp"))).height(), 120);

    exportPage(normal, 1, ExportType::Pcx, dir.file("n.pcx"));
    EXPECT_TRUE(fax::test::fileExists(dir.file("n.pcx")));
    try {
        exportPage(normal, 3, ExportType::Bmp, dir.file("none.bmp"));
        ADD_FAILURE() << "page 3 of 2 was exported";
    } catch (const fax::EFaxUnpackerError &e) {
        EXPECT_LT(e.code(), 0);
    }
    EXPECT_FALSE(fax::test::fileExists(dir.file("none.bmp")));
}

TEST(ViewerExport, NamesAndTheOwnFileIsRefused)
{
    EXPECT_EQ(exportFileName("/tmp/page", ExportType::Bmp), "/tmp/page.bmp");
    EXPECT_EQ(exportFileName("/tmp/page.BMP", ExportType::Bmp), "/tmp/page.BMP");
    EXPECT_EQ(exportFileName("/tmp/v1.2/page", ExportType::Tiff), "/tmp/v1.2/page.tif");
    EXPECT_EQ(exportFileName("/tmp/page.", ExportType::Pcx), "/tmp/page..pcx");
    EXPECT_EQ(exportFilter(ExportType::Dcx), "DCX File (*.dcx *.DCX)");
    TempDir dir;
    const std::string fax = dir.file("fax.apf");
    writeSampleFax(fax, 1, 20, true);
    EXPECT_FALSE(exportTargetProblem(fax, fax).empty());
    EXPECT_FALSE(exportTargetProblem(fax, dir.path() + "/./fax.apf").empty());
    EXPECT_TRUE(exportTargetProblem(fax, dir.file("page.bmp")).empty());
}

int pdfPages(const std::string &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return -1;
    for (const QString &line : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

class ViewerPrint : public ::testing::Test {
protected:
    void SetUp() override
    {
        fax3 = dir.file("three.apf");
        writeSampleFax(fax3, 3, 1100, true);
        printer.setOutputFormat(QPrinter::PdfFormat);
        fp.SetPrinter(&printer);
        fp.FaxPrinterLog = nullptr;
        fp.SetFileName(fax3);
    }
    std::string printTo(const std::string &name)
    {
        const std::string pdf = dir.file(name);
        printer.setOutputFileName(QString::fromStdString(pdf));
        EXPECT_EQ(fp.PrintPages(), fax::TFaxPrintOutcome::Finished);
        return pdf;
    }

    TempDir dir;
    std::string fax3;
    QPrinter printer{QPrinter::HighResolution};
    fax::TApdFaxPrinter fp;
};

TEST_F(ViewerPrint, AllPagesAndTheCurrentPageToPdf)
{
    PrintChoice all;
    all.fromPage = 1;
    all.toPage = 3;
    all.options = {false, true, true, true};
    applyPrintChoice(fp, all, false, "From: Ann");
    EXPECT_EQ(fp.FaxHeader.Caption, "From: Ann");
    EXPECT_EQ(fp.FaxFooter.Caption, "Page: $P of $N");
    EXPECT_EQ(fp.PrintScale, fax::psFitToPage);
    EXPECT_EQ(pdfPages(printTo("all.pdf")), 3);

    PrintChoice current;
    current.fromPage = current.toPage = 3;
    current.options = {true, false, false, false};
    applyPrintChoice(fp, current, true, "From: Ann");
    EXPECT_FALSE(fp.MultiPage);  // never for the current page alone
    EXPECT_EQ(fp.FaxHeader.Caption, "");
    EXPECT_EQ(fp.FaxFooter.Caption, "");
    EXPECT_EQ(fp.PrintScale, fax::psNone);
    EXPECT_EQ(pdfPages(printTo("page3.pdf")), 1);

    PrintChoice four = all;
    four.options.multiPage = true;
    applyPrintChoice(fp, four, false, "");
    EXPECT_TRUE(fp.MultiPage);
    EXPECT_EQ(pdfPages(printTo("four.pdf")), 1);
}

// Answers of the print form and the print dialog, chosen by the test.
class ScriptedPrintDialogs : public IPrintDialogs {
public:
    bool formOk = true;
    PrintOptions options;
    bool destinationOk = true;
    QString pdf;  // what the user types as the PDF file, if anything
    int forms = 0, destinations = 0;
    PrintFormSetup lastSetup;

    bool askPrintChoice(QWidget *, const PrintFormSetup &setup, PrintChoice &choice) override
    {
        ++forms;
        lastSetup = setup;
        choice.fromPage = setup.fromPage;
        choice.toPage = setup.toPage;
        choice.options = options;
        return formOk;
    }
    bool askDestination(QWidget *, QPrinter &printer) override
    {
        ++destinations;
        if (!pdf.isNull()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
        }
        return destinationOk;
    }
};

class PrintCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        setDataDirectoryOverride(dir.path() + "/");
        fax3 = dir.file("three.apf");
        writeSampleFax(fax3, 3, 400, true);
        setPrintDialogs(&dialogs);
        log.LogFileName = printLogPath();
        fp.FaxPrinterLog = &log;
    }
    void TearDown() override
    {
        setPrintDialogs(nullptr);
        setDataDirectoryOverride("");
    }
    FaxPrintResult print(PrintScope scope = PrintScope::AllPages, int current = 1)
    {
        return runFaxPrint(nullptr, fp, fax3, scope, current, "From: Ann", rangeSet);
    }

    TempDir dir;
    std::string fax3;
    ScriptedMessages msgs;
    ScopedMessages scoped{msgs};
    ScriptedPrintDialogs dialogs;
    fax::TApdFaxPrinter fp;
    fax::TApdFaxPrinterLog log;
    bool rangeSet = false;
};

TEST_F(PrintCommand, AFailedJobIsReportedWithItsReasonAndLogged)
{
    dialogs.pdf = QString::fromStdString(dir.file("missing-folder/fax.pdf"));
    const FaxPrintResult r = print();
    EXPECT_EQ(r.kind, FaxPrintResult::Kind::Failed);
    EXPECT_FALSE(r.printed());
    EXPECT_NE(r.error.find("missing-folder/fax.pdf"), std::string::npos) << r.error;
    ASSERT_EQ(msgs.count(ScriptedMessages::Kind::ErrorBox), 1u);
    EXPECT_NE(msgs.last().text.find(r.error), std::string::npos);
    std::ifstream in(log.LogFileName);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(" failed at "), std::string::npos) << text;
    EXPECT_NE(text.find("Reason: " + r.error), std::string::npos) << text;
}

TEST_F(PrintCommand, ThePrintDialogAlwaysFollowsTheFormAndAPdfNameGetsItsExtension)
{
    dialogs.pdf = QString::fromStdString(dir.file("fax"));
    const FaxPrintResult r = print();
    EXPECT_TRUE(r.printed()) << r.error;
    EXPECT_EQ(dialogs.forms, 1);
    EXPECT_EQ(dialogs.destinations, 1);
    EXPECT_EQ(pdfPages(dir.file("fax.pdf")), 3);
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::ErrorBox), 0u);

    // The current page only; the range goes back to every page after it.
    const FaxPrintResult page = print(PrintScope::CurrentPage, 2);
    EXPECT_TRUE(page.printed());
    EXPECT_TRUE(dialogs.lastSetup.currentPageOnly);
    EXPECT_EQ(pdfPages(dir.file("fax.pdf")), 1);
    EXPECT_EQ(fp.FirstPageToPrint, 1);
    EXPECT_EQ(fp.LastPageToPrint, 3);

    // Cancelling either question prints nothing and reports nothing.
    std::remove(dir.file("fax.pdf").c_str());
    dialogs.destinationOk = false;
    EXPECT_EQ(print().kind, FaxPrintResult::Kind::Cancelled);
    dialogs.destinationOk = true;
    dialogs.formOk = false;
    EXPECT_EQ(print().kind, FaxPrintResult::Kind::Cancelled);
    EXPECT_EQ(dialogs.destinations, 3);
    EXPECT_FALSE(fax::test::fileExists(dir.file("fax.pdf")));
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::ErrorBox), 0u);
}

TEST(PrintDestinationChoice, WithoutAPrinterAPdfFileIsProposed)
{
    const PrintDestination none = proposePrintDestination({}, "", {}, "/d/receive/FAX0001.APF", "/home/u/Documents");
    EXPECT_TRUE(none.toPdf);
    EXPECT_EQ(none.pdfFile, "/home/u/Documents/fax0001.pdf");
    // The default printer, or the first one when no default is set.
    EXPECT_EQ(proposePrintDestination({"a", "b"}, "b", {}, "x.apf", "/h").printerName, "b");
    EXPECT_EQ(proposePrintDestination({"a", "b"}, "", {}, "x.apf", "/h").printerName, "a");
    // What the user chose before stays, unless that printer is gone.
    PrintDestination before;
    before.printerName = "a";
    EXPECT_EQ(proposePrintDestination({"a", "b"}, "b", before, "x.apf", "/h").printerName, "a");
    before.printerName = "gone";
    EXPECT_EQ(proposePrintDestination({"a", "b"}, "b", before, "x.apf", "/h").printerName, "b");
    before = PrintDestination{true, "", "/h/mine.pdf"};
    EXPECT_EQ(proposePrintDestination({"a"}, "a", before, "x.apf", "/h"), before);
    EXPECT_EQ(pdfFileName("/h/fax"), "/h/fax.pdf");
    EXPECT_EQ(pdfFileName("/h/fax.PDF"), "/h/fax.PDF");
}

TEST(PrePrintForm, OkWithToBeforeFromOnlyBeeps)
{
    ScriptedMessages msgs;
    ScopedMessages scoped(msgs);
    TPrePrintForm form;
    form.FromPage->setValue(5);
    form.ToPage->setValue(3);
    form.OkBtnClick();
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Beep), 1u);
    EXPECT_EQ(form.result(), 0);
    form.ToPage->setEnabled(false);  // current page: the range is not asked
    form.OkBtnClick();
    EXPECT_EQ(form.result(), int(QDialog::Accepted));
    EXPECT_TRUE(printRangeAcceptable(true, 3, 3));
}

class ViewerWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        setDataDirectoryOverride(dir.path() + "/");
        fax3 = dir.file("three.apf");
        writeSampleFax(fax3, 3, 2200, true);
        one = dir.file("one.apf");
        writeSampleFax(one, 1, 2200, true);
    }
    void TearDown() override { setDataDirectoryOverride(""); }

    TempDir dir;
    std::string fax3, one;
    ScriptedMessages msgs;
    ScopedMessages scoped{msgs};
};

TEST_F(ViewerWindow, ShowsAFileWithNavigationOnlyForSeveralPages)
{
    TFaxViewer w;
    w.resize(700, 500);
    w.setFileToShow(fax3);
    w.activate();
    EXPECT_EQ(w.statusText(), QStringLiteral("Page 1 of 3"));
    EXPECT_FALSE(w.NextButton->isHidden());
    EXPECT_FALSE(w.FirstButton->isHidden());
    EXPECT_EQ(w.zoom(), startZoom(w.FaxViewer->width(), 1728));
    EXPECT_TRUE(w.FaxViewer->Scaling());
    w.NextButton->click();
    EXPECT_EQ(w.statusText(), QStringLiteral("Page 2 of 3"));
    w.LastButton->click();
    w.NextButton->click();
    EXPECT_EQ(w.FaxViewer->CurrentPage(), 3);

    w.applyZoom(100);
    EXPECT_TRUE(w.N100PercentItem->isChecked());
    EXPECT_FALSE(w.N50PercentItem->isChecked());
    EXPECT_FALSE(w.FaxViewer->Scaling());
    w.zoomIn();
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Beep), 1u);
    w.zoomOut();
    EXPECT_EQ(w.zoom(), 75);
    EXPECT_EQ(w.FaxViewer->view().scaledWidth(), 1728 * 75 / 100);

    w.setRotation(1);
    EXPECT_TRUE(w.Rotate90Item->isChecked());
    EXPECT_FALSE(w.NoRotateItem->isChecked());
    EXPECT_EQ(w.FaxViewer->PageWidth(), 2200);

    TFaxViewer single;
    single.setFileToShow(one);
    single.activate();
    EXPECT_TRUE(single.NextButton->isHidden());
    EXPECT_TRUE(single.LastButton->isHidden());
}

TEST_F(ViewerWindow, ExportAddsTheExtensionMarksTheResolutionAndNeverReplacesTheFax)
{
    TFaxViewer w;
    w.setFileToShow(fax3);
    w.activate();
    const std::string before = slurpFile(fax3);
    ASSERT_TRUE(w.exportTo(ExportType::Bmp, dir.file("page")));
    const QImage bmp(QString::fromStdString(dir.file("page.bmp")));
    ASSERT_FALSE(bmp.isNull());
    EXPECT_NEAR(bmp.dotsPerMeterX() * 0.0254, 204, 0.5);
    EXPECT_NEAR(bmp.dotsPerMeterY() * 0.0254, 196, 0.5);
    ASSERT_TRUE(w.exportTo(ExportType::Pcx, dir.file("page")));
    const std::string pcx = slurpFile(dir.file("page.pcx"));
    ASSERT_GT(pcx.size(), 128u);
    EXPECT_EQ(uint8_t(pcx[12]) | uint8_t(pcx[13]) << 8, 204);
    EXPECT_EQ(uint8_t(pcx[14]) | uint8_t(pcx[15]) << 8, 196);
    EXPECT_EQ(QImage(QString::fromStdString(dir.file("page.bmp"))).height(), 2200);

    // The shown fax as the target, under its own name or another spelling.
    for (const std::string &target : {fax3, dir.path() + "/./three.apf"}) {
        msgs.clear();
        EXPECT_FALSE(w.exportTo(ExportType::Bmp, target)) << target;
        ASSERT_EQ(msgs.count(ScriptedMessages::Kind::ErrorBox), 1u) << target;
        EXPECT_EQ(slurpFile(fax3), before) << target;
    }
    EXPECT_EQ(w.statusText(), QStringLiteral("Page 1 of 3"));
}

TEST_F(ViewerWindow, ADamagedDroppedFaxKeepsTheShownFaxAndItsPrinting)
{
    TFaxViewer w;
    w.setFileToShow(fax3);
    w.activate();
    w.NextButton->click();
    const std::string bad = dir.file("bad.apf");
    const std::string good = slurpFile(fax3);
    std::ofstream(bad, std::ios::binary) << good.substr(0, 6) << std::string(100, '\x7f');
    w.FaxViewer->dropFiles({bad});
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::ErrorBox), 1u);
    EXPECT_EQ(w.FaxViewer->FileName(), fax3);
    EXPECT_TRUE(w.FaxViewer->view().hasFile());
    EXPECT_EQ(w.statusText(), QStringLiteral("Page 2 of 3"));
}

TEST_F(ViewerWindow, FitZoomsFollowTheWindowAndTheRotation)
{
    TFaxViewer w;
    w.resize(900, 700);
    w.setFileToShow(fax3);
    w.activate();
    const int bar = w.FaxViewer->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    w.applyZoom(kZoomFitWidth);
    EXPECT_TRUE(w.FitWidthItem->isChecked());
    EXPECT_FALSE(w.N50PercentItem->isChecked());
    EXPECT_NEAR(w.FaxViewer->view().scaledWidth(), w.FaxViewer->contentsRect().width() - bar, 1);
    w.resize(700, 700);
    QCoreApplication::processEvents();
    EXPECT_NEAR(w.FaxViewer->view().scaledWidth(), w.FaxViewer->contentsRect().width() - bar, 1);
    w.applyZoom(kZoomFitPage);
    const QRect client = w.FaxViewer->contentsRect();
    EXPECT_LE(w.FaxViewer->view().scaledHeight(), client.height());
    EXPECT_NEAR(w.FaxViewer->view().scaledHeight(), client.height(), 1);
    w.setRotation(1);  // the turned page fits again, on its other sides
    const QRect turned = w.FaxViewer->contentsRect();
    const int sw = w.FaxViewer->view().scaledWidth(), sh = w.FaxViewer->view().scaledHeight();
    EXPECT_GT(sw, sh);
    EXPECT_LE(sw, turned.width());
    EXPECT_LE(sh, turned.height());
    EXPECT_TRUE(std::abs(sw - turned.width()) <= 1 || std::abs(sh - turned.height()) <= 1) << sw << "x" << sh;
    // Zoom in goes to the first fixed step above the fitted scale.
    const double fitted = double(w.FaxViewer->HorizMult()) / w.FaxViewer->HorizDiv();
    w.zoomIn();
    EXPECT_FALSE(isFitZoom(w.zoom()));
    EXPECT_GT(w.zoom() / 100.0, fitted);
    EXPECT_LT(w.zoom() / 100.0 - 0.25, fitted);
}

TEST_F(ViewerWindow, ATurnedPageStartsAtItsTextWithTheScrollBarsThere)
{
    TFaxViewer w;
    w.resize(720, 600);
    w.setFileToShow(fax3);
    w.show();
    w.activate();
    w.applyZoom(50);
    w.setRotation(1);
    QCoreApplication::processEvents();
    const TViewer &v = w.FaxViewer->view();
    ASSERT_GT(v.hRange(), 0);
    EXPECT_EQ(v.hOffset(), v.hRange());
    EXPECT_EQ(w.FaxViewer->horizontalScrollBar()->value(), v.hOffset());
    EXPECT_EQ(w.FaxViewer->verticalScrollBar()->value(), v.vOffset());
    w.setRotation(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(v.hOffset(), 0);
    EXPECT_EQ(v.vOffset(), v.vRange());
    EXPECT_EQ(w.FaxViewer->horizontalScrollBar()->value(), v.hOffset());
    EXPECT_EQ(w.FaxViewer->verticalScrollBar()->value(), v.vOffset());
}

TEST_F(ViewerWindow, ASmallZoomIsShadedNotBlackened)
{
    // A fine page of one-pixel vertical lines two pixels apart: half ink.
    const std::string lines = dir.file("lines.apf");
    std::vector<Line> page(400, Line(216, 0xAA));
    fax::test::writeApf(lines, {page}, fax::pfFine);
    TApdFaxViewer v;
    v.resize(500, 400);
    v.setFileName(lines);
    auto meanGrey = [](const QImage &img) {
        double sum = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                sum += qGray(img.pixel(x, y));
        return sum / (img.width() * img.height());
    };
    // At full size the page has black and white only.
    EXPECT_EQ(v.pageImage().colorCount(), 2);
    v.setScaling(true);
    v.setHorizMult(1);
    v.setHorizDiv(4);
    v.setVertMult(1);
    v.setVertDiv(4);
    const QImage &small = v.pageImage();
    ASSERT_EQ(small.width(), 432);
    EXPECT_NEAR(meanGrey(small), 127, 30);
    // Copying keeps the black-wins picture of the view.
    EXPECT_EQ(v.view().displayedBitmap().width, 432);
}

TEST_F(ViewerWindow, AFileThatCannotBeShownSaysSo)
{
    const std::string text = dir.file("letter.txt");
    std::ofstream(text) << "Dear sir\n";
    TFaxViewer w;
    w.setFileToShow(text);
    w.activate();
    ASSERT_EQ(msgs.count(ScriptedMessages::Kind::ErrorBox), 1u);
    EXPECT_EQ(msgs.last().text, "Error opening fax file");
    EXPECT_EQ(w.statusText(), QStringLiteral("No file loaded"));
}

TEST_F(ViewerWindow, ControlPropertiesAndDroppedFiles)
{
    TApdFaxViewer v;
    v.resize(400, 300);
    v.setFileName(fax3);
    try {
        v.setCurrentPage(0);
        ADD_FAILURE() << "page 0 accepted";
    } catch (const EViewerError &e) {
        EXPECT_EQ(e.code(), vwBadArgument);
    }
    try {
        v.CopyToClipboard();
        ADD_FAILURE() << "copy without a mark";
    } catch (const EViewerError &e) {
        EXPECT_EQ(e.code(), vwNoBlockMarked);
        EXPECT_STREQ(e.what(), "No block of image marked");
    }
    v.setHorizMult(1);
    v.setHorizDiv(2);
    EXPECT_EQ(v.view().hDiv(), 1u);  // Scaling off: not sent
    v.setScaling(true);
    EXPECT_EQ(v.view().hDiv(), 2u);
    v.setScaling(false);
    EXPECT_EQ(v.view().hDiv(), 1u);
    v.setPageRotation(2);
    EXPECT_EQ(v.PageRotation(), 2);

    std::vector<std::string> dropped;
    std::vector<int> errors;
    v.OnDropFile = [&](TApdFaxViewer &, const std::string &name) { dropped.push_back(name); };
    v.OnViewerError = [&](TApdFaxViewer &, int code) { errors.push_back(code); };
    auto drop = [&](const std::string &file) { v.dropFiles({file}); };
    const std::string text = dir.file("letter.txt");
    std::ofstream(text) << "Dear sir\n";
    drop(text);
    EXPECT_TRUE(dropped.empty());
    EXPECT_EQ(errors, std::vector<int>{vwNotApfFile});
    EXPECT_EQ(v.FileName(), fax3);
    drop(one);
    EXPECT_EQ(dropped, std::vector<std::string>{one});
    EXPECT_EQ(v.FileName(), one);
    EXPECT_EQ(v.PageTotal(), 1);
    EXPECT_EQ(v.PageRotation(), 0);
}

}  // namespace

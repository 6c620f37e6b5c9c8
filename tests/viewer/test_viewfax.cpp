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
#include <QToolButton>
#include <QUrl>

#include <fstream>

using namespace qln;
using namespace qln::viewer;
using namespace qln::viewer::test;
using qln::fax::test::TempDir;

namespace {

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

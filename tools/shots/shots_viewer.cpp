// Screenshots of the fax viewer: a three-page received fax at each zoom and
// each rotation, a normal-resolution page, and the print dialog.
#include "shots.h"

#include "common/datadir.h"
#include "common/localeformats.h"
#include "faximage/converter.h"
#include "viewer/preprint.h"
#include "viewer/viewfax.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>

namespace {

// A three-page fax written from a text letter with the built-in font.
std::string sampleFax(ShotContext &ctx, bool fine)
{
    qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
    qln::setLocaleFormats(qln::LocaleFormats::fromLocale(QLocale::system()));
    QDir().mkpath(ctx.dataDir + QStringLiteral("/receive"));
    const std::string text = ctx.dataDir.toStdString() + "/letter.txt";
    QFile f(QString::fromStdString(text));
    if (f.open(QIODevice::WriteOnly)) {
        for (int page = 1; page <= 3; ++page) {
            f.write("ACME Supplies Ltd.                         Fax: +1 555 0100\n\n");
            f.write(("Order confirmation, page " + std::to_string(page) + " of 3\n\n").c_str());
            for (int i = 1; i <= 50; ++i)
                f.write(("  Item " + std::to_string(page * 100 + i) +
                         "   Widget, blue, size " + std::to_string(i % 7 + 1) + "      12 pcs    $ " +
                         std::to_string(3 * i + page) + ".50\n").c_str());
            f.write("\n  Thank you for your order.\n");
            if (page < 3)
                f.write("\f");
        }
    }
    f.close();
    const std::string out = ctx.dataDir.toStdString() + (fine ? "/receive/FAX0002.APF" : "/receive/FAX0003.APF");
    qln::fax::TApdFaxConverter c;
    c.SetInputDocumentType(qln::fax::idText);
    c.SetResolution(fine ? qln::fax::frHigh : qln::fax::frNormal);
    c.SetLinesPerPage(fine ? 60 : 60);
    c.SetDocumentFile(text);
    c.SetOutFileName(out);
    c.ConvertDocument();
    return out;
}

void settle()
{
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void viewerShot(ShotContext &ctx, const QString &name, int zoom, int rotation, bool fine = true, int page = 1,
                bool defaultSize = false)
{
    const std::string file = sampleFax(ctx, fine);
    qln::viewer::TFaxViewer w;
    if (!defaultSize)
        w.resize(720, 600);
    w.setFileToShow(file);
    w.show();
    settle();
    if (zoom)
        w.applyZoom(zoom);
    if (rotation)
        w.setRotation(rotation);
    for (int p = 1; p < page; ++p)
        w.FaxViewer->GoNextPage();
    settle();
    ctx.save(w, name);
}

}  // namespace

static QlnShot zoom50{"viewer-zoom-50", "fax viewer, 3-page received fax at its start zoom (\"50%\")",
                      [](ShotContext &ctx) { viewerShot(ctx, QStringLiteral("viewer-zoom-50"), 25, 0); }};
static QlnShot zoom100{"viewer-zoom-100", "fax viewer at \"100%\", page 2",
                       [](ShotContext &ctx) { viewerShot(ctx, QStringLiteral("viewer-zoom-100"), 50, 0, true, 2); }};
static QlnShot zoom150{"viewer-zoom-150", "fax viewer at \"150%\"",
                       [](ShotContext &ctx) { viewerShot(ctx, QStringLiteral("viewer-zoom-150"), 75, 0); }};
static QlnShot zoom200{"viewer-zoom-200", "fax viewer at \"200%\" (no scaling)",
                       [](ShotContext &ctx) { viewerShot(ctx, QStringLiteral("viewer-zoom-200"), 100, 0); }};
static QlnShot rot90{"viewer-rotate-90", "fax viewer rotated 90 degrees at \"50%\"",
                     [](ShotContext &ctx) { viewerShot(ctx, QStringLiteral("viewer-rotate-90"), 25, 1); }};
static QlnShot rot180{"viewer-rotate-180", "fax viewer rotated 180 degrees at \"50%\"",
                      [](ShotContext &ctx) { viewerShot(ctx, QStringLiteral("viewer-rotate-180"), 25, 2); }};
static QlnShot rot270{"viewer-rotate-270", "fax viewer rotated 270 degrees at \"50%\", page 3",
                      [](ShotContext &ctx) { viewerShot(ctx, QStringLiteral("viewer-rotate-270"), 25, 3, true, 3); }};
static QlnShot normal{"viewer-normal", "fax viewer on a normal-resolution fax at \"100%\"",
                      [](ShotContext &ctx) { viewerShot(ctx, QStringLiteral("viewer-normal"), 50, 0, false); }};
static QlnShot start{"viewer-start", "fax viewer at the size it opens with, at its start zoom",
                     [](ShotContext &ctx) { viewerShot(ctx, QStringLiteral("viewer-start"), 0, 0, true, 1, true); }};
static QlnShot fitWidth{"viewer-fit-width", "fax viewer, Fit Width",
                        [](ShotContext &ctx) {
                            viewerShot(ctx, QStringLiteral("viewer-fit-width"), qln::viewer::kZoomFitWidth, 0);
                        }};
static QlnShot fitPage{"viewer-fit-page", "fax viewer, Fit Page, rotated 90 degrees",
                       [](ShotContext &ctx) {
                           viewerShot(ctx, QStringLiteral("viewer-fit-page"), qln::viewer::kZoomFitPage, 1);
                       }};
static QlnShot rot90full{"viewer-rotate-90-100", "fax viewer rotated 90 degrees at \"100%\": the start of the text",
                         [](ShotContext &ctx) { viewerShot(ctx, QStringLiteral("viewer-rotate-90-100"), 50, 1); }};
// The print dialog that follows the print form, on a machine without a
// printer: "Print to File (PDF)" with a proposed file name.
static QlnShot printDialog{"viewer-print-dialog", "system print dialog after the print form", [](ShotContext &ctx) {
                               const std::string file = sampleFax(ctx, true);
                               QPrinter printer(QPrinter::HighResolution);
                               qln::viewer::proposeDestination(printer, file);
                               QPrintDialog dialog(&printer);
                               dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
                               ctx.save(dialog, QStringLiteral("viewer-print-dialog"));
                           }};
static QlnShot preprint{"viewer-preprint", "print dialog of the fax viewer", [](ShotContext &ctx) {
                            qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
                            qln::viewer::TPrePrintForm form;
                            form.FromPage->setMaximum(3);
                            form.ToPage->setMaximum(3);
                            form.ToPage->setValue(3);
                            form.setOptions({false, true, true, true});
                            ctx.save(form, QStringLiteral("viewer-preprint"));
                        }};

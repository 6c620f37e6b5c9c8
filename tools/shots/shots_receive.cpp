// Screenshots of receive mode: the notice, the main window in receive mode
// with received faxes listed, and the print status window.
#include "shots.h"

#include "app/faxtablesaccess.h"
#include "app/mainscreen.h"
#include "common/datadir.h"
#include "common/localeformats.h"
#include "common/settings.h"
#include "faximage/faxprintstatus.h"
#include "sessions/startingfaxform.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTabWidget>

namespace {

void useShotDataDir(ShotContext &ctx)
{
    qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
    qln::setLocaleFormats(qln::LocaleFormats::fromLocale(QLocale::system()));
}

} // namespace

static QlnShot notice{"receive-notice", "receive-mode notice once receive mode is on", [](ShotContext &ctx) {
                          useShotDataDir(ctx);
                          qln::TStartingFaxForm form(qln::settings());
                          form.setReadyLook();
                          ctx.save(form, QStringLiteral("receive-notice"));
                      }};

static QlnShot mainReceive{
    "main-receive", "main window in receive mode with three received faxes", [](ShotContext &ctx) {
        useShotDataDir(ctx);
        qln::TMainScreen screen;
        screen.resize(780, 480);
        // The first activation (index rebuild of a new data directory) runs
        // before the receive-mode state is put on the window.
        screen.show();
        for (int i = 0; i < 200 && screen.firstActivationPending(); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const struct {
            const char *date, *time, *from;
            int pages;
            const char *file;
        } rows[] = {{"20260305", "09:12", "+1 555 0100", 1, "FAX0001.APF"},
                    {"20260305", "09:15", "+1 555 0100", 3, "FAX0002.APF"},
                    {"20260305", "10:02", "Head office", 1, "FAX0003.APF"}};
        for (const auto &r : rows) {
            qln::records::ReceivedFax row;
            row.dateRec = r.date;
            row.timeRec = r.time;
            row.from = r.from;
            row.pages = r.pages;
            row.faxFile = r.file;
            screen.tables().appendReceived(row);
        }
        screen.faxReceived();
        screen.browseTabs()->setCurrentIndex(1);
        screen.setReceiveMode(true);
        screen.setStatusText(QStringLiteral("Receiving fax from: +1 555 0100, page 2 (10500 bytes)"));
        ctx.save(screen, QStringLiteral("main-receive"));
    }};

static QlnShot printStatus{"print-status", "print status window while a fax prints", [](ShotContext &ctx) {
                               useShotDataDir(ctx);
                               qln::fax::TStandardFaxPrinterStatusDisplay w;
                               qln::fax::FaxPrinterStatusTexts t;
                               t.fileName = "FAX0002.APF";
                               t.totalPages = "3";
                               t.resolution = "high";
                               t.width = "1728";
                               t.firstPage = "1";
                               t.lastPage = "3";
                               t.statusLine = "Rendering 2 of 3";
                               w.showTexts(t);
                               ctx.save(w, QStringLiteral("print-status"));
                           }};

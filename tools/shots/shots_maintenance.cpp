// Screenshots of the fax log maintenance windows: the clean-up window on
// both tabs, its date selector and condition window, and the rebuild window.
#include "shots.h"

#include "app/datamanager.h"
#include "app/dmconditions.h"
#include "app/dmdatesel.h"
#include "app/rebuildindexes.h"
#include "common/datadir.h"
#include "common/localeformats.h"

#include <QLocale>
#include <QTabWidget>

#include <stdexcept>

namespace {

// A few faxes of both kinds, written through the table binding.
void seed(qln::records::FaxTables &t)
{
    if (!t.OpenFaxDBF() || !t.OpenRecFaxDBF())
        throw std::runtime_error("cannot open the fax tables");
    struct Out {
        const char *subject, *recipient, *phone, *date, *time, *result;
    };
    const Out out[] = {{"Quarterly report", "Ada Byron", "555-0110", "20250314", "09:26", "SENT"},
                       {"Signed contract", "Grace Hopper", "555-0111", "20241102", "14:05", "SENT"},
                       {"Price list", "Alan Turing", "555-0116", "", "", "BUSY"},
                       {"Invoice 2291", "Barbara Liskov", "555-0114", "20230117", "11:40", "SENT"}};
    for (const Out &o : out) {
        t.FaxTable.Append();
        t.FaxTable.SetString("SUBJECT", o.subject);
        t.FaxTable.SetString("RECIPIENT", o.recipient);
        t.FaxTable.SetString("PHONE", o.phone);
        t.FaxTable.SetLogical("SENT", *o.date != 0);
        t.FaxTable.SetDate("DATESENT", o.date);
        t.FaxTable.SetString("TIMESENT", o.time);
        t.FaxTable.SetString("LASTRESULT", o.result);
        t.FaxTable.Post();
    }
    struct In {
        const char *date, *time, *from, *file, *notes;
        int pages;
    };
    const In in[] = {{"20250310", "08:12", "ACME CORP", "FAX0003.APF", "call back", 2},
                     {"20240620", "16:48", "+44 20 7946 0000", "FAX0002.APF", "", 1},
                     {"20230105", "10:02", "BILLING DEPT", "FAX0001.APF", "paid", 3}};
    for (const In &i : in) {
        t.RecTable.Append();
        t.RecTable.SetDate("DATEREC", i.date);
        t.RecTable.SetString("TIMEREC", i.time);
        t.RecTable.SetString("FROM", i.from);
        t.RecTable.SetNumber("PAGES", i.pages);
        t.RecTable.SetString("FAXFILE", i.file);
        t.RecTable.SetString("NOTES", i.notes);
        t.RecTable.Post();
    }
}

void prepare(ShotContext &ctx)
{
    qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
    qln::setLocaleFormats(qln::LocaleFormats::fromLocale(QLocale::system()));
}

void cleanupShot(ShotContext &ctx, int tab, const QString &name)
{
    prepare(ctx);
    qln::records::FaxTables tables(ctx.dataDir.toStdString());
    seed(tables);
    qln::TDMForm w(tables);
    w.show();
    w.pages()->setCurrentIndex(tab);
    ctx.save(w, name);
    w.reject();
}

} // namespace

static QlnShot cleanupOutgoing{"cleanup-outgoing", "fax log clean-up, outgoing faxes",
                               [](ShotContext &ctx) { cleanupShot(ctx, 0, QStringLiteral("cleanup-outgoing")); }};

static QlnShot cleanupIncoming{"cleanup-incoming", "fax log clean-up, incoming faxes",
                               [](ShotContext &ctx) { cleanupShot(ctx, 1, QStringLiteral("cleanup-incoming")); }};

static QlnShot cleanupConditions{"cleanup-conditions", "delete faxes meeting conditions", [](ShotContext &ctx) {
                                     prepare(ctx);
                                     qln::records::FaxTables tables(ctx.dataDir.toStdString());
                                     seed(tables);
                                     qln::CleanupActions actions(tables);
                                     actions.activate();
                                     qln::TDeleteForConditions w;
                                     w.setup(actions.conditionsSetup());
                                     ctx.save(w, QStringLiteral("cleanup-conditions"));
                                 }};

static QlnShot cleanupDate{"cleanup-datesel", "date selector of the clean-up", [](ShotContext &ctx) {
                               prepare(ctx);
                               qln::TDateSelector w;
                               w.setWindowTitle(QStringLiteral("Delete all before..."));
                               w.setDate(QDate(2024, 1, 1));
                               ctx.save(w, QStringLiteral("cleanup-datesel"));
                           }};

static QlnShot rebuildWindow{"rebuild-indexes", "rebuild indexes progress window", [](ShotContext &ctx) {
                                 prepare(ctx);
                                 qln::TRebuildInd w([](const qln::TRebuildInd::Progress &progress) {
                                     progress("Removing Received FAX records marked for deletion");
                                     return true;
                                 });
                                 ctx.save(w, QStringLiteral("rebuild-indexes"));
                             }};

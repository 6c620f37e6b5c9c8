// Fax log maintenance from the main window: Rebuild Indexes with its
// progress window, the clean-up followed by a rebuild only when it deleted
// something, and a start whose window is closed during the first
// activation.
#include "app/datamanager.h"
#include "app/faxlistmodel.h"
#include "app/mainscreen.h"
#include "app/rebuildindexes.h"
#include "modalwindows.h"
#include "records/faxrows.h"
#include "windowfixture.h"

#include <QAction>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <filesystem>

using namespace qln;
using namespace qln::testing;
using Kind = ScriptedMessages::Kind;

namespace {

class MaintenanceScreen : public TMainScreen {
public:
    using TMainScreen::TMainScreen;
    int quickSetups = 0, receiveStarts = 0, rebuilds = 0;
    std::function<void()> duringQuickSetup;
    bool runQuickSetup() override
    {
        ++quickSetups;
        if (duringQuickSetup)
            duringQuickSetup();
        return false;
    }
    void runReceiveMode() override
    {
        ++receiveStarts;
        setReceiveMode(true);
    }
    void runRebuildIndexesWindow() override
    {
        ++rebuilds;
        TMainScreen::runRebuildIndexesWindow();
    }
};

void startAndWait(TMainScreen &w)
{
    QSignalSpy done(&w, &TMainScreen::firstActivationDone);
    w.showForStart();
    ASSERT_TRUE(done.count() > 0 || done.wait(10000));
}

std::vector<std::string> subjects(TMainScreen &w)
{
    std::vector<std::string> out;
    for (int r = 0; r < w.faxModel()->rowCount(); ++r)
        out.push_back(w.faxModel()->index(r, 6).data().toString().toStdString());
    return out;
}

// Rows of a table file as a fresh engine reads it, flagged ones included.
long rowsInFile(const std::string &data, bool outgoing)
{
    records::FaxTables t(data);
    if (!(outgoing ? t.OpenFaxDBF() : t.OpenRecFaxDBF()))
        return -1;
    return (outgoing ? t.FaxTable : t.RecTable).RecordCount();
}

const std::vector<OutRow> kRows{{"Old report", "Ann", "1", "20230310", "09:00", true},
                                {"Draft", "Bob", "2", "", "", false},
                                {"New order", "Cy", "3", "20250120", "14:30", true},
                                {"Memo", "Di", "4", "20240501", "10:00", true}};

}  // namespace

class MaintenanceTest : public WindowFixture {};

TEST_F(MaintenanceTest, RebuildIndexesShowsEveryProgressTextAndKeepsTheListInOrder)
{
    writeIni();
    addOutgoing(kRows);
    MaintenanceScreen w;
    startAndWait(w);
    ASSERT_EQ(w.rebuilds, 1);   // the first start builds the full tag set

    QStringList shown;
    QString caption, waitText;
    whenModal<TRebuildInd>([&](TRebuildInd *r) {
        caption = r->windowTitle();
        QObject::connect(r, &QDialog::finished, [&, r] { shown = r->shownTexts(); });
    });
    w.menuAction("mnuRebuild")->trigger();
    EXPECT_EQ(caption, QStringLiteral("Rebuild Indexes"));
    EXPECT_EQ(shown.join('|').toStdString(),
              "Removing FAX file records marked for deletion|Rebuilding FAX file indexes|"
              "Removing Received FAX records marked for deletion|Rebuilding Received FAX indexes|"
              "Removing PHONE file records marked for deletion|Rebuilding PHONE file indexes|"
              "Removing COVER file records marked for deletion|Rebuilding COVER file indexes");
    EXPECT_EQ(subjects(w), (std::vector<std::string>{"New order", "Memo", "Old report", "Draft"}));
    EXPECT_EQ(msgs.count(Kind::Information), 0u);
    EXPECT_TRUE(w.tables().hasTag(FaxList::Outgoing, "RECIPIENT"));
}

TEST(RebuildWindow, RunsItsJobOnceAndClosesItselfWhateverHappens)
{
    for (bool fails : {false, true}) {
        int runs = 0;
        TRebuildInd r([&](const TRebuildInd::Progress &progress) {
            ++runs;
            progress("one");
            progress("two");
            if (fails)
                throw std::runtime_error("disk full");
            return true;
        });
        r.exec();
        EXPECT_EQ(runs, 1);
        EXPECT_TRUE(r.finished());
        EXPECT_EQ(r.succeeded(), !fails);
        EXPECT_EQ(r.shownTexts(), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
        EXPECT_EQ(r.progressText(), QStringLiteral("two"));
    }
}

// After the clean-up deleted faxes, the rebuild removes them from the table
// file (which shrinks) and the list keeps its order.
TEST_F(MaintenanceTest, CleanupThatDeletedFaxesRebuildsAndTheFileShrinks)
{
    writeIni();
    addOutgoing(kRows);
    MaintenanceScreen w;
    startAndWait(w);
    const int rebuildsBefore = w.rebuilds;
    const auto sizeBefore = std::filesystem::file_size(data + "QLN.DBF");
    whenModal<TDMForm>([&](TDMForm *dm) {
        msgs.answers({true});
        dm->action("mnuDeleteSent")->trigger();
        dm->accept();
    });
    w.menuAction("mnuCleanup")->trigger();
    EXPECT_EQ(msgs.last().text, "3 deleted.");
    EXPECT_EQ(w.rebuilds, rebuildsBefore + 1);
    EXPECT_LT(std::filesystem::file_size(data + "QLN.DBF"), sizeBefore);
    EXPECT_EQ(w.tables().rowCount(FaxList::Outgoing), 1);
    EXPECT_EQ(subjects(w), std::vector<std::string>{"Draft"});
    EXPECT_EQ(w.tables().field(FaxList::Outgoing, "SUBJECT"), "Draft");
    EXPECT_TRUE(w.menuAction("mnuEdit")->isEnabled());
}

TEST_F(MaintenanceTest, CleanupThatDeletedNothingDoesNotRebuild)
{
    writeIni();
    addOutgoing(kRows);
    MaintenanceScreen w;
    startAndWait(w);
    const int rebuildsBefore = w.rebuilds;
    whenModal<TDMForm>([&](TDMForm *dm) {
        msgs.answers({true, false});
        dm->actions().deleteBeforeDate(QDate(2000, 1, 1));   // nothing that old
        dm->action("mnuDeleteAll")->trigger();                // answered No
        dm->accept();
    });
    w.menuAction("mnuCleanup")->trigger();
    EXPECT_EQ(msgs.count(Kind::Information), 1u);
    EXPECT_EQ(msgs.last().kind, Kind::Question);
    EXPECT_EQ(w.rebuilds, rebuildsBefore);
    EXPECT_EQ(subjects(w).size(), 4u);
    EXPECT_EQ(w.tables().rowCount(FaxList::Outgoing), 4);
}

// A close request that arrives while the first activation lets events run
// ends the start there: no quick set-up, no rebuild, no receive mode, and
// the tables the close shut stay shut.
TEST_F(MaintenanceTest, WindowClosedDuringTheFirstActivationStopsIt)
{
    {
        QFile f(QString::fromStdString(data + "QLN.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Receive]\nAtStartup=1\n");   // and no modem
    }
    MaintenanceScreen w;
    QSignalSpy done(&w, &TMainScreen::firstActivationDone);
    w.showForStart();
    QTimer::singleShot(0, &w, [&w] { w.close(); });
    ASSERT_TRUE(done.wait(5000));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.quickSetups, 0);
    EXPECT_EQ(w.rebuilds, 0);
    EXPECT_EQ(w.receiveStarts, 0);
    EXPECT_FALSE(w.tables().isOpen(FaxList::Outgoing));
    EXPECT_FALSE(w.tables().isOpen(FaxList::Incoming));
}

TEST_F(MaintenanceTest, WindowClosedInTheQuickSetupStopsBeforeTheRebuild)
{
    {
        QFile f(QString::fromStdString(data + "QLN.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Receive]\nAtStartup=1\n");
    }
    MaintenanceScreen w;
    w.duringQuickSetup = [&w] { w.close(); };
    startAndWait(w);
    EXPECT_EQ(w.quickSetups, 1);
    EXPECT_EQ(w.rebuilds, 0);
    EXPECT_EQ(w.receiveStarts, 0);
    EXPECT_FALSE(w.tables().isOpen(FaxList::Outgoing));
}

// Closed while the start-up rebuild shows its progress: the rebuild does
// not reopen the tables, the start goes no further, and the tables are
// sound for the next start.
TEST_F(MaintenanceTest, WindowClosedDuringTheStartupRebuildReopensNothing)
{
    writeIni("[Receive]\nAtStartup=1\n");
    addOutgoing(kRows);
    MaintenanceScreen w;
    QStringList shown;
    whenModal<TRebuildInd>([&](TRebuildInd *r) {
        QObject::connect(r, &QDialog::finished, [&, r] { shown = r->shownTexts(); });
        untilDone([&w, r] {
            if (!r->running())
                return false;
            w.close();
            return true;
        });
    });
    startAndWait(w);
    EXPECT_EQ(w.rebuilds, 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.receiveStarts, 0);
    EXPECT_FALSE(w.tables().isOpen(FaxList::Outgoing));
    EXPECT_FALSE(w.tables().isOpen(FaxList::Incoming));
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_FALSE(shown.contains(QStringLiteral("Rebuilding Received FAX indexes")));
    EXPECT_EQ(msgs.count(Kind::Information), 0u);
    EXPECT_EQ(rowsInFile(data, true), 4);
    EXPECT_EQ(rowsInFile(data, false), 0);
}

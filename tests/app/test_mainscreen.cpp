// The main window over real fax tables in a temporary data directory.
#include "app/desktopnotice.h"
#include "app/editreceivenotes.h"
#include "app/faxlistmodel.h"
#include "app/mainscreen.h"
#include "app/recordsfaxtables.h"
#include "app/singlecopy.h"
#include "app/windowsizing.h"
#include "common/datadir.h"
#include "common/ini.h"
#include "faximage/converter.h"
#include "viewer/preprint.h"
#include "viewer/viewfax.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStatusBar>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTest>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QUuid>
#include <QMenu>
#include <QToolButton>
#include <QLineEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QDialog>
#include <QPushButton>
#include <QPrinter>

using namespace qln;
using namespace qln::testing;
using Kind = ScriptedMessages::Kind;

namespace {

// Records which windows of other parts of the program the commands reach.
class ProbeScreen : public TMainScreen {
public:
    using TMainScreen::TMainScreen;
    int quickSetups = 0, receiveStarts = 0, editors = 0, clones = 0, sends = 0, views = 0;
    bool runQuickSetup() override { return ++quickSetups, false; }
    void runReceiveMode() override
    {
        ++receiveStarts;
        setReceiveMode(true);
    }
    bool runFaxEditor(bool clone, bool) override
    {
        ++editors;
        clones += clone ? 1 : 0;
        return false;
    }
    void runSendFax() override { ++sends; }
    void runFaxViewer(bool) override { ++views; }
};

void startAndWait(TMainScreen &w)
{
    QSignalSpy done(&w, &TMainScreen::firstActivationDone);
    w.showForStart();
    ASSERT_TRUE(done.wait(5000));
}

// receive/FAX0001.APF in `data`: a text letter of `lines` lines, converted.
void writeReceivedFax(const std::string &data, int lines)
{
    const std::string text = data + "letter.txt";
    QFile f(QString::fromStdString(text));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (int i = 0; i < lines; ++i)
        f.write(("Line " + std::to_string(i) + "\n").c_str());
    f.close();
    fax::TApdFaxConverter c;
    c.SetInputDocumentType(fax::idText);
    c.SetDocumentFile(text);
    c.SetOutFileName(data + "receive/FAX0001.APF");
    c.ConvertDocument();
}

std::string cell(QTableView *grid, int row, int col)
{
    return grid->model()->index(row, col).data().toString().toStdString();
}

}  // namespace

class MainScreenTest : public WindowFixture {};

TEST_F(MainScreenTest, EmptyDataDirectoryGetsTablesReceiveFolderAndFullTagSet)
{
    writeIni();
    ProbeScreen w;
    EXPECT_TRUE(fileExists("QLN.DBF"));
    EXPECT_TRUE(fileExists("QLNREC.DBF"));
    EXPECT_TRUE(QDir(QString::fromStdString(data + "receive")).exists());
    EXPECT_FALSE(w.tables().hasTag(FaxList::Outgoing, "DATEND"));
    startAndWait(w);
    EXPECT_TRUE(w.tables().hasTag(FaxList::Outgoing, "DATEND"));
    EXPECT_TRUE(w.tables().hasTag(FaxList::Incoming, "DATEND"));
    EXPECT_TRUE(fileExists("QLNCOV.DBF"));
    EXPECT_TRUE(fileExists("QLNPB.DBF"));
    EXPECT_EQ(w.quickSetups, 0);
    EXPECT_EQ(w.receiveStarts, 0);
    EXPECT_EQ(msgs.count(Kind::Information), 0u);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Quillon "));
}

TEST_F(MainScreenTest, FirstStartWithoutModemRunsQuickSetupAndAtStartupStartsReceiving)
{
    {
        // No port chosen at all.
        QFile f(QString::fromStdString(data + "QLN.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Receive]\nAtStartup=1\n");
    }
    ProbeScreen w;
    startAndWait(w);
    EXPECT_EQ(w.quickSetups, 1);
    EXPECT_EQ(w.receiveStarts, 1);
    EXPECT_TRUE(w.receiveMode());
    EXPECT_EQ(w.button("ReceiveButton")->text(), QStringLiteral("STOP"));
    EXPECT_FALSE(w.menuAction("mnuReceive")->isEnabled());
    // A later activation does not run the steps again.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w, &activate);
    QApplication::processEvents();
    EXPECT_EQ(w.quickSetups, 1);
    EXPECT_EQ(w.receiveStarts, 1);

    // Send without a modem runs the quick set-up (after the receive-mode
    // check) and stops when it is cancelled, before looking for a row.
    w.stopReceiveMode();
    msgs.clear();
    w.SendButtonClick();
    EXPECT_EQ(w.quickSetups, 2);
    EXPECT_EQ(msgs.count(Kind::Beep), 0u);
    EXPECT_EQ(w.sends, 0);
}

TEST_F(MainScreenTest, StartingMinimisedStaysMinimisedAndActivatesOnce)
{
    writeIni();
    ProbeScreen w;
    w.setStartMinimized(true);
    startAndWait(w);
    EXPECT_TRUE(w.isMinimized());
    EXPECT_FALSE(w.firstActivationPending());
    EXPECT_TRUE(w.tables().hasTag(FaxList::Outgoing, "DATEND"));

    // A second copy brings it back.
    w.restoreFromSecondCopy();
    QApplication::processEvents();
    EXPECT_FALSE(w.isMinimized());
}

TEST_F(MainScreenTest, EnablingFollowsTheListsAndTheActiveTab)
{
    writeIni();
    {
        ProbeScreen w;
        startAndWait(w);
        EXPECT_TRUE(w.button("Newbutton")->isEnabled());
        for (const char *b : {"EditButton", "DeleteButton", "SendButton", "ViewButton",
                              "PrintButton"})
            EXPECT_FALSE(w.button(b)->isEnabled()) << b;
        EXPECT_TRUE(w.button("ReceiveButton")->isEnabled());
        EXPECT_TRUE(w.button("ExitButton")->isEnabled());
        EXPECT_FALSE(w.menuAction("mnuClone")->isEnabled());
        EXPECT_FALSE(w.faxGrid()->isEnabled());
        EXPECT_FALSE(w.recFaxGrid()->isEnabled());
        w.browseTabs()->setCurrentIndex(1);
        EXPECT_FALSE(w.button("Newbutton")->isEnabled());
        EXPECT_FALSE(w.menuAction("mnuNew")->isEnabled());
        w.close();
    }
    addOutgoing({{"Report", "Ann", "555", "20240105", "09:30", true}});
    ProbeScreen w;
    startAndWait(w);
    EXPECT_TRUE(w.faxGrid()->isEnabled());
    EXPECT_FALSE(w.recFaxGrid()->isEnabled());
    EXPECT_TRUE(w.menuAction("mnuClone")->isEnabled());
    EXPECT_TRUE(w.button("SendButton")->isEnabled());
    EXPECT_TRUE(w.button("DeleteButton")->isEnabled());
    w.browseTabs()->setCurrentIndex(1);
    EXPECT_TRUE(w.button("SendButton")->isEnabled());   // whatever the tab
    EXPECT_FALSE(w.button("DeleteButton")->isEnabled());  // incoming list is empty
    EXPECT_FALSE(w.menuAction("mnuClone")->isEnabled());
}

TEST_F(MainScreenTest, GridsShowColumnsTitlesAndCalculatedSent)
{
    writeIni();
    addOutgoing({{"Old", "Bob", "111", "20230101", "08:00", true},
                 {"Draft", "Cy", "222", "", "", false}});
    addIncoming({{"20240301", "14:05", "ACME", "FAX0001.APF", "call back", 3}});
    ProbeScreen w;
    startAndWait(w);
    QAbstractItemModel *out = w.faxGrid()->model();
    QStringList titles;
    for (int c = 0; c < out->columnCount(); ++c)
        titles << out->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles.join('|').toStdString(),
              "Sent|Date Sent|Time Sent|Recipient|Phone|Pages|Subject|Last Attempt");
    QAbstractItemModel *in = w.recFaxGrid()->model();
    titles.clear();
    for (int c = 0; c < in->columnCount(); ++c)
        titles << in->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles.join('|').toStdString(), "Date Rec'd|Time Rec'd|From|Pages|Notes|Fax File");

    ASSERT_EQ(out->rowCount(), 2);
    // Newest first: the unsent draft has an empty date and sorts last.
    EXPECT_EQ(cell(w.faxGrid(), 0, 0), "Yes");
    EXPECT_EQ(cell(w.faxGrid(), 0, 6), "Old");
    EXPECT_EQ(cell(w.faxGrid(), 1, 0), "No ");
    EXPECT_EQ(cell(w.faxGrid(), 1, 1), "");
    EXPECT_EQ(cell(w.faxGrid(), 1, 5), "");  // never rendered: no page count
    ASSERT_EQ(in->rowCount(), 1);
    EXPECT_EQ(cell(w.recFaxGrid(), 0, 2), "ACME");
    EXPECT_EQ(cell(w.recFaxGrid(), 0, 3), "3");
    EXPECT_EQ(cell(w.recFaxGrid(), 0, 5), "FAX0001.APF");
    // Each list starts on its first row, in grid and table alike.
    EXPECT_EQ(w.faxGrid()->currentIndex().row(), 0);
    EXPECT_EQ(w.tables().currentRecordNumber(FaxList::Outgoing), w.faxModel()->recordNumberAt(0));
    EXPECT_EQ(w.tables().currentRecordNumber(FaxList::Incoming), w.recModel()->recordNumberAt(0));
    // Recipient is shown 20 characters wide, Last Attempt 35.
    EXPECT_GT(w.faxGrid()->columnWidth(7), w.faxGrid()->columnWidth(3));
}

TEST_F(MainScreenTest, OpensShowingEveryColumnAndTheLastColumnStretches)
{
    // On 1366 x 768 a window for 900 pixels of columns opens 940 wide;
    // never below the design size, never beyond the free area.
    EXPECT_EQ(initialMainWindowSize(900, 40, 590, 399, 1366, 768, 16, 48), (MainWindowSize{940, 480}));
    EXPECT_EQ(initialMainWindowSize(300, 40, 590, 399, 1366, 768, 16, 48).width, 590);
    EXPECT_EQ(initialMainWindowSize(3000, 40, 590, 399, 1366, 768, 16, 48), (MainWindowSize{1350, 480}));
    EXPECT_EQ(initialMainWindowSize(900, 40, 590, 399, 640, 480, 16, 48), (MainWindowSize{624, 399}));

    writeIni();
    ProbeScreen w;
    int columns = 0;
    for (int c = 0; c < w.faxGrid()->model()->columnCount(); ++c)
        columns += w.faxGrid()->columnWidth(c);
    EXPECT_GT(w.initialSize().width(), std::min(columns, w.screen()->availableGeometry().width() - 16) - 1);
    EXPECT_TRUE(w.faxGrid()->horizontalHeader()->stretchLastSection());
    EXPECT_TRUE(w.recFaxGrid()->horizontalHeader()->stretchLastSection());
}

TEST_F(MainScreenTest, EnterOpensARowCtrlTabSwitchesListsCtrlNStartsANewFax)
{
    writeIni();
    addOutgoing({{"Report", "Ann", "555", "20240105", "09:30", true}});
    addIncoming({{"20240301", "14:05", "ACME", "FAX0001.APF", "", 1}});
    ProbeScreen w;
    startAndWait(w);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.faxGrid()->setFocus();
    QTest::keyClick(w.faxGrid(), Qt::Key_Return);
    EXPECT_EQ(w.views, 1);
    QTest::keyClick(w.faxGrid(), Qt::Key_Enter);
    EXPECT_EQ(w.views, 2);
    EXPECT_EQ(w.menuAction("mnuNew")->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    QTest::keyClick(w.faxGrid(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(w.editors, 1);
    QTest::keyClick(w.faxGrid(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(w.browseTabs()->currentIndex(), 1);
    EXPECT_TRUE(w.recFaxGrid()->hasFocus());
    QTest::keyClick(w.recFaxGrid(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(w.browseTabs()->currentIndex(), 0);
}

TEST_F(MainScreenTest, ProgressOfACallReplacesAButtonHintInTheStatusLine)
{
    writeIni();
    ProbeScreen w;
    startAndWait(w);
    // The mouse rests on the Receive button: its hint fills the status line.
    QStatusTipEvent tip(QStringLiteral("Start receiving faxes"));
    QApplication::sendEvent(&w, &tip);
    ASSERT_EQ(w.statusBar()->currentMessage(), QStringLiteral("Start receiving faxes"));
    w.setStatusText(QStringLiteral("Waiting for calls"));
    EXPECT_TRUE(w.statusBar()->currentMessage().isEmpty());
    auto *line = w.findChild<QLabel *>(QStringLiteral("StatusLine"));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(), QStringLiteral("Waiting for calls"));
}

TEST_F(MainScreenTest, AReceivedFaxGetsADesktopNoticeWhereTheDesktopOffersOne)
{
    EXPECT_EQ(noticeChannel(true, true), NoticeChannel::Tray);
    EXPECT_EQ(noticeChannel(false, true), NoticeChannel::Notifications);
    EXPECT_EQ(noticeChannel(false, false), NoticeChannel::None);
    records::ReceivedFax row;
    EXPECT_EQ(receivedFaxNotice(row).body, "From an unknown sender");
    row.from = "  +1 555 0100 ";
    row.pages = 1;
    EXPECT_EQ(receivedFaxNotice(row).body, "From +1 555 0100, 1 page");

    writeIni();
    ProbeScreen w;
    startAndWait(w);
    std::vector<std::pair<NoticeChannel, std::string>> shown;
    w.desktopNotice().deliver = [&](NoticeChannel c, const DesktopNoticeText &t) {
        shown.emplace_back(c, t.title + "|" + t.body);
    };
    bool tray = false, service = true;
    w.desktopNotice().trayAvailable = [&] { return tray; };
    w.desktopNotice().serviceAvailable = [&] { return service; };
    row.pages = 3;
    w.faxReceived(row);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, NoticeChannel::Notifications);
    EXPECT_EQ(shown[0].second, "Fax received|From +1 555 0100, 3 pages");
    tray = true;
    w.faxReceived(row);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].first, NoticeChannel::Tray);
    // Neither: nothing shown and nothing reported.
    tray = service = false;
    msgs.clear();
    w.faxReceived(row);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(msgs.calls().empty());
}

TEST_F(MainScreenTest, DeleteOutgoingAsksAndOnlyYesDeletes)
{
    writeIni();
    addOutgoing({{"Keep me", "A", "1", "20240101", "10:00", true},
                 {"Bin me", "B", "2", "20240202", "10:00", true}});
    ProbeScreen w;
    startAndWait(w);
    w.selectRow(FaxList::Outgoing, 0);  // newest first: "Bin me"
    msgs.answer(false);
    w.DeleteButtonClick();
    ASSERT_EQ(msgs.count(Kind::CautiousQuestion), 1u);
    EXPECT_EQ(msgs.last().caption, "Delete");
    EXPECT_EQ(msgs.last().text, "Delete the current fax?\r\n(subject: \"Bin me\")");
    EXPECT_EQ(w.faxModel()->rowCount(), 2);

    msgs.answer(true);
    w.DeleteButtonClick();
    ASSERT_EQ(w.faxModel()->rowCount(), 1);
    EXPECT_EQ(cell(w.faxGrid(), 0, 6), "Keep me");
    EXPECT_EQ(w.tables().queryCount(FaxList::Outgoing), 1);

    // Deleting the last row empties the list and the row commands go grey.
    msgs.answer(true);
    w.DeleteButtonClick();
    EXPECT_EQ(w.faxModel()->rowCount(), 0);
    // An empty list is left in record order.
    EXPECT_EQ(static_cast<RecordsFaxTables &>(w.tables()).binding().FaxTable.IndexOrd(), 0);
    EXPECT_FALSE(w.button("DeleteButton")->isEnabled());
    EXPECT_FALSE(w.button("SendButton")->isEnabled());
    // Nothing left: the command beeps.
    msgs.clear();
    w.DeleteButtonClick();
    EXPECT_EQ(msgs.count(Kind::Beep), 1u);
    EXPECT_EQ(msgs.count(Kind::CautiousQuestion), 0u);
}

TEST_F(MainScreenTest, DeleteReceivedRemovesItsFileButNeverOneOutside)
{
    writeIni();
    ASSERT_TRUE(QDir(dir.path()).mkdir("receive"));
    touch("receive/FAX0001.APF");
    touch("keep.apf");
    addIncoming({{"20240301", "10:00", "Plain", "FAX0001.APF", ""},
                 {"20240302", "10:00", "Escaper", "../keep.apf", ""}});
    ProbeScreen w;
    startAndWait(w);
    w.browseTabs()->setCurrentIndex(1);
    ASSERT_EQ(w.recModel()->rowCount(), 2);

    w.selectRow(FaxList::Incoming, 0);  // newest: "Escaper"
    msgs.answer(true);
    w.DeleteButtonClick();
    EXPECT_EQ(msgs.calls()[0].text, "Delete the current fax?\r\n(from: \"Escaper\")");
    EXPECT_TRUE(fileExists("keep.apf"));
    EXPECT_EQ(w.recModel()->rowCount(), 1);  // the row went all the same
    EXPECT_EQ(msgs.count(Kind::Information), 1u);

    msgs.clear();
    w.selectRow(FaxList::Incoming, 0);
    msgs.answer(false);
    w.DeleteButtonClick();
    EXPECT_TRUE(fileExists("receive/FAX0001.APF"));
    EXPECT_EQ(w.recModel()->rowCount(), 1);
    msgs.answer(true);
    w.DeleteButtonClick();
    EXPECT_FALSE(fileExists("receive/FAX0001.APF"));
    EXPECT_EQ(w.recModel()->rowCount(), 0);
    EXPECT_EQ(msgs.count(Kind::Information), 0u);
}

TEST_F(MainScreenTest, ReceiveModeRefusesWhatWouldDisturbIt)
{
    writeIni();
    addOutgoing({{"Out", "A", "1", "20240101", "10:00", true}});
    addIncoming({{"20240301", "10:00", "In", "", ""}});
    ProbeScreen w;
    startAndWait(w);
    w.setReceiveMode(true);
    const std::string refusal = texts::kReceiveModeRefusal;
    auto refuses = [&](const char *name, auto trigger) {
        msgs.clear();
        trigger();
        ASSERT_EQ(msgs.count(Kind::Information), 1u) << name;
        EXPECT_EQ(msgs.last().text, refusal) << name;
        EXPECT_EQ(msgs.last().caption, "Information") << name;
    };
    refuses("New", [&] { w.NewbuttonClick(); });
    refuses("Clone", [&] { w.mnuCloneClick(); });
    refuses("Edit", [&] { w.EditButtonClick(); });
    refuses("Cover Sheets", [&] { w.mnuCoverSheetsClick(); });
    refuses("Phone Book", [&] { w.mnuPhoneBookClick(); });
    refuses("Preferences", [&] { w.mnuPreferencesClick(); });
    refuses("Rebuild", [&] { w.mnuRebuildIndexesClick(); });
    refuses("Cleanup", [&] { w.mnuFaxLogCleanupClick(); });
    refuses("Website", [&] { w.mnuWebsiteClick(); });
    w.browseTabs()->setCurrentIndex(1);
    refuses("Delete incoming", [&] { w.DeleteButtonClick(); });
    EXPECT_EQ(w.editors, 0);
    EXPECT_EQ(w.recModel()->rowCount(), 1);

    // Send has its own text; View stays available.
    msgs.clear();
    w.SendButtonClick();
    EXPECT_EQ(msgs.last().text, texts::kSendInReceiveMode);
    w.ViewButtonClick();
    EXPECT_EQ(w.views, 1);
    // Delete on the outgoing tab still asks.
    w.browseTabs()->setCurrentIndex(0);
    msgs.clear();
    msgs.answer(false);
    w.DeleteButtonClick();
    EXPECT_EQ(msgs.count(Kind::CautiousQuestion), 1u);
    EXPECT_EQ(w.sends, 0);
}

TEST_F(MainScreenTest, CloneBeepsWithoutRowsAndRequestsACloneWithOne)
{
    writeIni();
    {
        ProbeScreen w;
        startAndWait(w);
        w.mnuCloneClick();
        EXPECT_EQ(msgs.count(Kind::Beep), 1u);
        EXPECT_EQ(w.editors, 0);
        w.close();
    }
    addOutgoing({{"Out", "A", "1", "20240101", "10:00", true}});
    ProbeScreen w;
    startAndWait(w);
    w.mnuCloneClick();
    EXPECT_EQ(w.clones, 1);
    EXPECT_FALSE(w.cloneRequested());  // consumed by New
    w.NewbuttonClick();
    EXPECT_EQ(w.editors, 2);
    EXPECT_EQ(w.clones, 1);
}

TEST_F(MainScreenTest, CloneRefusedInReceiveModeLeavesNoCloneRequestForTheNextNew)
{
    writeIni();
    addOutgoing({{"Out", "A", "1", "20240101", "10:00", true}});
    ProbeScreen w;
    startAndWait(w);
    w.setReceiveMode(true);
    w.mnuCloneClick();
    EXPECT_EQ(msgs.last().text, texts::kReceiveModeRefusal);
    EXPECT_FALSE(w.cloneRequested());
    w.setReceiveMode(false);
    w.NewbuttonClick();
    EXPECT_EQ(w.editors, 1);
    EXPECT_EQ(w.clones, 0);
}

TEST_F(MainScreenTest, SendChecksTabThenRows)
{
    writeIni();
    ProbeScreen w;
    startAndWait(w);
    w.browseTabs()->setCurrentIndex(1);
    w.SendButtonClick();
    EXPECT_EQ(msgs.last().text, texts::kSendWrongTab);
    w.browseTabs()->setCurrentIndex(0);
    msgs.clear();
    w.SendButtonClick();
    EXPECT_EQ(msgs.count(Kind::Beep), 1u);
    EXPECT_EQ(w.sends, 0);
}

TEST_F(MainScreenTest, EditOnIncomingStoresNotesWhenAccepted)
{
    writeIni();
    addIncoming({{"20240301", "10:00", "ACME Corp", "FAX0001.APF", "old note"}});
    ProbeScreen w;
    startAndWait(w);
    w.browseTabs()->setCurrentIndex(1);
    w.selectRow(FaxList::Incoming, 0);

    QString shownLabel, shownNotes;
    auto answerDialog = [&](bool accept, const QString &text) {
        QTimer::singleShot(0, [&, accept, text] {
            auto *d = qobject_cast<TEditReceiveNotes *>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            shownLabel = d->description();
            shownNotes = d->notes();
            d->notesEdit()->setText(text);
            (accept ? d->acceptButton() : d->cancelButton())->click();
        });
    };
    answerDialog(false, QStringLiteral("ignored"));
    w.EditButtonClick();
    EXPECT_EQ(shownLabel, QStringLiteral("From: ACME Corp"));
    EXPECT_EQ(shownNotes, QStringLiteral("old note"));
    EXPECT_EQ(cell(w.recFaxGrid(), 0, 4), "old note");

    answerDialog(true, QString(70, QLatin1Char('n')));
    w.EditButtonClick();
    EXPECT_EQ(cell(w.recFaxGrid(), 0, 4), std::string(60, 'n'));
    EXPECT_EQ(w.tables().field(FaxList::Incoming, "NOTES"), std::string(60, 'n'));
}

TEST_F(MainScreenTest, PlacementAndHintsAreSavedAndRestored)
{
    writeIni();
    QRect placed;
    {
        ProbeScreen w;
        startAndWait(w);
        w.setGeometry(40, 50, 620, 430);
        QApplication::processEvents();
        placed = w.geometry();
        w.menuAction("mnuShowHint")->trigger();
        EXPECT_FALSE(w.menuAction("mnuShowHint")->isChecked());
        EXPECT_TRUE(w.close());
    }
    IniFile ini(data + "QLN.INI");
    EXPECT_FALSE(ini.readBool("Hints", "On", true));
    EXPECT_EQ(ini.readString("Version", "Version", ""), "2.9z Build 8");
    EXPECT_TRUE(ini.sectionExists("TMainScreen_Placement"));
    EXPECT_EQ(ini.readInteger("TMainScreen_Placement", "Left", -1), placed.left());
    EXPECT_EQ(ini.readInteger("TMainScreen_Placement", "Bottom", -1),
              placed.top() + placed.height());

    ProbeScreen again;
    startAndWait(again);
    EXPECT_EQ(again.geometry(), placed);
    EXPECT_FALSE(again.menuAction("mnuShowHint")->isChecked());
}

TEST_F(MainScreenTest, ClosingWhileReceivingAsksAndNoKeepsReceiving)
{
    writeIni();
    ProbeScreen w;
    startAndWait(w);
    w.setReceiveMode(true);
    w.setReceivingFax(true);
    msgs.answer(false);
    EXPECT_FALSE(w.close());
    EXPECT_EQ(msgs.last().text, "You are receiving a fax. Exit the program?");
    EXPECT_EQ(msgs.last().caption, "Exit");
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.receiveMode());
    EXPECT_TRUE(w.tables().isOpen(FaxList::Outgoing));

    msgs.answer(true);
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.receiveMode());
    EXPECT_FALSE(w.tables().isOpen(FaxList::Outgoing));
}

TEST_F(MainScreenTest, MenusCarryEveryItemWithShortcutsAndHints)
{
    writeIni();
    ProbeScreen w;
    EXPECT_EQ(w.menuAction("mnuSend")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(w.menuAction("mnuReceive")->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
    EXPECT_EQ(w.menuAction("mnuViewPrint")->shortcut(), QKeySequence(QStringLiteral("Ctrl+V")));
    EXPECT_EQ(w.menuAction("mnuExit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
    EXPECT_EQ(w.menuAction("mnuViewPrint")->statusTip(),
              QStringLiteral("See a preview of and optionally  print the fax"));
    EXPECT_EQ(w.menuAction("mnuRebuild")->statusTip(), QStringLiteral("Do this every 2 weeks "));
    EXPECT_EQ(w.button("Newbutton")->defaultAction()->shortcut(),
              QKeySequence(QStringLiteral("Alt+N")));
    EXPECT_EQ(w.button("ExitButton")->defaultAction()->shortcut(),
              QKeySequence(QStringLiteral("Alt+X")));
    EXPECT_EQ(w.button("DeleteButton")->toolTip(),
              QStringLiteral("Delete  the currently selected fax"));
    // Separators after Fax Log Cleanup, View/Print Fax and Preferences.
    QStringList file;
    for (QAction *a : w.findChild<QMenu *>(QStringLiteral("FileMenu"))->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(file.join('|').toStdString(),
              "&New Fax|&Edit Fax|Clone Fax|Delete Fax|Fax Log Cleanup|-|Send Fax|Receive "
              "Faxes|View/Print Fax|-|C&over Sheets|&Phone Book|Rebuild &Indexes|P&references|-|"
              "E&xit");
    QStringList help;
    for (QAction *a : w.findChild<QMenu *>(QStringLiteral("HelpMenu"))->actions())
        help << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(help.join('|').toStdString(),
              "Contents|Frequently Asked Questions (FAQ)|Technical Help|Technical Support|About|-|"
              "Configuration Information|Visit Our Internet Website|-|Show Hints");
}

TEST_F(MainScreenTest, SecondCopyBringsTheMinimisedWindowBack)
{
    writeIni();
    const QString name = QStringLiteral("quillon-test-") + QUuid::createUuid().toString(QUuid::Id128);
    SingleCopyGuard guard(name);
    ASSERT_TRUE(guard.claim());
    ProbeScreen w;
    QObject::connect(&guard, &SingleCopyGuard::raiseRequested, &w,
                     &TMainScreen::restoreFromSecondCopy);
    w.setStartMinimized(true);
    startAndWait(w);
    ASSERT_TRUE(w.isMinimized());

    SingleCopyGuard second(name);
    EXPECT_FALSE(second.claim());
    QSignalSpy raised(&guard, &SingleCopyGuard::raiseRequested);
    ASSERT_TRUE(raised.wait(2000));
    EXPECT_FALSE(w.isMinimized());
    EXPECT_TRUE(w.isVisible());
}

namespace {
// Tables that cannot be opened or created.
class BrokenTables : public FaxTablesAccess {
public:
    explicit BrokenTables(bool faxFails, bool recFails) : faxFails_(faxFails), recFails_(recFails) {}
    bool open(FaxList l) override
    {
        (l == FaxList::Outgoing ? faxOpen_ : recOpen_) =
            !(l == FaxList::Outgoing ? faxFails_ : recFails_);
        return l == FaxList::Outgoing ? faxOpen_ : recOpen_;
    }
    void close(FaxList l) override { (l == FaxList::Outgoing ? faxOpen_ : recOpen_) = false; }
    bool isOpen(FaxList l) const override { return l == FaxList::Outgoing ? faxOpen_ : recOpen_; }
    bool hasTag(FaxList, const std::string &) override { return true; }
    bool rebuildIndexes(const std::function<void(const std::string &)> &) override { return true; }
    long queryCount(FaxList) override { return 0; }
    long currentRecordNumber(FaxList) override { return 1; }
    long rowCount(FaxList) override { return 0; }
    void settleOrder(FaxList, bool) override {}
    bool goToRecord(FaxList, long) override { return false; }
    std::string field(FaxList, const std::string &) override { return {}; }
    bool deleteCurrent(FaxList) override { return false; }
    bool setNotes(const std::string &) override { return false; }
    FaxListSource &listSource(FaxList) override { return empty_; }

private:
    class Empty : public FaxListSource {
        std::vector<FaxListColumn> columns() const override { return {}; }
        long rowCount() override { return 0; }
        std::vector<FaxListRow> fetch(long, long) override { return {}; }
        long positionOf(long) override { return -1; }
    } empty_;
    bool faxFails_, recFails_, faxOpen_ = false, recOpen_ = false;
};
}  // namespace

TEST_F(MainScreenTest, TableThatCannotBeOpenedClosesTheProgram)
{
    writeIni();
    for (int which = 0; which < 2; ++which) {
        msgs.clear();
        ProbeScreen w(std::make_unique<BrokenTables>(which == 0, which == 1));
        ASSERT_EQ(msgs.count(Kind::Information), 1u);
        EXPECT_EQ(msgs.last().text,
                  which == 0 ? "Unable to open/create the FAX datafile - closing program"
                             : "Unable to open/create the FAX RECEIVE datafile - closing program");
        w.show();
        // The close request runs once the event loop does.
        for (int i = 0; i < 300 && w.isVisible(); ++i)
            QTest::qWait(10);
        EXPECT_FALSE(w.isVisible());
    }
}

TEST_F(MainScreenTest, ConfigurationInformationShowsTheReport)
{
    writeIni();
    TMainScreen w;
    QString title, text;
    QTimer::singleShot(0, [&] {
        auto *report = QApplication::activeModalWidget();
        ASSERT_NE(report, nullptr);
        title = report->windowTitle();
        if (auto *edit = report->findChild<QPlainTextEdit *>(QStringLiteral("reportText")))
            text = edit->toPlainText();
        static_cast<QDialog *>(report)->accept();
    });
    w.menuAction("mnuConfiguration")->trigger();
    EXPECT_EQ(title, QStringLiteral("Configuration Information"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Quillon configuration report")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nModem settings\n")));
    EXPECT_TRUE(text.contains(QString::fromStdString(settingsPath())));
    EXPECT_EQ(msgs.calls().size(), 0u);
}

// View on the incoming list: a missing file says so; a present one opens the
// viewer on it with the received header text.
TEST_F(MainScreenTest, ViewOfAReceivedFaxOpensTheViewerOrSaysTheFileIsMissing)
{
    writeIni();
    QDir().mkpath(QString::fromStdString(data + "receive"));
    writeReceivedFax(data, 130);
    addIncoming({{"20260305", "09:12", " Head office ", "FAX0001.APF", ""},
                 {"20260306", "10:00", "Branch", "GONE.APF", ""}});
    TMainScreen w;
    startAndWait(w);
    w.browseTabs()->setCurrentIndex(1);
    ASSERT_EQ(w.recModel()->rowCount(), 2);
    w.selectRow(FaxList::Incoming, 0);
    const int missingRow = w.tables().field(FaxList::Incoming, "FAXFILE") == "GONE.APF" ? 0 : 1;
    w.selectRow(FaxList::Incoming, missingRow);
    msgs.clear();
    w.menuAction("mnuViewPrint")->trigger();
    ASSERT_EQ(msgs.count(Kind::Information), 1u);
    EXPECT_EQ(msgs.last().text, "Fax file is missing");

    w.selectRow(FaxList::Incoming, 1 - missingRow);
    QString status, header;
    QTimer::singleShot(0, [&] {
        auto *viewer = qobject_cast<viewer::TFaxViewer *>(QApplication::activeModalWidget());
        ASSERT_NE(viewer, nullptr);
        viewer->activate();
        status = viewer->statusText();
        header = QString::fromStdString(viewer->headerText());
        viewer->reject();
    });
    msgs.clear();
    w.menuAction("mnuViewPrint")->trigger();
    EXPECT_EQ(status, QStringLiteral("Page 1 of 3"));
    EXPECT_TRUE(header.startsWith(QStringLiteral("From: Head office             Received: "))) << header.toStdString();
    EXPECT_TRUE(header.endsWith(QStringLiteral("receive/fax0001.apf"))) << header.toStdString();
    EXPECT_EQ(msgs.count(Kind::Information), 0u);
    EXPECT_TRUE(w.statusText().isEmpty());
}

namespace {
// The print form's and the print dialog's answers, as the user gives them.
class PrintAnswers : public viewer::IPrintDialogs {
public:
    QString pdf;
    int destinations = 0;
    bool askPrintChoice(QWidget *, const viewer::PrintFormSetup &setup, viewer::PrintChoice &choice) override
    {
        choice.fromPage = setup.fromPage;
        choice.toPage = setup.toPage;
        return true;
    }
    bool askDestination(QWidget *, QPrinter &printer) override
    {
        ++destinations;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    }
};
}  // namespace

TEST_F(MainScreenTest, PrintReachesThePrintDialogAndSaysWhyAJobFailed)
{
    writeIni();
    QDir().mkpath(QString::fromStdString(data + "receive"));
    writeReceivedFax(data, 1);
    addIncoming({{"20260305", "09:12", "Head office", "FAX0001.APF", ""}});
    TMainScreen w;
    startAndWait(w);
    w.browseTabs()->setCurrentIndex(1);
    w.selectRow(FaxList::Incoming, 0);
    PrintAnswers answers;
    viewer::setPrintDialogs(&answers);
    answers.pdf = QString::fromStdString(data + "printed");
    msgs.clear();
    w.button("PrintButton")->click();
    EXPECT_EQ(answers.destinations, 1);
    EXPECT_TRUE(fileExists("printed.pdf"));
    EXPECT_EQ(msgs.count(Kind::ErrorBox), 0u);

    answers.pdf = QString::fromStdString(data + "no-folder/printed.pdf");
    w.button("PrintButton")->click();
    viewer::setPrintDialogs(nullptr);
    ASSERT_EQ(msgs.count(Kind::ErrorBox), 1u);
    EXPECT_NE(msgs.last().text.find("no-folder/printed.pdf"), std::string::npos) << msgs.last().text;
    QFile log(QString::fromStdString(data + "FAXPRINT.LOG"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString logText = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(logText.contains(QStringLiteral(" finished at "))) << logText.toStdString();
    EXPECT_TRUE(logText.contains(QStringLiteral(" failed at "))) << logText.toStdString();
}

// View on the outgoing list renders the fax first; a fax with nothing to
// render says so and opens no viewer.
TEST_F(MainScreenTest, ViewOfAnOutgoingFaxWithNothingToRenderSaysSo)
{
    writeIni();
    addOutgoing({{"Empty", "Ann", "1", "", "", false}});
    TMainScreen w;
    startAndWait(w);
    w.selectRow(FaxList::Outgoing, 0);
    msgs.clear();
    bool viewerShown = false;
    QTimer::singleShot(0, [&] {
        if (auto *v = qobject_cast<viewer::TFaxViewer *>(QApplication::activeModalWidget())) {
            viewerShown = true;
            v->reject();
        }
    });
    w.menuAction("mnuViewPrint")->trigger();
    EXPECT_FALSE(viewerShown);
    ASSERT_GE(msgs.count(Kind::Information), 1u);
    EXPECT_EQ(msgs.last().text, "Error creating fax file");
    EXPECT_TRUE(w.button("Newbutton") == nullptr || w.button("Newbutton")->isEnabled());
}

TEST_F(MainScreenTest, AboutBoxShowsVersion)
{
    writeIni();
    TMainScreen w;
    QString title, version;
    QStringList labels;
    QTimer::singleShot(0, [&] {
        auto *about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        title = about->windowTitle();
        for (QLabel *l : about->findChildren<QLabel *>())
            labels << l->text();
        static_cast<QDialog *>(about)->accept();
    });
    w.menuAction("mnuAbout")->trigger();
    EXPECT_EQ(title, QStringLiteral("About Quillon"));
    // The word size of this build, not a fixed "32-bit".
    EXPECT_TRUE(labels.contains(QStringLiteral("%1-bit version").arg(int(sizeof(void *) * 8)))) << labels.join('|').toStdString();
    EXPECT_TRUE(labels.contains(QStringLiteral("Version 2.9z Build 8")));
}

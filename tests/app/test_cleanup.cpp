// The clean-up window over seeded fax tables: what it shows, which items it
// offers on each tab, the questions before each delete and the counts after,
// the date selector and the condition window.
#include "app/datamanager.h"
#include "app/dmconditions.h"
#include "app/dmdatesel.h"
#include "app/faxlistmodel.h"
#include "common/localeformats.h"
#include "modalwindows.h"
#include "windowfixture.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>

using namespace qln;
using namespace qln::testing;
using records::FaxLog;
using records::MatchField;
using Kind = ScriptedMessages::Kind;

namespace {

class CleanupWindowTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        setLocaleFormats(LocaleFormats{});
        QDir(QString::fromStdString(data)).mkdir(QStringLiteral("receive"));
    }
    void TearDown() override
    {
        window.reset();
        tables.reset();
        WindowFixture::TearDown();
    }
    TDMForm &open()
    {
        tables = std::make_unique<records::FaxTables>(data);
        EXPECT_TRUE(tables->OpenFaxDBF());
        EXPECT_TRUE(tables->OpenRecFaxDBF());
        window = std::make_unique<TDMForm>(*tables);
        window->show();
        return *window;
    }
    std::vector<std::string> column(FaxLog log, int col)
    {
        std::vector<std::string> out;
        FaxListModel *m = window->model(log);
        for (int r = 0; r < m->rowCount(); ++r)
            out.push_back(m->index(r, col).data().toString().toStdString());
        return out;
    }
    std::vector<std::string> texts(Kind kind)
    {
        std::vector<std::string> out;
        for (const auto &c : msgs.calls())
            if (c.kind == kind)
                out.push_back(c.caption + "|" + c.text);
        return out;
    }

    std::unique_ptr<records::FaxTables> tables;
    std::unique_ptr<TDMForm> window;
};

const std::vector<OutRow> kOutgoing{{"Old report", "Ann Smith", "555-0101", "20230310", "09:00", true},
                                    {"Draft", "Bob Jones", "555-0102", "", "", false},
                                    {"New order", "SMITH", "555-0103", "20250120", "14:30", true}};
const std::vector<InRow> kIncoming{{"20230101", "08:00", "ACME SMITH", "FAX0001.APF", ""},
                                   {"20250101", "08:00", "  Smith  ", "FAX0002.APF", ""},
                                   {"20250102", "08:00", "Jones", "FAX0003.APF", ""}};

}  // namespace

TEST_F(CleanupWindowTest, ShowsEveryFaxWithDeletedColumnAndGivesTheQueriesBack)
{
    addOutgoing(kOutgoing);
    addIncoming(kIncoming);
    TDMForm &w = open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Fax Log Cleanup Utility"));
    EXPECT_EQ(w.pages()->currentIndex(), 0);
    QStringList outTitles, inTitles;
    for (int c = 0; c < w.model(FaxLog::Outgoing)->columnCount(); ++c)
        outTitles << w.model(FaxLog::Outgoing)->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    for (int c = 0; c < w.model(FaxLog::Received)->columnCount(); ++c)
        inTitles << w.model(FaxLog::Received)->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(outTitles.join('|').toStdString(),
              "Deleted?|Date Sent|Time Sent|Recipient|Subject|Phone|Last Attempt");
    EXPECT_EQ(inTitles.join('|').toStdString(), "Deleted?|Date Rec'd|Time Rec'd|From|Pages|Fax File|Notes");
    EXPECT_EQ(column(FaxLog::Outgoing, 0), (std::vector<std::string>{"No ", "No ", "No "}));
    // Newest first, as the main window lists them.
    EXPECT_EQ(column(FaxLog::Outgoing, 4), (std::vector<std::string>{"New order", "Old report", "Draft"}));
    EXPECT_EQ(tables->FaxTable.Query(), "");
    EXPECT_EQ(tables->RecTable.Query(), "");
    EXPECT_EQ(w.grid(FaxLog::Outgoing)->selectionBehavior(), QAbstractItemView::SelectItems);
    EXPECT_EQ(w.grid(FaxLog::Outgoing)->editTriggers(), QAbstractItemView::NoEditTriggers);
    QStringList items;
    for (QAction *a : w.actionsMenu()->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items.join('|').toStdString(),
              "Delete Current Fax|-|Delete All Before A Particular Date|Delete All that Have Been Sent|"
              "Delete All That Have NOT Been Sent|Delete All Faxes Meeting Certain Conditions...|-|"
              "Delete All Faxes");
    EXPECT_EQ(w.action("mnuDeleteCurrent")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    w.accept();
    EXPECT_EQ(tables->FaxTable.Query(), ".not. deleted()");
    EXPECT_EQ(tables->RecTable.Query(), ".not. deleted()");
    EXPECT_FALSE(w.changesMade());
}

TEST_F(CleanupWindowTest, EmptyTableRenamesItsTabAndDisablesActionsThere)
{
    addIncoming(kIncoming);
    TDMForm &w = open();
    EXPECT_EQ(w.pages()->tabText(0), QStringLiteral("OutGoing Faxes (none)"));
    EXPECT_EQ(w.pages()->tabText(1), QStringLiteral("Incoming Faxes"));
    EXPECT_FALSE(w.grid(FaxLog::Outgoing)->isEnabled());
    EXPECT_FALSE(w.actionsMenu()->menuAction()->isEnabled());
    EXPECT_FALSE(w.action("mnuDeleteCurrent")->isEnabled());
    EXPECT_TRUE(w.action("mnuDeleteSent")->isVisible());
    w.pages()->setCurrentIndex(1);
    EXPECT_TRUE(w.actionsMenu()->menuAction()->isEnabled());
    EXPECT_TRUE(w.grid(FaxLog::Received)->isEnabled());
    // The sent-state items belong to the outgoing tab only.
    EXPECT_FALSE(w.action("mnuDeleteSent")->isVisible());
    EXPECT_FALSE(w.action("mnuDeleteNotSent")->isVisible());
    EXPECT_TRUE(w.action("mnuDeleteAll")->isVisible());

    // Emptying the incoming list renames that tab too.
    msgs.answers({true});
    w.action("mnuDeleteAll")->trigger();
    EXPECT_EQ(w.pages()->tabText(1), QStringLiteral("Incoming Faxes (none)"));
    EXPECT_FALSE(w.actionsMenu()->menuAction()->isEnabled());
}

TEST_F(CleanupWindowTest, DeleteCurrentAsksAndMovesToTheNextRow)
{
    addOutgoing(kOutgoing);
    TDMForm &w = open();
    w.selectRow(1);   // "Old report"
    msgs.answers({false});
    w.action("mnuDeleteCurrent")->trigger();
    EXPECT_EQ(texts(Kind::Question), std::vector<std::string>{"Delete|Delete this fax? (action is permanent)"});
    EXPECT_EQ(w.model(FaxLog::Outgoing)->rowCount(), 3);

    msgs.clear();
    msgs.answers({true});
    w.action("mnuDeleteCurrent")->trigger();
    EXPECT_EQ(column(FaxLog::Outgoing, 4), (std::vector<std::string>{"New order", "Draft"}));
    EXPECT_EQ(w.grid(FaxLog::Outgoing)->currentIndex().row(), 1);   // the row after it
    EXPECT_EQ(records::readOutgoing(tables->FaxTable).subject, "Draft");
    EXPECT_EQ(msgs.count(Kind::Information), 0u);   // no count for a single fax
    EXPECT_TRUE(w.changesMade());

    // The grid's pop-up item does the same; after the last row the new last
    // row is current.
    msgs.answers({true});
    w.popupMenu(FaxLog::Outgoing)->actions().first()->trigger();
    EXPECT_EQ(column(FaxLog::Outgoing, 4), std::vector<std::string>{"New order"});
    EXPECT_EQ(w.grid(FaxLog::Outgoing)->currentIndex().row(), 0);
    EXPECT_EQ(msgs.unscriptedAnswers(), 0);
}

TEST_F(CleanupWindowTest, BeforeADateThroughTheDateSelectorSparesFaxesNeverSent)
{
    addOutgoing(kOutgoing);
    TDMForm &w = open();
    QString caption, panel;
    QDate shown;
    whenModal<TDateSelector>([&](TDateSelector *sel) {
        caption = sel->windowTitle();
        shown = sel->date();
        sel->setDate(QDate(2024, 1, 1));
        panel = sel->panelText();
        sel->button("OkButton")->click();
    });
    msgs.answers({true});
    w.action("mnuDeleteBeforeDate")->trigger();
    EXPECT_EQ(caption, QStringLiteral("Delete all before..."));
    EXPECT_EQ(shown, QDate::currentDate());
    EXPECT_EQ(panel, QStringLiteral("Monday, January 1, 2024"));
    EXPECT_EQ(texts(Kind::Question),
              std::vector<std::string>{
                  "Delete|Delete all outgoing faxes prior to January 1, 2024 (action is permanent)?"});
    EXPECT_EQ(texts(Kind::Information), std::vector<std::string>{"Information|1 deleted."});
    EXPECT_EQ(column(FaxLog::Outgoing, 4), (std::vector<std::string>{"New order", "Draft"}));
    EXPECT_FALSE(w.actions().dateConditionActive());

    // Cancel in the selector asks nothing.
    msgs.clear();
    whenModal<TDateSelector>([](TDateSelector *sel) { sel->button("CancelButton")->click(); });
    w.action("mnuDeleteBeforeDate")->trigger();
    EXPECT_TRUE(msgs.calls().empty());
}

TEST_F(CleanupWindowTest, DateSelectorButtonsMoveTheDate)
{
    TDateSelector sel;
    sel.setDate(QDate(2024, 2, 29));
    sel.button("YearForward")->click();
    EXPECT_EQ(sel.date(), QDate(2025, 2, 28));
    sel.button("MonthBack")->click();
    EXPECT_EQ(sel.date(), QDate(2025, 1, 28));
    sel.button("MonthForward")->click();
    sel.button("YearBack")->click();
    EXPECT_EQ(sel.date(), QDate(2024, 2, 28));
    EXPECT_EQ(sel.panelText(), QStringLiteral("Wednesday, February 28, 2024"));
    sel.button("TodayButton")->click();
    EXPECT_EQ(sel.date(), QDate::currentDate());
    EXPECT_EQ(sel.button("YearBack")->toolTip(), QStringLiteral("Show the previous year"));
    EXPECT_EQ(sel.button("MonthForward")->text(), QStringLiteral("Month +"));
    // A double click on a day is Ok.
    emit sel.calendar()->activated(QDate(2024, 3, 5));
    EXPECT_EQ(sel.result(), QDialog::Accepted);
}

TEST_F(CleanupWindowTest, SentNotSentAndAllAskFirstAndCount)
{
    addOutgoing(kOutgoing);
    addIncoming(kIncoming);
    touch("receive/FAX0001.APF");
    touch("receive/fax0002.apf");
    touch("precious.txt");
    TDMForm &w = open();
    msgs.answers({false, true, true});
    w.action("mnuDeleteSent")->trigger();
    w.action("mnuDeleteNotSent")->trigger();
    w.action("mnuDeleteSent")->trigger();
    EXPECT_EQ(texts(Kind::Question),
              (std::vector<std::string>{
                  "Delete|Delete all outgoing faxes which have been sent? (action is permanent)",
                  "Delete|Delete all outgoing faxes which have NOT been sent? (action is permanent)",
                  "Delete|Delete all outgoing faxes which have been sent? (action is permanent)"}));
    EXPECT_EQ(texts(Kind::Information),
              (std::vector<std::string>{"Information|1 deleted.", "Information|2 deleted."}));
    EXPECT_EQ(w.pages()->tabText(0), QStringLiteral("OutGoing Faxes (none)"));

    msgs.clear();
    w.pages()->setCurrentIndex(1);
    msgs.answers({true});
    w.action("mnuDeleteAll")->trigger();
    EXPECT_EQ(texts(Kind::Question),
              std::vector<std::string>{"Delete All|Delete all received faxes ? (action is permanent)"});
    EXPECT_EQ(texts(Kind::Information), std::vector<std::string>{"Information|3 deleted."});
    EXPECT_FALSE(fileExists("receive/FAX0001.APF"));
    EXPECT_FALSE(fileExists("receive/fax0002.apf"));
    EXPECT_TRUE(fileExists("precious.txt"));
}

TEST_F(CleanupWindowTest, ConditionWindowStartsFromTheCurrentRowAndChecksItsText)
{
    addOutgoing(kOutgoing);
    addIncoming(kIncoming);
    TDMForm &w = open();
    w.selectRow(1);   // Ann Smith
    struct Seen {
        bool fromEnabled = true, recipientChosen = false, exact = false;
        QString recipient, phone, title;
        int shownAfterBlankOk = -1;
    } seen;
    whenModal<TDeleteForConditions>([&](TDeleteForConditions *c) {
        seen.title = c->windowTitle();
        seen.fromEnabled = c->choice(MatchField::From)->isEnabled() || c->edit(MatchField::From)->isEnabled();
        seen.recipientChosen = c->choice(MatchField::Recipient)->isChecked();
        seen.recipient = c->edit(MatchField::Recipient)->text();
        seen.phone = c->edit(MatchField::Phone)->text();
        seen.exact = c->exactBox()->isChecked();
        c->edit(MatchField::Recipient)->setText(QStringLiteral("   "));
        c->okButton()->click();   // blank: refused, the window stays
        seen.shownAfterBlankOk = c->isVisible() ? 1 : 0;
        c->edit(MatchField::Recipient)->setText(QStringLiteral("smith"));
        c->exactBox()->setChecked(false);
        c->okButton()->click();
    });
    msgs.answers({true});
    w.action("mnuDeleteConditions")->trigger();
    EXPECT_EQ(seen.title, QStringLiteral("Delete Faxes Where...."));
    EXPECT_FALSE(seen.fromEnabled);
    EXPECT_TRUE(seen.recipientChosen);
    EXPECT_EQ(seen.recipient, QStringLiteral("Ann Smith"));
    EXPECT_EQ(seen.phone, QStringLiteral("555-0101"));
    EXPECT_TRUE(seen.exact);
    EXPECT_EQ(seen.shownAfterBlankOk, 1);
    EXPECT_EQ(texts(Kind::Information),
              (std::vector<std::string>{"Information|Please enter a value", "Information|2 deleted."}));
    EXPECT_EQ(texts(Kind::Question),
              std::vector<std::string>{
                  "Confirm Delete|Are you sure you wish to delete all faxes matching this criteria?"});
    EXPECT_EQ(column(FaxLog::Outgoing, 3), std::vector<std::string>{"Bob Jones"});

    // Incoming: FROM chosen and trimmed, the other two disabled; an exact
    // "SMITH" leaves "ACME SMITH".
    msgs.clear();
    w.pages()->setCurrentIndex(1);
    w.selectRow(1);   // "  Smith  "
    QString from;
    bool othersDisabled = false;
    whenModal<TDeleteForConditions>([&](TDeleteForConditions *c) {
        from = c->edit(MatchField::From)->text();
        othersDisabled = !c->choice(MatchField::Recipient)->isEnabled() &&
                         !c->edit(MatchField::Phone)->isEnabled() && c->choice(MatchField::From)->isChecked();
        c->okButton()->click();
    });
    msgs.answers({true});
    w.action("mnuDeleteConditions")->trigger();
    EXPECT_EQ(from, QStringLiteral("Smith"));
    EXPECT_TRUE(othersDisabled);
    EXPECT_EQ(texts(Kind::Information), std::vector<std::string>{"Information|1 deleted."});
    EXPECT_EQ(column(FaxLog::Received, 3), (std::vector<std::string>{"Jones", "ACME SMITH"}));
}

TEST_F(CleanupWindowTest, GroupThatMatchesNothingCountsZeroAndChangesNothing)
{
    addOutgoing({{"Old report", "Ann", "1", "20230310", "09:00", true}});
    TDMForm &w = open();
    msgs.answers({true});
    w.action("mnuDeleteNotSent")->trigger();
    EXPECT_EQ(texts(Kind::Information), std::vector<std::string>{"Information|0 deleted."});
    EXPECT_FALSE(w.changesMade());
}

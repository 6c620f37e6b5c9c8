// The main window's composition commands as a user meets them: New, Clone
// and Edit through the fax editor into the outgoing list, Cover Sheets and
// Phone Book in browse mode. Nested windows are worked through the
// composition windows' modal runner.
#include "app/faxlistmodel.h"
#include "app/mainscreen.h"
#include "app/recordsfaxtables.h"
#include "compose/coverbrowse.h"
#include "compose/faxeditor.h"
#include "compose/modal.h"
#include "compose/phonebook.h"
#include "records/faxtables.h"
#include "richtext/richedit.h"
#include "windowfixture.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

using namespace qln;
using namespace qln::testing;
using Kind = ScriptedMessages::Kind;

namespace {

class ComposeCommandsTest : public WindowFixture {
protected:
    void TearDown() override
    {
        compose::setModalRunner({});
        WindowFixture::TearDown();
    }
    void start(TMainScreen &w)
    {
        QSignalSpy done(&w, &TMainScreen::firstActivationDone);
        w.showForStart();
        ASSERT_TRUE(done.wait(5000));
    }
    // The fax editor, when it opens, is filled in by `user` and its Accept
    // (or Cancel) pressed; what it showed is kept.
    void editorDoes(std::function<bool(compose::TFaxEditor &)> user)
    {
        compose::setModalRunner([this, user](QDialog &d) {
            auto *editor = qobject_cast<compose::TFaxEditor *>(&d);
            if (!editor)
                return int(QDialog::Rejected);
            shown = editor->fields();
            shownDocument = editor->document().plainTextWithBreaks().toStdString();
            if (user(*editor))
                editor->accept();
            else
                editor->reject();
            return editor->result();
        });
    }
    static std::string cell(QTableView *grid, int row, int col)
    {
        return grid->model()->index(row, col).data().toString().toStdString();
    }
    compose::FaxFields shown;
    std::string shownDocument;
};

TEST_F(ComposeCommandsTest, NewFaxIsWrittenAndListedAndCancelWritesNothing)
{
    writeIni();
    TMainScreen w;
    start(w);
    editorDoes([](compose::TFaxEditor &) { return false; });
    w.NewbuttonClick();
    EXPECT_EQ(w.faxModel()->rowCount(), 0);
    EXPECT_EQ(shown.recipient, "Recipient");

    editorDoes([](compose::TFaxEditor &e) {
        e.setFields({"Ada Lovelace", "555-0100", "Engines"});
        e.documentEditor()->insertPlainText(QStringLiteral("Body text"));
        return true;
    });
    w.NewbuttonClick();
    ASSERT_EQ(w.faxModel()->rowCount(), 1);
    // Columns: Sent, Date Sent, Time Sent, Recipient, Phone, Pages, Subject.
    EXPECT_EQ(cell(w.faxGrid(), 0, 3), "Ada Lovelace");
    EXPECT_EQ(cell(w.faxGrid(), 0, 4), "555-0100");
    EXPECT_EQ(cell(w.faxGrid(), 0, 6), "Engines");
    EXPECT_TRUE(w.menuAction("mnuClone")->isEnabled());
}

TEST_F(ComposeCommandsTest, CloneOpensACopyAndTheNextNewStartsEmpty)
{
    writeIni();
    TMainScreen w;
    start(w);
    editorDoes([](compose::TFaxEditor &e) {
        e.setFields({"Ada", "1", "Report"});
        e.documentEditor()->insertPlainText(QStringLiteral("Original body"));
        return true;
    });
    w.NewbuttonClick();
    w.selectRow(FaxList::Outgoing, 0);

    editorDoes([](compose::TFaxEditor &) { return true; });
    w.mnuCloneClick();
    EXPECT_EQ(shown.subject, "[clone]Report");
    EXPECT_EQ(shown.recipient, "Ada");
    EXPECT_EQ(shownDocument, "Original body");
    EXPECT_EQ(w.faxModel()->rowCount(), 2);
    EXPECT_FALSE(w.cloneRequested());

    editorDoes([](compose::TFaxEditor &) { return false; });
    w.NewbuttonClick();
    EXPECT_EQ(shown.subject, "Subject");
    EXPECT_EQ(shownDocument, "");
}

TEST_F(ComposeCommandsTest, EditChangesTheSelectedFaxOnly)
{
    writeIni();
    addOutgoing({{"First", "A", "1", "", ""}, {"Second", "B", "2", "", ""}});
    TMainScreen w;
    start(w);
    ASSERT_EQ(w.faxModel()->rowCount(), 2);
    const std::string before = cell(w.faxGrid(), 1, 6);
    w.selectRow(FaxList::Outgoing, 1);
    editorDoes([](compose::TFaxEditor &e) {
        compose::FaxFields f = e.fields();
        f.subject += " (revised)";
        e.setFields(f);
        return true;
    });
    msgs.answer(true);  // stored with an empty cover sheet and document
    w.EditButtonClick();
    EXPECT_EQ(shown.subject, before);
    ASSERT_EQ(w.faxModel()->rowCount(), 2);
    std::vector<std::string> subjects{cell(w.faxGrid(), 0, 6), cell(w.faxGrid(), 1, 6)};
    std::sort(subjects.begin(), subjects.end());
    const std::string other = before == "First" ? "Second" : "First";
    std::vector<std::string> expected{other, before + " (revised)"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(subjects, expected);
}

TEST_F(ComposeCommandsTest, CoverSheetsAndPhoneBookOpenInBrowseModeAndCloseTheirTables)
{
    writeIni();
    TMainScreen w;
    start(w);
    int browsers = 0;
    compose::setModalRunner([&](QDialog &d) {
        if (auto *c = qobject_cast<compose::TCoverBrowse *>(&d)) {
            ++browsers;
            EXPECT_TRUE(c->button("CloseButton")->isVisibleTo(c));
            EXPECT_FALSE(c->button("Acceptbutton")->isVisibleTo(c));
        } else if (auto *p = qobject_cast<compose::TPhoneBook *>(&d)) {
            ++browsers;
            EXPECT_TRUE(p->button("Closebutton")->isVisibleTo(p));
            EXPECT_FALSE(p->button("OKButton")->isVisibleTo(p));
        }
        return int(QDialog::Rejected);
    });
    w.mnuCoverSheetsClick();
    w.mnuPhoneBookClick();
    EXPECT_EQ(browsers, 2);
    EXPECT_EQ(msgs.count(Kind::Information), 0u);
    EXPECT_TRUE(fileExists("QLNCOV.DBF"));
    EXPECT_TRUE(fileExists("QLNPB.DBF"));
    auto &binding = dynamic_cast<RecordsFaxTables &>(w.tables()).binding();
    EXPECT_FALSE(binding.CoverTable.Active());
}

}  // namespace

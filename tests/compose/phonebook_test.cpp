// The phonebook browser's decisions (PhoneBookLogic) over a real phonebook
// table, and the TPhoneBook window driven offscreen.
#include "compose/phonebook.h"
#include "compose/phonebooklogic.h"
#include "compose/tablegrid.h"

#include "composefixture.h"

#include <QPushButton>
#include <QTimer>

namespace qln::compose::test {
namespace {

using Kind = ScriptedMessages::Kind;

class PhoneBookTest : public ComposeFixture {
protected:
    void SetUp() override
    {
        ComposeFixture::SetUp();
        book = std::make_unique<PhoneBookLogic>(*tables);
        ASSERT_TRUE(book->open());
    }
    void TearDown() override
    {
        book.reset();
        ComposeFixture::TearDown();
    }
    // An editor that answers with fixed values (or cancels) and records
    // what it was shown.
    PhoneEntryEditor editorAnswering(bool accept, PhoneEntryText answer = {})
    {
        return [this, accept, answer](PhoneEntryText &entry) {
            shown.push_back(entry);
            if (accept)
                entry = answer;
            return accept;
        };
    }
    std::vector<std::string> names()
    {
        std::vector<std::string> out;
        for (const auto &e : book->entries())
            out.push_back(e.name);
        return out;
    }
    std::unique_ptr<PhoneBookLogic> book;
    std::vector<PhoneEntryText> shown;
};

TEST_F(PhoneBookTest, EditDeleteAndAcceptAreEnabledExactlyWhileTheListHasRows)
{
    book->setMode(PhoneBookLogic::Mode::Pick);
    PhoneBookLogic::Buttons b = book->buttons();
    EXPECT_FALSE(b.closeShown);
    EXPECT_TRUE(b.acceptShown && b.cancelShown);
    EXPECT_FALSE(b.editEnabled || b.deleteEnabled || b.acceptEnabled);

    book->newEntry(editorAnswering(true, {"Ada", "555-0100"}));
    b = book->buttons();
    EXPECT_TRUE(b.editEnabled && b.deleteEnabled && b.acceptEnabled);

    msgs.answer(true);
    book->deleteEntry();
    b = book->buttons();
    EXPECT_FALSE(b.editEnabled || b.deleteEnabled || b.acceptEnabled);

    book->setMode(PhoneBookLogic::Mode::Browse);
    b = book->buttons();
    EXPECT_TRUE(b.closeShown);
    EXPECT_FALSE(b.acceptShown || b.cancelShown);
}

TEST_F(PhoneBookTest, EditAndDeleteOnAnEmptyListOnlyBeep)
{
    book->editEntry(editorAnswering(true, {"x", "y"}));
    book->deleteEntry();
    EXPECT_EQ(msgs.count(Kind::Beep), 2u);
    EXPECT_EQ(msgs.calls().size(), 2u);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(book->accept());
}

TEST_F(PhoneBookTest, DeleteAsksWithNoAsDefaultAndNoKeepsTheEntry)
{
    book->addEntry({"Ada", "1"});
    book->addEntry({"Bob", "2"});
    ASSERT_TRUE(book->goTo(1));
    msgs.answer(false);
    book->deleteEntry();
    ASSERT_EQ(msgs.count(Kind::CautiousQuestion), 1u);
    EXPECT_EQ(msgs.last().text, "Delete the current phone book entry?:\rAda");
    EXPECT_EQ(msgs.last().caption, "Delete");
    EXPECT_EQ(names(), (std::vector<std::string>{"Ada", "Bob"}));

    msgs.answer(true);
    book->deleteEntry();
    EXPECT_EQ(names(), (std::vector<std::string>{"Bob"}));
    // Flagged, not removed; the row that took its place is current.
    EXPECT_EQ(book->table().RecordCount(), 2);
    EXPECT_EQ(book->currentRecordNumber(), 2);
}

TEST_F(PhoneBookTest, NewAppendsOnlyOnAcceptAndNamesSortByTheirUpperCaseForm)
{
    book->newEntry(editorAnswering(false, {"never", "0"}));
    EXPECT_EQ(book->count(), 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, "");  // the editor opens empty
    for (const char *n : {"MIKE", "zed", "adam", "Carla"})
        book->newEntry(editorAnswering(true, {n, "1"}));
    EXPECT_EQ(names(), (std::vector<std::string>{"adam", "Carla", "MIKE", "zed"}));
    // Empty values are stored as they are.
    book->newEntry(editorAnswering(true, {"", ""}));
    EXPECT_EQ(book->count(), 5);
}

TEST_F(PhoneBookTest, EditShowsTheCurrentEntryAndStoresBothFieldsIntoTheSameRow)
{
    book->addEntry({"Ada", "1"});
    const long bob = book->addEntry({"Bob", "2"});
    ASSERT_TRUE(book->goTo(bob));
    book->editEntry(editorAnswering(true, {"Aaron", "99"}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, "Bob");
    EXPECT_EQ(shown[0].number, "2");
    const auto rows = book->entries();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].recNo, bob);
    EXPECT_EQ(rows[0].name, "Aaron");
    EXPECT_EQ(rows[0].phone, "99");
    EXPECT_EQ(book->table().RecordCount(), 2);
}

TEST_F(PhoneBookTest, PickTakesTheCurrentEntryWithAFull25CharacterNumber)
{
    const std::string number = "+44 20 7946 0958,,,,,1234";
    ASSERT_EQ(number.size(), 25u);
    const long row = book->addEntry({std::string(40, 'N'), number});
    book->addEntry({"Other", "1"});
    ASSERT_TRUE(book->goTo(row));
    ASSERT_TRUE(book->accept());
    EXPECT_EQ(book->pickedNumber(), number);
    EXPECT_EQ(book->pickedName(), std::string(35, 'N'));  // cut by the table
}

TEST_F(PhoneBookTest, WindowInPickModeListsEntriesAndAcceptsTheRowChosenInTheGrid)
{
    book->addEntry({"Ada", "1"});
    book->addEntry({"Bob", "2"});
    TPhoneBook w(*book);
    w.setPickMode(true);
    w.show();
    EXPECT_FALSE(w.button("Closebutton")->isVisible());
    EXPECT_TRUE(w.button("OKButton")->isVisible());
    EXPECT_TRUE(w.button("Cancelbutton")->isVisible());
    EXPECT_TRUE(w.button("OKButton")->isDefault());
    ASSERT_EQ(w.grid()->model()->rowCount(), 2);
    EXPECT_EQ(w.grid()->model()->headerData(0, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(w.grid()->model()->headerData(1, Qt::Horizontal).toString(), "Fax #");

    w.grid()->selectRow(1);
    w.button("OKButton")->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(book->pickedName(), "Bob");
    EXPECT_EQ(book->pickedNumber(), "2");
}

TEST_F(PhoneBookTest, WindowButtonsFollowNewAndDeleteOfTheLastEntry)
{
    TPhoneBook w(*book);
    w.setEntryEditor(editorAnswering(true, {"Zoe", "7"}));
    w.show();
    EXPECT_TRUE(w.button("Closebutton")->isVisible());
    EXPECT_FALSE(w.button("OKButton")->isVisible());
    EXPECT_FALSE(w.button("Modifybutton")->isEnabled());
    EXPECT_FALSE(w.button("Deletebutton")->isEnabled());
    w.button("Addbutton")->click();
    EXPECT_EQ(w.grid()->model()->rowCount(), 1);
    EXPECT_TRUE(w.button("Modifybutton")->isEnabled());
    EXPECT_TRUE(w.button("Deletebutton")->isEnabled());
    msgs.answer(true);
    w.button("Deletebutton")->click();
    EXPECT_EQ(w.grid()->model()->rowCount(), 0);
    EXPECT_FALSE(w.button("Modifybutton")->isEnabled());
    EXPECT_FALSE(w.button("Deletebutton")->isEnabled());
}

}  // namespace
}  // namespace qln::compose::test

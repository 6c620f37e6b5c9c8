// The walk over a document's words and the dialog that runs it offscreen
// with scripted answers.
#include "spell/spellchecker.h"
#include "spell/spelldialog.h"
#include "spell/spellwalk.h"

#include "common/messages.h"
#include "richtext/richedit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace qln::spell;
using qln::richtext::TRichEdit;

namespace {

QString enUs()
{
    return SpellChecker::findDictionary(SpellChecker::defaultDictionaryDirs(), "en_US");
}

QStringList flagged(QTextDocument *doc, SpellChecker &checker)
{
    SpellWalk walk(doc, checker);
    QStringList words;
    while (walk.next())
        words << walk.word();
    return words;
}

}  // namespace

TEST(SpellWalkWords, FlagsMisspellingsButNotNumbersQuotesOrMergeFields)
{
    QTemporaryDir dir;
    SpellChecker checker(enUs(), dir.filePath("QLNUSER.DIC"));
    TRichEdit edit;
    edit.setPlainText("This is a tset, 'quoted' don't 123abc A4 teh\nsecond line: recieve.");
    QTextCursor c = edit.textCursor();
    c.movePosition(QTextCursor::End);
    edit.setTextCursor(c);
    edit.insertMergeField(1);  // "[RECIPIENT]": the label is not checked
    edit.insertMergeField(2);
    EXPECT_EQ(flagged(edit.document(), checker), (QStringList{"tset", "teh", "recieve"}));
}

TEST(SpellWalkAnswers, ChangeKeepsTheFormatAndIgnoreAllSkipsLaterOnes)
{
    QTemporaryDir dir;
    SpellChecker checker(enUs(), dir.filePath("QLNUSER.DIC"));
    TRichEdit edit;
    edit.setBold(true);
    QTest::keyClicks(&edit, "teh tset teh Zorblax tset");
    SpellWalk walk(edit.document(), checker);
    ASSERT_TRUE(walk.next());
    EXPECT_EQ(walk.word(), "teh");
    EXPECT_EQ(walk.context(), "teh tset teh Zorblax tset");
    EXPECT_TRUE(walk.suggestions().contains("the"));
    walk.change("the");
    ASSERT_TRUE(walk.next());
    EXPECT_EQ(walk.word(), "tset");
    EXPECT_EQ(walk.start(), 4);
    walk.ignore();
    ASSERT_TRUE(walk.next());
    EXPECT_EQ(walk.word(), "teh");
    walk.ignoreAll();
    ASSERT_TRUE(walk.next());
    EXPECT_EQ(walk.word(), "Zorblax");
    EXPECT_TRUE(walk.add());
    ASSERT_TRUE(walk.next());
    EXPECT_EQ(walk.word(), "tset");  // Ignore skipped only the one
    walk.change("test");
    EXPECT_FALSE(walk.next());
    EXPECT_EQ(edit.toPlainText(), "the tset teh Zorblax test");
    EXPECT_EQ(walk.changes(), 2);
    QTextCursor at(edit.document());
    at.setPosition(2);
    EXPECT_TRUE(edit.richDocument().attributesAt(at).bold);
    // The added word is on the list for the next check.
    SpellChecker later(enUs(), dir.filePath("QLNUSER.DIC"));
    EXPECT_TRUE(later.check("Zorblax"));
}

TEST(SpellDialog, ButtonsAnswerAndTheEditorShowsTheWord)
{
    QTemporaryDir dir;
    SpellChecker checker(enUs(), dir.filePath("QLNUSER.DIC"));
    TRichEdit edit;
    edit.setPlainText("Plese recieve teh fax.");
    TSpellCheckDialog dialog(&edit, checker);
    ASSERT_TRUE(dialog.start());
    dialog.show();
    EXPECT_EQ(dialog.currentWord(), "Plese");
    EXPECT_EQ(edit.textCursor().selectedText(), "Plese");
    EXPECT_FALSE(dialog.shownSuggestions().isEmpty());
    EXPECT_EQ(dialog.changeToEdit()->text(), dialog.shownSuggestions().front());
    // Typing a replacement of one's own.
    dialog.changeToEdit()->setText("Please");
    QTest::mouseClick(dialog.button(TSpellCheckDialog::Button::Change), Qt::LeftButton);
    EXPECT_EQ(dialog.currentWord(), "recieve");
    // Picking a suggestion puts it in the change-to field.
    const QList<QListWidgetItem *> items = dialog.suggestionList()->findItems("receive", Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    dialog.suggestionList()->setCurrentItem(items.front());
    EXPECT_EQ(dialog.changeToEdit()->text(), "receive");
    QTest::mouseClick(dialog.button(TSpellCheckDialog::Button::Change), Qt::LeftButton);
    EXPECT_EQ(dialog.currentWord(), "teh");
    QTest::mouseClick(dialog.button(TSpellCheckDialog::Button::Ignore), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(edit.toPlainText(), "Please receive teh fax.");
    EXPECT_EQ(dialog.changes(), 2);
}

TEST(SpellDialog, RunReportsCompletionOrCancelsQuietly)
{
    QTemporaryDir dir;
    SpellChecker checker(enUs(), dir.filePath("QLNUSER.DIC"));
    qln::ScriptedMessages messages;
    qln::ScopedMessages scope(messages);
    TRichEdit edit;

    edit.setPlainText("All words here are fine.");
    EXPECT_EQ(TSpellCheckDialog::run(&edit, checker), 0);
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, "The spelling check is complete.");

    // Modal run: the answers come from the event loop.
    edit.setPlainText("One eror and anothr.");
    auto press = [](TSpellCheckDialog::Button b) {
        QTimer::singleShot(0, [b] {
            auto *d = qobject_cast<TSpellCheckDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            d->button(b)->click();
        });
    };
    messages.clear();
    press(TSpellCheckDialog::Button::Cancel);
    EXPECT_EQ(TSpellCheckDialog::run(&edit, checker), 0);
    EXPECT_TRUE(messages.calls().empty());  // a cancelled check is not "complete"

    QTimer::singleShot(0, [] {
        auto *d = qobject_cast<TSpellCheckDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->changeToEdit()->setText("error");
        d->button(TSpellCheckDialog::Button::Change)->click();
        d->button(TSpellCheckDialog::Button::IgnoreAll)->click();
    });
    EXPECT_EQ(TSpellCheckDialog::run(&edit, checker), 1);
    EXPECT_EQ(messages.last().text, "The spelling check is complete.");
    EXPECT_EQ(edit.toPlainText(), "One error and anothr.");

    SpellChecker none{QString(), QString()};
    messages.clear();
    EXPECT_EQ(TSpellCheckDialog::run(&edit, none), 0);
    EXPECT_EQ(messages.last().text, "No spelling dictionary is installed.");
}

// The fax editor and cover template windows driven offscreen: the fields
// with their design texts and Tab order, Cancel's question, the tool bar
// buttons with their questions and hints, zoom per page, picking from the
// phonebook, Load Template, and the default font.
#include "compose/coverbrowse.h"
#include "compose/covereditor.h"
#include "compose/defaultfont.h"
#include "compose/editortools.h"
#include "compose/faxeditor.h"
#include "compose/modal.h"
#include "compose/phonebook.h"
#include "compose/phonebooklogic.h"
#include "compose/tablegrid.h"
#include "common/ini.h"
#include "common/localeformats.h"
#include "richtext/richedit.h"
#include "richtext/richtoolbar.h"

#include "composefixture.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>

namespace qln::compose::test {
namespace {

using Kind = ScriptedMessages::Kind;

class FaxEditorTest : public ComposeFixture {
protected:
    void SetUp() override
    {
        ComposeFixture::SetUp();
        setLocaleFormats(LocaleFormats{});
        ASSERT_TRUE(tables->OpenFaxDBF());
        composer = std::make_unique<FaxComposer>(*tables);
        composer->setClock([] { return QDateTime(QDate(2026, 3, 7), QTime(9, 0, 0)); });
        editor = std::make_unique<TFaxEditor>(*composer, *tables);
    }
    void TearDown() override
    {
        setModalRunner({});
        setFontDialog({});
        editor.reset();
        composer.reset();
        ComposeFixture::TearDown();
    }
    QToolButton *tool(const char *name) { return editor->findChild<QToolButton *>(QString::fromLatin1(name)); }
    std::unique_ptr<FaxComposer> composer;
    std::unique_ptr<TFaxEditor> editor;
};

TEST_F(FaxEditorTest, FieldsStartWithDesignTextsAndEnterMovesOnWithoutAccepting)
{
    editor->show();
    EXPECT_EQ(editor->recipientEdit()->text(), "Recipient");
    EXPECT_EQ(editor->faxNumberEdit()->text(), "FaxNumber");
    EXPECT_EQ(editor->subjectEdit()->text(), "Subject");
    EXPECT_EQ(editor->recipientEdit()->maxLength(), 35);
    EXPECT_EQ(editor->faxNumberEdit()->maxLength(), 25);
    EXPECT_EQ(editor->subjectEdit()->maxLength(), 50);
    QApplication::setActiveWindow(editor.get());
    editor->recipientEdit()->setFocus();
    ASSERT_TRUE(editor->recipientEdit()->hasFocus());
    QTest::keyClick(editor->recipientEdit(), Qt::Key_Return);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->result(), 0);
    EXPECT_FALSE(editor->recipientEdit()->hasFocus());
    EXPECT_EQ(editor->recipientEdit()->text(), "Recipient");
}

TEST_F(FaxEditorTest, TypingAfterAClickOrTheFirstFocusReplacesADesignText)
{
    editor->show();
    QApplication::setActiveWindow(editor.get());
    // The first activation puts the focus into Subject.
    ASSERT_TRUE(editor->subjectEdit()->hasFocus());
    QTest::keyClicks(editor->subjectEdit(), QStringLiteral("Invoices"));
    EXPECT_EQ(editor->subjectEdit()->text(), "Invoices");

    TEnterEdit *recipient = editor->recipientEdit();
    const QPoint inside(recipient->width() / 2, recipient->height() / 2);
    QTest::mouseClick(recipient, Qt::LeftButton, {}, inside);
    QTest::keyClicks(recipient, QStringLiteral("Bob"));
    EXPECT_EQ(recipient->text(), "Bob");
    // A text of the user's own is edited where the click put the caret.
    QTest::mouseClick(recipient, Qt::LeftButton, {}, QPoint(1, recipient->height() / 2));
    QTest::keyClicks(recipient, QStringLiteral("x"));
    EXPECT_EQ(recipient->text(), "xBob");
}

TEST_F(FaxEditorTest, TabRunsFromRecipientToPhonebookToFaxNumberToSubject)
{
    editor->show();
    QApplication::setActiveWindow(editor.get());
    editor->recipientEdit()->setFocus(Qt::TabFocusReason);
    std::vector<std::string> order;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.push_back(QApplication::focusWidget()->objectName().toStdString());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"AddressButton", "FaxNumber", "Subject"}));
}

TEST_F(FaxEditorTest, CancelAfterAChangeAsksAndNoKeepsTheEditorOpen)
{
    int asked = -1;
    int rejectedAfterNo = -1;
    setModalRunner([&](QDialog &d) {
        auto *ed = qobject_cast<TFaxEditor *>(&d);
        QSignalSpy rejected(ed, &QDialog::rejected);
        // Showing and activating the editor (page layout, reformat, caret)
        // is no change of the user's.
        ed->show();
        QApplication::setActiveWindow(ed);
        QApplication::processEvents();
        ed->reject();  // nothing changed yet: closes at once
        asked = int(msgs.count(Kind::CautiousQuestion));
        ed->recipientEdit()->setText(QStringLiteral("Bob"));
        msgs.answer(false);
        ed->reject();
        rejectedAfterNo = int(rejected.count());
        msgs.answer(true);
        ed->reject();
        return int(rejected.count() == 2 ? QDialog::Rejected : QDialog::Accepted);
    });
    EXPECT_FALSE(composer->edit(FaxEditMode::New, *editor));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(rejectedAfterNo, 1);
    EXPECT_EQ(msgs.count(Kind::CautiousQuestion), 2u);
    EXPECT_EQ(msgs.last().text, texts::kDiscardFaxQuestion);
    EXPECT_EQ(tables->FaxTable.RecordCount(), 0);
}

TEST_F(FaxEditorTest, ZoomBelongsToTheActivePagesEditor)
{
    editor->show();
    EXPECT_FALSE(editor->zoomButton()->isVisible());  // Recipient page
    EXPECT_FALSE(editor->button("EditNotesButton")->isVisible());
    editor->pages()->setCurrentIndex(TFaxEditor::CoverPage);
    EXPECT_TRUE(editor->zoomButton()->isVisible());
    EXPECT_TRUE(editor->button("EditNotesButton")->isVisible());
    EXPECT_EQ(editor->zoomButton()->text(), "Zoom: 100%");
    editor->zoom()->choose(80);
    EXPECT_EQ(editor->zoomButton()->text(), "Zoom: 80%");
    EXPECT_EQ(editor->coverEditor()->zoom(), 80);
    EXPECT_EQ(editor->documentEditor()->zoom(), 100);
    editor->pages()->setCurrentIndex(TFaxEditor::DocumentPage);
    EXPECT_EQ(editor->zoomButton()->text(), "Zoom: 100%");
    // The menu checks the active editor's zoom when it opens.
    emit editor->zoom()->menu()->aboutToShow();
    for (QAction *a : editor->zoom()->menu()->actions())
        EXPECT_EQ(a->isChecked(), a->data().toInt() == 100) << a->text().toStdString();
}

TEST_F(FaxEditorTest, PageBreakOnlyAfterYesAndWordWrapHintsFollowTheState)
{
    editor->show();
    editor->pages()->setCurrentIndex(TFaxEditor::DocumentPage);
    richtext::TRichEdit *doc = editor->documentEditor();
    doc->insertPlainText(QStringLiteral("one"));
    msgs.answer(false);
    tool("DocPageBreakButton")->click();
    ASSERT_EQ(msgs.count(Kind::CautiousQuestion), 1u);
    EXPECT_EQ(msgs.last().text, "Add a page break here?");
    EXPECT_EQ(msgs.last().caption, "Page Break");
    EXPECT_EQ(doc->richDocument().pageBreakCount(), 0);
    EXPECT_EQ(doc->richDocument().plainTextWithBreaks(), "one");
    msgs.answer(true);
    tool("DocPageBreakButton")->click();
    EXPECT_EQ(doc->richDocument().pageBreakCount(), 1);
    EXPECT_EQ(editor->coverEditor()->richDocument().pageBreakCount(), 0);

    QToolButton *wrap = tool("DocWordWrapButton");
    EXPECT_EQ(wrap->toolTip(), "Toggle word wrap on");
    EXPECT_EQ(tool("CoverDocWordWrapButton")->toolTip(), "Toggle word wrap on");
    wrap->click();
    EXPECT_TRUE(doc->wordWrap());
    EXPECT_TRUE(wrap->isChecked());
    EXPECT_EQ(wrap->toolTip(), "Toggle word wrap off");
    EXPECT_FALSE(editor->coverEditor()->wordWrap());
    wrap->click();
    EXPECT_FALSE(doc->wordWrap());
    EXPECT_EQ(wrap->toolTip(), "Toggle word wrap on");
}

TEST_F(FaxEditorTest, PhonebookPickFillsRecipientAndTheWhole25CharacterNumber)
{
    {
        PhoneBookLogic book(*tables);
        ASSERT_TRUE(book.open());
        book.addEntry({"Ada", "1"});
        book.addEntry({"Grace Hopper", "+1 (202) 555-0199 ext 123"});
    }
    bool sawPickMode = false;
    setModalRunner([&](QDialog &d) {
        auto *browser = qobject_cast<TPhoneBook *>(&d);
        if (!browser)
            return int(QDialog::Rejected);
        sawPickMode = browser->button("OKButton")->isVisibleTo(browser) &&
                      !browser->button("Closebutton")->isVisibleTo(browser);
        browser->grid()->selectRow(1);
        browser->OKButtonClick();
        return browser->result();
    });
    editor->AddressButtonClick();
    EXPECT_TRUE(sawPickMode);
    EXPECT_EQ(editor->recipientEdit()->text(), "Grace Hopper");
    EXPECT_EQ(editor->faxNumberEdit()->text(), "+1 (202) 555-0199 ext 123");

    // Cancel leaves the fields alone.
    setModalRunner([](QDialog &) { return int(QDialog::Rejected); });
    editor->recipientEdit()->setText(QStringLiteral("kept"));
    editor->AddressButtonClick();
    EXPECT_EQ(editor->recipientEdit()->text(), "kept");
}

TEST_F(FaxEditorTest, LoadTemplateFillsTheCoverFromTheFieldsAndClosesTheCoverTable)
{
    {
        ASSERT_TRUE(tables->OpenCoverDBF());
        CoverLibrary library(*tables);
        richtext::RichDocument tpl;
        QTextCursor c(tpl.document());
        c.insertText(QStringLiteral("Dear "));
        tpl.insertMergeField(c, 1);
        c.insertText(QStringLiteral(", re "));
        tpl.insertMergeField(c, 3);
        ASSERT_GT(library.addTemplate("Letter", tpl), 0);
        tables->CoverTable.Close();
    }
    editor->setFields({"Ada", "555", "Invoices"});
    editor->coverEditor()->insertPlainText(QStringLiteral("replaced"));
    setModalRunner([](QDialog &d) {
        auto *browser = qobject_cast<TCoverBrowse *>(&d);
        if (!browser || !browser->button("Acceptbutton")->isVisibleTo(browser))
            return int(QDialog::Rejected);
        browser->AcceptbuttonClick();
        return browser->result();
    });
    editor->LoadCoverButtonClick();
    EXPECT_EQ(editor->cover().plainTextWithBreaks().toStdString(), "Dear Ada, re Invoices");
    EXPECT_FALSE(tables->CoverTable.Active());
}

TEST_F(FaxEditorTest, AcceptInAnEmptyTemplateListBeepsAndKeepsTheCover)
{
    editor->coverEditor()->insertPlainText(QStringLiteral("mine"));
    int accepted = 0;
    setModalRunner([&](QDialog &d) {
        auto *browser = qobject_cast<TCoverBrowse *>(&d);
        browser->AcceptbuttonClick();
        accepted += browser->result() == QDialog::Accepted;
        return int(QDialog::Rejected);
    });
    editor->LoadCoverButtonClick();
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(msgs.count(Kind::Beep), 1u);
    EXPECT_EQ(editor->cover().plainTextWithBreaks().toStdString(), "mine");
}

TEST_F(FaxEditorTest, DefaultFontButtonStoresTheChosenFontAndWritesTheSettingsFile)
{
    richtext::CharAttributes offered;
    setFontDialog([&](const richtext::CharAttributes &preset, QWidget *) {
        offered = preset;
        richtext::CharAttributes a;
        a.fontName = QStringLiteral("DejaVu Serif");
        a.sizePoints = 16;
        a.italic = true;
        return std::optional<richtext::CharAttributes>(a);
    });
    tool("DocDefFontbutton")->click();
    EXPECT_EQ(offered.fontName, "Arial");
    EXPECT_EQ(offered.sizePoints, 10);
    IniFile ini(data + "QLN.INI");
    EXPECT_EQ(ini.readString("Default Font", "Name", ""), "DejaVu Serif");
    EXPECT_EQ(ini.readInteger("Default Font", "Size", 0), 16);
    EXPECT_TRUE(ini.readBool("Default Font", "Italic", false));
    EXPECT_FALSE(ini.readBool("Default Font", "Bold", true));
    // The open editors keep their typing attributes.
    EXPECT_NE(editor->documentEditor()->currentAttributes().fontName, "DejaVu Serif");

    // Cancelling the dialog changes nothing.
    setFontDialog([](const richtext::CharAttributes &, QWidget *) { return std::optional<richtext::CharAttributes>(); });
    tool("CoverDefFontbutton")->click();
    EXPECT_EQ(IniFile(data + "QLN.INI").readInteger("Default Font", "Size", 0), 16);
}

TEST_F(FaxEditorTest, ToolBarsCarryTheWindowsOwnButtonsInOrder)
{
    auto names = [](QWidget *bar) {
        QStringList out;
        for (QToolButton *b : bar->findChildren<QToolButton *>())
            if (!b->objectName().isEmpty())
                out << b->objectName();
        return out;
    };
    EXPECT_EQ(names(editor->coverToolBar()),
              (QStringList{"CoverDocPageBreakButton", "CoverParagraphSetupbutton", "CoverDocWordWrapButton",
                           "CoverDefFontbutton", "LoadCoverButton"}));
    EXPECT_EQ(names(editor->documentToolBar()),
              (QStringList{"DocPageBreakButton", "ParagraphSetupButton", "DocWordWrapButton", "DocDefFontbutton"}));
}

// ---- Cover template editor ------------------------------------------------------

class CoverEditorTest : public ComposeFixture {};

TEST_F(CoverEditorTest, InsertMenuAddsTheChosenMergeFieldAndZoomHasNoPrefix)
{
    TCoverEditor w;
    w.show();
    w.insertField(QStringLiteral("Fax Number"));
    EXPECT_EQ(w.document().plainTextWithBreaks().toStdString(), "[FAX#]");
    std::vector<int> tags;
    w.document().fillMergeFields([&](int tag) -> std::optional<QString> {
        tags.push_back(tag);
        return std::nullopt;
    });
    EXPECT_EQ(tags, (std::vector<int>{2}));
    QStringList captions;
    for (QAction *a : w.insertMenu()->actions())
        captions << a->text();
    EXPECT_EQ(captions, (QStringList{"Recipient", "Fax Number", "Subject", "Date", "Time"}));

    EXPECT_EQ(w.zoomButton()->text(), "100%");
    w.zoom()->choose(80);
    EXPECT_EQ(w.zoomButton()->text(), "80%");
    EXPECT_EQ(w.editor()->zoom(), 80);
    EXPECT_EQ(w.descriptionEdit()->maxLength(), 35);
}

TEST_F(CoverEditorTest, BrowserModesAndATemplateMadeThroughItsEditor)
{
    ASSERT_TRUE(tables->OpenCoverDBF());
    CoverLibrary library(*tables);
    TCoverBrowse browser(library);
    browser.show();
    EXPECT_TRUE(browser.button("CloseButton")->isVisible());
    EXPECT_FALSE(browser.button("Acceptbutton")->isVisible());
    EXPECT_FALSE(browser.button("CancelButton")->isVisible());
    browser.setPickMode(true);
    EXPECT_FALSE(browser.button("CloseButton")->isVisible());
    EXPECT_TRUE(browser.button("Acceptbutton")->isVisible());
    EXPECT_TRUE(browser.button("Acceptbutton")->isDefault());

    // New through the real template editor: a field typed in and accepted.
    setModalRunner([](QDialog &d) {
        auto *ed = qobject_cast<TCoverEditor *>(&d);
        if (!ed)
            return int(QDialog::Rejected);
        ed->descriptionEdit()->setText(QStringLiteral("With date"));
        ed->insertField(QStringLiteral("Date"));
        ed->accept();
        return ed->result();
    });
    browser.NewButtonClick();
    setModalRunner({});
    ASSERT_EQ(browser.grid()->model()->rowCount(), 1);
    EXPECT_EQ(browser.grid()->model()->index(0, 0).data().toString(), "With date");
    richtext::RichDocument back;
    ASSERT_TRUE(library.loadCurrent(back));
    EXPECT_EQ(back.mergeFieldCountInText(), 1);
    EXPECT_EQ(back.plainTextWithBreaks().toStdString(), "[DATE]");
}

}  // namespace
}  // namespace qln::compose::test

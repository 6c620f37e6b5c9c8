// TRichEdit and its tool bar, offscreen: what typing, the tool bar and the
// owner windows' calls do to the text.
#include "richtext/richedit.h"
#include "richtext/richtoolbar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

using namespace qln::richtext;

namespace {

struct Editor {
    TRichEdit edit;
    TRichEditToolBar bar;
    Editor()
    {
        bar.setEditor(&edit);
        edit.resize(500, 300);
        edit.show();
        bar.show();
        QApplication::processEvents();
    }
    void typeText(const QString &s) { QTest::keyClicks(&edit, s); }
    void selectAll() { edit.selectAll(); }
};

}  // namespace

TEST(RichEditTyping, TextTypedAfterAMergeFieldIsNotPartOfIt)
{
    Editor e;
    e.typeText("Dear ");
    e.edit.insertMergeField(1);
    e.typeText(", ");
    e.edit.insertMergeField(4);
    e.typeText("!");
    EXPECT_EQ(e.edit.toPlainText(), "Dear [RECIPIENT], [DATE]!");
    e.edit.setGetTextToInsert([](int tag) -> std::optional<QString> {
        if (tag == 1)
            return QString("Ann");
        return std::nullopt;
    });
    e.edit.fillMergeFields();
    EXPECT_EQ(e.edit.toPlainText(), "Dear Ann, [DATE]!");
    EXPECT_EQ(e.edit.richDocument().mergeFieldCountInText(), 1);
}

TEST(RichEditTyping, CurrentAttributesAreWhatIsTypedNext)
{
    Editor e;
    CharAttributes a;
    a.fontName = "Times New Roman";
    a.sizePoints = 14;
    a.italic = true;
    e.edit.setCurrentAttributes(a);
    e.typeText("abc");
    const CharAttributes got = e.edit.currentAttributes();
    EXPECT_EQ(got.fontName, "Times New Roman");
    EXPECT_EQ(got.sizePoints, 14);
    EXPECT_TRUE(got.italic);
    QTextCursor c(e.edit.document());
    c.setPosition(2);
    EXPECT_EQ(e.edit.richDocument().attributesAt(c).sizePoints, 14);
}

TEST(RichEditToolBar, ButtonsFormatTheSelectionAndFollowTheCaret)
{
    Editor e;
    e.typeText("one two");
    e.edit.moveCaretToStart();
    QTextCursor c = e.edit.textCursor();
    c.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
    e.edit.setTextCursor(c);
    QTest::mouseClick(e.bar.button(TRichEditToolBar::Button::Bold), Qt::LeftButton);
    QTest::mouseClick(e.bar.button(TRichEditToolBar::Button::Underline), Qt::LeftButton);
    QTest::mouseClick(e.bar.button(TRichEditToolBar::Button::AlignCenter), Qt::LeftButton);
    e.bar.fontSizeBox()->setCurrentText("18");
    emit e.bar.fontSizeBox()->textActivated("18");

    QTextCursor at(e.edit.document());
    at.setPosition(2);
    CharAttributes a = e.edit.richDocument().attributesAt(at);
    EXPECT_TRUE(a.bold);
    EXPECT_TRUE(a.underline);
    EXPECT_EQ(a.sizePoints, 18);
    at.setPosition(6);
    a = e.edit.richDocument().attributesAt(at);
    EXPECT_FALSE(a.bold);
    EXPECT_NE(a.sizePoints, 18);
    EXPECT_EQ(e.edit.paragraphAlignment(), Qt::AlignHCenter);

    // The bar shows the attributes at the caret.
    e.edit.moveCursor(QTextCursor::End);
    EXPECT_FALSE(e.bar.button(TRichEditToolBar::Button::Bold)->isChecked());
    e.edit.moveCaretToStart();
    e.edit.moveCursor(QTextCursor::Right);
    EXPECT_TRUE(e.bar.button(TRichEditToolBar::Button::Bold)->isChecked());
    EXPECT_EQ(e.bar.fontSizeBox()->currentText(), "18");
    EXPECT_TRUE(e.bar.button(TRichEditToolBar::Button::AlignCenter)->isChecked());

    // Normal takes bold, italic and underline off the selection.
    e.selectAll();
    QTest::mouseClick(e.bar.button(TRichEditToolBar::Button::Normal), Qt::LeftButton);
    at.setPosition(2);
    a = e.edit.richDocument().attributesAt(at);
    EXPECT_FALSE(a.bold || a.underline);
    EXPECT_EQ(a.sizePoints, 18);  // the size stays
}

TEST(RichEditTyping, CtrlBIUToggleTheStyleOfWhatIsTypedAndOfTheSelection)
{
    Editor e;
    QTest::keyClick(&e.edit, Qt::Key_B, Qt::ControlModifier);
    EXPECT_TRUE(e.bar.button(TRichEditToolBar::Button::Bold)->isChecked());
    e.typeText("bold");
    QTest::keyClick(&e.edit, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(&e.edit, Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(&e.edit, Qt::Key_U, Qt::ControlModifier);
    e.typeText("iu");
    EXPECT_EQ(e.edit.toPlainText(), "boldiu");  // no letter reached the text
    QTextCursor at(e.edit.document());
    at.setPosition(2);
    CharAttributes a = e.edit.richDocument().attributesAt(at);
    EXPECT_TRUE(a.bold);
    EXPECT_FALSE(a.italic || a.underline);
    at.setPosition(6);
    a = e.edit.richDocument().attributesAt(at);
    EXPECT_FALSE(a.bold);
    EXPECT_TRUE(a.italic && a.underline);

    // On a selection the key acts on the selected text.
    QTextCursor c(e.edit.document());
    c.setPosition(0);
    c.setPosition(2, QTextCursor::KeepAnchor);
    e.edit.setTextCursor(c);
    QTest::keyClick(&e.edit, Qt::Key_B, Qt::ControlModifier);
    at.setPosition(1);
    EXPECT_FALSE(e.edit.richDocument().attributesAt(at).bold);
    at.setPosition(4);
    EXPECT_TRUE(e.edit.richDocument().attributesAt(at).bold);

    // A read-only text keeps its attributes.
    e.edit.setReadOnly(true);
    e.edit.moveCursor(QTextCursor::End);
    QTest::keyClick(&e.edit, Qt::Key_U, Qt::ControlModifier);
    EXPECT_TRUE(e.edit.currentAttributes().underline);
}

TEST(RichEditToolBar, FontNameKeepsTheOtherAttributesOfAMixedSelection)
{
    Editor e;
    e.typeText("ab");
    QTextCursor c = e.edit.textCursor();
    c.setPosition(0);
    c.setPosition(1, QTextCursor::KeepAnchor);
    e.edit.setTextCursor(c);
    e.edit.setBold(true);
    e.selectAll();
    emit e.bar.fontNameBox()->textActivated("Courier New");
    QTextCursor at(e.edit.document());
    at.setPosition(1);
    EXPECT_TRUE(e.edit.richDocument().attributesAt(at).bold);
    EXPECT_EQ(e.edit.richDocument().attributesAt(at).fontName, "Courier New");
    at.setPosition(2);
    EXPECT_FALSE(e.edit.richDocument().attributesAt(at).bold);
    EXPECT_EQ(e.edit.richDocument().attributesAt(at).fontName, "Courier New");
}

TEST(RichEditToolBar, SpellCheckButtonRaisesTheBoundEditorsEvent)
{
    Editor e;
    TRichEdit other;
    QSignalSpy mine(&e.edit, &TRichEdit::StartSpellCheck);
    QSignalSpy notMine(&other, &TRichEdit::StartSpellCheck);
    QTest::mouseClick(e.bar.button(TRichEditToolBar::Button::SpellCheck), Qt::LeftButton);
    EXPECT_EQ(mine.count(), 1);
    EXPECT_EQ(notMine.count(), 0);
    // Bound to another control, the bar no longer acts on the first.
    e.bar.setEditor(&other);
    QTest::mouseClick(e.bar.button(TRichEditToolBar::Button::SpellCheck), Qt::LeftButton);
    EXPECT_EQ(mine.count(), 1);
    EXPECT_EQ(notMine.count(), 1);
}

TEST(RichEditToolBar, OwnerButtonsComeAfterTheBarsOwn)
{
    Editor e;
    QToolButton *own = e.bar.addButton(QIcon(), "Insert Page Break");
    QApplication::processEvents();
    EXPECT_EQ(own->parentWidget(), &e.bar);
    EXPECT_GT(own->geometry().left(), e.bar.button(TRichEditToolBar::Button::SpellCheck)->geometry().right() + 1);
    EXPECT_EQ(TRichEditToolBar::fontSizes().front(), 8);
}

TEST(RichEditClipboard, CopyAndPasteKeepFormattingAndFields)
{
    Editor e;
    e.edit.setBold(true);
    e.typeText("Bold ");
    e.edit.insertMergeField(2);
    e.selectAll();
    e.edit.copy();
    const QMimeData *m = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(m->hasFormat("text/rtf"));

    Editor f;
    f.edit.paste();
    EXPECT_EQ(f.edit.toPlainText(), "Bold [FAX#]");
    EXPECT_EQ(f.edit.richDocument().mergeFieldCountInText(), 1);
    QTextCursor at(f.edit.document());
    at.setPosition(2);
    EXPECT_TRUE(f.edit.richDocument().attributesAt(at).bold);
    // Pasting the same field again next to it gives two fields, not one.
    f.edit.paste();
    EXPECT_EQ(f.edit.richDocument().mergeFieldCountInText(), 2);
}

TEST(RichEditView, ZoomAndWordWrapChangeOnlyTheView)
{
    Editor e;
    e.edit.setPageLayout(PageLayout());
    for (int i = 0; i < 40; ++i)
        e.typeText("word ");
    const QByteArray stored = e.edit.richDocument().saveRtf();
    EXPECT_FALSE(e.edit.wordWrap());
    // Wrap off: lines break at the page's 7.5 inches of text.
    const int ppi = RichDocument::screenPixelsPerInch();
    EXPECT_EQ(e.edit.lineWrapMode(), QTextEdit::FixedPixelWidth);
    EXPECT_NEAR(e.edit.lineWrapColumnOrWidth(), 7.5 * ppi, 1);
    e.edit.setZoom(80);
    EXPECT_NEAR(e.edit.lineWrapColumnOrWidth(), 7.5 * std::round(ppi * 0.8), 1);
    const double height80 = e.edit.document()->size().height();
    e.edit.setZoom(100);
    EXPECT_GT(e.edit.document()->size().height(), height80);
    e.edit.setWordWrap(true);
    EXPECT_EQ(e.edit.lineWrapMode(), QTextEdit::WidgetWidth);
    EXPECT_EQ(e.edit.richDocument().saveRtf(), stored);
}

TEST(RichEditFiles, LoadSaveAndPageBreakThroughTheControl)
{
    QTemporaryDir dir;
    Editor e;
    e.typeText("page one");
    e.edit.insertPageBreak();
    e.typeText("page two");
    const QString path = dir.filePath("Eraseme.rtf");
    ASSERT_TRUE(e.edit.saveToFile(path));
    Editor f;
    f.typeText("old");
    ASSERT_TRUE(f.edit.loadFromFile(path));
    EXPECT_EQ(f.edit.richDocument().plainTextWithBreaks(), "page one\n\f\npage two");
    EXPECT_EQ(f.edit.textCursor().position(), 0);
    f.edit.clearText();
    EXPECT_TRUE(f.edit.richDocument().isEmptyText());
}

TEST(RichEditParagraphs, SpacingOfTheCaretParagraph)
{
    Editor e;
    e.typeText("x");
    ParagraphSpacing s{720, 360, 0, 120, 0, 0};
    e.edit.setParagraphSpacing(s);
    const ParagraphSpacing got = e.edit.paragraphSpacing();
    EXPECT_EQ(got.firstIndent, 720);
    EXPECT_EQ(got.leftIndent, 360);
    EXPECT_EQ(got.spaceBefore, 120);
}

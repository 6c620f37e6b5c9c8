// RichDocument: RTF through a QTextDocument, page breaks, merge fields, the
// emptiness test, paragraph spacing and typing attributes.
#include "richtext/richdocument.h"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

using namespace qln::richtext;

namespace {

QTextCursor endCursor(RichDocument &d)
{
    QTextCursor c(d.document());
    c.movePosition(QTextCursor::End);
    return c;
}

void type(RichDocument &d, QTextCursor &c, const QString &text)
{
    (void)d;
    c.insertText(text);
}

}  // namespace

TEST(RichDocumentRtf, SavedTextLoadsBackWithItsFormatting)
{
    RichDocument d;
    d.loadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}\\pard\\qc\\li720\\ri360\\fi360\\sb120\\sa60"
              "\\f0\\fs28\\b Title\\par\\pard\\qj\\plain\\f1\\fs20 Body \\i text\\par}");
    PageLayout page;
    page.left = 1000;
    d.setPageLayout(page);
    const QByteArray saved = d.saveRtf();

    RichDocument e;
    e.loadRtf(saved);
    EXPECT_EQ(e.document()->toPlainText(), "Title\nBody text");
    EXPECT_EQ(e.pageLayout().left, 1000);
    QTextCursor c(e.document());
    CharAttributes a = e.attributesAt(c);  // before the first character: its format
    c.setPosition(1);
    a = e.attributesAt(c);
    EXPECT_EQ(a.fontName, "Arial");
    EXPECT_EQ(a.sizePoints, 14);
    EXPECT_TRUE(a.bold);
    ParagraphSpacing s = e.paragraphSpacingAt(c);
    EXPECT_EQ(s.leftIndent, 720);
    EXPECT_EQ(s.firstIndent, 1080);
    EXPECT_EQ(s.rightIndent, 360);
    EXPECT_EQ(s.spaceBefore, 120);
    EXPECT_EQ(s.spaceAfter, 60);
    EXPECT_EQ(e.document()->begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    c.movePosition(QTextCursor::End);
    a = e.attributesAt(c);
    EXPECT_EQ(a.fontName, "Courier New");
    EXPECT_TRUE(a.italic);
    EXPECT_FALSE(a.bold);
    EXPECT_EQ(e.document()->lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    // A file without a page layout does not keep the last file's.
    e.loadRtf("{\\rtf1 x}");
    EXPECT_EQ(e.pageLayout().left, PageLayout().left);
}

TEST(RichDocumentRtf, ZoomDoesNotChangeWhatIsStored)
{
    RichDocument d;
    d.loadRtf("{\\rtf1\\pard\\li725\\ri35\\fi-15\\sb17\\sa33\\sl-250\\slmult0 text\\par}");
    const QByteArray before = d.saveRtf();
    for (int zoom : {70, 80, 208, 166, 100})
        d.setZoom(zoom);
    EXPECT_EQ(d.saveRtf(), before);
}

TEST(RichDocumentFiles, MissingFileClearsAndSaveReplacesWhole)
{
    QTemporaryDir dir;
    RichDocument d;
    d.loadRtf("{\\rtf1 old text}");
    EXPECT_FALSE(d.loadFromFile(dir.filePath("missing.rtf")));
    EXPECT_TRUE(d.document()->isEmpty());

    QTextCursor c(d.document());
    c.insertText("new text");
    const QString path = dir.filePath("Eraseme.rtf");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    ASSERT_TRUE(d.saveToFile(path));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Eraseme.rtf"});  // no temporary left
    RichDocument e;
    ASSERT_TRUE(e.loadFromFile(path));
    EXPECT_EQ(e.document()->toPlainText(), "new text");
    EXPECT_FALSE(d.saveToFile(dir.filePath("no/such/dir/x.rtf")));
}

TEST(RichDocumentPageBreaks, InsertedAtTheCaretAndCounted)
{
    RichDocument d;
    QTextCursor c = endCursor(d);
    type(d, c, "Page one");
    d.insertPageBreak(c);
    type(d, c, "Page two");
    c.movePosition(QTextCursor::Left, QTextCursor::MoveAnchor, 3);  // "Page |two"
    d.insertPageBreak(c);
    EXPECT_EQ(d.pageBreakCount(), 2);
    EXPECT_EQ(d.plainTextWithBreaks(), "Page one\n\f\nPage \n\f\ntwo");

    // At the end of a paragraph the break paragraph is empty and is the
    // break itself in the plain text.
    RichDocument e;
    QTextCursor ec = endCursor(e);
    type(e, ec, "Only page");
    e.insertPageBreak(ec);
    EXPECT_EQ(e.plainTextWithBreaks(), "Only page\n\f");
    // Breaks survive RTF.
    RichDocument f;
    f.loadRtf(d.saveRtf());
    EXPECT_EQ(f.pageBreakCount(), 2);
    EXPECT_EQ(f.plainTextWithBreaks(), d.plainTextWithBreaks());
}

TEST(RichDocumentPageBreaks, BreakParagraphTakesTheCaretAttributes)
{
    RichDocument d;
    QTextCursor c = endCursor(d);
    CharAttributes big;
    big.fontName = "Times New Roman";
    big.sizePoints = 24;
    big.bold = true;
    d.applyAttributes(c, big);
    c.insertText("x");
    d.insertPageBreak(c);
    const QTextBlock b = d.document()->lastBlock();
    EXPECT_EQ(b.charFormat().fontPointSize(), 24);
    const CharAttributes a = d.attributesAt(c);
    EXPECT_EQ(a.fontName, "Times New Roman");
    EXPECT_TRUE(a.bold);
}

TEST(RichDocumentMergeFields, InsertFillAndKeepThroughTemplates)
{
    RichDocument d;
    QTextCursor c = endCursor(d);
    c.insertText("To: ");
    d.insertMergeField(c, 1);
    c.insertText(" at ");
    d.insertMergeField(c, 2);
    d.insertMergeField(c, 4);
    d.insertMergeField(c, 4);
    d.insertMergeField(c, 9);  // no such field: nothing inserted
    c.insertText(" typed after");
    EXPECT_EQ(d.document()->toPlainText(), "To: [RECIPIENT] at [FAX#][DATE][DATE] typed after");
    EXPECT_EQ(d.mergeFieldCountInText(), 4);

    // A template saved and loaded keeps tags and labels.
    RichDocument t;
    t.loadRtf(d.saveRtf());
    EXPECT_EQ(t.document()->toPlainText(), d.document()->toPlainText());
    EXPECT_EQ(t.mergeFieldCountInText(), 4);

    std::vector<int> asked;
    t.fillMergeFields([&](int tag) -> std::optional<QString> {
        asked.push_back(tag);
        if (tag == 1)
            return QString("Zoë Müller");
        if (tag == 4)
            return QString("09/12/2026");
        return std::nullopt;  // [FAX#] stays as it is
    });
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 4, 4}));
    EXPECT_EQ(t.document()->toPlainText(), QString::fromUtf8("To: Zoë Müller at [FAX#]09/12/202609/12/2026 typed after"));
    EXPECT_EQ(t.mergeFieldCountInText(), 1);
    // Filled values are plain text: a second fill does not touch them.
    t.fillMergeFields([](int) -> std::optional<QString> { return QString("X"); });
    EXPECT_EQ(t.document()->toPlainText(), QString::fromUtf8("To: Zoë Müller at X09/12/202609/12/2026 typed after"));
}

TEST(RichDocumentMergeFields, ValueTakesTheFieldFormatAndMayBeEmpty)
{
    RichDocument d;
    d.loadRtf("{\\rtf1 A{\\field{\\*\\fldinst QLNMERGE 3}{\\fldrslt \\b\\fs40 [SUBJECT]}}B"
              "{\\field{\\*\\fldinst QLNMERGE 5}{\\fldrslt [TIME]}}C\\par}");
    d.fillMergeFields([](int tag) -> std::optional<QString> { return tag == 3 ? QString("Offer") : QString(); });
    EXPECT_EQ(d.document()->toPlainText(), "AOfferBC");
    QTextCursor c(d.document());
    c.setPosition(3);
    const CharAttributes a = d.attributesAt(c);
    EXPECT_TRUE(a.bold);
    EXPECT_EQ(a.sizePoints, 20);
}

TEST(RichDocumentEmptiness, BlankTextCountsAsEmpty)
{
    RichDocument d;
    EXPECT_TRUE(d.isEmptyText());
    d.loadRtf("{\\rtf1 \\par   \\par\\par  \\par}");
    EXPECT_TRUE(d.isEmptyText());
    d.loadRtf(QByteArray("{\\rtf1 ") + QByteArray(300, ' ') + "}");
    EXPECT_FALSE(d.isEmptyText());  // 300 spaces are 256 characters or more
    d.loadRtf("{\\rtf1 \\par x\\par}");
    EXPECT_FALSE(d.isEmptyText());
    // A page break alone is no content.
    d.loadRtf("{\\rtf1 \\page}");
    EXPECT_TRUE(d.isEmptyText());
}

TEST(RichDocumentParagraphs, SpacingSetForEverySelectedParagraph)
{
    RichDocument d;
    d.loadRtf("{\\rtf1 one\\par two\\par three\\par four\\par}");
    QTextCursor c(d.document());
    c.setPosition(d.document()->findBlockByNumber(1).position() + 1);
    c.setPosition(d.document()->findBlockByNumber(2).position() + 1, QTextCursor::KeepAnchor);
    ParagraphSpacing s{1440, 720, 360, 240, 120, 400};
    d.setParagraphSpacing(c, s);
    for (int i = 0; i < 4; ++i) {
        QTextCursor at(d.document()->findBlockByNumber(i));
        const ParagraphSpacing got = d.paragraphSpacingAt(at);
        if (i == 1 || i == 2) {
            EXPECT_EQ(got.firstIndent, 1440);
            EXPECT_EQ(got.leftIndent, 720);
            EXPECT_EQ(got.rightIndent, 360);
            EXPECT_EQ(got.spaceBefore, 240);
            EXPECT_EQ(got.spaceAfter, 120);
            EXPECT_EQ(got.lineHeight, 400);
        } else {
            EXPECT_EQ(got.leftIndent, 0) << "paragraph " << i;
        }
    }
    RichDocument e;
    e.loadRtf(d.saveRtf());
    QTextCursor at(e.document()->findBlockByNumber(2));
    EXPECT_EQ(e.paragraphSpacingAt(at).firstIndent, 1440);
    EXPECT_EQ(e.paragraphSpacingAt(at).lineHeight, 400);
}

TEST(RichDocumentParagraphs, LineSpacingTheDialogCannotShowIsKept)
{
    RichDocument d;
    d.loadRtf("{\\rtf1\\sl480\\slmult1 double spaced\\par}");
    QTextCursor c(d.document());
    ParagraphSpacing s = d.paragraphSpacingAt(c);
    EXPECT_EQ(s.lineHeight, 0);
    s.leftIndent = 720;
    s.firstIndent = 720;
    d.setParagraphSpacing(c, s);
    EXPECT_TRUE(d.saveRtf().contains("\\sl480\\slmult1"));
    s.lineHeight = 300;
    d.setParagraphSpacing(c, s);
    EXPECT_TRUE(d.saveRtf().contains("\\sl300\\slmult0"));
}

TEST(RichDocumentAttributes, TypingAttributesApplyToNewTextAndSelections)
{
    RichDocument d;
    QTextCursor c(d.document());
    CharAttributes a;
    a.fontName = "Courier New";
    a.sizePoints = 12;
    a.underline = true;
    d.applyAttributes(c, a);
    c.insertText("abc");
    EXPECT_EQ(d.attributesAt(c).fontName, "Courier New");
    EXPECT_TRUE(d.attributesAt(c).underline);
    c.setPosition(1);
    c.setPosition(2, QTextCursor::KeepAnchor);
    CharAttributes b = a;
    b.bold = true;
    d.applyAttributes(c, b);
    QTextCursor at(d.document());
    at.setPosition(2);
    EXPECT_TRUE(d.attributesAt(at).bold);
    at.setPosition(3);
    EXPECT_FALSE(d.attributesAt(at).bold);
}

TEST(RichDocumentPlainText, NotRtfLoadsAsPlainText)
{
    RichDocument d;
    d.loadRtf("first line\nsecond line\n\fnext page\n");
    EXPECT_EQ(d.plainTextWithBreaks(), "first line\nsecond line\n\f\nnext page");
    EXPECT_EQ(d.pageBreakCount(), 1);
}

TEST(RichDocumentParagraphs, EditorSpacingFollowsTheZoom)
{
    // The editor's own layout shows the space after a paragraph as long as
    // the zoom makes it, not scaled a second time by the layout.
    for (int zoom : {100, 208}) {
        RichDocument plain, spaced;
        plain.loadRtf("{\\rtf1 one\\par two\\par}");
        spaced.loadRtf("{\\rtf1\\sa144 one\\par two\\par}");
        double y[2];
        RichDocument *docs[2] = {&plain, &spaced};
        for (int i = 0; i < 2; ++i) {
            docs[i]->setZoom(zoom);
            QTextDocument *qd = docs[i]->document();
            qd->setTextWidth(2000);  // as the widget sets its width
            qd->documentLayout()->documentSize();
            y[i] = qd->lastBlock().layout()->position().y();
        }
        EXPECT_NEAR(y[1] - y[0], 144 / 1440.0 * spaced.layoutPixelsPerInch(), 0.6) << "zoom " << zoom;
    }
}

TEST(RichDocumentParagraphs, PaginationRulesSurviveSaving)
{
    RichDocument d;
    d.loadRtf("{\\rtf1\\pard\\s4\\contextualspace\\widctlpar\\keepn\\keep Heading\\par\\pard Body\\par}");
    RichDocument back;
    back.loadRtf(d.saveRtf());
    const QByteArray again = back.saveRtf();
    EXPECT_TRUE(again.contains("\\pard\\s4\\ql"));
    for (const char *word : {"\\contextualspace", "\\widctlpar", "\\keepn", "\\keep"})
        EXPECT_TRUE(again.contains(word)) << word;
    EXPECT_EQ(again.count("\\keepn"), 1);
}

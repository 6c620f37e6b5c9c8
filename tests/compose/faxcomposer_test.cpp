// What the fax editor shows for New, Clone and Edit and what an accepted
// editor writes, through FaxComposer over a real outgoing table; the merge
// values; Load Template with its fill-in.
#include "compose/coverlibrary.h"
#include "compose/faxcomposer.h"
#include "compose/plainfaxsurface.h"
#include "common/localeformats.h"
#include "records/faxrows.h"

#include "composefixture.h"

#include <QTextCursor>

namespace qln::compose::test {
namespace {

class FaxComposerTest : public ComposeFixture {
protected:
    void SetUp() override
    {
        ComposeFixture::SetUp();
        ASSERT_TRUE(tables->OpenFaxDBF());
        composer = std::make_unique<FaxComposer>(*tables);
        composer->setClock([] { return QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)); });
        LocaleFormats f;  // defaults: m/d/yy and h:mm:ss AMPM
        setLocaleFormats(f);
    }
    void TearDown() override
    {
        composer.reset();
        ComposeFixture::TearDown();
    }
    static void write(richtext::RichDocument &doc, const QString &text)
    {
        QTextCursor c(doc.document());
        c.insertText(text);
    }
    // Stores a new fax as the editor's Accept would.
    long addFax(const FaxFields &f, const QString &cover, const QString &doc)
    {
        PlainFaxSurface s;
        composer->open(FaxEditMode::New, s);
        s.setFields(f);
        write(s.cover(), cover);
        write(s.document(), doc);
        return composer->store(FaxEditMode::New, s);
    }
    records::OutgoingFax current() { return records::readOutgoing(tables->FaxTable); }
    std::unique_ptr<FaxComposer> composer;
};

TEST_F(FaxComposerTest, NewFaxAcceptedUntouchedStoresTheDesignTextsAndEmptyTexts)
{
    settings().fontName = "Times New Roman";
    settings().fontSize = 12;
    settings().fontBold = true;
    PlainFaxSurface s;
    ASSERT_TRUE(composer->edit(FaxEditMode::New, s));
    EXPECT_EQ(s.typingAttributes().fontName, "Times New Roman");
    EXPECT_EQ(s.typingAttributes().sizePoints, 12);
    EXPECT_TRUE(s.typingAttributes().bold);
    const records::OutgoingFax row = current();
    EXPECT_EQ(row.recipient, "Recipient");
    EXPECT_EQ(row.subject, "Subject");
    EXPECT_EQ(row.phone, "FaxNumber");
    EXPECT_FALSE(row.sent);
    EXPECT_EQ(tables->FaxTable.QueryRecCount(), 1);
    // Both memos hold RTF that reads back empty.
    EXPECT_EQ(tables->FaxTable.GetMemo("RTFCOVER").rfind("{\\rtf1", 0), 0u);
    EXPECT_EQ(tables->FaxTable.GetMemo("RTFDOC").rfind("{\\rtf1", 0), 0u);
}

TEST_F(FaxComposerTest, CancelledEditorWritesNothing)
{
    PlainFaxSurface cancelled(false);
    EXPECT_FALSE(composer->edit(FaxEditMode::New, cancelled));
    EXPECT_EQ(tables->FaxTable.RecordCount(), 0);

    addFax({"Ada", "555", "First"}, QStringLiteral("c"), QStringLiteral("d"));
    PlainFaxSurface cancelledClone(false);
    EXPECT_FALSE(composer->edit(FaxEditMode::Clone, cancelledClone));
    EXPECT_EQ(cancelledClone.fields().subject, "[clone]First");
    EXPECT_EQ(tables->FaxTable.RecordCount(), 1);
}

TEST_F(FaxComposerTest, CloneLoadsTheRowAndStoresANewRowWithTheSubjectCutToItsField)
{
    const std::string subject(45, 's');
    const long first = addFax({"Ada Lovelace", "+44 20 7946", subject}, QStringLiteral("Cover words"),
                              QStringLiteral("Body words"));
    ASSERT_GT(first, 0);
    PlainFaxSurface s;
    ASSERT_TRUE(composer->edit(FaxEditMode::Clone, s));
    EXPECT_EQ(s.fields().recipient, "Ada Lovelace");
    EXPECT_EQ(s.fields().faxNumber, "+44 20 7946");
    EXPECT_EQ(s.fields().subject, "[clone]" + subject);
    EXPECT_EQ(s.cover().plainTextWithBreaks().toStdString(), "Cover words");
    EXPECT_EQ(s.document().plainTextWithBreaks().toStdString(), "Body words");

    // The table was reopened on the new row.
    const records::OutgoingFax row = current();
    EXPECT_NE(row.recNo, first);
    EXPECT_EQ(row.subject, ("[clone]" + subject).substr(0, 50));
    EXPECT_EQ(row.recipient, "Ada Lovelace");
    EXPECT_EQ(tables->FaxTable.QueryRecCount(), 2);
    PlainFaxSurface again;
    composer->open(FaxEditMode::Edit, again);
    EXPECT_EQ(again.document().plainTextWithBreaks().toStdString(), "Body words");
}

TEST_F(FaxComposerTest, EditKeepsTheSubjectAndChangesTheSameRow)
{
    addFax({"Ada", "1", "Original"}, QStringLiteral("cover"), QStringLiteral("doc"));
    const long recno = current().recNo;
    PlainFaxSurface s;
    composer->open(FaxEditMode::Edit, s);
    EXPECT_EQ(s.fields().subject, "Original");
    FaxFields f = s.fields();
    f.recipient = "Bob";
    f.subject = "Changed";
    s.setFields(f);
    QTextCursor c(s.document().document());
    c.movePosition(QTextCursor::End);
    s.document().insertPageBreak(c);
    c.insertText(QStringLiteral("page two"));
    ASSERT_EQ(composer->store(FaxEditMode::Edit, s), recno);
    EXPECT_EQ(tables->FaxTable.RecordCount(), 1);
    const records::OutgoingFax row = current();
    EXPECT_EQ(row.recipient, "Bob");
    EXPECT_EQ(row.subject, "Changed");
    EXPECT_EQ(row.phone, "1");
    PlainFaxSurface back;
    composer->open(FaxEditMode::Edit, back);
    EXPECT_EQ(back.document().plainTextWithBreaks().toStdString(), "doc\n\f\npage two");
    EXPECT_EQ(back.cover().plainTextWithBreaks().toStdString(), "cover");
}

TEST_F(FaxComposerTest, MergeValuesComeFromTheFieldsAndTheClockCutTo100Characters)
{
    const QDateTime at(QDate(2026, 3, 7), QTime(14, 5, 9));
    FaxFields f{std::string(150, 'r'), "555-0100", "Quarterly"};
    EXPECT_EQ(FaxComposer::mergeValue(1, f, at)->toStdString(), std::string(100, 'r'));
    EXPECT_EQ(FaxComposer::mergeValue(2, f, at)->toStdString(), "555-0100");
    EXPECT_EQ(FaxComposer::mergeValue(3, f, at)->toStdString(), "Quarterly");
    EXPECT_EQ(FaxComposer::mergeValue(4, f, at)->toStdString(), "3/7/26");
    EXPECT_EQ(FaxComposer::mergeValue(5, f, at)->toStdString(), "2:05:09 pm");
    EXPECT_FALSE(FaxComposer::mergeValue(0, f, at).has_value());
    EXPECT_FALSE(FaxComposer::mergeValue(6, f, at).has_value());
    // A character outside the basic plane counts as one and is never split.
    f.subject = std::string(99, 'x') + "\xF0\x9F\x93\xA0" + "tail";
    const QString cut = *FaxComposer::mergeValue(3, f, at);
    EXPECT_EQ(cut.toStdString(), std::string(99, 'x') + "\xF0\x9F\x93\xA0");
}

TEST_F(FaxComposerTest, LoadTemplateReplacesTheCoverAndFillsItsFieldsFromTheFieldsAsTheyAre)
{
    ASSERT_TRUE(tables->OpenCoverDBF());
    CoverLibrary library(*tables);
    richtext::RichDocument tpl;
    QTextCursor c(tpl.document());
    c.insertText(QStringLiteral("To: "));
    tpl.insertMergeField(c, 1);
    c.insertText(QStringLiteral(" Fax: "));
    tpl.insertMergeField(c, 2);
    c.insertText(QStringLiteral(" Re: "));
    tpl.insertMergeField(c, 3);
    c.insertText(QStringLiteral(" On: "));
    tpl.insertMergeField(c, 4);
    ASSERT_GT(library.addTemplate("Standard", tpl), 0);

    PlainFaxSurface s;
    composer->open(FaxEditMode::New, s);
    write(s.cover(), QStringLiteral("typed before"));
    s.setFields({"Zo\xC3\xAB", std::string(120, '9'), "Hello"});
    ASSERT_TRUE(composer->loadTemplate(library, s));
    EXPECT_EQ(s.cover().plainTextWithBreaks().toStdString(),
              "To: Zo\xC3\xAB Fax: " + std::string(100, '9') + " Re: Hello On: 3/7/26");
    EXPECT_EQ(s.cover().mergeFieldCountInText(), 0);
}

}  // namespace
}  // namespace qln::compose::test

// What the fax editor shows for New, Clone and Edit, the questions of its
// Accept and Cancel, and what an accepted editor writes (all or nothing),
// through FaxComposer over a real outgoing table; the merge values; Load
// Template with its fill-in.
#include "compose/coverlibrary.h"
#include "compose/faxcomposer.h"
#include "compose/plainfaxsurface.h"
#include "compose/tabletext.h"
#include "common/localeformats.h"
#include "records/faxrows.h"

#include "composefixture.h"

#include <QFile>
#include <QTextCursor>

namespace qln::compose::test {
namespace {

using Kind = ScriptedMessages::Kind;

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
    msgs.answers({true, true});
    ASSERT_TRUE(composer->edit(FaxEditMode::New, s));
    // Both questions come before anything is stored: nothing to send, and
    // a fax number without a digit.
    const auto calls = msgs.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, Kind::CautiousQuestion);
    EXPECT_EQ(calls[0].text, texts::kEmptyFaxQuestion);
    EXPECT_EQ(calls[1].text, FaxComposer::noNumberQuestion("FaxNumber"));
    EXPECT_EQ(calls[1].caption, "Fax Editor");
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

TEST_F(FaxComposerTest, AcceptAnsweredNoStoresNothingAndAUsableFaxAsksNothing)
{
    PlainFaxSurface s;
    composer->open(FaxEditMode::New, s);
    msgs.answer(false);
    EXPECT_FALSE(composer->accept(FaxEditMode::New, s));  // nothing to send
    EXPECT_EQ(tables->FaxTable.RecordCount(), 0);

    write(s.document(), QStringLiteral("Body"));
    msgs.clear();
    msgs.answer(false);
    EXPECT_FALSE(composer->accept(FaxEditMode::New, s));  // "FaxNumber"
    ASSERT_EQ(msgs.calls().size(), 1u);
    EXPECT_EQ(msgs.last().text, FaxComposer::noNumberQuestion("FaxNumber"));
    FaxFields f = s.fields();
    f.faxNumber = "ext. -";
    s.setFields(f);
    msgs.answer(false);
    EXPECT_FALSE(composer->accept(FaxEditMode::New, s));
    EXPECT_EQ(tables->FaxTable.RecordCount(), 0);

    f.faxNumber = "+44 (20) 7946 0000";
    s.setFields(f);
    msgs.clear();
    EXPECT_TRUE(composer->accept(FaxEditMode::New, s));
    EXPECT_TRUE(msgs.calls().empty());
    EXPECT_EQ(tables->FaxTable.RecordCount(), 1);
}

TEST_F(FaxComposerTest, FieldsTheTablesCannotHoldAreNamedBeforeTheyTurnIntoQuestionMarks)
{
    PlainFaxSurface s;
    composer->open(FaxEditMode::New, s);
    write(s.document(), QStringLiteral("Body"));
    // Windows-1252 has these: no question.
    s.setFields({"Zo\xC3\xAB M\xC3\xBCller", "555", "Price \xE2\x82\xAC 10 \xE2\x80\x93 net"});
    EXPECT_TRUE(FaxComposer::confirmAccept(s));
    EXPECT_TRUE(msgs.calls().empty());

    s.setFields({"\xC5\x81ukasz", "555", "Re \xF0\x9F\x93\xA0 and \xC5\x81"});
    msgs.answer(false);
    EXPECT_FALSE(composer->accept(FaxEditMode::New, s));
    EXPECT_EQ(tables->FaxTable.RecordCount(), 0);
    ASSERT_EQ(msgs.count(Kind::CautiousQuestion), 1u);
    EXPECT_EQ(msgs.last().text,
              "The Recipient and Subject fields hold characters that the tables cannot store: \xC5\x81 "
              "\xF0\x9F\x93\xA0\rThey would be stored as \"?\".\rStore the fax anyway?");
    msgs.answer(true);
    ASSERT_TRUE(composer->accept(FaxEditMode::New, s));
    EXPECT_EQ(current().recipient, "?ukasz");
}

TEST_F(FaxComposerTest, UnstorableCharactersAreListedOnceInTheirOrder)
{
    EXPECT_TRUE(unstorableCharacters("plain ASCII, \xC3\xA9t\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D").empty());
    EXPECT_EQ(unstorableCharacters("\xC5\x81\xC3\xB3" "d\xC5\xBA \xC5\x81"),
              (std::vector<std::string>{"\xC5\x81", "\xC5\xBA"}));
    // A malformed byte would be stored as "?" too.
    EXPECT_EQ(unstorableCharacters("a\xFF" "b"), (std::vector<std::string>{"\xEF\xBF\xBD"}));
}

TEST_F(FaxComposerTest, CancelAsksOnlyAfterAChangeAndNoKeepsTheEditorOpen)
{
    addFax({"Ada", "555", "First"}, QStringLiteral("c"), QStringLiteral("d"));
    PlainFaxSurface s;
    composer->open(FaxEditMode::Edit, s);
    EXPECT_TRUE(composer->confirmCancel(s));
    EXPECT_TRUE(msgs.calls().empty());

    FaxFields f = s.fields();
    f.subject = "Second";
    s.setFields(f);
    msgs.answer(false);
    EXPECT_FALSE(composer->confirmCancel(s));
    EXPECT_EQ(msgs.last().text, texts::kDiscardFaxQuestion);
    f.subject = "First";  // typed back: nothing left to lose
    s.setFields(f);
    EXPECT_TRUE(composer->confirmCancel(s));

    QTextCursor c(s.document().document());
    c.insertText(QStringLiteral("more "));
    msgs.answer(true);
    EXPECT_TRUE(composer->confirmCancel(s));
    EXPECT_EQ(msgs.count(Kind::CautiousQuestion), 2u);

    // A new fax with its default font set has no change yet.
    PlainFaxSurface fresh;
    composer->open(FaxEditMode::New, fresh);
    EXPECT_FALSE(composer->changedSinceOpen(fresh));
}

TEST_F(FaxComposerTest, AFailedMemoWriteLeavesNoRowAndTheEditedRowAsItWas)
{
    ASSERT_GT(addFax({"Ada", "555", "Big"}, QStringLiteral("cover"), longText(60000)), 0);
    const std::string fpt = data + "QLN.FPT";
    ASSERT_GT(fileSize(fpt), 60000u);
    const rlim_t limit = fileSize(fpt) + 20000;
    {
        FileSizeLimit full(limit);
        // The cover memo fits; the document's does not.
        EXPECT_EQ(addFax({"Bob", "556", "Second"}, QStringLiteral("second cover"), longText(30000)), 0);
    }
    ASSERT_EQ(msgs.count(Kind::Information), 1u);
    EXPECT_EQ(msgs.last().text.rfind("Unable to save the fax: ", 0), 0u);
    EXPECT_EQ(tables->FaxTable.RecordCount(), 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(data + "Eraseme.rtf")));

    ASSERT_TRUE(tables->FaxTable.GoTo(1));
    PlainFaxSurface s;
    composer->open(FaxEditMode::Edit, s);
    s.setFields({"Carol", "557", "Changed"});
    s.cover().loadRtf("{\\rtf1 new cover}");
    write(s.document(), longText(30000));
    {
        FileSizeLimit full(fileSize(fpt) + 20000);
        EXPECT_EQ(composer->store(FaxEditMode::Edit, s), 0);
    }
    const records::OutgoingFax row = current();
    EXPECT_EQ(row.recipient, "Ada");
    EXPECT_EQ(row.subject, "Big");
    PlainFaxSurface back;
    composer->open(FaxEditMode::Edit, back);
    EXPECT_EQ(back.cover().plainTextWithBreaks().toStdString(), "cover");
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
    EXPECT_TRUE(composer->changedSinceOpen(s));
}

TEST_F(FaxComposerTest, AnUnreadableTemplateIsReportedAndTheCoverKept)
{
    ASSERT_TRUE(tables->OpenCoverDBF());
    {
        CoverLibrary library(*tables);
        richtext::RichDocument tpl;
        write(tpl, QStringLiteral("template text"));
        ASSERT_GT(library.addTemplate("Damaged", tpl), 0);
    }
    // The memo file loses its blocks.
    tables->CoverTable.Close();
    ASSERT_TRUE(QFile::resize(QString::fromStdString(data + "QLNCOV.FPT"), 512));
    ASSERT_TRUE(tables->OpenCoverDBF());
    CoverLibrary library(*tables);
    ASSERT_TRUE(library.findDescription("Damaged"));

    PlainFaxSurface s;
    composer->open(FaxEditMode::New, s);
    write(s.cover(), QStringLiteral("my own cover"));
    EXPECT_FALSE(composer->loadTemplate(library, s));
    EXPECT_EQ(s.cover().plainTextWithBreaks().toStdString(), "my own cover");
    ASSERT_EQ(msgs.count(Kind::Information), 1u);
    EXPECT_EQ(msgs.last().text, "Unable to read the cover template \"Damaged\"; the cover sheet is unchanged");
}

}  // namespace
}  // namespace qln::compose::test

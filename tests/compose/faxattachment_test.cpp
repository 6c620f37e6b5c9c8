// A PDF or TIFF file as the document of an outgoing fax: stored in the
// document memo through the composer, given back to the editor on Edit and
// Clone, and rendered after the cover sheet by CreateFaxFile with every page.
#include "compose/faxcomposer.h"
#include "compose/faxeditor.h"
#include "richtext/richedit.h"
#include "compose/faxfilemaker.h"
#include "compose/modal.h"
#include "compose/plainfaxsurface.h"
#include "records/faxrows.h"
#include "faximage/apfreader.h"
#include "faximage/converter.h"
#include "faximage/faxexport.h"

#include "composefixture.h"

#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QLabel>
#include <QSignalSpy>
#include <QTextCursor>
#include <QToolButton>

namespace qln::compose::test {
namespace {

class FaxAttachmentTest : public ComposeFixture {
protected:
    void SetUp() override
    {
        ComposeFixture::SetUp();
        ASSERT_TRUE(tables->OpenFaxDBF());
        composer = std::make_unique<FaxComposer>(*tables);
    }
    void TearDown() override
    {
        composer.reset();
        ComposeFixture::TearDown();
    }
    // A Letter PDF of `pages` pages, each with a black box.
    std::string makePdf(int pages)
    {
        const std::string path = dir.path().toStdString() + "/in/doc.pdf";
        QDir().mkpath(dir.path() + "/in");
        QPdfWriter w(QString::fromStdString(path));
        w.setPageSize(QPageSize(QPageSize::Letter));
        w.setResolution(72);
        QPainter p(&w);
        for (int i = 0; i < pages; ++i) {
            if (i)
                w.newPage();
            p.fillRect(QRectF(72 + 20 * i, 72, 100, 100), Qt::black);
        }
        return path;
    }
    // A TIFF class F file of two normal pages.
    std::string makeTiff()
    {
        QDir().mkpath(dir.path() + "/in");
        const std::string txt = dir.path().toStdString() + "/in/two.txt";
        QFile f(QString::fromStdString(txt));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("first page\fsecond page\n");
        f.close();
        fax::TApdFaxConverter c;
        c.SetOptions(0);
        c.SetInputDocumentType(fax::idText);
        c.SetDocumentFile(txt);
        c.SetOutFileName(dir.path().toStdString() + "/in/two.apf");
        EXPECT_EQ(0, c.convertDocument());
        const std::string tif = dir.path().toStdString() + "/in/two.tif";
        EXPECT_EQ(0, fax::exportFaxFile(dir.path().toStdString() + "/in/two.apf", tif, {}));
        return tif;
    }
    long addFax(const std::string &attachment, const QString &cover)
    {
        PlainFaxSurface s;
        composer->open(FaxEditMode::New, s);
        QTextCursor(s.cover().document()).insertText(cover);
        s.attachedDocument = attachment;
        return composer->store(FaxEditMode::New, s);
    }
    static QByteArray bytes(const std::string &path)
    {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::unique_ptr<FaxComposer> composer;
};

TEST_F(FaxAttachmentTest, PdfIsKeptWithTheFaxAndRenderedAfterTheCover)
{
    const std::string pdf = makePdf(3);
    const long recno = addFax(pdf, "Cover words");
    ASSERT_GT(recno, 0);
    ASSERT_TRUE(tables->FaxTable.GoTo(recno));

    // Edit gives the same file back as the attachment, and no document text.
    PlainFaxSurface edit;
    composer->open(FaxEditMode::Edit, edit);
    ASSERT_FALSE(edit.attachedDocument.empty());
    EXPECT_EQ(bytes(pdf), bytes(edit.attachedDocument));
    EXPECT_TRUE(edit.document().isEmptyText());
    // Accepting the editor keeps the document and drops the editing copy.
    msgs.answer(true);  // stored without a usable number
    ASSERT_TRUE(composer->edit(FaxEditMode::Edit, edit));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(data + "_EDITDOC.pdf")));

    FaxFileMaker maker(*tables, data);
    int pages = 0;
    const std::string file = maker.CreateFaxFile(pages);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(4, pages);
    fax::ApfReader r;
    ASSERT_EQ(0, r.open(file));
    ASSERT_EQ(4, r.pageCount());
    for (int p = 2; p <= 4; ++p) {
        fax::ApfPageHeader h;
        ASSERT_EQ(0, r.seekPage(p, &h));
        EXPECT_TRUE(h.fine());
        EXPECT_EQ(1728, h.width());
    }
    // The rendering's copy of the memo is gone.
    EXPECT_FALSE(QFile::exists(QString::fromStdString(data + FaxFileMaker::kDocumentCopy + "pdf")));
}

TEST_F(FaxAttachmentTest, TiffPagesKeepTheirResolutionAndCloneKeepsTheAttachment)
{
    const std::string tif = makeTiff();
    const long recno = addFax(tif, "");
    ASSERT_GT(recno, 0);
    ASSERT_TRUE(tables->FaxTable.GoTo(recno));
    PlainFaxSurface clone;
    composer->open(FaxEditMode::Clone, clone);
    ASSERT_FALSE(clone.attachedDocument.empty());
    const long second = composer->store(FaxEditMode::Clone, clone);
    ASSERT_GT(second, 0);
    ASSERT_NE(recno, second);
    ASSERT_TRUE(tables->FaxTable.GoTo(second));

    FaxFileMaker maker(*tables, data);
    int pages = 0;
    const std::string file = maker.CreateFaxFile(pages);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(2, pages); // no cover sheet: the document's two pages only
    fax::ApfReader r;
    ASSERT_EQ(0, r.open(file));
    ASSERT_EQ(2, r.pageCount());
    fax::ApfPageHeader h;
    ASSERT_EQ(0, r.seekPage(2, &h));
    EXPECT_FALSE(h.fine());
}

TEST_F(FaxAttachmentTest, AnAttachmentGoneBeforeAcceptStoresNothingAndTheEditorStaysOpen)
{
    const std::string pdf = makePdf(1);
    TFaxEditor editor(*composer, *tables);
    int acceptedWhileGone = -1;
    std::string coverAfterFailure;
    setModalRunner([&](QDialog &) {
        QSignalSpy accepted(&editor, &QDialog::accepted);
        editor.setFields({"Ada", "555-0100", "Report"});
        editor.coverEditor()->insertPlainText(QStringLiteral("typed cover"));
        EXPECT_TRUE(FaxComposer::attachDocument(editor, pdf));
        QFile::remove(QString::fromStdString(pdf));
        editor.accept();
        acceptedWhileGone = int(accepted.count());
        coverAfterFailure = editor.cover().plainTextWithBreaks().toStdString();
        // The user takes the text instead and accepts again.
        editor.RemoveAttachmentClick();
        editor.documentEditor()->insertPlainText(QStringLiteral("the text"));
        editor.accept();
        return editor.result();
    });
    const bool stored = composer->edit(FaxEditMode::New, editor);
    setModalRunner({});
    EXPECT_EQ(acceptedWhileGone, 0);
    EXPECT_EQ(coverAfterFailure, "typed cover");
    ASSERT_TRUE(stored);
    EXPECT_EQ(tables->FaxTable.RecordCount(), 1);
    ASSERT_EQ(msgs.count(ScriptedMessages::Kind::Information), 1u);
    EXPECT_EQ(msgs.calls().front().text.rfind("Unable to save the fax: the attached document", 0), 0u);
    EXPECT_EQ(records::readOutgoing(tables->FaxTable).recipient, "Ada");

    // Edit: a failed store leaves the row's cover, document and fields.
    const std::string other = makePdf(2);
    PlainFaxSurface edit;
    composer->open(FaxEditMode::Edit, edit);
    edit.setFields({"Bob", "1", "Changed"});
    edit.cover().loadRtf("{\\rtf1 new cover}");
    edit.attachedDocument = other;
    QFile::remove(QString::fromStdString(other));
    EXPECT_EQ(composer->store(FaxEditMode::Edit, edit), 0);
    PlainFaxSurface back;
    composer->open(FaxEditMode::Edit, back);
    EXPECT_EQ(back.fields().recipient, "Ada");
    EXPECT_EQ(back.cover().plainTextWithBreaks().toStdString(), "typed cover");
    EXPECT_EQ(back.document().plainTextWithBreaks().toStdString(), "the text");
}

TEST_F(FaxAttachmentTest, AFileThatIsNoDocumentIsNotStored)
{
    QDir().mkpath(dir.path() + "/in");
    const std::string fake = dir.path().toStdString() + "/in/fake.pdf";
    QFile f(QString::fromStdString(fake));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\\rtf1 not a pdf}");
    f.close();
    EXPECT_EQ(0, addFax(fake, "Cover"));
    EXPECT_FALSE(msgs.calls().empty());
}

TEST_F(FaxAttachmentTest, EditorShowsTheRecordsAttachmentAndRemovingItSendsTheTextAgain)
{
    const std::string pdf = makePdf(1);
    const long recno = addFax(pdf, "Cover");
    ASSERT_GT(recno, 0);
    ASSERT_TRUE(tables->FaxTable.GoTo(recno));
    TFaxEditor editor(*composer, *tables);
    composer->open(FaxEditMode::Edit, editor);
    editor.show();
    auto *label = editor.findChild<QLabel *>(QStringLiteral("AttachmentLabel"));
    auto *remove = editor.findChild<QToolButton *>(QStringLiteral("RemoveAttachmentButton"));
    ASSERT_TRUE(label && remove);
    EXPECT_FALSE(remove->isHidden());
    EXPECT_TRUE(label->text().contains(QStringLiteral("_EDITDOC.pdf")));
    EXPECT_TRUE(editor.documentEditor()->isReadOnly());
    remove->click();
    EXPECT_TRUE(editor.attachedDocument.empty());
    EXPECT_TRUE(label->text().isEmpty());
    EXPECT_TRUE(remove->isHidden());
    EXPECT_FALSE(editor.documentEditor()->isReadOnly());

    // Refused choices leave the editor as it was.
    EXPECT_FALSE(FaxComposer::attachDocument(editor, data + "Fax.dbf"));
    EXPECT_TRUE(editor.attachedDocument.empty());
    EXPECT_TRUE(FaxComposer::attachDocument(editor, pdf));
    EXPECT_EQ(pdf, editor.attachedDocument);
}

}  // namespace
}  // namespace qln::compose::test

// Screenshots of the composition windows: the fax editor on each of its
// three pages, the cover sheet template browser and editor, the paragraph
// dialog, and the phone book browser and editor.
#include "shots.h"

#include "common/datadir.h"
#include "common/localeformats.h"
#include "compose/coverbrowse.h"
#include "compose/covereditor.h"
#include "compose/coverlibrary.h"
#include "compose/faxcomposer.h"
#include "compose/faxeditor.h"
#include "compose/paragraphdialog.h"
#include "compose/phonebook.h"
#include "compose/phonebookeditor.h"
#include "compose/phonebooklogic.h"
#include "records/faxtables.h"
#include "richtext/richdocument.h"
#include "richtext/richedit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTabWidget>
#include <QTextCursor>

#include <stdexcept>

namespace {

const char *kCover =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Liberation Sans;}{\\f1 Liberation Serif;}}"
    "\\pard\\qc\\plain\\f0\\fs36\\b FAX\\par"
    "\\pard\\plain\\f1\\fs24\\par"
    "\\pard\\plain\\f1\\fs24{\\b To:} {\\field{\\*\\fldinst QLNMERGE 1}{\\fldrslt [RECIPIENT]}}\\par"
    "\\pard\\plain\\f1\\fs24{\\b Fax:} {\\field{\\*\\fldinst QLNMERGE 2}{\\fldrslt [FAX#]}}\\par"
    "\\pard\\plain\\f1\\fs24{\\b Date:} {\\field{\\*\\fldinst QLNMERGE 4}{\\fldrslt [DATE]}}\\par"
    "\\pard\\plain\\f1\\fs24\\par"
    "\\pard\\plain\\f1\\fs24 Pages to follow: 2\\par}";

const char *kDocument =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Liberation Serif;}}"
    "\\pard\\plain\\f0\\fs24 Dear Ms Hopper,\\par\\par"
    "\\pard\\qj\\fi360\\sa120\\plain\\f0\\fs24 Please find the {\\b signed contract} below. The second page "
    "lists the changes we agreed on the phone; {\\ul please confirm receipt} by return fax.\\par"
    "\\pard\\plain\\f0\\fs24 Kind regards,\\par Ada Byron\\par"
    "\\pard\\pagebb\\plain\\f0\\fs24 Changes agreed on 3 March.\\par}";

void prepare(ShotContext &ctx)
{
    qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
    qln::setLocaleFormats(qln::LocaleFormats::fromLocale(QLocale::system()));
}

void editorShot(ShotContext &ctx, int page, const QString &name)
{
    prepare(ctx);
    qln::records::FaxTables tables(ctx.dataDir.toStdString());
    if (!tables.OpenFaxDBF())
        throw std::runtime_error("cannot open the outgoing fax table");
    qln::compose::FaxComposer composer(tables);
    qln::compose::TFaxEditor w(composer, tables);
    w.setFields({"Grace Hopper", "555-0111", "Signed contract"});
    w.cover().loadRtf(kCover);
    w.document().loadRtf(kDocument);
    w.resize(760, 560);
    // The editor opens on the Recipient page when first shown; turn the page after that.
    w.show();
    w.activateWindow();
    QElapsedTimer waited;
    waited.start();
    while (!w.isActiveWindow() && waited.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
    w.pages()->setCurrentIndex(page);
    ctx.save(w, name);
}

void seedCovers(qln::records::FaxTables &tables)
{
    if (!tables.OpenCoverDBF())
        throw std::runtime_error("cannot open the cover table");
    qln::compose::CoverLibrary library(tables);
    for (const char *description : {"Company letterhead", "Plain cover", "Urgent - please deliver"}) {
        qln::richtext::RichDocument text;
        text.loadRtf(kCover);
        library.addTemplate(description, text);
    }
}

void seedPhoneBook(qln::compose::PhoneBookLogic &book)
{
    for (const auto &e : {qln::compose::PhoneEntryText{"Ada Byron", "555-0110"},
                          qln::compose::PhoneEntryText{"Alan Turing", "555-0116"},
                          qln::compose::PhoneEntryText{"Barbara Liskov", "+1 617 555 0114"},
                          qln::compose::PhoneEntryText{"Grace Hopper", "555-0111"}})
        book.addEntry(e);
}

}  // namespace

static QlnShot editorRecipient{"editor-recipient", "fax editor, Recipient page", [](ShotContext &ctx) {
                                   editorShot(ctx, qln::compose::TFaxEditor::RecipientPage,
                                              QStringLiteral("editor-recipient"));
                               }};

static QlnShot editorCover{"editor-cover", "fax editor, Cover Sheet page with merge fields", [](ShotContext &ctx) {
                               editorShot(ctx, qln::compose::TFaxEditor::CoverPage, QStringLiteral("editor-cover"));
                           }};

static QlnShot editorDocument{"editor-document", "fax editor, Fax Document page with a page break",
                              [](ShotContext &ctx) {
                                  editorShot(ctx, qln::compose::TFaxEditor::DocumentPage,
                                             QStringLiteral("editor-document"));
                              }};

static QlnShot coverBrowse{"cover-browse", "cover sheet template browser with three templates",
                           [](ShotContext &ctx) {
                               prepare(ctx);
                               qln::records::FaxTables tables(ctx.dataDir.toStdString());
                               seedCovers(tables);
                               qln::compose::CoverLibrary library(tables);
                               qln::compose::TCoverBrowse w(library);
                               w.setPickMode(false);
                               ctx.save(w, QStringLiteral("cover-browse"));
                           }};

static QlnShot coverPick{"cover-pick", "cover sheet template browser picking for the editor",
                         [](ShotContext &ctx) {
                             prepare(ctx);
                             qln::records::FaxTables tables(ctx.dataDir.toStdString());
                             seedCovers(tables);
                             qln::compose::CoverLibrary library(tables);
                             qln::compose::TCoverBrowse w(library);
                             w.setPickMode(true);
                             ctx.save(w, QStringLiteral("cover-pick"));
                         }};

static QlnShot coverEditor{"cover-editor", "cover sheet template editor", [](ShotContext &ctx) {
                               prepare(ctx);
                               qln::compose::TCoverEditor w;
                               w.setDescription("Company letterhead");
                               w.document().loadRtf(kCover);
                               w.resize(720, 540);
                               ctx.save(w, QStringLiteral("cover-editor"));
                           }};

static QlnShot paragraph{"paragraph-dialog", "paragraph dialog for the caret's paragraph", [](ShotContext &ctx) {
                             prepare(ctx);
                             qln::compose::TCoverEditor host;
                             host.document().loadRtf(kDocument);
                             QTextCursor c(host.document().document());
                             c.movePosition(QTextCursor::NextBlock, QTextCursor::MoveAnchor, 2);
                             host.editor()->setTextCursor(c);
                             qln::compose::TParagraphPropDlg w(*host.editor());
                             ctx.save(w, QStringLiteral("paragraph-dialog"));
                         }};

static QlnShot phoneBook{"phonebook", "phone book browser with four entries", [](ShotContext &ctx) {
                             prepare(ctx);
                             qln::records::FaxTables tables(ctx.dataDir.toStdString());
                             qln::compose::PhoneBookLogic book(tables);
                             if (!book.open())
                                 throw std::runtime_error("cannot open the phone book");
                             seedPhoneBook(book);
                             qln::compose::TPhoneBook w(book);
                             w.setPickMode(false);
                             ctx.save(w, QStringLiteral("phonebook"));
                         }};

static QlnShot phoneEditor{"phonebook-editor", "phone book editor for one entry", [](ShotContext &ctx) {
                               prepare(ctx);
                               qln::compose::TPhoneBookEditor w;
                               w.setEntry(QStringLiteral("Grace Hopper"), QStringLiteral("555-0111"));
                               ctx.save(w, QStringLiteral("phonebook-editor"));
                           }};

// Screenshots of the fax editor's fields, keys and its Accept and Cancel
// checks: a click into a design text, Tab to the phonebook button, Ctrl+B,
// Ctrl+I and Ctrl+U in the cover sheet, each question and message over the
// open editor, and the editor still open after a store that failed. The
// message boxes are the program's own (QtMessages); each is photographed
// together with the editor behind it, from the screen, and then answered
// No.
#include "shots.h"

#include "app/qtmessages.h"
#include "common/datadir.h"
#include "common/localeformats.h"
#include "common/messages.h"
#include "compose/coverbrowse.h"
#include "compose/covereditor.h"
#include "compose/coverlibrary.h"
#include "compose/faxcomposer.h"
#include "compose/faxeditor.h"
#include "compose/modal.h"
#include "records/faxtables.h"
#include "richtext/richdocument.h"
#include "richtext/richedit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include <functional>
#include <stdexcept>

namespace {

using qln::compose::FaxEditMode;
using qln::compose::TFaxEditor;

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Real input through the X server (xdotool), so that focus and selection
// follow a click or a key as they do for the user; waits for the window
// to take it in.
void xdotool(const QStringList &args)
{
    if (QProcess::execute(QStringLiteral("xdotool"), args) != 0)
        throw std::runtime_error("xdotool failed (is it installed?)");
    settle(300);
}

void click(QWidget *w, QPoint at)
{
    const QPoint g = w->mapToGlobal(at);
    xdotool({QStringLiteral("mousemove"), QString::number(g.x()), QString::number(g.y()), QStringLiteral("click"),
             QStringLiteral("1")});
}

void type(const QString &text) { xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}); }

void key(const QString &keys) { xdotool({QStringLiteral("key"), keys}); }

// Clicks into a rich-text pane and types three words, turning bold, italic
// and underline on and off with their keys.
void typeWithStyleKeys(QWidget *viewport)
{
    click(viewport, QPoint(40, 20));
    key(QStringLiteral("ctrl+b"));
    type(QStringLiteral("Bold "));
    key(QStringLiteral("ctrl+b"));
    key(QStringLiteral("ctrl+i"));
    type(QStringLiteral("italic "));
    key(QStringLiteral("ctrl+u"));
    type(QStringLiteral("and underlined"));
}

// The part of the screen holding `windows`, with their frames.
QString grabScreen(const std::vector<QWidget *> &windows, const QString &outDir, const QString &name)
{
    QRect area;
    for (QWidget *w : windows)
        area |= w->frameGeometry();
    area.adjust(-8, -32, 8, 8);  // frameGeometry may not know the title bar yet
    const QString path = QDir(outDir).filePath(name + ".png");
    QScreen *screen = QGuiApplication::primaryScreen();
    area &= screen->geometry();
    if (!screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path))
        std::fprintf(stderr, "qln_shots: cannot write %s\n", qPrintable(path));
    return path;
}

// Puts a window where the screenshots expect it and lets it settle.
void present(QWidget &w, int width, int height)
{
    w.resize(width, height);
    w.move(80, 60);
    w.show();
    w.activateWindow();
    settle(600);
}

// A new fax in the real editor window, run through the composer with the
// program's message boxes; `user` works the open editor.
void runEditor(ShotContext &ctx, const std::function<void(TFaxEditor &)> &user)
{
    qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
    qln::setLocaleFormats(qln::LocaleFormats::fromLocale(QLocale::system()));
    qln::QtMessages boxes;
    qln::ScopedMessages installed(boxes);
    qln::records::FaxTables tables(ctx.dataDir.toStdString());
    if (!tables.OpenFaxDBF())
        throw std::runtime_error("cannot open the outgoing fax table");
    qln::compose::FaxComposer composer(tables);
    TFaxEditor editor(composer, tables);
    qln::compose::setModalRunner([&](QDialog &d) {
        // A template browser opened from the editor picks its first row.
        if (auto *browser = qobject_cast<qln::compose::TCoverBrowse *>(&d)) {
            browser->AcceptbuttonClick();
            return browser->result();
        }
        present(d, 760, 520);
        user(editor);
        const int result = d.result();
        d.hide();
        return result;
    });
    composer.edit(FaxEditMode::New, editor);
    qln::compose::setModalRunner({});
}

// Runs `trigger` (which opens a message box) and photographs the box over
// the editor before answering it with Escape (No).
void shootBox(QWidget &editor, const QString &outDir, const QString &name, const std::function<void()> &trigger)
{
    bool taken = false;
    QTimer::singleShot(800, [&] {
        QWidget *box = QApplication::activeModalWidget();
        if (!box)
            return;
        grabScreen({&editor, box}, outDir, name);
        taken = true;
        box->close();  // a question's No
    });
    trigger();
    if (!taken)
        throw std::runtime_error(("no message box for " + name).toStdString());
}

// Ends the shot's editor without its Cancel question.
void closeEditor(QDialog &editor) { editor.done(QDialog::Rejected); }

void fill(TFaxEditor &editor, const char *recipient, const char *number)
{
    editor.setFields({recipient, number, "Signed contract"});
    editor.documentEditor()->insertPlainText(QStringLiteral("Please find the signed contract attached."));
}

// A new template in the real cover template editor, run through the cover
// library with the program's message boxes; `user` works the open editor.
void runCoverEditor(ShotContext &ctx, const std::function<void(qln::compose::TCoverEditor &)> &user)
{
    qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
    qln::QtMessages boxes;
    qln::ScopedMessages installed(boxes);
    qln::records::FaxTables tables(ctx.dataDir.toStdString());
    if (!tables.OpenCoverDBF())
        throw std::runtime_error("cannot open the cover table");
    qln::compose::CoverLibrary library(tables);
    qln::compose::setModalRunner([&](QDialog &d) {
        auto *ed = qobject_cast<qln::compose::TCoverEditor *>(&d);
        present(*ed, 720, 420);
        user(*ed);
        closeEditor(*ed);
        return int(QDialog::Rejected);
    });
    library.newTemplate([] { return std::make_unique<qln::compose::TCoverEditor>(); });
    qln::compose::setModalRunner({});
}

}  // namespace

static QlnShot designClick{"editor-keys-design-text", "fax editor: a click into the Recipient design text selects it",
                           [](ShotContext &ctx) {
                               runEditor(ctx, [&](TFaxEditor &ed) {
                                   QLineEdit *r = ed.recipientEdit();
                                   click(r, QPoint(r->width() / 3, r->height() / 2));
                                   grabScreen({&ed}, ctx.outDir, QStringLiteral("editor-keys-design-text"));
                                   type(QStringLiteral("Bob"));
                                   key(QStringLiteral("Tab"));
                                   // "Bob" replaced the design text; Tab landed on the phonebook button.
                                   grabScreen({&ed}, ctx.outDir, QStringLiteral("editor-keys-tab"));
                                   closeEditor(ed);
                               });
                           }};

static QlnShot boldKeys{"editor-keys-bold", "fax editor: Ctrl+B, Ctrl+I and Ctrl+U in the cover sheet",
                        [](ShotContext &ctx) {
                            runEditor(ctx, [&](TFaxEditor &ed) {
                                ed.pages()->setCurrentIndex(TFaxEditor::CoverPage);
                                typeWithStyleKeys(ed.coverEditor()->viewport());
                                grabScreen({&ed}, ctx.outDir, QStringLiteral("editor-keys-bold"));
                                closeEditor(ed);
                            });
                        }};

static QlnShot coverEditorKeys{"cover-editor-keys", "cover template editor: Ctrl+B, Ctrl+I and Ctrl+U",
                               [](ShotContext &ctx) {
                                   runCoverEditor(ctx, [&](qln::compose::TCoverEditor &ed) {
                                       ed.setDescription("Company letterhead");
                                       typeWithStyleKeys(ed.editor()->viewport());
                                       grabScreen({&ed}, ctx.outDir, QStringLiteral("cover-editor-keys"));
                                   });
                               }};

static QlnShot coverEditorChars{
    "cover-editor-characters", "cover template editor: Accept with characters the table cannot store",
    [](ShotContext &ctx) {
        runCoverEditor(ctx, [&](qln::compose::TCoverEditor &ed) {
            ed.setDescription("\xC5\x81\xC3\xB3" "d\xC5\xBA office");
            ed.editor()->insertPlainText(QString::fromUtf8("ACME Ltd, \xC5\x81\xC3\xB3" "d\xC5\xBA"));
            shootBox(ed, ctx.outDir, QStringLiteral("cover-editor-characters"), [&] { ed.accept(); });
        });
    }};

static QlnShot acceptEmpty{"editor-accept-empty", "fax editor: Accept with nothing to send asks first",
                           [](ShotContext &ctx) {
                               runEditor(ctx, [&](TFaxEditor &ed) {
                                   ed.setFields({"Grace Hopper", "555-0111", "Signed contract"});
                                   shootBox(ed, ctx.outDir, QStringLiteral("editor-accept-empty"), [&] { ed.accept(); });
                                   closeEditor(ed);
                               });
                           }};

static QlnShot acceptNumber{"editor-accept-number", "fax editor: Accept with the design text as fax number",
                            [](ShotContext &ctx) {
                                runEditor(ctx, [&](TFaxEditor &ed) {
                                    fill(ed, "Grace Hopper", "FaxNumber");
                                    shootBox(ed, ctx.outDir, QStringLiteral("editor-accept-number"), [&] { ed.accept(); });
                                    closeEditor(ed);
                                });
                            }};

static QlnShot acceptChars{"editor-accept-characters",
                           "fax editor: Accept with characters the tables cannot store",
                           [](ShotContext &ctx) {
                               runEditor(ctx, [&](TFaxEditor &ed) {
                                   fill(ed, "\xC5\x81ukasz Dvo\xC5\x99\xC3\xA1k", "555-0111");
                                   shootBox(ed, ctx.outDir, QStringLiteral("editor-accept-characters"),
                                            [&] { ed.accept(); });
                                   closeEditor(ed);
                               });
                           }};

static QlnShot storeFailed{"editor-store-failed", "fax editor: a failed store keeps the editor open",
                           [](ShotContext &ctx) {
                               const QString pdf = ctx.dataDir + QStringLiteral("/Contract.pdf");
                               {
                                   QPdfWriter w(pdf);
                                   w.setPageSize(QPageSize(QPageSize::A4));
                                   QPainter p(&w);
                                   p.drawText(QPointF(500, 500), QStringLiteral("Contract"));
                               }
                               runEditor(ctx, [&](TFaxEditor &ed) {
                                   ed.setFields({"Grace Hopper", "555-0111", "Signed contract"});
                                   ed.coverEditor()->insertPlainText(QStringLiteral("Two pages follow."));
                                   qln::compose::FaxComposer::attachDocument(ed, pdf.toStdString());
                                   ed.showAttachment();
                                   ed.pages()->setCurrentIndex(TFaxEditor::DocumentPage);
                                   settle(200);
                                   QFile::remove(pdf);  // moved away before Accept
                                   shootBox(ed, ctx.outDir, QStringLiteral("editor-store-failed"), [&] { ed.accept(); });
                                   settle(300);
                                   ed.pages()->setCurrentIndex(TFaxEditor::CoverPage);
                                   settle(300);
                                   grabScreen({&ed}, ctx.outDir, QStringLiteral("editor-store-failed-still-open"));
                                   closeEditor(ed);
                               });
                           }};

static QlnShot cancelChanged{"editor-cancel-discard", "fax editor: Cancel after typing asks",
                             [](ShotContext &ctx) {
                                 runEditor(ctx, [&](TFaxEditor &ed) {
                                     fill(ed, "Grace Hopper", "555-0111");
                                     shootBox(ed, ctx.outDir, QStringLiteral("editor-cancel-discard"),
                                              [&] { ed.reject(); });
                                     closeEditor(ed);
                                 });
                             }};

static QlnShot templateUnreadable{
    "editor-template-unreadable", "fax editor: Load Template with an unreadable template keeps the cover",
    [](ShotContext &ctx) {
        const std::string dir = ctx.dataDir.toStdString();
        {
            qln::records::FaxTables tables(dir);
            if (!tables.OpenCoverDBF())
                throw std::runtime_error("cannot open the cover table");
            qln::compose::CoverLibrary library(tables);
            qln::richtext::RichDocument text;
            text.loadRtf("{\\rtf1 Company letterhead}");
            library.addTemplate("Company letterhead", text);
            tables.CoverTable.Close();
        }
        QFile::resize(ctx.dataDir + QStringLiteral("/QLNCOV.FPT"), 512);  // the memo's blocks are lost
        runEditor(ctx, [&](TFaxEditor &ed) {
            ed.setFields({"Grace Hopper", "555-0111", "Signed contract"});
            ed.pages()->setCurrentIndex(TFaxEditor::CoverPage);
            ed.coverEditor()->insertPlainText(QStringLiteral("My own cover sheet, typed before Load Template."));
            shootBox(ed, ctx.outDir, QStringLiteral("editor-template-unreadable"), [&] { ed.LoadCoverButtonClick(); });
            settle(300);
            grabScreen({&ed}, ctx.outDir, QStringLiteral("editor-template-unreadable-kept"));
            closeEditor(ed);
        });
    }};

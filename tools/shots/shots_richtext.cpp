// Screenshots of the rich-text control with its tool bar showing formatted
// text and merge fields, and of the spell-check dialog.
#include "shots.h"

#include "richtext/richedit.h"
#include "richtext/richicons.h"
#include "richtext/richtoolbar.h"
#include "spell/spellchecker.h"
#include "spell/spelldialog.h"

#include <QDir>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QWidget>

namespace {

const char *kLetter =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Liberation Sans;}{\\f1 Liberation Serif;}}"
    "\\pard\\qc\\plain\\f0\\fs32\\b Fax Cover Sheet\\par"
    "\\pard\\plain\\f1\\fs24\\par"
    "\\pard\\plain\\f1\\fs24{\\b To:} {\\field{\\*\\fldinst QLNMERGE 1}{\\fldrslt [RECIPIENT]}}\\tab "
    "{\\b Fax:} {\\field{\\*\\fldinst QLNMERGE 2}{\\fldrslt [FAX#]}}\\par"
    "\\pard\\plain\\f1\\fs24{\\b Date:} {\\field{\\*\\fldinst QLNMERGE 4}{\\fldrslt [DATE]}}\\par"
    "\\pard\\plain\\f1\\fs24\\par"
    "\\pard\\qj\\li360\\fi360\\sa120\\plain\\f1\\fs24 Please find the {\\i signed contract} attached. "
    "The {\\b second page} lists the changes we agreed on the phone; {\\ul please confirm receipt} by "
    "return fax. The paragraph is justified, with a first-line indent.\\par"
    "\\pard\\qr\\plain\\f1\\fs24 Kind regards,\\par"
    "\\pard\\pagebb\\plain\\f1\\fs24 Page two starts after the dashed page-break line.\\par}";

}  // namespace

static QlnShot editorShot{"richtext-editor", "rich-text control with its tool bar and formatted text",
                          [](ShotContext &ctx) {
                              QWidget w;
                              w.setWindowTitle(QStringLiteral("Rich text"));
                              auto *layout = new QVBoxLayout(&w);
                              layout->setContentsMargins(4, 4, 4, 4);
                              auto *bar = new qln::richtext::TRichEditToolBar(&w);
                              auto *edit = new qln::richtext::TRichEdit(&w);
                              bar->setEditor(edit);
                              // The fax editor's own buttons, as an owner adds them.
                              using qln::richtext::RichIcon;
                              bar->addButton(qln::richtext::richIcon(RichIcon::PageBreak), "Insert Page Break");
                              bar->addButton(qln::richtext::richIcon(RichIcon::Paragraph), "Paragraph properties");
                              bar->addButton(qln::richtext::richIcon(RichIcon::WordWrap), "Toggle word wrap on");
                              bar->addButton(qln::richtext::richIcon(RichIcon::DefaultFont),
                                             "Set the default font for the editor");
                              layout->addWidget(bar);
                              layout->addWidget(edit);
                              edit->richDocument().loadRtf(kLetter);
                              edit->setPageLayout(qln::richtext::PageLayout());
                              edit->reformat();
                              QTextCursor c = edit->textCursor();
                              c.setPosition(edit->document()->toPlainText().indexOf("signed") + 2);
                              edit->setTextCursor(c);
                              w.resize(820, 460);
                              ctx.save(w, QStringLiteral("richtext-editor"));
                          }};

static QlnShot spellShot{"richtext-spellcheck", "spell-check dialog on a misspelt word", [](ShotContext &ctx) {
                             qln::richtext::TRichEdit edit;
                             edit.setPlainText("Please recieve the atached documents by tomorow.");
                             qln::spell::SpellChecker checker(
                                 qln::spell::SpellChecker::findDictionary(
                                     qln::spell::SpellChecker::defaultDictionaryDirs(), "en_US"),
                                 QDir(ctx.dataDir).filePath("QLNUSER.DIC"));
                             qln::spell::TSpellCheckDialog dialog(&edit, checker);
                             dialog.start();
                             ctx.save(dialog, QStringLiteral("richtext-spellcheck"));
                         }};

#include "compose/richtoolbars.h"

#include "richtext/richedit.h"
#include "richtext/richtoolbar.h"
#include "spell/spellchecker.h"
#include "spell/spelldialog.h"

#include <QObject>

namespace qln::compose {

richtext::TRichEditToolBar *makeRichToolBar(richtext::TRichEdit &editor, QWidget *parent)
{
    auto *bar = new richtext::TRichEditToolBar(parent);
    bar->setEditor(&editor);
    return bar;
}

void connectSpellCheck(richtext::TRichEdit &editor, QWidget *parent)
{
    QObject::connect(&editor, &richtext::TRichEdit::StartSpellCheck, parent, [&editor, parent] {
        spell::TSpellCheckDialog::run(&editor, spell::SpellChecker::session(), parent);
    });
}

}  // namespace qln::compose

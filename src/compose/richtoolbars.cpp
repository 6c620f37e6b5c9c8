#include "compose/richtoolbars.h"

#include "richtext/richedit.h"

#include <QToolBar>

namespace qln::compose {

QToolBar *makeRichToolBar(richtext::TRichEdit &editor, QWidget *parent)
{
    (void)editor;
    auto *bar = new QToolBar(parent);
    return bar;
}

void connectSpellCheck(richtext::TRichEdit &editor, QWidget *parent)
{
    (void)editor;
    (void)parent;
}

}  // namespace qln::compose

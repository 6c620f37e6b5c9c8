#include "compose/plainfaxsurface.h"

#include <QTextCursor>

namespace qln::compose {

void applyTypingAttributes(richtext::RichDocument &doc, const richtext::CharAttributes &a)
{
    QTextCursor c(doc.document());
    doc.applyAttributes(c, a);
}

void applyToWholeText(richtext::RichDocument &doc, const richtext::CharAttributes &a)
{
    QTextCursor c(doc.document());
    c.select(QTextCursor::Document);
    doc.applyAttributes(c, a);
}

bool PlainFaxSurface::run(const EditorClose &close)
{
    if (accept_)
        return !close.accept || close.accept();
    if (close.cancel)
        close.cancel();
    return false;
}

void PlainFaxSurface::setTypingAttributes(const richtext::CharAttributes &a)
{
    typing_ = a;
    applyTypingAttributes(cover_, a);
    applyTypingAttributes(document_, a);
}

}  // namespace qln::compose

#include "richtext/richedit.h"

#include "richtext/richformat.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextDocumentFragment>
#include <QTextBlock>

#include <cmath>

namespace qln::richtext {

namespace {

const char *const kRtfMimeTypes[] = {"text/rtf", "application/rtf", "text/richtext"};

// The space around the text inside the control, in pixels.
constexpr int kViewMargin = 8;

}  // namespace

TRichEdit::TRichEdit(QWidget *parent) : QTextEdit(parent)
{
    setDocument(rich_.document());
    rich_.document()->setDocumentMargin(kViewMargin);
    setAcceptRichText(true);
    setTabChangesFocus(false);
    connect(this, &QTextEdit::currentCharFormatChanged, this, &TRichEdit::typingFormatChanged);
    connect(this, &QTextEdit::cursorPositionChanged, this, &TRichEdit::attributesChanged);
    connect(rich_.document(), &QTextDocument::contentsChanged, this, &TRichEdit::shadeMergeFields);
    updateWrapWidth();
}

TRichEdit::~TRichEdit()
{
    // The document belongs to rich_, which goes before the QTextEdit base:
    // give the base a document of its own to let go of.
    setDocument(nullptr);
}

bool TRichEdit::loadFromFile(const QString &path)
{
    const bool ok = rich_.loadFromFile(path);
    rich_.document()->setDocumentMargin(kViewMargin);
    moveCaretToStart();
    reformat();
    return ok;
}

bool TRichEdit::saveToFile(const QString &path) const
{
    return rich_.saveToFile(path);
}

void TRichEdit::clearText()
{
    rich_.clear();
    rich_.document()->setDocumentMargin(kViewMargin);
    reformat();
}

void TRichEdit::reformat()
{
    updateWrapWidth();
    rich_.document()->markContentsDirty(0, rich_.document()->characterCount());
    viewport()->update();
}

void TRichEdit::setPageLayout(const PageLayout &layout)
{
    rich_.setPageLayout(layout);
    updateWrapWidth();
}

void TRichEdit::updateWrapWidth()
{
    if (wordWrap_) {
        setLineWrapMode(QTextEdit::WidgetWidth);
        return;
    }
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(std::max(1, int(std::lround(rich_.pageTextWidthPixels()))));
}

CharAttributes TRichEdit::currentAttributes() const
{
    return rich_.attributesAt(textCursor());
}

void TRichEdit::setCurrentAttributes(const CharAttributes &a)
{
    QTextCursor c = textCursor();
    rich_.applyAttributes(c, a);
    setTextCursor(c);
    emit attributesChanged();
}

void TRichEdit::mergeFormat(const QTextCharFormat &f)
{
    QTextCursor c = textCursor();
    if (c.hasSelection()) {
        c.mergeCharFormat(f);
    } else {
        QTextCharFormat typing = withoutMerge(c.charFormat());
        typing.merge(f);
        c.setCharFormat(typing);
        if (c.block().length() <= 1)
            c.setBlockCharFormat(typing);
        setTextCursor(c);
    }
    emit attributesChanged();
}

void TRichEdit::setFontName(const QString &name)
{
    if (name.trimmed().isEmpty())
        return;
    QTextCharFormat f;
    f.setFontFamilies(QStringList{name.trimmed()});
    mergeFormat(f);
}

void TRichEdit::setFontSize(int points)
{
    if (points < 1)
        return;
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeFormat(f);
}

void TRichEdit::setBold(bool on)
{
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeFormat(f);
}

void TRichEdit::setItalic(bool on)
{
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeFormat(f);
}

void TRichEdit::setUnderline(bool on)
{
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeFormat(f);
}

void TRichEdit::setNormal()
{
    QTextCharFormat f;
    f.setFontWeight(QFont::Normal);
    f.setFontItalic(false);
    f.setFontUnderline(false);
    mergeFormat(f);
}

void TRichEdit::toggleBold() { setBold(!currentAttributes().bold); }
void TRichEdit::toggleItalic() { setItalic(!currentAttributes().italic); }
void TRichEdit::toggleUnderline() { setUnderline(!currentAttributes().underline); }

int TRichEdit::styleKey(const QKeyEvent *e) const
{
    if (isReadOnly() || (e->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
        return 0;
    const int key = e->key();
    return key == Qt::Key_B || key == Qt::Key_I || key == Qt::Key_U ? key : 0;
}

bool TRichEdit::event(QEvent *e)
{
    // The keys belong to the text while it has the focus, before any
    // shortcut of the window sees them.
    if (e->type() == QEvent::ShortcutOverride && styleKey(static_cast<QKeyEvent *>(e)) != 0) {
        e->accept();
        return true;
    }
    return QTextEdit::event(e);
}

void TRichEdit::keyPressEvent(QKeyEvent *e)
{
    switch (styleKey(e)) {
    case Qt::Key_B: toggleBold(); break;
    case Qt::Key_I: toggleItalic(); break;
    case Qt::Key_U: toggleUnderline(); break;
    default: QTextEdit::keyPressEvent(e); return;
    }
    e->accept();
}

Qt::Alignment TRichEdit::paragraphAlignment() const
{
    return textCursor().blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

void TRichEdit::setParagraphAlignment(Qt::Alignment a)
{
    setAlignment(a);
    emit attributesChanged();
}

void TRichEdit::typingFormatChanged(const QTextCharFormat &f)
{
    // Text typed next to a merge field is text, not part of the field.
    if (f.hasProperty(kMergeTag) && !textCursor().hasSelection())
        setCurrentCharFormat(withoutMerge(f));
    emit attributesChanged();
}

void TRichEdit::insertPageBreak()
{
    QTextCursor c = textCursor();
    rich_.insertPageBreak(c);
    setTextCursor(c);
    reformat();
}

bool TRichEdit::wordWrap() const
{
    return wordWrap_;
}

void TRichEdit::setWordWrap(bool on)
{
    wordWrap_ = on;
    updateWrapWidth();
}

int TRichEdit::zoom() const
{
    return rich_.zoom();
}

void TRichEdit::setZoom(int percent)
{
    rich_.setZoom(percent);
    reformat();
}

void TRichEdit::moveCaretToStart()
{
    moveCursor(QTextCursor::Start);
}

ParagraphSpacing TRichEdit::paragraphSpacing() const
{
    return rich_.paragraphSpacingAt(textCursor());
}

void TRichEdit::setParagraphSpacing(const ParagraphSpacing &s)
{
    QTextCursor c = textCursor();
    rich_.setParagraphSpacing(c, s);
    viewport()->update();
}

void TRichEdit::insertMergeField(int tag)
{
    QTextCursor c = textCursor();
    rich_.insertMergeField(c, tag);
    setTextCursor(c);
}

void TRichEdit::fillMergeFields()
{
    rich_.fillMergeFields(getTextToInsert_);
}

void TRichEdit::shadeMergeFields()
{
    QList<ExtraSelection> marks;
    QTextCharFormat shade;
    shade.setBackground(QColor(225, 225, 225));
    const QTextDocument *doc = rich_.document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (frag.charFormat().intProperty(kMergeTag) <= 0)
                continue;
            QTextCursor c(rich_.document());
            c.setPosition(frag.position());
            c.setPosition(frag.position() + frag.length(), QTextCursor::KeepAnchor);
            marks.append(ExtraSelection{c, shade});
        }
    }
    if (!marks.isEmpty() || !extraSelections().isEmpty())
        setExtraSelections(marks);
}

void TRichEdit::paintEvent(QPaintEvent *e)
{
    QTextEdit::paintEvent(e);
    // A dashed line above each paragraph that starts a new page.
    QPainter p(viewport());
    p.setPen(QPen(QColor(128, 128, 128), 1, Qt::DashLine));
    const int dx = horizontalScrollBar()->value();
    const int dy = verticalScrollBar()->value();
    const QAbstractTextDocumentLayout *layout = rich_.document()->documentLayout();
    for (QTextBlock b = cursorForPosition(QPoint(0, 0)).block(); b.isValid(); b = b.next()) {
        const QRectF r = layout->blockBoundingRect(b).translated(-dx, -dy);
        if (r.top() > viewport()->height())
            break;
        if (isPageBreak(b.blockFormat()) && b != rich_.document()->begin()) {
            const int y = int(r.top()) + 1;
            p.drawLine(int(r.left()), y, int(r.left() + std::max(r.width(), 40.0)), y);
        }
    }
}

bool TRichEdit::canInsertFromMimeData(const QMimeData *source) const
{
    for (const char *type : kRtfMimeTypes)
        if (source->hasFormat(QLatin1String(type)))
            return true;
    return source->hasText();
}

void TRichEdit::insertFromMimeData(const QMimeData *source)
{
    QTextCursor c = textCursor();
    for (const char *type : kRtfMimeTypes) {
        if (source->hasFormat(QLatin1String(type))) {
            c.beginEditBlock();
            rich_.insertRtf(c, source->data(QLatin1String(type)));
            c.endEditBlock();
            setTextCursor(c);
            return;
        }
    }
    if (source->hasText()) {
        // Pasted plain text takes the attributes at the caret.
        c.insertText(source->text(), withoutMerge(c.charFormat()));
        setTextCursor(c);
    }
}

QMimeData *TRichEdit::createMimeDataFromSelection() const
{
    auto *data = new QMimeData;
    const QTextCursor c = textCursor();
    data->setData(QStringLiteral("text/rtf"), rich_.selectionRtf(c));
    QString text = c.selection().toPlainText();
    data->setText(text);
    return data;
}

}  // namespace qln::richtext

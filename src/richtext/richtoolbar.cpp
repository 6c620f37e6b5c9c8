#include "richtext/richtoolbar.h"

#include "richtext/richedit.h"
#include "richtext/richicons.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

namespace qln::richtext {

namespace {

QIcon letterIcon(const QString &letter, bool bold, bool italic, bool underline)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(13);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    p.setFont(f);
    p.setPen(QColor(40, 40, 40));
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, letter);
    p.end();
    return QIcon(pm);
}

}  // namespace

QList<int> TRichEditToolBar::fontSizes()
{
    return {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
}

TRichEditToolBar::TRichEditToolBar(QWidget *parent) : QWidget(parent)
{
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(2, 2, 2, 2);
    layout_->setSpacing(0);

    fontName_ = new QComboBox(this);
    fontName_->setEditable(true);
    fontName_->setInsertPolicy(QComboBox::NoInsert);
    fontName_->setToolTip(tr("Font name"));
    fontName_->setMinimumContentsLength(16);
    for (const QString &family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family))
            fontName_->addItem(family);
    connect(fontName_, &QComboBox::textActivated, this, &TRichEditToolBar::fontNameChosen);
    layout_->addWidget(fontName_);

    fontSize_ = new QComboBox(this);
    fontSize_->setEditable(true);
    fontSize_->setInsertPolicy(QComboBox::NoInsert);
    fontSize_->setToolTip(tr("Font size"));
    fontSize_->setValidator(new QIntValidator(1, 1600, fontSize_));
    fontSize_->setMinimumContentsLength(3);
    for (int s : fontSizes())
        fontSize_->addItem(QString::number(s));
    connect(fontSize_, &QComboBox::textActivated, this, &TRichEditToolBar::fontSizeChosen);
    layout_->addSpacing(2);
    layout_->addWidget(fontSize_);
    layout_->addSpacing(4);

    makeButton(Button::Normal, letterIcon(QStringLiteral("N"), false, false, false), tr("Normal"), false);
    makeButton(Button::Bold, letterIcon(QStringLiteral("B"), true, false, false), tr("Bold (Ctrl+B)"), true);
    makeButton(Button::Italic, letterIcon(QStringLiteral("I"), false, true, false), tr("Italic (Ctrl+I)"), true);
    makeButton(Button::Underline, letterIcon(QStringLiteral("U"), false, false, true), tr("Underline (Ctrl+U)"), true);
    layout_->addSpacing(4);
    alignGroup_ = new QButtonGroup(this);
    alignGroup_->setExclusive(true);
    alignGroup_->addButton(makeButton(Button::AlignLeft, richIcon(RichIcon::AlignLeft), tr("Align left"), true));
    alignGroup_->addButton(makeButton(Button::AlignRight, richIcon(RichIcon::AlignRight), tr("Align right"), true));
    alignGroup_->addButton(makeButton(Button::AlignJustify, richIcon(RichIcon::AlignJustify), tr("Justify"), true));
    alignGroup_->addButton(makeButton(Button::AlignCenter, richIcon(RichIcon::AlignCenter), tr("Centre"), true));
    layout_->addSpacing(4);
    makeButton(Button::Copy, richIcon(RichIcon::Copy), tr("Copy"), false);
    makeButton(Button::Cut, richIcon(RichIcon::Cut), tr("Cut"), false);
    makeButton(Button::Paste, richIcon(RichIcon::Paste), tr("Paste"), false);
    layout_->addSpacing(4);
    makeButton(Button::SpellCheck, richIcon(RichIcon::SpellCheck), tr("Spell check"), false);
    layout_->addStretch(1);
    setEditor(nullptr);
}

TRichEditToolBar::~TRichEditToolBar() = default;

QToolButton *TRichEditToolBar::makeButton(Button b, const QIcon &icon, const QString &hint, bool checkable)
{
    auto *button = new QToolButton(this);
    button->setIcon(icon);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setCheckable(checkable);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, b](bool checked) { act(b, checked); });
    layout_->addWidget(button);
    if (buttons_.size() <= size_t(b))
        buttons_.resize(size_t(b) + 1, nullptr);
    buttons_[size_t(b)] = button;
    return button;
}

QToolButton *TRichEditToolBar::button(Button b) const
{
    return buttons_.at(size_t(b));
}

QToolButton *TRichEditToolBar::addButton(const QIcon &icon, const QString &hint, bool spacerBefore)
{
    auto *button = new QToolButton(this);
    button->setIcon(icon);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    addWidget(button, spacerBefore);
    return button;
}

void TRichEditToolBar::addWidget(QWidget *w, bool spacerBefore)
{
    // Before the stretch that closes the bar.
    const int at = layout_->count() - 1;
    if (spacerBefore) {
        layout_->insertSpacing(at, 2);
        layout_->insertWidget(at + 1, w);
    } else {
        layout_->insertWidget(at, w);
    }
}

void TRichEditToolBar::setEditor(TRichEdit *editor)
{
    for (const auto &link : links_)
        disconnect(link);
    links_.clear();
    editor_ = editor;
    const bool bound = editor != nullptr;
    fontName_->setEnabled(bound);
    fontSize_->setEnabled(bound);
    for (QToolButton *b : buttons_)
        b->setEnabled(bound);
    if (!editor)
        return;
    links_ << connect(editor, &TRichEdit::attributesChanged, this, &TRichEditToolBar::follow);
    links_ << connect(editor, &QTextEdit::copyAvailable, this, [this](bool yes) {
        button(Button::Copy)->setEnabled(yes);
        button(Button::Cut)->setEnabled(yes);
    });
    const bool selected = editor->textCursor().hasSelection();
    button(Button::Copy)->setEnabled(selected);
    button(Button::Cut)->setEnabled(selected);
    follow();
}

void TRichEditToolBar::follow()
{
    if (!editor_)
        return;
    following_ = true;
    const CharAttributes a = editor_->currentAttributes();
    if (fontName_->currentText() != a.fontName) {
        const int i = fontName_->findText(a.fontName, Qt::MatchFixedString);
        if (i >= 0)
            fontName_->setCurrentIndex(i);
        else
            fontName_->setEditText(a.fontName);
    }
    const QString size = QString::number(a.sizePoints);
    const int i = fontSize_->findText(size);
    if (i >= 0)
        fontSize_->setCurrentIndex(i);
    else
        fontSize_->setEditText(size);
    button(Button::Bold)->setChecked(a.bold);
    button(Button::Italic)->setChecked(a.italic);
    button(Button::Underline)->setChecked(a.underline);
    const Qt::Alignment align = editor_->paragraphAlignment();
    Button which = Button::AlignLeft;
    if (align & Qt::AlignRight)
        which = Button::AlignRight;
    else if (align & Qt::AlignHCenter)
        which = Button::AlignCenter;
    else if (align & Qt::AlignJustify)
        which = Button::AlignJustify;
    button(which)->setChecked(true);
    following_ = false;
}

void TRichEditToolBar::act(Button b, bool checked)
{
    if (!editor_)
        return;
    TRichEdit *e = editor_;
    switch (b) {
    case Button::Normal: e->setNormal(); break;
    case Button::Bold: e->setBold(checked); break;
    case Button::Italic: e->setItalic(checked); break;
    case Button::Underline: e->setUnderline(checked); break;
    case Button::AlignLeft: e->setParagraphAlignment(Qt::AlignLeft); break;
    case Button::AlignRight: e->setParagraphAlignment(Qt::AlignRight); break;
    case Button::AlignJustify: e->setParagraphAlignment(Qt::AlignJustify); break;
    case Button::AlignCenter: e->setParagraphAlignment(Qt::AlignHCenter); break;
    case Button::Copy: e->copy(); break;
    case Button::Cut: e->cut(); break;
    case Button::Paste: e->paste(); break;
    case Button::SpellCheck:
        emit e->StartSpellCheck();
        return;  // the dialog takes the focus
    }
    e->setFocus();
}

void TRichEditToolBar::fontNameChosen(const QString &name)
{
    if (following_ || !editor_)
        return;
    editor_->setFontName(name);
    editor_->setFocus();
}

void TRichEditToolBar::fontSizeChosen(const QString &text)
{
    if (following_ || !editor_)
        return;
    bool ok = false;
    const int points = text.toInt(&ok);
    if (ok && points > 0)
        editor_->setFontSize(points);
    editor_->setFocus();
}

}  // namespace qln::richtext

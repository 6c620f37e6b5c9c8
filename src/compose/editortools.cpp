#include "compose/editortools.h"

#include "common/messages.h"
#include "compose/defaultfont.h"
#include "compose/modal.h"
#include "compose/paragraphdialog.h"
#include "richtext/richedit.h"
#include "richtext/richicons.h"
#include "richtext/richtoolbar.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QToolButton>
#include <QWidget>

namespace qln::compose {

namespace texts {
const char *const kPageBreakQuestion = "Add a page break here?";
const char *const kPageBreakCaption = "Page Break";
}  // namespace texts

bool insertPageBreakAsked(richtext::TRichEdit &editor)
{
    if (!messages().cautiousQuestion(texts::kPageBreakQuestion, texts::kPageBreakCaption))
        return false;
    editor.insertPageBreak();
    editor.reformat();
    return true;
}

bool toggleWordWrap(richtext::TRichEdit &editor)
{
    const bool on = !editor.wordWrap();
    editor.setWordWrap(on);
    editor.reformat();
    return on;
}

QString wordWrapHint(bool wrapOn)
{
    return wrapOn ? QStringLiteral("Toggle word wrap off") : QStringLiteral("Toggle word wrap on");
}

QString zoomCaption(const QString &prefix, int percent)
{
    return prefix + QString::number(percent) + QLatin1Char('%');
}

EditorButtons::EditorButtons(richtext::TRichEdit &editor, richtext::TRichEditToolBar &bar,
                             const EditorButtonNames &names, bool spacers, QWidget *dialogParent)
    : QObject(&bar), editor_(editor), dialogParent_(dialogParent)
{
    using richtext::RichIcon;
    auto add = [&](const char *name, RichIcon icon, const QString &hint) {
        QToolButton *b = bar.addButton(richtext::richIcon(icon), hint, spacers);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    pageBreak_ = add(names.pageBreak, RichIcon::PageBreak, QStringLiteral("Insert Page Break"));
    paragraph_ = add(names.paragraph, RichIcon::Paragraph, QStringLiteral("Paragraph properties"));
    wordWrap_ = add(names.wordWrap, RichIcon::WordWrap, wordWrapHint(editor.wordWrap()));
    wordWrap_->setCheckable(true);
    wordWrap_->setChecked(editor.wordWrap());
    defaultFont_ = add(names.defaultFont, RichIcon::DefaultFont, QStringLiteral("Set the default font for the editor"));

    connect(pageBreak_, &QToolButton::clicked, this, [this] { insertPageBreakAsked(editor_); });
    connect(paragraph_, &QToolButton::clicked, this, [this] {
        TParagraphPropDlg dlg(editor_, dialogParent_);
        runModal(dlg);
    });
    connect(wordWrap_, &QToolButton::clicked, this, [this] {
        const bool on = toggleWordWrap(editor_);
        wordWrap_->setChecked(on);
        wordWrap_->setToolTip(wordWrapHint(on));
    });
    connect(defaultFont_, &QToolButton::clicked, this, [this] { chooseDefaultFont(dialogParent_); });
}

ZoomButton::ZoomButton(QToolButton &button, QString prefix, std::function<int()> currentZoom,
                       std::function<void(int)> setZoom)
    : QObject(&button), button_(button), prefix_(std::move(prefix)), currentZoom_(std::move(currentZoom)),
      setZoom_(std::move(setZoom)), menu_(new QMenu(&button))
{
    menu_->setObjectName(QStringLiteral("ZoomMenu"));
    auto *group = new QActionGroup(menu_);
    for (int percent : {70, 80, 100}) {
        QAction *a = menu_->addAction(zoomCaption(QString(), percent));
        a->setData(percent);
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, percent] { choose(percent); });
    }
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        const int zoom = currentZoom_();
        for (QAction *a : menu_->actions())
            a->setChecked(a->data().toInt() == zoom);
    });
    // The menu drops down just below the button's lower left corner.
    connect(&button_, &QToolButton::clicked, this,
            [this] { menu_->popup(button_.mapToGlobal(QPoint(0, button_.height()))); });
    button_.setToolTip(QStringLiteral("Set the view percentage for the current editor"));
    showZoom(currentZoom_());
}

void ZoomButton::showZoom(int percent) { button_.setText(zoomCaption(prefix_, percent)); }

void ZoomButton::choose(int percent)
{
    setZoom_(percent);
    showZoom(percent);
}

}  // namespace qln::compose

#include "spell/spelldialog.h"

#include "common/messages.h"
#include "richtext/richedit.h"
#include "spell/spellchecker.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace qln::spell {

namespace {

const char *const kCompleteText = "The spelling check is complete.";
const char *const kNoDictionaryText = "No spelling dictionary is installed.";

}  // namespace

TSpellCheckDialog::TSpellCheckDialog(qln::richtext::TRichEdit *editor, SpellChecker &checker, QWidget *parent)
    : QDialog(parent), editor_(editor), checker_(checker), walk_(editor->document(), checker)
{
    setWindowTitle(tr("Spell Check"));
    setModal(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Not in dictionary:"), this), 0, 0, Qt::AlignTop);
    context_ = new QTextEdit(this);
    context_->setReadOnly(true);
    context_->setFixedHeight(fontMetrics().lineSpacing() * 4 + 8);
    context_->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(context_, 0, 1);

    auto *changeLabel = new QLabel(tr("C&hange to:"), this);
    changeTo_ = new QLineEdit(this);
    changeLabel->setBuddy(changeTo_);
    grid->addWidget(changeLabel, 1, 0);
    grid->addWidget(changeTo_, 1, 1);

    auto *suggestLabel = new QLabel(tr("&Suggestions:"), this);
    suggestions_ = new QListWidget(this);
    suggestLabel->setBuddy(suggestions_);
    grid->addWidget(suggestLabel, 2, 0, Qt::AlignTop);
    grid->addWidget(suggestions_, 2, 1);
    connect(suggestions_, &QListWidget::currentTextChanged, changeTo_, &QLineEdit::setText);
    connect(suggestions_, &QListWidget::itemDoubleClicked, this, [this] { answer(Button::Change); });

    auto *column = new QVBoxLayout;
    const char *captions[5] = {"&Ignore", "I&gnore All", "&Change", "&Add", "Cancel"};
    for (int i = 0; i < 5; ++i) {
        buttons_[i] = new QPushButton(tr(captions[i]), this);
        buttons_[i]->setAutoDefault(false);
        column->addWidget(buttons_[i]);
        const auto b = Button(i);
        connect(buttons_[i], &QPushButton::clicked, this, [this, b] { answer(b); });
    }
    buttons_[int(Button::Change)]->setDefault(true);
    column->addStretch(1);
    grid->addLayout(column, 0, 2, 3, 1);

    language_ = new QLabel(this);
    language_->setText(tr("Dictionary: %1").arg(checker.available() ? checker.language() : tr("none")));
    grid->addWidget(language_, 3, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    resize(480, 280);
}

QPushButton *TSpellCheckDialog::button(Button b) const
{
    return buttons_[int(b)];
}

QStringList TSpellCheckDialog::shownSuggestions() const
{
    QStringList out;
    for (int i = 0; i < suggestions_->count(); ++i)
        out << suggestions_->item(i)->text();
    return out;
}

bool TSpellCheckDialog::start()
{
    if (!walk_.next())
        return false;
    showWord();
    return true;
}

void TSpellCheckDialog::showWord()
{
    const QString text = walk_.context();
    const int at = walk_.contextOffset();
    const int n = int(walk_.word().size());
    context_->setHtml(text.left(at).toHtmlEscaped() + "<b><font color=\"#c00000\">"
                      + text.mid(at, n).toHtmlEscaped() + "</font></b>" + text.mid(at + n).toHtmlEscaped());

    const QStringList suggestions = walk_.suggestions();
    suggestions_->blockSignals(true);
    suggestions_->clear();
    suggestions_->addItems(suggestions);
    suggestions_->blockSignals(false);
    changeTo_->setText(suggestions.isEmpty() ? walk_.word() : suggestions.front());
    changeTo_->selectAll();
    changeTo_->setFocus();

    // Show the word in the editor too.
    QTextCursor c = editor_->textCursor();
    c.setPosition(walk_.start());
    c.setPosition(walk_.end(), QTextCursor::KeepAnchor);
    editor_->setTextCursor(c);
    editor_->ensureCursorVisible();
}

void TSpellCheckDialog::answer(Button b)
{
    switch (b) {
    case Button::Ignore:
        walk_.ignore();
        break;
    case Button::IgnoreAll:
        walk_.ignoreAll();
        break;
    case Button::Change:
        walk_.change(changeTo_->text());
        break;
    case Button::Add:
        if (!walk_.add())
            messages().errorBox("Unable to write to " + checker_.userListPath().toStdString());
        break;
    case Button::Cancel:
        reject();
        return;
    }
    advance();
}

void TSpellCheckDialog::advance()
{
    if (walk_.next())
        showWord();
    else
        accept();
}

int TSpellCheckDialog::run(qln::richtext::TRichEdit *editor, SpellChecker &checker, QWidget *parent)
{
    if (!checker.available()) {
        messages().information(kNoDictionaryText);
        return 0;
    }
    TSpellCheckDialog dialog(editor, checker, parent ? parent : editor->window());
    if (!dialog.start()) {
        messages().information(kCompleteText);
        return 0;
    }
    if (dialog.exec() == QDialog::Accepted)
        messages().information(kCompleteText);
    return dialog.changes();
}

}  // namespace qln::spell

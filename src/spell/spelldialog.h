// TSpellCheckDialog: the modal spell-check dialog over one TRichEdit. It
// shows each word the checker does not accept in its paragraph, with the
// checker's suggestions, and offers Ignore, Ignore All, Change, Add (to the
// user word list) and Cancel. The decisions are SpellWalk's; the dialog
// only shows them and collects the answers. The word in question is
// selected in the editor as the walk moves on.
//
// User-interface thread only.
#pragma once

#include "spell/spellwalk.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;

namespace qln::richtext {
class TRichEdit;
}

namespace qln::spell {

class SpellChecker;

class TSpellCheckDialog : public QDialog {
    Q_OBJECT
public:
    enum class Button { Ignore, IgnoreAll, Change, Add, Cancel };

    TSpellCheckDialog(qln::richtext::TRichEdit *editor, SpellChecker &checker, QWidget *parent = nullptr);

    // The whole check, as the editors' StartSpellCheck runs it: checks from
    // the start of the text, shows the dialog modally while there are words
    // to ask about, then says that the check is complete. Returns the number
    // of words changed.
    static int run(qln::richtext::TRichEdit *editor, SpellChecker &checker, QWidget *parent = nullptr);

    // Moves to the first word to ask about; false when there is none.
    bool start();

    QString currentWord() const { return walk_.word(); }
    QStringList shownSuggestions() const;
    QLineEdit *changeToEdit() const { return changeTo_; }
    QListWidget *suggestionList() const { return suggestions_; }
    QPushButton *button(Button b) const;
    int changes() const { return walk_.changes(); }

private:
    void answer(Button b);
    void advance();
    void showWord();

    qln::richtext::TRichEdit *editor_;
    SpellChecker &checker_;
    SpellWalk walk_;
    QTextEdit *context_;
    QLineEdit *changeTo_;
    QListWidget *suggestions_;
    QLabel *language_;
    QPushButton *buttons_[5];
};

}  // namespace qln::spell

// SpellWalk: the spell check of one document, word by word, as the dialog
// runs it. It finds the next word the checker does not accept and carries
// out the user's answer: ignore it, ignore it everywhere, change it (the
// new text takes the old word's format), or add it to the user word list.
//
// Words are Unicode word segments holding a letter; words with digits and
// the labels of merge fields are not checked.
#pragma once

#include <QString>
#include <QStringList>

class QTextDocument;

namespace qln::spell {

class SpellChecker;

class SpellWalk {
public:
    SpellWalk(QTextDocument *doc, SpellChecker &checker, int from = 0);

    // Moves to the next word not accepted; false when the text is done.
    bool next();

    QString word() const { return word_; }
    int start() const { return start_; }
    int end() const { return start_ + int(word_.size()); }
    // The paragraph holding the word, and the word's offset in it.
    QString context() const { return context_; }
    int contextOffset() const { return contextOffset_; }
    QStringList suggestions() const;

    // The answers; each leaves the walk ready for next().
    void ignore();
    void ignoreAll();
    void change(const QString &replacement);
    // false when the user word list could not be written.
    bool add();

    int changes() const { return changes_; }

private:
    QTextDocument *doc_;
    SpellChecker &checker_;
    int pos_;
    QString word_;
    int start_ = -1;
    QString context_;
    int contextOffset_ = 0;
    int changes_ = 0;
};

}  // namespace qln::spell

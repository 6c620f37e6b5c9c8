#include "spell/spellwalk.h"

#include "richtext/richformat.h"
#include "spell/spellchecker.h"

#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>

namespace qln::spell {

namespace {

bool worthChecking(QStringView w)
{
    bool letter = false;
    for (QChar c : w) {
        if (c.isDigit())
            return false;
        letter = letter || c.isLetter();
    }
    return letter;
}

// Apostrophes and quotes around a word are not part of it.
void trimQuotes(const QString &text, int &from, int &to)
{
    auto quote = [](QChar c) { return c == '\'' || c == QChar(0x2019) || c == QChar(0x2018); };
    while (from < to && quote(text[from]))
        ++from;
    while (to > from && quote(text[to - 1]))
        --to;
}

}  // namespace

SpellWalk::SpellWalk(QTextDocument *doc, SpellChecker &checker, int from)
    : doc_(doc), checker_(checker), pos_(from)
{
}

bool SpellWalk::next()
{
    for (QTextBlock b = doc_->findBlock(pos_); b.isValid(); b = b.next()) {
        const QString text = b.text();
        const int base = b.position();
        QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
        finder.setPosition(std::max(0, pos_ - base));
        // Back to the start of a word the position may be inside of.
        if (!finder.isAtBoundary())
            finder.toPreviousBoundary();
        int from = finder.position();
        while (from >= 0 && from < text.size()) {
            const int to = finder.toNextBoundary();
            if (to < 0)
                break;
            int s = from, e = to;
            trimQuotes(text, s, e);
            from = to;
            if (e <= s || base + s < pos_)
                continue;
            const QString w = text.mid(s, e - s);
            if (!worthChecking(w))
                continue;
            QTextCursor c(doc_);
            c.setPosition(base + s + 1);
            if (c.charFormat().intProperty(qln::richtext::kMergeTag) > 0)
                continue;  // a merge field's label
            if (checker_.check(w))
                continue;
            word_ = w;
            start_ = base + s;
            context_ = text;
            contextOffset_ = s;
            pos_ = base + e;
            return true;
        }
        pos_ = base + b.length();
    }
    word_.clear();
    start_ = -1;
    return false;
}

QStringList SpellWalk::suggestions() const
{
    return checker_.suggestions(word_);
}

void SpellWalk::ignore()
{
    // pos_ is already past the word.
}

void SpellWalk::ignoreAll()
{
    checker_.ignoreAll(word_);
}

void SpellWalk::change(const QString &replacement)
{
    if (start_ < 0)
        return;
    // The new text takes the format of the word's first character.
    QTextCursor at(doc_);
    at.setPosition(start_ + 1);
    const QTextCharFormat format = at.charFormat();
    QTextCursor c(doc_);
    c.setPosition(start_);
    c.setPosition(end(), QTextCursor::KeepAnchor);
    c.insertText(replacement, format);
    pos_ = start_ + int(replacement.size());
    ++changes_;
}

bool SpellWalk::add()
{
    return checker_.addToUserList(word_);
}

}  // namespace qln::spell

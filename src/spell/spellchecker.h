// SpellChecker: checks words against a Hunspell dictionary, offers
// suggestions, keeps the words ignored for the rest of the session, and a
// user word list file whose words always pass.
//
// The dictionary follows the locale (QLocale::system()) where one is
// installed: the exact language and country, else the same language, else
// en_US. Without any dictionary every word passes and available() is false.
//
// The user word list is a UTF-8 text file, one word a line, by default
// "QLNUSER.DIC" in the data directory. Adding a word rewrites the file
// through a temporary name, so it is never left half-written.
//
// Not thread-safe; use it from the user-interface thread.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <set>

namespace qln::spell {

class SpellChecker {
public:
    // The directories searched for <name>.aff and <name>.dic.
    static QStringList defaultDictionaryDirs();
    // The dictionary for a locale name ("de_AT"): the path without the
    // extension, or empty when not even en_US is installed.
    static QString findDictionary(const QStringList &dirs, const QString &localeName);

    // The checker of this program run: the locale's dictionary and the user
    // word list in the data directory; words ignored with Ignore All stay
    // ignored until the program ends.
    static SpellChecker &session();

    SpellChecker(const QString &dictionaryBase, const QString &userListPath);
    ~SpellChecker();
    SpellChecker(const SpellChecker &) = delete;
    SpellChecker &operator=(const SpellChecker &) = delete;

    bool available() const;
    // "en_US" and so on: the dictionary's file name; empty when none.
    QString language() const;
    QString userListPath() const { return userListPath_; }

    // Whether the word passes: in the dictionary, on the user word list, or
    // ignored for the session.
    bool check(const QString &word) const;
    QStringList suggestions(const QString &word) const;

    void ignoreAll(const QString &word);
    // Adds the word to the user word list file (and to this checker).
    // false when the file cannot be written; the word passes all the same
    // for this session.
    bool addToUserList(const QString &word);

private:
    struct Engine;
    std::unique_ptr<Engine> engine_;
    QString language_;
    QString userListPath_;
    std::set<QString> ignored_;
    std::set<QString> userWords_;
};

}  // namespace qln::spell

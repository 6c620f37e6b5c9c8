// SpellChecker: which dictionary a locale gets, words checked against the
// installed en_US dictionary and a Latin-1 one, the session ignore list and
// the user word list file.
#include "spell/spellchecker.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using qln::spell::SpellChecker;

namespace {

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QString enUs()
{
    return SpellChecker::findDictionary(SpellChecker::defaultDictionaryDirs(), "en_US");
}

}  // namespace

TEST(SpellDictionary, LocaleChoosesTheDictionary)
{
    QTemporaryDir a, b;
    for (const char *name : {"en_US", "de_AT", "fr_FR"})
        writeFile(QDir(a.path()).filePath(QString(name) + ".aff"), "SET UTF-8\n");
    for (const char *name : {"en_US", "de_AT"})
        writeFile(QDir(a.path()).filePath(QString(name) + ".dic"), "1\nx\n");
    writeFile(QDir(b.path()).filePath("fr_FR.dic"), "1\nx\n");  // its .aff is in the other directory
    writeFile(QDir(b.path()).filePath("fr_CA.aff"), "SET UTF-8\n");
    writeFile(QDir(b.path()).filePath("fr_CA.dic"), "1\nx\n");
    const QStringList dirs{a.path(), b.path()};
    auto name = [&](const char *locale) { return QFileInfo(SpellChecker::findDictionary(dirs, locale)).fileName(); };
    EXPECT_EQ(name("de_AT.UTF-8"), "de_AT");
    EXPECT_EQ(name("de_DE"), "de_AT");   // same language, another country
    EXPECT_EQ(name("fr_FR"), "fr_CA");   // a dictionary needs both of its files in one place
    EXPECT_EQ(name("pt_BR"), "en_US");
    EXPECT_EQ(name("C"), "en_US");
    QTemporaryDir empty;
    EXPECT_TRUE(SpellChecker::findDictionary({empty.path()}, "en_US").isEmpty());
}

TEST(SpellCheckWords, InstalledDictionaryChecksAndSuggests)
{
    ASSERT_FALSE(enUs().isEmpty()) << "hunspell-en-us is not installed";
    QTemporaryDir dir;
    SpellChecker checker(enUs(), dir.filePath("QLNUSER.DIC"));
    ASSERT_TRUE(checker.available());
    EXPECT_EQ(checker.language(), "en_US");
    EXPECT_TRUE(checker.check("facsimile"));
    EXPECT_TRUE(checker.check("Receiver's"));
    EXPECT_FALSE(checker.check("recieve"));
    EXPECT_TRUE(checker.suggestions("recieve").contains("receive"));
    EXPECT_FALSE(checker.check("Zorblax"));
    checker.ignoreAll("Zorblax");
    EXPECT_TRUE(checker.check("Zorblax"));
    // Ignoring is for this checker's session only.
    SpellChecker other(enUs(), dir.filePath("QLNUSER.DIC"));
    EXPECT_FALSE(other.check("Zorblax"));
}

TEST(SpellCheckWords, DictionaryInItsOwnEncoding)
{
    QTemporaryDir dir;
    const QString base = dir.filePath("xx_XX");
    writeFile(base + ".aff", "SET ISO8859-1\nTRY aeiouéï\n");
    writeFile(base + ".dic", "2\ncaf\xe9\nna\xefve\n");  // Latin-1 bytes
    SpellChecker checker(base, QString());
    EXPECT_TRUE(checker.check(QString::fromUtf8("café")));
    EXPECT_TRUE(checker.check(QString::fromUtf8("naïve")));
    EXPECT_FALSE(checker.check("cafe"));
    EXPECT_TRUE(checker.suggestions("cafe").contains(QString::fromUtf8("café")));
}

TEST(SpellCheckWords, WithoutADictionaryEveryWordPasses)
{
    SpellChecker checker{QString(), QString()};
    EXPECT_FALSE(checker.available());
    EXPECT_TRUE(checker.check("zzxq"));
    EXPECT_TRUE(checker.suggestions("zzxq").isEmpty());
}

TEST(SpellUserList, AddedWordsAreKeptInTheFile)
{
    QTemporaryDir dir;
    const QString list = dir.filePath("QLNUSER.DIC");
    writeFile(list, QString::fromUtf8("Zoë\n").toUtf8());
    {
        SpellChecker checker(enUs(), list);
        EXPECT_TRUE(checker.check(QString::fromUtf8("Zoë")));
        // Another copy of the program adds a word meanwhile.
        writeFile(list, QString::fromUtf8("Zoë\nØrsted\n").toUtf8());
        EXPECT_TRUE(checker.addToUserList("Zorblax"));
        EXPECT_TRUE(checker.check("Zorblax"));
    }
    QFile f(list);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), QString::fromUtf8("Zoë\nØrsted\nZorblax\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"QLNUSER.DIC"});
    SpellChecker later(enUs(), list);
    EXPECT_TRUE(later.check("Zorblax"));
    EXPECT_TRUE(later.check(QString::fromUtf8("Ørsted")));
}

TEST(SpellUserList, UnwritableListFailsButTheWordPassesThisSession)
{
    QTemporaryDir dir;
    SpellChecker checker(enUs(), dir.filePath("missing-dir/QLNUSER.DIC"));
    EXPECT_FALSE(checker.addToUserList("Zorblax"));
    EXPECT_TRUE(checker.check("Zorblax"));
}

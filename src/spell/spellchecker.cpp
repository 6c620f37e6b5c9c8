#include "spell/spellchecker.h"

#include "common/atomicfile.h"
#include "common/datadir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>

#include <hunspell.hxx>

namespace qln::spell {

struct SpellChecker::Engine {
    std::unique_ptr<Hunspell> hunspell;
    QByteArray encoding;  // the dictionary's own encoding

    std::string encode(const QString &s) const
    {
        if (encoding.isEmpty() || encoding.compare("UTF-8", Qt::CaseInsensitive) == 0)
            return s.toStdString();
        QStringEncoder enc(encoding.constData());
        if (!enc.isValid())
            return s.toStdString();
        const QByteArray b = enc.encode(s);
        return std::string(b.constData(), size_t(b.size()));
    }

    QString decode(const std::string &s) const
    {
        if (encoding.isEmpty() || encoding.compare("UTF-8", Qt::CaseInsensitive) == 0)
            return QString::fromStdString(s);
        QStringDecoder dec(encoding.constData());
        if (!dec.isValid())
            return QString::fromStdString(s);
        return dec.decode(QByteArrayView(s.data(), qsizetype(s.size())));
    }
};

QStringList SpellChecker::defaultDictionaryDirs()
{
    return {QStringLiteral("/usr/share/hunspell"), QStringLiteral("/usr/share/myspell"),
            QStringLiteral("/usr/share/myspell/dicts")};
}

QString SpellChecker::findDictionary(const QStringList &dirs, const QString &localeName)
{
    auto installed = [&dirs](const QString &name) -> QString {
        for (const QString &dir : dirs) {
            const QString base = QDir(dir).filePath(name);
            if (QFileInfo::exists(base + ".aff") && QFileInfo::exists(base + ".dic"))
                return base;
        }
        return QString();
    };
    const QString name = localeName.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (!name.isEmpty() && name != QLatin1String("C") && name != QLatin1String("POSIX")) {
        if (QString base = installed(name); !base.isEmpty())
            return base;
        // Another country of the same language.
        const QString language = name.section(QLatin1Char('_'), 0, 0);
        for (const QString &dir : dirs) {
            QStringList found = QDir(dir).entryList({language + "_*.dic"}, QDir::Files, QDir::Name);
            for (const QString &dic : found) {
                const QString base = QDir(dir).filePath(dic.chopped(4));
                if (QFileInfo::exists(base + ".aff"))
                    return base;
            }
        }
    }
    return installed(QStringLiteral("en_US"));
}

SpellChecker &SpellChecker::session()
{
    static SpellChecker checker(findDictionary(defaultDictionaryDirs(), QLocale::system().name()),
                                QString::fromStdString(resolveNameNoCase(dataDirectory(), "QLNUSER.DIC")));
    return checker;
}

SpellChecker::SpellChecker(const QString &dictionaryBase, const QString &userListPath)
    : engine_(std::make_unique<Engine>()), userListPath_(userListPath)
{
    if (!dictionaryBase.isEmpty() && QFileInfo::exists(dictionaryBase + ".aff")
        && QFileInfo::exists(dictionaryBase + ".dic")) {
        const QByteArray aff = QFile::encodeName(dictionaryBase + ".aff");
        const QByteArray dic = QFile::encodeName(dictionaryBase + ".dic");
        engine_->hunspell = std::make_unique<Hunspell>(aff.constData(), dic.constData());
        engine_->encoding = QByteArray::fromStdString(engine_->hunspell->get_dict_encoding());
        language_ = QFileInfo(dictionaryBase).fileName();
    }
    QFile list(userListPath_);
    if (!userListPath_.isEmpty() && list.open(QIODevice::ReadOnly)) {
        const QStringList lines = QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'));
        for (QString w : lines) {
            w = w.trimmed();
            if (w.isEmpty())
                continue;
            userWords_.insert(w);
            if (engine_->hunspell)
                engine_->hunspell->add(engine_->encode(w));
        }
    }
}

SpellChecker::~SpellChecker() = default;

bool SpellChecker::available() const
{
    return engine_->hunspell != nullptr;
}

QString SpellChecker::language() const
{
    return language_;
}

bool SpellChecker::check(const QString &word) const
{
    if (word.isEmpty() || ignored_.count(word) || userWords_.count(word))
        return true;
    if (!engine_->hunspell)
        return true;
    return engine_->hunspell->spell(engine_->encode(word));
}

QStringList SpellChecker::suggestions(const QString &word) const
{
    QStringList out;
    if (!engine_->hunspell || word.isEmpty())
        return out;
    for (const std::string &s : engine_->hunspell->suggest(engine_->encode(word)))
        out << engine_->decode(s);
    return out;
}

void SpellChecker::ignoreAll(const QString &word)
{
    if (!word.isEmpty())
        ignored_.insert(word);
}

bool SpellChecker::addToUserList(const QString &word)
{
    const QString w = word.trimmed();
    if (w.isEmpty())
        return true;
    userWords_.insert(w);
    if (engine_->hunspell)
        engine_->hunspell->add(engine_->encode(w));
    if (userListPath_.isEmpty())
        return false;
    // The file as it is now (another copy of the program may have added to
    // it), with the word added at the end.
    QStringList lines;
    QFile list(userListPath_);
    if (list.open(QIODevice::ReadOnly))
        lines = QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    list.close();
    if (!lines.contains(w))
        lines << w;
    const QString text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return writeFileAtomically(QFile::encodeName(userListPath_).toStdString(), text.toUtf8().toStdString());
}

}  // namespace qln::spell

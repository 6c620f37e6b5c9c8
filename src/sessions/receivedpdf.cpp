#include "sessions/receivedpdf.h"

#include "faximage/apferrors.h"
#include "faximage/faxexport.h"

#include <QDir>
#include <QFileInfo>

namespace qln {

namespace {
constexpr int kSenderChars = 40;
}

std::string receivedPdfName(const QDateTime &when, const std::string &sender)
{
    QString from;
    bool blank = false;
    for (const QChar c : QString::fromStdString(sender)) {
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            continue;
        if (c.isSpace()) {
            blank = true;
            continue;
        }
        if (from.isEmpty() && c == u'.')
            continue;
        if (blank && !from.isEmpty())
            from += u' ';
        blank = false;
        from += c;
    }
    from = from.left(kSenderChars).trimmed();
    if (from.isEmpty())
        from = QStringLiteral("unknown sender");
    return (when.toString(QStringLiteral("yyyy-MM-dd HH-mm")) + QStringLiteral(" from ") + from +
            QStringLiteral(".pdf"))
        .toStdString();
}

std::string writeReceivedPdf(const std::string &apfFile, const std::string &dir, const QDateTime &when,
                             const std::string &sender, std::string &error)
{
    const QString folder = QString::fromStdString(dir);
    if (!QDir().mkpath(folder)) {
        error = "cannot make the directory " + dir;
        return {};
    }
    const QString name = QString::fromStdString(receivedPdfName(when, sender));
    const QString stem = name.chopped(4);
    QString path = QDir(folder).filePath(name);
    for (int n = 2; QFileInfo::exists(path); ++n) {
        if (n > 999) {
            error = "too many files named " + name.toStdString() + " in " + dir;
            return {};
        }
        path = QDir(folder).filePath(stem + QStringLiteral(" (%1).pdf").arg(n));
    }
    const int rc = fax::exportFaxFile(apfFile, path.toStdString(), {});
    if (rc < 0) {
        error = fax::apfErrorText(rc);
        return {};
    }
    return path.toStdString();
}

} // namespace qln

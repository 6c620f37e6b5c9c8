// Running the peer programs (soffice, poppler-utils) from the peer tests:
// each returns "" on success or what went wrong.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace peer {

// Runs `program` with `args`, up to ten minutes; its standard output goes
// to `out` when given.
inline QString run(const QString &program, const QStringList &args, QByteArray *out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(60000))
        return program + " did not start";
    if (!p.waitForFinished(600000)) {
        p.kill();
        return program + " took longer than ten minutes";
    }
    if (out)
        *out = p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return program + " failed: " + QString::fromLocal8Bit(p.readAllStandardError());
    return QString();
}

// soffice converting `files` to `format` into `outDir`, with a private
// profile in `profile` (one soffice run for all the files).
inline QString convert(const QString &profile, const QStringList &files, const QString &format, const QString &outDir)
{
    return run(QStringLiteral("soffice"),
               QStringList{"-env:UserInstallation=" + QUrl::fromLocalFile(profile).toString(), "--headless",
                           "--norestore", "--convert-to", format, "--outdir", outDir}
                   + files);
}

}  // namespace peer

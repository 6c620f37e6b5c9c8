// qlnfax printer: the Quillon print queue.
//
//   printer install [--name NAME]   sets up the CUPS queue (lpadmin) with
//                                    the back end "quillon" and its PPD
//   printer remove [--name NAME]    removes it
//   printer job ...                  what the back end runs, as the job's
//                                    user, for each job (see below)
//
// `printer job` makes the printed PDF (standard input, or FILE) a new
// outgoing fax: the job title its subject, phone= its number, to= its
// recipient, "Printed, not sent" its last result. When Quillon runs on the
// same data directory it gets the document through its single-copy socket,
// stores the fax itself and opens the fax editor on it; otherwise the fax is
// stored here, and a job with phone= and send=now is sent at once (as
// `fax send` does). Its messages are CUPS's ("INFO:",
// "WARNING:", "ERROR:" lines on stderr) and its exit status a back end's:
// 0 done, 5 job cancelled (with the reason shown in the queue).
#include "commands.h"
#include "faxjobs.h"

#include "common/datadir.h"
#include "common/localeformats.h"
#include "common/runtimedir.h"
#include "common/settings.h"
#include "compose/printedfax.h"
#include "faximage/faxdocumentfile.h"
#include "printqueue/backend.h"
#include "printqueue/ppd.h"
#include "printqueue/printjob.h"
#include "records/faxtables.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdio>
#include <stdexcept>

#include <unistd.h>

namespace {

using namespace qln::printqueue;

constexpr const char *kUsage =
    "usage: qlnfax printer install [--name NAME]\n"
    "       qlnfax printer remove [--name NAME]\n"
    "       qlnfax printer job --data-dir DIR --title TITLE [--options TEXT] [--job-id N]\n"
    "                          [--instance-name NAME] [FILE.pdf]\n";
constexpr const char *kDefaultQueue = "Quillon";

struct Run {
    int exitCode = -1;
    QString output;
};

Run runProgram(const QString &program, const QStringList &args)
{
    Run r;
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        r.output = program + " is not installed";
        return r;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(path, args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.output = program + " did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.output = QString::fromLocal8Bit(p.readAll()).trimmed();
    return r;
}

bool deniedText(const QString &text)
{
    for (const char *word : {"Forbidden", "Unauthorized", "not authorized", "Not authorized", "Permission denied"})
        if (text.contains(QLatin1String(word)))
            return true;
    return false;
}

void reportDenied(const char *who, const QString &answer)
{
    std::fprintf(stderr,
                 "qlnfax %s: you may not add or remove printers (%s); members of the group lpadmin may "
                 "(sudo adduser $USER lpadmin, then log in again), or run it with sudo\n",
                 who, qPrintable(answer));
}

// The scheduler answers; else why not, for the user.
bool cupsRunning(std::string &why)
{
    if (QStandardPaths::findExecutable("lpstat").isEmpty() || QStandardPaths::findExecutable("lpadmin").isEmpty()) {
        why = "CUPS's commands (lpstat, lpadmin) are not installed: install the Debian package cups";
        return false;
    }
    const Run r = runProgram("lpstat", {"-r"});
    if (r.exitCode == 0 && !r.output.contains(QLatin1String("not running")))
        return true;
    why = "CUPS is not running (lpstat -r: " + r.output.toStdString() +
          "); start it with: systemctl start cups";
    return false;
}

// The queue's name (--name) with the scheduler answering; "" after the
// reason was reported.
std::string queueName(QlnArgs args, const char *who)
{
    std::string name = kDefaultQueue;
    qlnargs::takeOption(args, "--name", name);
    if (!args.empty() || name.empty())
        throw std::runtime_error(kUsage);
    std::string why;
    if (!cupsRunning(why)) {
        std::fprintf(stderr, "qlnfax %s: %s\n", who, why.c_str());
        return {};
    }
    return name;
}

int runInstall(const QlnArgs &args)
{
    const std::string name = queueName(args, "printer install");
    if (name.empty())
        return 1;
    QTemporaryFile ppd(QDir::tempPath() + "/quillon-XXXXXX.ppd");
    if (!ppd.open() || ppd.write(kQueuePpd) < 0 || !ppd.flush()) {
        std::fprintf(stderr, "qlnfax printer install: cannot write the PPD: %s\n", qPrintable(ppd.errorString()));
        return 1;
    }
    const Run add = runProgram("lpadmin",
                               {"-p", QString::fromStdString(name), "-E", "-v", "quillon:/", "-P", ppd.fileName(),
                                "-D", "Quillon fax", "-L", "Faxes from this computer",
                                "-o", "printer-is-shared=false", "-o", "printer-error-policy=abort-job"});
    if (add.exitCode != 0) {
        if (deniedText(add.output))
            reportDenied("printer install", add.output);
        else if (add.output.contains(QLatin1String("device-uri")) || add.output.contains(QLatin1String("scheme")))
            // The scheduler refuses a device whose back end it does not have.
            std::fprintf(stderr,
                         "qlnfax printer install: CUPS has no back end \"quillon\" (%s); install Quillon with its "
                         "back end (the Debian package, or cmake --install with "
                         "-DQLN_CUPS_BACKEND_DIR=/usr/lib/cups/backend)\n",
                         qPrintable(add.output));
        else
            std::fprintf(stderr, "qlnfax printer install: lpadmin failed: %s\n", qPrintable(add.output));
        return 1;
    }
    std::printf("print queue \"%s\" installed: print to it to make a fax (lp -d %s -o phone=NUMBER FILE);\n"
                "-o send=now sends it at once when Quillon is not running\n",
                name.c_str(), name.c_str());
    return 0;
}

int runRemove(const QlnArgs &args)
{
    const std::string name = queueName(args, "printer remove");
    if (name.empty())
        return 1;
    const Run r = runProgram("lpadmin", {"-x", QString::fromStdString(name)});
    if (r.exitCode != 0) {
        if (deniedText(r.output))
            reportDenied("printer remove", r.output);
        else
            std::fprintf(stderr, "qlnfax printer remove: lpadmin failed: %s\n", qPrintable(r.output));
        return 1;
    }
    std::printf("print queue \"%s\" removed\n", name.c_str());
    return 0;
}

void cupsLine(const char *level, const std::string &text)
{
    std::fprintf(stderr, "%s: Quillon: %s\n", level, text.c_str());
    std::fflush(stderr);
}

// Hands the printed document to a running Quillon on this data directory,
// which stores the fax itself (it holds the tables) and opens the fax
// editor on it; true when it took the document (it then removes the file).
bool handToQuillon(const std::string &instanceName, const std::string &dataDir, const std::string &document,
                   const qln::compose::PrintedFax &fax)
{
    QString socketPath = QString::fromStdString(instanceName);
    if (!socketPath.startsWith('/')) {
        const std::string runtime = qln::ensureRuntimeDirectory();
        if (runtime.empty())
            return false;
        socketPath = QString::fromStdString(runtime) + '/' + socketPath;
    }
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(1000))
        return false;
    QByteArray request = "print";
    for (const std::string &field : {dataDir, document, fax.subject, fax.phone, fax.recipient})
        request += '\t' + QByteArray::fromStdString(field);
    socket.write(request + '\n');
    socket.waitForBytesWritten(1000);
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(5000))
            return false;
    }
    return socket.readLine() == "ok\n";
}

int runJob(QlnArgs args)
{
    std::string dir, title, options, jobId, instance = "quillon-" + std::to_string(::getuid());
    if (!qlnargs::takeOption(args, "--data-dir", dir))
        throw std::runtime_error(kUsage);
    qln::setDataDirectoryOverride(dir);
    qlnargs::takeOption(args, "--title", title);
    qlnargs::takeOption(args, "--options", options);
    qlnargs::takeOption(args, "--job-id", jobId);
    qlnargs::takeOption(args, "--instance-name", instance);
    if (args.size() > 1)
        throw std::runtime_error(kUsage);

    PrintJobRequest request;
    try {
        request = requestFromOptions(options);
    } catch (const std::exception &e) {
        cupsLine("ERROR", e.what());
        return kBackendCancel;
    }
    const std::string dataDir = qln::dataDirectory();

    // The document, in a file of its own in the data directory.
    QTemporaryFile document(QString::fromStdString(dataDir) + "_PRINTJOB_XXXXXX.pdf");
    QFile input;
    const bool opened = args.empty() ? input.open(stdin, QIODevice::ReadOnly)
                                     : (input.setFileName(QString::fromStdString(args[0])),
                                        input.open(QIODevice::ReadOnly));
    if (!opened || !document.open()) {
        cupsLine("ERROR", "cannot take the printed document into " + dataDir + ": " +
                              (opened ? document : input).errorString().toStdString());
        return kBackendCancel;
    }
    qint64 total = 0;
    for (;;) {
        const QByteArray block = input.read(1 << 16);
        if (block.isEmpty())
            break;
        if (document.write(block) != block.size()) {
            cupsLine("ERROR", "cannot write the printed document: " + document.errorString().toStdString());
            return kBackendCancel;
        }
        total += block.size();
    }
    document.close();
    const std::string documentFile = document.fileName().toStdString();
    if (qln::fax::faxDocumentFileType(documentFile) == qln::fax::idNone) {
        cupsLine("ERROR", "the job is not a PDF document (" + std::to_string(total) +
                              " bytes); print from an application, or lp a PDF file");
        return kBackendCancel;
    }

    qln::compose::PrintedFax fax;
    fax.recipient = request.recipient;
    fax.phone = request.phone;
    fax.subject = subjectFromTitle(title);
    fax.documentFile = documentFile;
    if (handToQuillon(instance, dataDir, documentFile, fax)) {
        document.setAutoRemove(false);  // Quillon's now
        cupsLine("INFO", "\"" + fax.subject + "\" handed to Quillon, which opens the fax editor on it");
        return kBackendOk;
    }

    long recno = 0;
    {
        qln::initLocaleFormats();
        qln::settings().load(qln::settingsPath());
        qln::records::FaxTables tables(dataDir);
        if (tables.OpenFaxDBF()) {
            std::string problem;
            recno = qln::compose::storePrintedFax(tables, fax, &problem);
            if (!problem.empty())
                cupsLine("WARNING", "the last result was not written: " + problem);
        }
    }
    if (recno == 0) {
        cupsLine("ERROR", "the fax could not be stored in " + dataDir);
        return kBackendCancel;
    }
    cupsLine("INFO", "\"" + fax.subject + "\" is outgoing fax " + std::to_string(recno));
    if (!request.sendNow) {
        cupsLine("INFO", "the fax waits in Quillon's Outgoing list");
        return kBackendOk;
    }
    if (request.phone.empty()) {
        cupsLine("WARNING", "send=now needs phone=NUMBER; the fax waits in Quillon's Outgoing list");
        return kBackendOk;
    }
    qlnfaxjobs::SendRequest send;
    send.record = recno;
    std::string result;
    const int rc = qlnfaxjobs::sendStoredFax(send, "qlnfax printer job", &result);
    if (rc == 0)
        cupsLine("INFO", "sent to " + request.phone);
    else
        cupsLine("WARNING", "not sent to " + request.phone + (result.empty() ? "" : ": " + result) +
                                "; the fax waits in Quillon's Outgoing list");
    return kBackendOk;
}

int runPrinter(const QlnArgs &argsIn)
{
    if (argsIn.empty())
        throw std::runtime_error(kUsage);
    const QlnArgs rest(argsIn.begin() + 1, argsIn.end());
    if (argsIn[0] == "install")
        return runInstall(rest);
    if (argsIn[0] == "remove")
        return runRemove(rest);
    if (argsIn[0] == "job") {
        // A back end's exit status means something to CUPS: no exception
        // may turn into qlnfax's usage status.
        try {
            return runJob(rest);
        } catch (const std::exception &e) {
            cupsLine("ERROR", e.what());
            return kBackendCancel;
        }
    }
    throw std::runtime_error(kUsage);
}

const QlnCommand reg{"printer", "printer install|remove [--name NAME]",
                     "set up or remove the CUPS print queue whose jobs become outgoing faxes "
                     "(printer job: what its back end runs)",
                     runPrinter};

}  // namespace

// qlnfax sendfax: one command from documents to a sent fax. Stores the
// documents as a new outgoing fax (through the fax editor's path, as
// `fax add` does), then renders and sends it as the send window does (as
// `fax send` does), printing the sender's status texts as they change. The
// fax stays in the Outgoing list with its result whatever the outcome.
//
// One RTF, text, PDF or TIFF file becomes the fax's document as `fax add`
// takes it; several files, or an APF file, are rendered in order into one
// TIFF class F document. A file that cannot be read stores nothing.
// Exit status 0 only when the fax was sent.
#include "commands.h"
#include "faxjobs.h"

#include "common/datadir.h"
#include "common/settings.h"

#include <QFileInfo>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr const char *kUsage =
    "usage: qlnfax sendfax -d NUMBER [--to NAME] [--subject TEXT] [--cover TEMPLATE|--cover-text TEXT]\n"
    "                      [--data-dir DIR] [--device PATH|--com N] [--class 1|2|2.0] FILE...\n"
    "       FILE: .pdf, .tif, .txt, .rtf or .apf\n";
constexpr const char *kWho = "qlnfax sendfax";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

int runSendFax(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    qlnfaxjobs::NewFax fax;
    fax.recipient.clear();
    const bool haveNumber =
        qlnargs::takeOption(args, "-d", fax.phone) || qlnargs::takeOption(args, "--number", fax.phone);
    qlnargs::takeOption(args, "--to", fax.recipient);
    fax.haveSubject = qlnargs::takeOption(args, "--subject", fax.subject);
    const bool haveTemplate = qlnargs::takeOption(args, "--cover", fax.templateName);
    const bool haveCoverText = qlnargs::takeOption(args, "--cover-text", fax.coverText);
    qlnfaxjobs::SendRequest send;
    const bool haveDevice = qlnargs::takeOption(args, "--device", send.device);
    const bool haveCom = qlnargs::takeInt(args, "--com", send.com, 1, 255);
    qlnargs::takeOption(args, "--class", send.faxClass);
    if (!haveNumber || fax.phone.empty() || args.empty() || (haveTemplate && haveCoverText) ||
        (haveDevice && haveCom))
        return usage();
    for (const std::string &file : args) {
        if (!file.empty() && file[0] == '-')
            return usage();
        const QFileInfo info(QString::fromStdString(file));
        if (!info.isFile() || !info.isReadable()) {
            std::fprintf(stderr, "%s: cannot read \"%s\": %s\n", kWho, file.c_str(),
                         info.exists() ? "not a readable file" : "no such file");
            return 2;
        }
        if (!qlnfaxjobs::hasExtension(file, {"pdf", "tif", "tiff", "txt", "text", "rtf", "apf"})) {
            std::fprintf(stderr, "%s: \"%s\" is not a PDF, TIFF, text, RTF or APF file\n", kWho, file.c_str());
            return 2;
        }
    }
    if (!fax.haveSubject) {
        fax.haveSubject = true;
        fax.subject = QFileInfo(QString::fromStdString(args[0])).completeBaseName().toStdString();
    }

    // Nothing is stored that could not be sent for want of a modem.
    qln::Settings &s = qln::settings();
    s.load(qln::settingsPath());
    if (s.noModem && !haveDevice && !haveCom) {
        std::fprintf(stderr, "%s: no modem is set up; give --device or --com, or choose one in Quillon's "
                             "Preferences\n", kWho);
        return 2;
    }

    std::string combined;
    const bool single = args.size() == 1 && !qlnfaxjobs::hasExtension(args[0], {"apf"});
    if (single) {
        fax.documentFile = args[0];
    } else {
        combined = qln::dataDirectory() + "_SENDFAX.tif";
        std::printf("rendering %zu document%s\n", args.size(), args.size() == 1 ? "" : "s");
        if (qlnfaxjobs::renderDocumentsToTiff(args, combined, kWho) == 0)
            return 1;
        fax.documentFile = combined;
    }
    const long recno = qlnfaxjobs::addOutgoingFax(fax, kWho);
    if (!combined.empty())
        std::remove(combined.c_str());
    if (recno == 0)
        return 1;
    std::printf("stored as outgoing fax %ld; sending to %s\n", recno, fax.phone.c_str());
    std::fflush(stdout);
    send.record = recno;
    return qlnfaxjobs::sendStoredFax(send, kWho);
}

const QlnCommand reg{"sendfax",
                     "sendfax -d NUMBER [--to NAME] [--cover TEMPLATE|--cover-text TEXT] FILE.{pdf,tif,txt,rtf,apf}...",
                     "store documents as an outgoing fax and send it at once as the send window does "
                     "(exit 0 only when sent)",
                     runSendFax};

}  // namespace

// qlnfax fax add: stores a new outgoing fax through the fax editor's own
// path (FaxComposer: New, then Accept). The recipient, fax number and
// subject are the editor's fields (an omitted subject keeps the editor's
// design text); the cover sheet is an RTF file or a cover template whose
// merge fields are filled in from those fields; the document is an RTF or
// plain text file (plain text in the default font), or a PDF or TIFF file,
// which is attached as it is and rendered after the cover sheet. Prints the
// new record number on a line of its own.
#include "commands.h"
#include "faxjobs.h"

#include <cstdio>
#include <stdexcept>

#include "common/datadir.h"

namespace {

constexpr const char *kUsage =
    "usage: qlnfax fax add --to NAME --phone NUMBER [--subject TEXT] [--cover FILE.rtf|--template DESCRIPTION] "
    "DOCUMENT.rtf|.txt|.pdf|.tif [--data-dir DIR]";

int runFax(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir;
    qlnfaxjobs::NewFax fax;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    const bool haveTo = qlnargs::takeOption(args, "--to", fax.recipient);
    const bool havePhone = qlnargs::takeOption(args, "--phone", fax.phone);
    fax.haveSubject = qlnargs::takeOption(args, "--subject", fax.subject);
    const bool haveCover = qlnargs::takeOption(args, "--cover", fax.coverFile);
    const bool haveTemplate = qlnargs::takeOption(args, "--template", fax.templateName);
    if (args.size() != 2 || args[0] != "add" || !haveTo || !havePhone || (haveCover && haveTemplate))
        throw std::runtime_error(kUsage);
    fax.documentFile = args[1];

    const long recno = qlnfaxjobs::addOutgoingFax(fax, "qlnfax fax add");
    if (recno == 0)
        return 1;
    std::printf("%ld\n", recno);
    return 0;
}

const QlnCommand reg{"fax",
                     "fax add --to NAME --phone NUMBER [--subject TEXT] [--cover FILE.rtf|--template DESC] DOC.{rtf,txt,pdf,tif}",
                     "store a new outgoing fax as the fax editor does", runFax};

}  // namespace

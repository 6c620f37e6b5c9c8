// qlnfax fax add: stores a new outgoing fax through the fax editor's own
// path (FaxComposer: New, then Accept). The recipient, fax number and
// subject are the editor's fields (an omitted subject keeps the editor's
// design text); the cover sheet is an RTF file or a cover template whose
// merge fields are filled in from those fields; the document is an RTF or
// plain text file (plain text in the default font), or a PDF or TIFF file,
// which is attached as it is and rendered after the cover sheet. Prints the
// new record number on a line of its own.
#include "commands.h"

#include <cstdio>
#include <stdexcept>

#include <QFileInfo>

#include "common/datadir.h"
#include "common/localeformats.h"
#include "common/settings.h"
#include "compose/coverlibrary.h"
#include "compose/defaultfont.h"
#include "compose/faxcomposer.h"
#include "compose/plainfaxsurface.h"
#include "faximage/faxdocumentfile.h"
#include "faximage/pageimport.h"
#include "records/faxtables.h"

namespace {

using namespace qln::compose;

constexpr const char *kUsage =
    "usage: qlnfax fax add --to NAME --phone NUMBER [--subject TEXT] [--cover FILE.rtf|--template DESCRIPTION] "
    "DOCUMENT.rtf|.txt|.pdf|.tif [--data-dir DIR]";

bool loadFile(qln::richtext::RichDocument &doc, const std::string &path, const char *what)
{
    if (!QFileInfo(QString::fromStdString(path)).isFile() || !doc.loadFromFile(QString::fromStdString(path))) {
        std::fprintf(stderr, "qlnfax fax add: cannot read the %s \"%s\"\n", what, path.c_str());
        return false;
    }
    return true;
}

bool isRtf(const std::string &path)
{
    return QFileInfo(QString::fromStdString(path)).suffix().compare(QStringLiteral("rtf"), Qt::CaseInsensitive) == 0;
}

int runFax(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir, to, phone, subject, coverFile, templateName;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    const bool haveTo = qlnargs::takeOption(args, "--to", to);
    const bool havePhone = qlnargs::takeOption(args, "--phone", phone);
    const bool haveSubject = qlnargs::takeOption(args, "--subject", subject);
    const bool haveCover = qlnargs::takeOption(args, "--cover", coverFile);
    const bool haveTemplate = qlnargs::takeOption(args, "--template", templateName);
    if (args.size() != 2 || args[0] != "add" || !haveTo || !havePhone || (haveCover && haveTemplate))
        throw std::runtime_error(kUsage);
    const std::string documentFile = args[1];

    // An attached PDF or TIFF is checked first, as that reads every page,
    // and the tables are held only while the fax is stored.
    const QString suffix = QFileInfo(QString::fromStdString(documentFile)).suffix().toLower();
    const bool attached = suffix == "pdf" || suffix == "tif" || suffix == "tiff";
    if (attached) {
        if (qln::fax::faxDocumentFileType(documentFile) == qln::fax::idNone) {
            std::fprintf(stderr, "qlnfax fax add: \"%s\" is not a PDF or TIFF file\n", documentFile.c_str());
            return 1;
        }
        // Every page is read now, so that a document that cannot be
        // rendered fails here and not when the fax is sent.
        if (const std::string why = qln::fax::wholePageDocumentProblem(documentFile); !why.empty()) {
            std::fprintf(stderr, "qlnfax fax add: \"%s\" cannot be used: %s\n", documentFile.c_str(), why.c_str());
            return 1;
        }
    }

    qln::initLocaleFormats();
    qln::settings().load(qln::settingsPath());
    qln::records::FaxTables tables(qln::dataDirectory());
    if (!tables.OpenFaxDBF()) {
        std::fprintf(stderr, "Unable to open/create the FAX datafile (%s)\n", tables.LastError().c_str());
        return 1;
    }
    FaxComposer composer(tables);
    PlainFaxSurface fax;
    composer.open(FaxEditMode::New, fax);
    FaxFields fields = fax.fields();
    fields.recipient = to;
    fields.faxNumber = phone;
    if (haveSubject)
        fields.subject = subject;
    fax.setFields(fields);

    if (haveCover && !loadFile(fax.cover(), coverFile, "cover sheet"))
        return 1;
    if (haveTemplate) {
        if (!tables.OpenCoverDBF()) {
            std::fprintf(stderr, "%s\n", texts::kCoverTableFailed);
            return 1;
        }
        CoverLibrary library(tables);
        const bool found = library.findDescription(templateName);
        const bool loaded = found && composer.loadTemplate(library, fax);
        tables.CoverTable.Close();
        if (!found) {
            std::fprintf(stderr, "qlnfax fax add: no cover template \"%s\"\n", templateName.c_str());
            return 1;
        }
        // A template whose memo cannot be read would give a fax with an
        // empty cover sheet.
        if (!loaded) {
            std::fprintf(stderr, "qlnfax fax add: the cover template \"%s\" cannot be read (its memo is damaged)\n",
                         templateName.c_str());
            return 1;
        }
    }
    if (attached) {
        fax.attachedDocument = QFileInfo(QString::fromStdString(documentFile)).absoluteFilePath().toStdString();
    } else {
        if (!loadFile(fax.document(), documentFile, "document"))
            return 1;
        if (!isRtf(documentFile))
            applyToWholeText(fax.document(), defaultFontAttributes(qln::settings()));
    }

    const long recno = composer.store(FaxEditMode::New, fax);
    if (recno == 0)
        return 1;
    std::printf("%ld\n", recno);
    return 0;
}

const QlnCommand reg{"fax",
                     "fax add --to NAME --phone NUMBER [--subject TEXT] [--cover FILE.rtf|--template DESC] DOC.{rtf,txt,pdf,tif}",
                     "store a new outgoing fax as the fax editor does", runFax};

}  // namespace

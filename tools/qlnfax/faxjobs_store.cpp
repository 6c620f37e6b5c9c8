// Storing a new outgoing fax, and rendering documents into one TIFF.
#include "faxjobs.h"

#include "common/datadir.h"
#include "common/localeformats.h"
#include "common/settings.h"
#include "compose/coverlibrary.h"
#include "compose/defaultfont.h"
#include "compose/faxcomposer.h"
#include "compose/faxpagefiles.h"
#include "compose/pagerender.h"
#include "compose/plainfaxsurface.h"
#include "faximage/faxdocumentfile.h"
#include "faximage/faxexport.h"
#include "faximage/pageimport.h"
#include "faximage/apferrors.h"
#include "records/faxtables.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <stdexcept>

namespace qlnfaxjobs {

using namespace qln::compose;

namespace {

bool loadFile(qln::richtext::RichDocument &doc, const std::string &path, const char *what, const std::string &who)
{
    if (!QFileInfo(QString::fromStdString(path)).isFile() || !doc.loadFromFile(QString::fromStdString(path))) {
        std::fprintf(stderr, "%s: cannot read the %s \"%s\"\n", who.c_str(), what, path.c_str());
        return false;
    }
    return true;
}

// A text file in the default font; an RTF file as it is.
bool loadText(qln::richtext::RichDocument &doc, const std::string &path, const char *what, const std::string &who)
{
    if (!loadFile(doc, path, what, who))
        return false;
    if (!hasExtension(path, {"rtf"}))
        applyToWholeText(doc, defaultFontAttributes(qln::settings()));
    return true;
}

} // namespace

bool hasExtension(const std::string &path, std::initializer_list<const char *> extensions)
{
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix();
    for (const char *e : extensions) {
        if (suffix.compare(QLatin1String(e), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

long addOutgoingFax(const NewFax &spec, const std::string &who)
{
    // An attached PDF or TIFF is checked first, as that reads every page,
    // and the tables are held only while the fax is stored.
    const std::string &doc = spec.documentFile;
    const bool attached = !doc.empty() && hasExtension(doc, {"pdf", "tif", "tiff"});
    if (attached) {
        if (qln::fax::faxDocumentFileType(doc) == qln::fax::idNone) {
            std::fprintf(stderr, "%s: \"%s\" is not a PDF or TIFF file\n", who.c_str(), doc.c_str());
            return 0;
        }
        // Every page is read now, so that a document that cannot be
        // rendered fails here and not when the fax is sent.
        if (const std::string why = qln::fax::wholePageDocumentProblem(doc); !why.empty()) {
            std::fprintf(stderr, "%s: \"%s\" cannot be used: %s\n", who.c_str(), doc.c_str(), why.c_str());
            return 0;
        }
    }

    qln::initLocaleFormats();
    qln::settings().load(qln::settingsPath());
    qln::records::FaxTables tables(qln::dataDirectory());
    if (!tables.OpenFaxDBF()) {
        std::fprintf(stderr, "Unable to open/create the FAX datafile (%s)\n", tables.LastError().c_str());
        return 0;
    }
    FaxComposer composer(tables);
    PlainFaxSurface fax;
    composer.open(FaxEditMode::New, fax);
    FaxFields fields = fax.fields();
    fields.recipient = spec.recipient;
    fields.faxNumber = spec.phone;
    if (spec.haveSubject)
        fields.subject = spec.subject;
    fax.setFields(fields);

    if (!spec.coverFile.empty() && !loadFile(fax.cover(), spec.coverFile, "cover sheet", who))
        return 0;
    if (!spec.coverText.empty()) {
        fax.cover().document()->setPlainText(QString::fromStdString(spec.coverText));
        applyToWholeText(fax.cover(), defaultFontAttributes(qln::settings()));
    }
    if (!spec.templateName.empty()) {
        if (!tables.OpenCoverDBF()) {
            std::fprintf(stderr, "%s\n", texts::kCoverTableFailed);
            return 0;
        }
        CoverLibrary library(tables);
        const bool found = library.findDescription(spec.templateName);
        const bool loaded = found && composer.loadTemplate(library, fax);
        tables.CoverTable.Close();
        if (!found) {
            std::fprintf(stderr, "%s: no cover template \"%s\"\n", who.c_str(), spec.templateName.c_str());
            return 0;
        }
        // A template whose memo cannot be read would give a fax with an
        // empty cover sheet.
        if (!loaded) {
            std::fprintf(stderr, "%s: the cover template \"%s\" cannot be read (its memo is damaged)\n",
                         who.c_str(), spec.templateName.c_str());
            return 0;
        }
    }
    if (!doc.empty()) {
        if (attached) {
            fax.attachedDocument = QFileInfo(QString::fromStdString(doc)).absoluteFilePath().toStdString();
        } else if (!loadText(fax.document(), doc, "document", who)) {
            return 0;
        }
    }

    return composer.store(FaxEditMode::New, fax);
}

int renderDocumentsToTiff(const std::vector<std::string> &files, const std::string &outTiff, const std::string &who)
{
    const std::string dataDir = qln::dataDirectory();
    FaxPageRenderer renderer(dataDir);
    renderer.processMessages = [] {};
    std::vector<std::string> pages;
    auto removePages = [&] {
        for (const std::string &p : pages)
            std::remove(p.c_str());
    };
    try {
        for (const std::string &file : files) {
            if (hasExtension(file, {"apf"})) {
                std::vector<qln::fax::FaxPageLines> check;
                if (int rc = qln::fax::readFaxPages(file, 0, check); rc < 0)
                    throw std::runtime_error("\"" + file + "\" is not a fax file: " + qln::fax::apfErrorText(rc));
                const int k = int(pages.size()) + 1;
                const std::string copy = k == 1 ? BaseFaxFileName(dataDir) : PageFileName(dataDir, k);
                if (qln::fax::copyFaxDocumentFile(file, copy) < 0)
                    throw std::runtime_error("cannot copy \"" + file + "\"");
                pages.push_back(copy);
            } else if (hasExtension(file, {"pdf", "tif", "tiff"})) {
                if (qln::fax::faxDocumentFileType(file) == qln::fax::idNone)
                    throw std::runtime_error("\"" + file + "\" is not a PDF or TIFF file");
                renderer.RenderDocumentFile(file, pages);
            } else {
                qln::richtext::RichDocument text;
                if (!loadText(text, file, "document", who)) {
                    removePages();
                    return 0;
                }
                PagePainterFor<qln::richtext::RichDocument> painter(text);
                renderer.RenderRichText(painter, pages);
            }
        }
        const std::string joined = JoinFaxPages(pages);
        pages = {joined};
        std::vector<qln::fax::FaxPageLines> decoded;
        int rc = qln::fax::readFaxPages(joined, 0, decoded);
        if (rc >= 0)
            rc = qln::fax::writeFaxTiff(decoded, outTiff);
        removePages();
        if (rc < 0)
            throw std::runtime_error("cannot write \"" + outTiff + "\": " + qln::fax::apfErrorText(rc));
        return int(decoded.size());
    } catch (const std::exception &e) {
        removePages();
        std::fprintf(stderr, "%s: %s\n", who.c_str(), e.what());
        return 0;
    }
}

} // namespace qlnfaxjobs

#include "compose/faxfilemaker.h"

#include "compose/pagerender.h"
#include "faximage/faxdocumentfile.h"
#include "records/faxtables.h"

#include <cstdio>

namespace qln::compose {

FaxFileMaker::FaxFileMaker(records::FaxTables &tables, std::string dataDir, int screenPixelsPerInch)
    : tables_(tables), dataDir_(dataDir),
      renderer_(std::make_unique<FaxPageRenderer>(std::move(dataDir), screenPixelsPerInch))
{
}

FaxFileMaker::~FaxFileMaker() = default;

// A memo that cannot be read leaves its text empty, as the memo transfer
// does.
void FaxFileMaker::load(const char *field, richtext::RichDocument &text, std::string *documentFile)
{
    text.clear();
    tables_.LoadRichText(tables_.FaxTable, field, [&](const std::string &path) {
        const fax::TFaxInputDocumentType type = documentFile ? fax::faxDocumentFileType(path) : fax::idNone;
        if (type == fax::idNone)
            return text.loadFromFile(QString::fromStdString(path));
        const std::string copy = dataDir_ + kDocumentCopy + fax::faxDocumentExtension(type);
        if (fax::copyFaxDocumentFile(path, copy) < 0)
            return false;
        *documentFile = copy;
        return true;
    });
}

std::string FaxFileMaker::CreateFaxFile(int &pageCount)
{
    renderer_->onStatus = onStatus;
    renderer_->onBusy = onBusy;
    renderer_->processMessages = processMessages;
    if (onBusy)
        onBusy(true);
    if (onStatus)
        onStatus(FaxPageRenderer::kCreating);
    load("RTFCOVER", WPCover);
    std::string documentFile;
    load("RTFDOC", WPDoc, &documentFile);
    PagePainterFor<richtext::RichDocument> cover(WPCover);
    PagePainterFor<richtext::RichDocument> document(WPDoc);
    // The copy of an attached document goes whatever the rendering's end.
    struct RemoveCopy {
        const std::string &file;
        ~RemoveCopy()
        {
            if (!file.empty())
                std::remove(file.c_str());
        }
    } removeCopy{documentFile};
    return renderer_->CreateFaxFile(cover, document, pageCount, documentFile);
}

}  // namespace qln::compose

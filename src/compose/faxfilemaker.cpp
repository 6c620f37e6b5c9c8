#include "compose/faxfilemaker.h"

#include "compose/pagerender.h"
#include "records/faxtables.h"

namespace qln::compose {

FaxFileMaker::FaxFileMaker(records::FaxTables &tables, std::string dataDir, int screenPixelsPerInch)
    : tables_(tables), renderer_(std::make_unique<FaxPageRenderer>(std::move(dataDir), screenPixelsPerInch))
{
}

FaxFileMaker::~FaxFileMaker() = default;

// A memo that cannot be read leaves its text empty, as the memo transfer
// does.
void FaxFileMaker::load(const char *field, richtext::RichDocument &text)
{
    text.clear();
    tables_.LoadRichText(tables_.FaxTable, field,
                         [&](const std::string &path) { return text.loadFromFile(QString::fromStdString(path)); });
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
    load("RTFDOC", WPDoc);
    PagePainterFor<richtext::RichDocument> cover(WPCover);
    PagePainterFor<richtext::RichDocument> document(WPDoc);
    return renderer_->CreateFaxFile(cover, document, pageCount);
}

}  // namespace qln::compose

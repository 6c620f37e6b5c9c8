#include "faximage/converter.h"

#include <QCoreApplication>

#include "faximage/bmpreader.h"
#include "faximage/convertertextreader.h"
#include "faximage/converteruser.h"
#include "faximage/dcxreader.h"
#include "faximage/faxfont.h"
#include "faximage/pageimport.h"
#include "faximage/pcxreader.h"

namespace qln::fax {

namespace {

bool defaultYield()
{
    if (!QCoreApplication::instance())
        return true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return !QCoreApplication::closingDown();
}

} // namespace

TApdFaxConverter::TApdFaxConverter()
    : YieldHandler(defaultYield)
{
}

TApdFaxConverter::~TApdFaxConverter() = default;

void TApdFaxConverter::SetOptions(TFaxCvtOptionsSet o)
{
    if (o & coYieldOften)
        o |= coYield;
    options_ = o;
}

void TApdFaxConverter::SetDocumentFile(const std::string &name)
{
    if (name == documentFile_)
        return;
    documentFile_ = name;
    if (!name.empty())
        outFileName_ = ConverterCore::withExtension(name, "APF");
}

int TApdFaxConverter::buildCore(std::unique_ptr<FaxInputReader> reader)
{
    core_ = std::make_unique<ConverterCore>(std::move(reader));
    ConverterCore &c = *core_;
    c.flags = options_;
    c.leftMargin = leftMargin_;
    c.topMargin = topMargin_;
    c.fine = resolution_ == frHigh;
    c.pageWidth = width_ == fwWide ? 2048 : 1728;
    c.stationId = stationId_.substr(0, 20);
    c.yieldHandler = YieldHandler;
    c.statusCallback = [this](ConverterCore &core, ConverterStatus kind) {
        if (!OnStatus)
            return false;
        bool abort = false;
        OnStatus(*this, kind == ConverterStatus::Start, kind == ConverterStatus::End, core.currentPage,
                 core.currentLine, long(core.bytesConverted), long(core.bytesToConvert), abort);
        return abort;
    };
    return ecOK;
}

int TApdFaxConverter::convertDocument()
{
    std::unique_ptr<FaxInputReader> reader;
    std::shared_ptr<FaxTextCore> text;
    const bool fine = resolution_ == frHigh;
    switch (inputType_) {
    case idText:
    case idTextEx: {
        text = std::make_shared<FaxTextCore>(inputType_ == idTextEx);
        text->setTabStop(tabStop_ ? tabStop_ : 4);
        text->setPageWidth(width_ == fwWide ? 2048 : 1728);
        text->setLeftMargin(leftMargin_);
        int rc = inputType_ == idText
                     ? text->loadFont(fontType_ == ffSmall ? FaxFont::kSmall : FaxFont::kStandard, fine)
                     : text->setEnhancedFont(enhFont_, fine);
        if (rc < 0)
            return rc;
        reader = std::make_unique<TextReader>(text, linesPerPage_);
        break;
    }
    case idTiff: reader = std::make_unique<TiffAnyReader>(); break;
    case idPdf: reader = std::make_unique<PdfReader>(); break;
    case idPcx: reader = std::make_unique<PcxReader>(); break;
    case idDcx: reader = std::make_unique<DcxReader>(); break;
    case idBmp: reader = std::make_unique<BmpReader>(); break;
    case idUser: {
        auto open = [this](const std::string &name) {
            if (OnOpenUserFile)
                OnOpenUserFile(*this, name);
            return int(ecOK);
        };
        UserLineReader::ReadFn read;
        if (OnReadUserLine)
            read = [this](uint8_t *data, int &len, bool &eop, bool &more) {
                OnReadUserLine(*this, data, len, eop, more);
                return int(ecOK);
            };
        auto close = [this]() {
            if (OnCloseUserFile)
                OnCloseUserFile(*this);
        };
        reader = std::make_unique<UserLineReader>(defUserExtension_, open, read, close);
        break;
    }
    case idNone:
    case idBitmap:
    default: return ecBadArgument;
    }
    buildCore(std::move(reader));
    return core_->convertToFile(documentFile_, outFileName_);
}

int TApdFaxConverter::convertBitmap(const MonoBitmap &bitmap, const std::string &outFileName)
{
    if (bitmap.isNull() || outFileName.empty())
        return ecBadArgument;
    buildCore(std::make_unique<MonoBitmapReader>(bitmap));
    return core_->convertToFile(std::string(), outFileName);
}

int TApdFaxConverter::convertBitmap(const QImage &image, const std::string &outFileName)
{
    if (image.format() != QImage::Format_Mono && image.format() != QImage::Format_MonoLSB)
        return ecBadArgument;
    return convertBitmap(MonoBitmap::fromQImage(image, true), outFileName);
}

void TApdFaxConverter::ConvertBitmapToFile(const QImage &image, const std::string &outFileName)
{
    if (int rc = convertBitmap(image, outFileName); rc < 0)
        throw EFaxConverterError(rc);
}

void TApdFaxConverter::ConvertDocument()
{
    if (int rc = convertDocument(); rc < 0)
        throw EFaxConverterError(rc);
}

void TApdFaxConverter::ConvertBitmapToFile(const MonoBitmap &bitmap, const std::string &outFileName)
{
    if (int rc = convertBitmap(bitmap, outFileName); rc < 0)
        throw EFaxConverterError(rc);
}

} // namespace qln::fax

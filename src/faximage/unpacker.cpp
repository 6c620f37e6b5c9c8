#include "faximage/unpacker.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <QCoreApplication>

#include "faximage/apferrors.h"
#include "faximage/unpackerpcx.h"

namespace qln::fax {

namespace {

bool sameIgnoringCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string withoutExtension(const std::string &name)
{
    std::size_t slash = name.find_last_of('/');
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return name;
    return name.substr(0, dot);
}

} // namespace

EFaxUnpackerError::EFaxUnpackerError(int code)
    : std::runtime_error(apfErrorText(code))
    , code_(code)
{
}

TApdCustomFaxUnpacker::TApdCustomFaxUnpacker()
{
    YieldHook = []() {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        return QCoreApplication::closingDown();
    };
}

TApdCustomFaxUnpacker::~TApdCustomFaxUnpacker() = default;

void TApdCustomFaxUnpacker::setOptions(TUnpackerOptions o)
{
    options_ = o;
    if ((o & uoAbort) && core_)
        core_->requestAbort();
}

void TApdCustomFaxUnpacker::setInFileName(const std::string &name)
{
    if (sameIgnoringCase(name, inFile_))
        return;
    inFile_ = name;
    OutFileName = withoutExtension(name);
}

void TApdCustomFaxUnpacker::check(int rc)
{
    if (rc < 0)
        throw EFaxUnpackerError(rc);
}

int TApdCustomFaxUnpacker::prepareCore()
{
    core_ = std::make_unique<UnpackerCore>();
    unsigned flags = 0;
    if (options_ & uoYield)
        flags |= ufYield;
    if (AutoScaleMode == asDoubleHeight)
        flags |= ufDoubleHeight;
    else if (AutoScaleMode == asHalfWidth)
        flags |= ufHalfWidth;
    core_->setFlags(flags);
    if (WhitespaceCompression)
        if (int rc = core_->setWhitespace(WhitespaceFrom, WhitespaceTo))
            return rc;
    if (Scaling)
        core_->setScaling(hMult_, hDiv_, vMult_, vDiv_);
    core_->setYieldHook(YieldHook);
    core_->setStatusCallback([this](const std::string &f, int page, uint64_t done, uint64_t total) {
        if (OnStatus)
            OnStatus(this, f, page, done, total);
    });
    core_->setLineCallback([this](UnpackLineKind kind, const uint8_t *data, int len, int page) {
        if (OnOutputLine)
            OnOutputLine(this, kind == UnpackLineKind::StartOfPage, kind == UnpackLineKind::EndOfPage, data, len,
                         page);
        return 0;
    });
    if (inFile_.empty())
        return ecFileNotFound;
    return 0;
}

int TApdCustomFaxUnpacker::ReadPageCount()
{
    check(prepareCore());
    ApfFileHeader h;
    check(core_->readFileHeader(inFile_, h));
    return h.pageCount;
}

TUnpackResolution TApdCustomFaxUnpacker::ReadFaxResolution()
{
    check(prepareCore());
    ApfPageHeader ph;
    check(core_->readPageHeader(inFile_, 1, ph));
    return ph.fine() ? frHighRes : frNormalRes;
}

TUnpackWidth TApdCustomFaxUnpacker::ReadFaxWidth()
{
    check(prepareCore());
    ApfPageHeader ph;
    check(core_->readPageHeader(inFile_, 1, ph));
    return ph.wide() ? fwWideWidth : fwNormalWidth;
}

MonoBitmap TApdCustomFaxUnpacker::ExtractPageBitmap(int page)
{
    check(prepareCore());
    MonoBitmap bm;
    check(core_->unpackPageToBitmap(inFile_, page, bm, true));
    return bm;
}

void TApdCustomFaxUnpacker::UnpackPage(int page)
{
    check(prepareCore());
    check(core_->unpackPage(inFile_, page));
}

int TApdCustomFaxUnpacker::pageRowsForFile(int page, PageRows &rows, int &widthPixels)
{
    if (int rc = prepareCore())
        return rc;
    core_->setInvert(false);
    if (int rc = core_->unpackPageRows(inFile_, page, rows))
        return rc;
    // A page of no lines has no image to write: a file of it would be
    // unreadable.
    if (rows.empty())
        return ecFaxBadFormat;
    widthPixels = rows.width * 8;
    if (!core_->scalingActive())
        return 0;
    MonoBitmap src;
    src.width = rows.width * 8;
    src.height = rows.lines;
    src.bytesPerLine = rows.rowBytes;
    src.bits = std::move(rows.data);
    MonoBitmap scaled;
    if (int rc = core_->scaleBitmap(src, scaled, true))
        return rc;
    // Rows of the scaled width / 8, rounded down, then up to an even count.
    const int width = scaled.width / 8;
    const int rowBytes = (width + 1) & ~1;
    rows = PageRows{};
    rows.width = width;
    rows.rowBytes = rowBytes;
    rows.lines = scaled.height;
    rows.data.assign(std::size_t(rowBytes) * std::size_t(scaled.height), 0);
    for (int y = 0; y < scaled.height; ++y)
        std::memcpy(rows.data.data() + std::size_t(y) * std::size_t(rowBytes), scaled.row(y),
                    std::size_t(std::min(rowBytes, scaled.bytesPerLine)));
    widthPixels = width * 8;
    return 0;
}

void TApdCustomFaxUnpacker::ExtractPagePcx(int page)
{
    PageRows rows;
    int widthPixels = 0;
    check(pageRowsForFile(page, rows, widthPixels));
    auto pcx = makePcxImage(rows.data.data(), widthPixels, rows.rowBytes, rows.lines);
    check(writeFileAtomically(unpackOutputName(inFile_, OutFileName, "PCX"), pcx));
}

void TApdCustomFaxUnpacker::ExtractPageDcx(int page)
{
    PageRows rows;
    int widthPixels = 0;
    check(pageRowsForFile(page, rows, widthPixels));
    auto pcx = makePcxImage(rows.data.data(), widthPixels, rows.rowBytes, rows.lines);
    check(writeFileAtomically(unpackOutputName(inFile_, OutFileName, "DCX"), makeDcxFile(pcx)));
}

} // namespace qln::fax

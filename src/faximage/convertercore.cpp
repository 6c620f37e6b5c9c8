#include "faximage/convertercore.h"

#include <QCoreApplication>

#include <cstring>
#include <sys/stat.h>

#include "faximage/apf.h"
#include "faximage/apferrors.h"
#include "faximage/converterlinecoder.h"
#include "faximage/converterstatusevent.h"

namespace qln::fax {

namespace {

// The fixed blank line written for every top-margin line.
constexpr uint8_t kBlankLine[6] = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};

} // namespace

class ConverterCore::Output {
public:
    ApfWriter writer;
    RasterLineCoder coder;
    uint8_t raster[kRasterBufferSize] = {};
};

ConverterCore::ConverterCore(std::unique_ptr<FaxInputReader> reader)
    : reader_(std::move(reader))
{
}

ConverterCore::~ConverterCore() = default;

void ConverterCore::placeImage(int imageWidth, PlacementRule rule)
{
    const int W = pageWidth, M = leftMargin, w = imageWidth;
    const int64_t w2 = 2 * int64_t(w);
    if (rule == PlacementRule::Image)
        doubleWidth = (flags & coDoubleWidth) && !fine && w2 <= W - M;
    else
        doubleWidth = (flags & coDoubleWidth) && !fine && w2 <= W - 2 * M;
    halfHeight = (flags & coHalfHeight) && !fine && !doubleWidth;
    centreOffset = 0;
    if (!(flags & coCenterImage))
        return;
    if (rule == PlacementRule::Image) {
        if (W - w > 15)
            centreOffset = doubleWidth ? int((W - w2) / 32) : (W - w) / 16;
    } else {
        int64_t c = doubleWidth ? (W - 2 * (int64_t(w) + M)) / 32 : (int64_t(W) - w - M) / 16;
        centreOffset = c > 0 ? int(c) : 0;
    }
}

bool ConverterCore::reportStatus(ConverterStatus kind)
{
    if (statusWindow) {
        ConverterStatusEvent ev(int(kind), this);
        QCoreApplication::sendEvent(statusWindow, &ev);
        return ev.answer != 0;
    }
    return statusCallback && statusCallback(*this, kind);
}

std::string ConverterCore::withDefaultExtension(const std::string &name, const std::string &ext)
{
    if (ext.empty())
        return name;
    const std::size_t slash = name.find_last_of('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    if (name.find('.', base) != std::string::npos)
        return name;
    return name + "." + ext;
}

std::string ConverterCore::withExtension(const std::string &name, const std::string &ext)
{
    const std::size_t slash = name.find_last_of('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = name.find_last_of('.');
    std::string stem = (dot != std::string::npos && dot >= base) ? name.substr(0, dot) : name;
    return stem + "." + ext;
}

int ConverterCore::convertToFile(const std::string &inName, const std::string &outName)
{
    if (!reader_)
        return ecBadArgument;
    const std::string in = withDefaultExtension(inName, reader_->defaultExtension());
    const std::string out = outName.empty() ? withExtension(in, "APF") : withDefaultExtension(outName, "APF");

    // Creating the output truncates it: never let it be the input itself.
    struct stat si {}, so {};
    if (::stat(in.c_str(), &si) == 0 && ::stat(out.c_str(), &so) == 0 && si.st_dev == so.st_dev &&
        si.st_ino == so.st_ino)
        return ecBadArgument;

    out_ = std::make_unique<Output>();
    ApfWriter &w = out_->writer;
    if (int rc = w.create(out); rc < 0) {
        out_.reset();
        return rc;
    }
    currentPage = currentLine = 0;
    bytesConverted = bytesToConvert = 0;
    int rc = ecOK;
    if (reportStatus(ConverterStatus::Start))
        rc = ecUserAbort;
    bool opened = false;
    if (rc == ecOK) {
        rc = reader_->open(*this, in);
        opened = rc == ecOK;
    }
    if (rc == ecOK)
        rc = runPages();
    if (rc == ecOK && reportStatus(ConverterStatus::End))
        rc = ecUserAbort;
    if (opened)
        reader_->close();
    if (rc == ecOK)
        rc = w.finish(stationId.substr(0, kApfStationIdMax));
    if (rc < 0)
        w.abandon();
    out_.reset();
    return rc;
}

int ConverterCore::runPages()
{
    ApfWriter &w = out_->writer;
    uint8_t *raster = out_->raster;
    const bool yieldOften = (flags & coYield) && (flags & coYieldOften);

    auto readLine = [&](bool &eop, bool &more) {
        // Only the first pageWidth / 8 bytes are ever coded; bytes a reader
        // writes beyond them are never read.
        std::memset(raster, 0, std::size_t(pageWidth / 8));
        eop = more = false;
        int rc = reader_->readLine(*this, raster, eop, more);
        if (rc < 0)
            return rc;
        ++currentLine;
        if (reportStatus(ConverterStatus::Line))
            return int(ecUserAbort);
        return int(ecOK);
    };
    auto yield = [&]() { return (!yieldHandler || yieldHandler()) ? int(ecOK) : int(ecGotQuitMsg); };

    bool more = true;
    while (more) {
        ++currentPage;
        currentLine = 0;
        // A reader of whole pages may set this page's resolution here.
        if (int rc = reader_->beginPage(*this); rc < 0)
            return rc;
        const uint16_t pageFlags =
            uint16_t(pfLineLengths | (fine ? pfFine : 0) | (pageWidth == kWideWidth ? pfWide : 0));
        if (int rc = w.beginPage(pageFlags); rc < 0)
            return rc;
        // Lines written on this page. A page may not outgrow what a fax page
        // (and the unpacker) holds, whatever length an input claims.
        int pageLines = 0;
        auto roomForLine = [&pageLines]() { return ++pageLines <= kApfMaxPageLines; };
        for (int i = 0; i < topMargin; ++i) {
            if (!roomForLine())
                return int(ecUnsupportedFormat);
            if (int rc = w.writeFramedLine(kBlankLine, sizeof kBlankLine); rc < 0)
                return rc;
        }
        bool eop = false;
        if (int rc = readLine(eop, more); rc < 0)
            return rc;
        while (!eop) {
            if (!(halfHeight && currentLine % 2 == 0)) {
                if (!roomForLine())
                    return int(ecUnsupportedFormat);
                out_->coder.setGeometry(pageWidth, leftMargin, doubleWidth);
                const std::size_t len = out_->coder.code(raster);
                if (int rc = w.writeFramedLine(out_->coder.data(), len); rc < 0)
                    return rc;
            }
            if (int rc = readLine(eop, more); rc < 0)
                return rc;
            if (yieldOften && currentLine % 16 == 0)
                if (int rc = yield(); rc < 0)
                    return rc;
        }
        if (int rc = w.endPage(); rc < 0)
            return rc;
        if (flags & coYield)
            if (int rc = yield(); rc < 0)
                return rc;
    }
    return ecOK;
}

} // namespace qln::fax

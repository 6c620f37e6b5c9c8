#include "faximage/pagetranscode.h"

#include <algorithm>
#include <cstring>

#include "faximage/apfreader.h"

namespace qln::fax {

MhToTwoDim::MhToTwoDim(FaxCoding coding, int width, ByteSink out, const TwoDimOptions &options)
    : encoder_(coding, width, std::move(out), options)
    , line_(std::size_t((encoder_.width() + 7) / 8), 0)
{
    mh_.setLineSink([this](const uint8_t *line, int bytes) { onMhLine(line, bytes); });
}

void MhToTwoDim::onMhLine(const uint8_t *line, int bytes)
{
    const std::size_t n = std::min(line_.size(), std::size_t(bytes));
    std::memcpy(line_.data(), line, n);
    std::memset(line_.data() + n, 0, line_.size() - n);
    encoder_.encodeLine(line_.data());
}

std::size_t MhToTwoDim::feedMh(const uint8_t *data, std::size_t len)
{
    return mh_.feed(data, len);
}

void MhToTwoDim::addLine(const uint8_t *line)
{
    encoder_.encodeLine(line);
}

uint32_t MhToTwoDim::endPage()
{
    // An EOL hands on the line the MH decoder still holds.
    static const uint8_t kEol[2] = {0x00, 0x80};
    if (!mh_.pageEnded())
        mh_.feed(kEol, sizeof kEol);
    const uint32_t lines = encoder_.linesCoded();
    encoder_.endPage();
    mh_.reset();
    return lines;
}

TwoDimToMh::TwoDimToMh(FaxCoding coding, int width, ByteSink out, MhFraming framing, int mhWidth)
    : decoder_(coding, width, {})
    , out_(std::move(out))
    , framing_(framing)
    , mhWidth_(std::clamp(mhWidth > 0 ? mhWidth : decoder_.width(), 1, G3LineEncoder::kMaxWidth))
    , line_(std::size_t((mhWidth_ + 7) / 8), 0)
{
    decoder_.setLineSink([this](const uint8_t *line, int bytes, bool) { onLine(line, bytes); });
}

void TwoDimToMh::onLine(const uint8_t *line, int bytes)
{
    const std::size_t n = std::min(line_.size(), std::size_t(bytes));
    std::memcpy(line_.data(), line, n);
    std::memset(line_.data() + n, 0, line_.size() - n);
    const std::size_t coded = mh_.encodeRaster(line_.data(), mhWidth_);
    // A stream needs no tail byte: the next line's start is fill and EOL.
    const std::size_t len = framing_ == MhFraming::Stream ? coded - 1 : coded;
    ++linesOut_;
    if (out_)
        out_(mh_.data(), len);
}

std::size_t TwoDimToMh::feed(const uint8_t *data, std::size_t len)
{
    if (!pageOpen_) {
        decoder_.reset();
        linesOut_ = 0;
        pageOpen_ = true;
    }
    return decoder_.feed(data, len);
}

void TwoDimToMh::endPage()
{
    if (!pageOpen_) {
        decoder_.reset();
        linesOut_ = 0;
    }
    decoder_.finish();
    if (framing_ == MhFraming::Stream && out_) {
        uint8_t eop[G3LineEncoder::kEndOfPageLength];
        G3LineEncoder::endOfPageLine(eop);
        out_(eop, sizeof eop);
    }
    pageOpen_ = false;
}

int encodeApfPage(ApfReader &reader, int page, FaxCoding coding, const ByteSink &out, TwoDimOptions options,
                  uint32_t *lines)
{
    if (int rc = reader.seekPage(page); rc < 0)
        return rc;
    const ApfPageHeader &ph = reader.pageHeader();
    options.k = kFactorFor(ph.fine());
    MhToTwoDim transcoder(coding, ph.width(), out, options);
    uint8_t buf[4096];
    for (;;) {
        std::size_t len = 0;
        const int rc = ph.framed() ? reader.readFramedLine(buf, len) : reader.readData(buf, sizeof buf, len);
        if (rc < 0)
            return rc;
        if (rc == 1)
            break;
        transcoder.feedMh(buf, len);
        if (transcoder.mhEnded())
            break;
    }
    const uint32_t n = transcoder.endPage();
    if (lines)
        *lines = n;
    return 0;
}

} // namespace qln::fax

// Page transmission shared by all classes: the page preamble with the header
// line, the cover page (text or APF) and the page data, written with DLE
// doubling and paced by the output ring's levels.
#include "fax/faxsend.h"
#include "faximage/g3encoder.h"

#include <algorithm>
#include <fstream>

namespace qln::fax {

using namespace t30;

namespace {
// One coded all-white scan line: EOL, white 1728, fill.
constexpr uint8_t kWhiteLine[6] = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};
constexpr std::size_t kStagingSize = 8192;
constexpr std::size_t kRawBlock = 4096;
} // namespace

void FaxSender::flushStaging()
{
    if (staging_.empty())
        return;
    writeBytes(staging_.data(), staging_.size());
    staging_.clear();
}

void FaxSender::writeDataDoubled(const uint8_t *data, std::size_t len)
{
    for (std::size_t i = 0; i < len; ++i) {
        if (staging_.size() + 2 > kStagingSize)
            flushStaging();
        staging_.push_back(data[i]);
        if (data[i] == DLE)
            staging_.push_back(DLE);
    }
}

void FaxSender::writeCodedLine(const Bytes &line)
{
    writeDataDoubled(line.data(), line.size());
    if (static_cast<int>(line.size()) < minBytes_) {
        Bytes pad(static_cast<std::size_t>(minBytes_) - line.size(), 0);
        writeDataDoubled(pad.data(), pad.size());
    }
}

void FaxSender::padZerosUntilQueued(std::size_t level)
{
    flushStaging();
    level = std::min<std::size_t>(level, kStagingSize);
    std::size_t queued = link_->outputCount();
    if (queued >= level)
        return;
    std::size_t n = std::min(level - queued, link_->outputFree());
    Bytes zeros(n, 0);
    writeBytes(zeros);
}

bool FaxSender::morePagesAfterCurrent() const
{
    if (sendingCover_)
        return pageCount > 0;
    return pageNumber < pageCount;
}

void FaxSender::advancePage()
{
    previousFine_ = currentFine_;
    if (sendingCover_) {
        sendingCover_ = false;
        coverApf_.close();
        pageNumber = 1;
    } else {
        ++pageNumber;
    }
    currentFine_ = pageFine(pageNumber);
}

int FaxSender::openPageSource()
{
    if (sendingCover_) {
        if (!coverIsApf_)
            return 0;
        if (!coverApf_.isOpen()) {
            if (int rc = coverApf_.open(coverFile); rc < 0)
                return rc;
        }
        return coverApf_.seekPage(1);
    }
    return file_.seekPage(pageNumber);
}

FaxSession::Step FaxSender::onWaitXon(const Event &ev)
{
    // Class 2 modems send XON when they are ready for page data; a modem
    // that sends none gets the data when the timer (about 1 s) runs out. A
    // hang-up report or an error instead ends the fax at once.
    bool ready = ev.kind == Input::Timer;
    while (!ready && link_->inputCount() > 0) {
        int b = link_->readByte();
        if (b == 0x11) {
            ready = true;
        } else if (b >= 0 && xonLines_.feed(static_cast<unsigned char>(b))) {
            const std::string &l = xonLines_.line();
            const bool hangup = l.find(table_->hangupReport) != std::string::npos;
            if (hangup || l.find("ERROR") != std::string::npos) {
                if (hangup)
                    hangupResult = class2::parseHangupCode(l);
                fail(ecFaxBadModemResult);
                return Step::Next;
            }
        }
    }
    if (!ready)
        return Step::Wait;
    link_->armOutputFree(kOutputRoomForPage);
    armResponse(kPageTicks);
    state_ = tfWaitFrHead;
    return Step::Wait;
}

FaxSession::Step FaxSender::onWaitFrHead(const Event &ev)
{
    if (ev.kind == Input::Timer) {
        fail(ecTimeout);
        return Step::Next;
    }
    if (ev.kind != Input::OutFree && link_->outputFree() < kOutputRoomForPage) {
        link_->armOutputFree(kOutputRoomForPage);
        return Step::Wait;
    }
    setStatus(fpSendPage);
    if (settings.softwareFlow)
        link_->setTxFlow(true);
    state_ = tfSndPgeHdr;
    return Step::Next;
}

FaxSession::Step FaxSender::onSndPgeHdr()
{
    if (int rc = openPageSource(); rc < 0) {
        fail(rc);
        return Step::Next;
    }
    if (isClass2())
        minBytes_ = t30::minBytesPerLine(scanCode_, currentFine_, lineSpeed);
    bytesDone = 0;
    staging_.clear();
    for (int i = 0; i < 8; ++i) {
        writeDataDoubled(kWhiteLine, sizeof kWhiteLine);
        if (minBytes_ >= 7) {
            Bytes pad(static_cast<std::size_t>(minBytes_) - 5, 0);
            writeDataDoubled(pad.data(), pad.size());
        }
    }
    if (!send.headerLine.empty() && renderer) {
        std::string text = expandHeaderTokens(send.headerLine, headerValues());
        padZerosUntilQueued(static_cast<std::size_t>(send.bufferMinimum));
        std::vector<Bytes> lines;
        if (int rc = renderer(text, currentFine_, false, lines); rc < 0) {
            fail(rc);
            return Step::Next;
        }
        for (const auto &l : lines)
            writeCodedLine(l);
    }
    padZerosUntilQueued(static_cast<std::size_t>(send.bufferMinimum));
    state_ = sendingCover_ ? tfOpenCover : tfPrepPage;
    return Step::Next;
}

FaxSession::Step FaxSender::onOpenCover()
{
    if (coverIsApf_) {
        state_ = tfPrepPage;
        return Step::Next;
    }
    coverLines_.clear();
    coverLine_ = 0;
    std::ifstream in(coverFile);
    if (!in) {
        fail(2);
        return Step::Next;
    }
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        coverLines_.push_back(l);
    }
    link_->armOutputFree(kOutputRoomForPage);
    state_ = tfSendCover;
    return Step::Wait;
}

FaxSession::Step FaxSender::onSendCover(const Event &ev)
{
    if (ev.kind == Input::Timer) {
        fail(ecTimeout);
        return Step::Next;
    }
    while (coverLine_ < coverLines_.size() && link_->outputFree() > kOutputRoomForPage) {
        std::vector<Bytes> coded;
        std::string text = expandHeaderTokens(coverLines_[coverLine_++], headerValues());
        if (renderer) {
            if (int rc = renderer(text, currentFine_, true, coded); rc < 0) {
                fail(rc);
                return Step::Next;
            }
        }
        for (const auto &c : coded) {
            writeCodedLine(c);
            if (staging_.size() > 4096)
                flushStaging();
        }
        flushStaging();
        armResponse(kPageTicks);
    }
    if (coverLine_ < coverLines_.size()) {
        link_->armOutputFree(kOutputRoomForPage);
        return Step::Wait;
    }
    // The text page ends with RTC like every stored page, or the receiver
    // takes the DLE ETX (or the next frame) for a cut page.
    uint8_t rtc[G3LineEncoder::kEndOfPageLength];
    G3LineEncoder::endOfPageLine(rtc);
    writeDataDoubled(rtc, sizeof rtc);
    flushStaging();
    if (!isClass2()) {
        const uint8_t end[2] = {DLE, ETX};
        writeBytes(end, 2);
    }
    link_->armOutputUsed(0);
    state_ = tfDrainPage;
    return Step::Wait;
}

FaxSession::Step FaxSender::onPrepPage()
{
    ApfReader &r = sendingCover_ ? coverApf_ : file_;
    bytesDone = 0;
    pageBytes = static_cast<long>(r.pageHeader().imageLength);
    flushStaging();
    link_->armOutputFree(kOutputRoomForPage);
    state_ = tfSendPage;
    return Step::Wait;
}

FaxSession::Step FaxSender::onSendPage(const Event &ev)
{
    if (ev.kind == Input::Timer) {
        fail(ecTimeout);
        return Step::Next;
    }
    ApfReader &r = sendingCover_ ? coverApf_ : file_;
    const std::size_t bufferMinimum = static_cast<std::size_t>(std::max(send.bufferMinimum, 0));
    bool pageDone = false;
    for (int blocks = 0; blocks < send.maxSendCount; ++blocks) {
        if (link_->outputCount() > bufferMinimum || link_->outputFree() < kOutputRoomForPage)
            break;
        line_.resize(kRawBlock);
        std::size_t len = 0;
        int rc;
        if (r.pageHeader().framed()) {
            rc = r.readFramedLine(line_.data(), len);
            if (rc == 0) {
                line_.resize(len);
                writeCodedLine(line_);
            }
        } else {
            rc = r.readData(line_.data(), kRawBlock, len);
            if (rc == 0)
                writeDataDoubled(line_.data(), len);
        }
        if (rc < 0) {
            fail(rc);
            return Step::Next;
        }
        flushStaging();
        if (rc == 1) {
            pageDone = true;
            break;
        }
    }
    bytesDone = static_cast<long>(r.pageBytesRead())
                - static_cast<long>(std::min<std::size_t>(link_->outputCount(), r.pageBytesRead()));
    armResponse(kPageTicks);
    if (!pageDone) {
        // Wake again when the modem has taken the queue down to the minimum.
        link_->armOutputUsed(bufferMinimum);
        return Step::Wait;
    }
    if (!isClass2()) {
        const uint8_t end[2] = {DLE, ETX};
        writeBytes(end, 2);
    }
    setStatus(fpSendPage);
    link_->armOutputUsed(0);
    state_ = tfDrainPage;
    return Step::Wait;
}

FaxSession::Step FaxSender::onDrainPage(const Event &ev)
{
    if (ev.kind == Input::Timer) {
        fail(ecTimeout);
        return Step::Next;
    }
    if (link_->outputCount() > 0) {
        link_->armOutputUsed(0);
        return Step::Wait;
    }
    if (settings.softwareFlow)
        link_->setTxFlow(false);
    morePages_ = morePagesAfterCurrent();
    if (morePages_)
        advancePage();
    else
        previousFine_ = currentFine_;
    if (!isClass2()) {
        armResponse(kPageTicks);
        state_ = tf1PageEnd;
        return Step::Wait;
    }
    bool resChange = morePages_ && previousFine_ != currentFine_;
    if (isClass20()) {
        std::string end = class2::pageEndClass20(morePages_, resChange);
        writeBytes(reinterpret_cast<const uint8_t *>(end.data()), end.size());
    } else {
        const uint8_t end[2] = {DLE, ETX};
        writeBytes(end, 2);
    }
    setStatus(fpSendPage);
    state_ = tf2SendEOP;
    return Step::Next;
}

} // namespace qln::fax

#include "sessions/faxstatusview.h"

#include "comms/comport.h"
#include "fax/faxcodes.h"
#include "fax/faxsendfax.h"

#include <algorithm>
#include <cstdio>

namespace qln {

using namespace fax;

FaxStatusFacts FaxStatusFacts::of(const TApdAbstractFax &f)
{
    FaxStatusFacts facts;
    const auto *sender = dynamic_cast<const TApdSendFax *>(&f);
    facts.sending = sender != nullptr;
    facts.faxFile = f.FaxFile();
    if (sender) {
        facts.phoneNumber = sender->PhoneNumber;
        facts.coverFile = sender->CoverFile;
        facts.dialAttempt = sender->DialAttempt();
        facts.dialRetryWait = sender->DialRetryWait;
    }
    facts.remoteId = f.RemoteStation();
    facts.pageCount = f.PageCount();
    facts.lineSpeed = f.LineSpeed();
    facts.fine = f.FineResolution();
    facts.wide = f.WidePage();
    facts.errorCorrection = f.ErrorCorrection();
    facts.pageNumber = f.PageNumber();
    facts.pageBytes = f.PageBytes();
    facts.bytesDone = f.BytesDone();
    facts.statusCode = f.StatusCode();
    if (sender && f.ComPort() && f.ComPort()->Open()) {
        try {
            facts.outputQueued = f.ComPort()->OutBuffUsed();
        } catch (const std::exception &) {
            facts.outputQueued = -1;  // the port went away meanwhile
        }
    }
    return facts;
}

// The page on the line: it starts when the sender begins a page's data and
// ends when the status moves on (the modem's answer after the page, or the
// end of the call).
void FaxStatusView::trackLinePage(const FaxStatusFacts &f, Clock::time_point now)
{
    if (f.statusCode == fpSendPage) {
        if (!onLine_) {
            onLine_ = true;
            lineDone_ = handedAll_ = false;
            linePage_ = f.pageNumber;
            lineStart_ = now;
            lineLength_ = f.pageBytes;
            lineHanded_ = f.bytesDone;
        } else if (f.pageNumber != linePage_) {
            handedAll_ = true;  // the sender has moved on to queue the next page
        } else {
            lineLength_ = f.pageBytes;
            lineHanded_ = std::max(lineHanded_, f.bytesDone);
            if (f.outputQueued == 0 && f.bytesDone > 0)
                handedAll_ = true;
        }
        return;
    }
    if (onLine_) {
        onLine_ = false;
        lineEnd_ = now;
        lineDone_ = f.statusCode == fpSendPageStatus || f.statusCode == fpPageOK || f.statusCode == fpPageError;
    }
}

long FaxStatusView::lineBytes(Clock::time_point now) const
{
    if (lineDone_)
        return lineLength_;
    const long handed = handedAll_ ? lineLength_ : std::min(lineHanded_, lineLength_);
    if (facts_.lineSpeed <= 0)
        return handed;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>((onLine_ ? now : lineEnd_) - lineStart_).count();
    const long long carried = std::max<long long>(0, ms) * facts_.lineSpeed / 8000;
    long bytes = long(std::min<long long>(handed, carried));
    // Until the modem says the page went, the last bytes may still be in it.
    if (lineLength_ > 0 && bytes >= lineLength_)
        bytes = std::max(0L, lineLength_ - 1 - lineLength_ / 100);
    return bytes;
}

void FaxStatusView::report(const FaxStatusFacts &facts, Clock::time_point now)
{
    const int previous = facts_.statusCode;
    facts_ = facts;
    if (facts.sending)
        trackLinePage(facts, now);
    switch (facts.statusCode) {
    case fpGotRemoteID:
    case fpSessionParams:
        if (!connected_) {
            connected_ = true;
            connectedAt_ = now;
        }
        break;
    case fpFinished:
    case fpCancel:
    case fpGotHangup:
        connected_ = false;
        break;
    default:
        break;
    }
    if (facts.statusCode == fpBusyWait) {
        if (!counting_ || previous != fpBusyWait) {
            counting_ = true;
            countdownFrom_ = now;
            countdownSeconds_ = std::max(0, facts.dialRetryWait);
        }
    } else {
        counting_ = false;
    }
}

void FaxStatusView::reset() { *this = FaxStatusView(); }

std::string FaxStatusView::clockText(long seconds)
{
    if (seconds < 0)
        seconds = 0;
    char mss[32];
    std::snprintf(mss, sizeof mss, "%ld:%02ld", seconds / 60, seconds % 60);
    char out[40];
    std::snprintf(out, sizeof out, "%6s", mss);
    return out;
}

std::string FaxStatusView::shortFileName(const std::string &path)
{
    std::string name = path;
    if (auto slash = name.find_last_of("/\\"); slash != std::string::npos)
        name = name.substr(slash + 1);
    if (name.size() > std::size_t(kFileNameChars))
        name = name.substr(0, kFileNameChars) + "...";
    return name;
}

int FaxStatusView::progressPercent(long bytes, long length)
{
    if (length <= 0)
        return 0;
    const long long p = (static_cast<long long>(bytes) * 100 + length / 2) / length;
    return int(std::clamp<long long>(p, 0, 100));
}

FaxStatusTexts FaxStatusView::texts(Clock::time_point now) const
{
    using std::to_string;
    const FaxStatusFacts &f = facts_;
    FaxStatusTexts t;
    t.phoneNumber = f.sending ? f.phoneNumber : std::string();
    t.totalPages = to_string(f.pageCount);
    t.dialAttempt = f.sending ? to_string(f.dialAttempt) : std::string("1");
    t.remoteId = f.remoteId;
    t.connectBps = to_string(f.lineSpeed);
    t.resolution = f.fine ? "high" : "standard";
    t.width = f.wide ? "2048" : "1728";
    t.errorControl = f.errorCorrection ? "on" : "off";
    // A sender shows the page on the line once one has started.
    const bool onLine = f.sending && linePage_ >= 0;
    const int page = onLine ? linePage_ : f.pageNumber;
    const long length = onLine ? lineLength_ : f.pageBytes;
    const long bytes = onLine ? lineBytes(now) : f.bytesDone;
    t.currentPage = page == 0 ? std::string("<cover page>") : to_string(page);
    t.pageLength = to_string(length);
    t.bytesTransferred = to_string(bytes);
    if (connected_) {
        const auto secs = std::chrono::duration_cast<std::chrono::seconds>(now - connectedAt_).count();
        t.elapsed = clockText(long(secs));
    } else {
        t.elapsed = "00:00";
    }
    t.status = TApdAbstractFax::StatusText(f.statusCode);
    if (counting_) {
        const auto gone = std::chrono::duration_cast<std::chrono::seconds>(now - countdownFrom_).count();
        t.status += clockText(std::max<long>(0, countdownSeconds_ - long(gone)));
    }
    t.faxFileName = shortFileName(f.faxFile);
    t.coverFileName = f.sending ? shortFileName(f.coverFile) : std::string();
    t.progressVisible = f.sending;
    t.progressCaption = f.sending ? "Page progress:" : "Page progress: N/A";
    t.progress = f.sending ? progressPercent(bytes, length) : 0;
    return t;
}

}  // namespace qln

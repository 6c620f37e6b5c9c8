#include "sessions/faxstatusview.h"

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
    return facts;
}

void FaxStatusView::report(const FaxStatusFacts &facts, Clock::time_point now)
{
    const int previous = facts_.statusCode;
    facts_ = facts;
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
    t.currentPage = f.pageNumber == 0 ? std::string("<cover page>") : to_string(f.pageNumber);
    t.pageLength = to_string(f.pageBytes);
    t.bytesTransferred = to_string(f.bytesDone);
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
    t.progress = f.sending ? progressPercent(f.bytesDone, f.pageBytes) : 0;
    return t;
}

}  // namespace qln

#include "fax/faxsend.h"

#include "fax/faxlog.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace qln::fax {

namespace {
long secondsToTicks(long s) { return s * 1675 / 92; }

bool hasApfExtension(const std::string &name, const std::string &ext)
{
    std::string n = name, e = "." + ext;
    for (auto &c : n)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (auto &c : e)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return n.find(e) != std::string::npos;
}
} // namespace

FaxSender::FaxSender(FaxLink &link, FaxEvents &events) : FaxSession(link, events)
{
    staging_.reserve(8192);
}

FaxSender::~FaxSender() = default;

FaxSession::Mode FaxSender::inputMode() const
{
    switch (state_) {
    case tfWaitXon:
        return Mode::Raw;
    case tfDrainPage: case tf2SendEOP: case tf2SndNwPrm: case tf2NextPage:
        return Mode::Hold; // the modem's page-end reply may come before the ring is empty
    case tfGetEntry: case tfInit: case tfDial: case tfRetryWait: case tfWaitFrHead:
    case tfSndPgeHdr: case tfOpenCover: case tfSendCover: case tfPrepPage: case tfSendPage:
    case tf1PrepEOP:
    case tfClose: case tfCompleteOK: case tfAbort: case tfDone: case tfNone:
        return Mode::Trigger;
    default:
        return Mode::Lines;
    }
}

int FaxSender::prepare(bool initialiseModem)
{
    pageNumber = pageCount = 0;
    bytesDone = pageBytes = 0;
    remoteStation.clear();
    lastError = 0;
    hangupResult = 0;
    cancelled_ = false;
    exitAfterAbort_ = false;
    inProgress_ = true; // status reports during preparation reach the component
    setStatus(fpInitModem);
    reportStatus(true, false);
    beginAtInitSpeed();
    link_->setDTR(true);
    link_->setRTS(true);

    activeClass_ = settings.faxClass == fcUnknown ? fcDetect : settings.faxClass;
    int rc = 0;
    if (activeClass_ == fcDetect) {
        TFaxClass c = fcUnknown;
        rc = detectClass(defaultInitString(send.blindDial, send.detectBusy), c);
        if (rc == 0)
            activeClass_ = c;
    }
    if (rc == 0 && initialiseModem && !modemInitialised) {
        if (!settings.modemInit.empty() && sendAndWait(settings.modemInit, nullptr) != 0)
            rc = -ecFaxInitError;
        else if (sendAndWait(defaultInitString(send.blindDial, send.detectBusy), nullptr) != 0)
            rc = -ecFaxInitError;
        else
            modemInitialised = true;
    }
    if (rc == 0 && isClass2())
        table_ = isClass20() ? &class2::commandsClass20() : &class2::commandsClass2();
    if (rc == 0) {
        switchToNormalSpeed();
        if (activeClass_ == fcClass1) {
            // Own transmit speeds: the line with "," lists the modulations.
            link_->flushInput();
            sendCommand("AT+FTM=?");
            link_->disarmResponseTimer();
            long deadline = link_->ticks() + kResponseTicks;
            ResponseAssembler a;
            bool gotList = false;
            while (link_->ticks() < deadline) {
                if (link_->inputCount() == 0) {
                    link_->pause(10);
                    continue;
                }
                int b = link_->readByte();
                if (b < 0 || !a.feed(static_cast<uint8_t>(b)))
                    continue;
                const std::string &l = a.line();
                if (!gotList && l.find(',') != std::string::npos) {
                    ownRates_ = t30::ratesFromModulationList(l);
                    gotList = true;
                    deadline = link_->ticks() + kSpeedQueryExtraTicks;
                } else if (l.find("OK") != std::string::npos || l.find("ERROR") != std::string::npos) {
                    if (gotList)
                        break;
                }
            }
            link_->flushInput();
        }
    }
    if (rc != 0) {
        lastError = rc;
        events_.faxError(rc);
        reportStatus(false, true);
        inProgress_ = false;
        finish(rc);
        return rc;
    }
    return 0;
}

void FaxSender::start()
{
    if (!inProgress_)
        return;
    state_ = tfGetEntry;
    step(FaxTrigger::None);
    if (inProgress_)
        link_->armStatusTimer(secondsToTicks(std::max(1, settings.statusInterval)));
}

FaxSession::Step FaxSender::handle(const Event &ev)
{
    switch (state_) {
    case tfGetEntry: return onGetEntry();
    case tfInit: return onInit();
    case tfDial: return onDial();
    case tfRetryWait: return onRetryWait(ev);
    case tfWaitXon: return onWaitXon(ev);
    case tfWaitFrHead: return onWaitFrHead(ev);
    case tfSndPgeHdr: return onSndPgeHdr();
    case tfOpenCover: return onOpenCover();
    case tfSendCover: return onSendCover(ev);
    case tfPrepPage: return onPrepPage();
    case tfSendPage: return onSendPage(ev);
    case tfDrainPage: return onDrainPage(ev);
    case tfClose: return onClose();
    case tfAbort: return onAbort();
    case tfDone: case tfNone: case tfCompleteOK: return Step::Wait;
    default:
        break;
    }
    if (ev.kind == Input::Timer && state_ != tf1WaitMCF && state_ != tf1WaitHngp
        && state_ != tf1WaitCFR
        && state_ != tf1Connect && state_ != tf2Connect && state_ != tfWaitXon) {
        fail(ecTimeout);
        return Step::Next;
    }
    return isClass2() ? class2(ev) : class1(ev);
}

FaxSession::Step FaxSender::onGetEntry()
{
    std::string phone, file, cover;
    if (!events_.faxNext(phone, file, cover)) {
        reportStatus(false, true);
        state_ = tfDone;
        finish(lastError);
        return Step::Wait;
    }
    phoneNumber = phone.substr(0, 40);
    faxFile = file;
    coverFile = cover;
    lastError = 0;
    hangupResult = 0;
    dialAttempt = 0;
    resends_ = 0;
    remoteStation.clear();
    file_.close();
    coverApf_.close();
    if (faxFile.empty() && coverFile.empty()) {
        fail(ecNoFilename);
        return Step::Next;
    }
    pageCount = 0;
    if (!faxFile.empty()) {
        int rc = file_.open(faxFile);
        if (rc < 0) {
            fail(rc);
            return Step::Next;
        }
        pageCount = file_.pageCount();
    }
    coverIsApf_ = !coverFile.empty() && hasApfExtension(coverFile, settings.faxFileExt);
    events_.faxLog(lfaxTransmitStart);
    state_ = tfInit;
    return Step::Next;
}

bool FaxSender::pageFine(int page)
{
    ApfPageHeader h;
    if (page < 1 || page > file_.pageCount() || file_.seekPage(page, &h) < 0)
        return false;
    return h.fine();
}

FaxSession::Step FaxSender::onInit()
{
    // Resolution of the first page sent.
    if (!coverFile.empty() && coverIsApf_) {
        ApfReader r;
        ApfPageHeader h;
        currentFine_ = r.open(coverFile) == 0 && r.seekPage(1, &h) == 0 && h.fine();
    } else if (!coverFile.empty()) {
        currentFine_ = pageCount > 0 ? pageFine(1) : false;
    } else {
        currentFine_ = pageFine(1);
    }
    previousFine_ = currentFine_;
    sendingCover_ = !coverFile.empty();
    pageNumber = sendingCover_ ? 0 : 1;
    dialConnected_ = false;
    finalFrame_ = cfrReceived_ = false;
    gotDis_ = remoteDcn_ = disThisPhase_ = false;
    damagedFrames_ = 0;
    trainTries_ = eopTries_ = 0;
    rate_ = -1;
    setStatus(fpInitModem);
    // The end of the previous fax left the port at the initialisation speed;
    // this fax runs at the normal speed like the first one.
    switchToNormalSpeed();
    if (isClass2()) {
        sendCommand(c2(table_->selectClass));
        state_ = tf2Init1;
    } else {
        sendCommand(settings.class1Command);
        state_ = tf1Init1;
    }
    return Step::Wait;
}

FaxSession::Step FaxSender::onDial()
{
    std::string cmd = std::string("ATD") + (send.toneDial ? "T" : "P") + send.dialPrefix + phoneNumber;
    sendCommand(cmd);
    armResponse(secondsToTicks(send.dialWait));
    ++dialAttempt;
    setStatus(fpDialing);
    state_ = isClass2() ? tf2Connect : tf1Connect;
    return Step::Wait;
}

bool FaxSender::busyOrFailedDial(const Event &ev)
{
    if (ev.kind == Input::Timer && !dialConnected_) {
        fail(ecFaxNoAnswer);
        return true;
    }
    if (ev.kind != Input::Line)
        return false;
    if (ev.is("BUSY") || ev.is("ANSWER")) {
        if (send.dialAttempts != 0 && dialAttempt >= send.dialAttempts) {
            fail(ecFaxBusy);
            return true;
        }
        setStatus(fpBusyWait);
        armResponse(secondsToTicks(send.dialRetryWait));
        state_ = tfRetryWait;
        return true;
    }
    if (ev.is("VOICE") || ev.is("VCON")) {
        fail(ecFaxVoiceCall);
        return true;
    }
    if (ev.is("NO DIAL")) {
        fail(ecFaxNoDialTone);
        return true;
    }
    return false;
}

FaxSession::Step FaxSender::onRetryWait(const Event &ev)
{
    if (ev.kind != Input::Timer)
        return Step::Wait;
    state_ = tfInit;
    return Step::Next;
}

FaxSession::Step FaxSender::onClose()
{
    file_.close();
    coverApf_.close();
    setStatus(fpFinished);
    events_.faxLog(lfaxTransmitOk);
    switchToInitSpeed();
    state_ = tfGetEntry;
    return Step::Next;
}

FaxSession::Step FaxSender::onAbort()
{
    file_.close();
    coverApf_.close();
    if (settings.softwareFlow)
        link_->setTxFlow(false); // the fax may have failed during page data
    events_.faxLog(lfaxTransmitFail);
    link_->flushOutput();
    // A modem sending page data takes every byte, "ATH0" too, as more page
    // data: dropping DTR is what ends its transmission and the call. That
    // holds until its OK after the page's DLE ETX, since it may still be
    // playing out seconds of buffered data; a command written then would be
    // read after the page and start a transmission nobody ends.
    switch (abortedFrom_) {
    case tfWaitXon: case tfWaitFrHead: case tfSndPgeHdr: case tfOpenCover: case tfSendCover:
    case tfPrepPage: case tfSendPage: case tfDrainPage: case tf1PageEnd:
        resetModem();
        break;
    case tf1SendDCN: case tf1Hangup: case tf1WaitHngp:
        break; // DCN is out already
    default:
        // Once the far end has shown its capabilities the procedure ends
        // with DCN, so that it does not wait for commands that never come.
        if (!isClass2() && gotDis_ && !remoteDcn_) {
            if (!sendDisconnect(true))
                resetModem();
        } else if (!isClass2() && dialConnected_) {
            // A reception may still wait for the far end's frames: a
            // character stops it, so that ATH0 reaches the modem whole.
            const uint8_t blank = 0x20;
            writeBytes(&blank, 1);
            link_->pause(100);
            link_->flushInput();
        }
        break;
    }
    hangupSending();
    link_->disarmResponseTimer();
    switchToInitSpeed();
    bool noConnect = lastError == -ecFaxBusy || lastError == -ecFaxNoAnswer
                     || lastError == -ecFaxVoiceCall || lastError == -ecFaxNoDialTone
                     || lastError == -ecFaxNoFaxRemote;
    if (cancelled_ || exitAfterAbort_ || settings.exitOnError || (settings.abortNoConnect && noConnect)) {
        setStatus(fpCancel);
        reportStatus(false, true);
        state_ = tfDone;
        finish(lastError);
        return Step::Wait;
    }
    state_ = tfGetEntry;
    return Step::Next;
}

HeaderValues FaxSender::headerValues()
{
    HeaderValues v;
    if (headerClock) {
        headerClock(v.date, v.time);
    } else {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char d[32], t[32];
        std::strftime(d, sizeof d, "%x", &tm);
        std::strftime(t, sizeof t, "%H:%M", &tm);
        v.date = d;
        v.time = t;
    }
    v.stationId = settings.stationId;
    v.sender = send.headerSender;
    v.recipient = send.headerRecipient;
    v.title = send.headerTitle;
    int cover = coverFile.empty() ? 0 : 1;
    v.totalPages = cover + pageCount;
    v.currentPage = sendingCover_ ? 1 : cover + pageNumber;
    return v;
}

} // namespace qln::fax

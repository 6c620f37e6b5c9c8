#include "fax/faxreceive.h"

#include "fax/faxnaming.h"

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

namespace qln::fax {

namespace {
long secondsToTicks(long s) { return s * 1675 / 92; }
constexpr std::size_t kMaxBytesPerStep = 10000;

uint8_t reverseBits(uint8_t b)
{
    b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    b = static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
    return b;
}
} // namespace

FaxReceiver::FaxReceiver(FaxLink &link, FaxEvents &events) : FaxSession(link, events) {}

FaxSession::Mode FaxReceiver::inputMode() const
{
    switch (state_) {
    case rf1CollTrn: case rfGtPgDta:
        return Mode::Raw;
    case rfInit: case rfAnswer: case rfStartPage: case rf1WritePage: case rfComplete:
    case rfAbort: case rfDone: case rfNone: case rf1CollRtry1:
        return Mode::Hold;
    default:
        return Mode::Lines;
    }
}

int FaxReceiver::prepare(bool initialiseModem)
{
    lastError = 0;
    cancelled_ = false;
    exitAfterAbort_ = false;
    statusShowing_ = false;
    activeClass_ = settings.faxClass == fcUnknown ? fcDetect : settings.faxClass;
    int rc = 0;
    beginAtInitSpeed();
    link_->setDTR(true);
    link_->setRTS(true);
    inProgress_ = true;
    const std::string init = defaultInitString(false, true);
    if (activeClass_ == fcDetect) {
        TFaxClass c = fcUnknown;
        rc = detectClass(init, c);
        if (rc == 0)
            activeClass_ = c;
    }
    if (rc == 0 && isClass2())
        table_ = isClass20() ? &class2::commandsClass20() : &class2::commandsClass2();
    if (rc == 0 && initialiseModem && !modemInitialised) {
        if (!settings.modemInit.empty() && sendAndWait(settings.modemInit, nullptr) != 0)
            rc = -ecFaxInitError;
        else if (sendAndWait(init, nullptr) != 0)
            rc = -ecFaxInitError;
        else
            modemInitialised = true;
    }
    if (rc != 0) {
        lastError = rc;
        events_.faxError(rc);
        finish(rc);
        return rc;
    }
    // A failing command here ends the preparation early without an error:
    // the first state sends the class command again.
    if (activeClass_ == fcClass1) {
        if (sendAndWait(settings.class1Command, nullptr) == 0) {
            switchToNormalSpeed();
            link_->flushInput();
            std::string list;
            sendAndWait("AT+FRM=?", &list);
            ownRates_ = t30::ratesFromModulationList(list);
        }
    } else {
        const auto &t = *table_;
        if (sendAndWait(t.command(t.selectClass), nullptr) == 0) {
            switchToNormalSpeed();
            if (sendAndWait("AT+FCR=1", nullptr) == 0
                && sendAndWait(t.command(t.localId) + "=\"" + settings.stationId + "\"", nullptr) == 0)
                sendAndWait(std::string("AT+FAA=") + (receive.faxAndData ? "1" : "0"), nullptr);
        }
    }
    disRateField_ = t30::disRateField(ownRates_, settings.desiredBps, &offeredRates_);
    link_->flushInput();
    return 0;
}

void FaxReceiver::start()
{
    if (!inProgress_)
        return;
    state_ = rfInit;
    step(FaxTrigger::None);
    if (inProgress_)
        link_->armStatusTimer(secondsToTicks(std::max(1, settings.statusInterval)));
}

FaxSession::Step FaxReceiver::handle(const Event &ev)
{
    switch (state_) {
    case rfInit: return onInit();
    case rfWaiting: return onWaiting(ev);
    case rfAnswer: return onAnswer();
    case rfStartPage: return onStartPage();
    case rfGtPgDta:
        if (ev.kind == Input::Timer) {
            fail(ecTimeout);
            return Step::Next;
        }
        return onGetPageData();
    case rfComplete: return onComplete();
    case rfAbort: return onAbort();
    case rfDone: case rfNone: return Step::Wait;
    default:
        break;
    }
    if (ev.damagedFrame && !isClass2())
        return onDamagedFrame();
    // ERROR ends the call, except where it is an answer the state takes:
    // the wait for DCN, a stopped training reception, and the end of a call
    // whose document was confirmed.
    const bool errorTaken = state_ == rf1WaitDCN || state_ == rf1Timeout
                            || (docConfirmed_ && (state_ == rf1SendMCF || state_ == rf1WtHngp));
    if (ev.is("ERROR") && !errorTaken && !(state_ == rf2Init3 && activeClass_ == fcClass2)) {
        fail(ecFaxBadModemResult);
        return Step::Next;
    }
    return isClass2() ? class2(ev) : class1(ev);
}

FaxSession::Step FaxReceiver::onInit()
{
    remoteStation.clear();
    receivedFile_.clear();
    faxFile.clear();
    pageNumber = 0;
    bytesDone = 0;
    rings_ = 0;
    retries_ = 0;
    hangupResult = 0;
    newDocument_ = true;
    callAccepted_ = false;
    lastError = 0;
    phaseB_ = remoteDcn_ = false;
    awaitingEomRepeat_ = docConfirmed_ = false;
    damagedFrames_ = 0;
    lastKind_ = 0;
    if (receive.constantStatus && !statusShowing_) {
        reportStatus(true, false);
        statusShowing_ = true;
    }
    if (isClass2()) {
        if (settings.softwareFlow)
            link_->setRxFlow(false, 0, 0);
        link_->setDTR(true);
        link_->setRTS(true);
        sendCommand(c2(table_->selectClass));
        armResponse(kResponseTicks);
        state_ = rf2Init1;
    } else {
        sendCommand("AT+FCLASS=1");
        state_ = rf1Init1;
    }
    return Step::Wait;
}

FaxSession::Step FaxReceiver::onWaiting(const Event &ev)
{
    if (ev.kind != Input::Line)
        return Step::Wait;
    if (ev.is("RING")) {
        if (++rings_ >= receive.answerOnRing) {
            // A call is answered only where its fax can be stored.
            if (int rc = checkDestination(); rc < 0) {
                link_->logState("Receive directory missing: call not answered");
                fail(rc);
                events_.faxLog(lfaxReceiveFail);
                return Step::Next;
            }
            if (!statusShowing_) {
                reportStatus(true, false);
                statusShowing_ = true;
            }
            state_ = rfAnswer;
            return Step::Next;
        }
    } else if (ev.is("NO C")) {
        setStatus(fpNoConnect);
    } else if (ev.is("CONNECT")) {
        fail(ecFaxDataCall);
        return Step::Next;
    } else if (ev.is("VOICE") || ev.is("VCON")) {
        fail(ecFaxVoiceCall);
        return Step::Next;
    }
    return Step::Wait;
}

FaxSession::Step FaxReceiver::onAnswer()
{
    sendCommand("ATA");
    armResponse(kAnswerTicks);
    setStatus(fpAnswer);
    state_ = isClass2() ? rf2ValCnnct : rf1SendCSI;
    return Step::Wait;
}

int FaxReceiver::checkDestination() const
{
    if (destinationDir.empty())
        return 0;
    struct stat st {};
    if (::stat(destinationDir.c_str(), &st) != 0)
        return -errno;
    return S_ISDIR(st.st_mode) ? 0 : -ENOTDIR;
}

int FaxReceiver::openNewDocument()
{
    std::string name;
    faxFile.clear();
    events_.faxName(name);
    if (name.empty()) {
        // No name from the application: the naming mode picks one.
        name = receivedFileName(withTrailingSeparator(destinationDir), faxNameMode,
                                settings.faxFileExt);
    }
    int rc = file_.create(name, remoteStation);
    // The name is taken (by another file, a link, or a file created since
    // the name was picked): the naming mode picks a free one instead.
    for (int tries = 0; rc == -EEXIST && tries < 100; ++tries) {
        name = receivedFileName(withTrailingSeparator(destinationDir), faxNameMode,
                                settings.faxFileExt);
        rc = file_.create(name, remoteStation);
    }
    receivedFile_ = faxFile = name;
    if (rc < 0)
        return rc;
    newDocument_ = false;
    events_.faxLog(lfaxReceiveStart);
    return 0;
}

int FaxReceiver::closeDocument(bool ok)
{
    if (!file_.isOpen())
        return 0;
    file_.setStationId(remoteStation);
    int rc = file_.close(!ok);
    // A file that could not be completed on disk is a failed reception.
    events_.faxLog(ok && rc == 0 ? lfaxReceiveOk : lfaxReceiveFail);
    newDocument_ = true;
    return rc;
}

bool FaxReceiver::finishDocument()
{
    if (int rc = closeDocument(true); rc < 0) {
        fail(rc);
        return false;
    }
    return true;
}

bool FaxReceiver::storePage(bool good)
{
    int rc = good ? file_.keepPage() : file_.discardPage();
    if (rc < 0) {
        fail(rc);
        return false;
    }
    return true;
}

bool FaxReceiver::accepted()
{
    if (callAccepted_)
        return true;
    if (!events_.faxAccept()) {
        if (isClass2()) {
            // The modem ends the session with the caller.
            const uint8_t fks[] = "AT+FKS\r";
            writeBytes(fks, sizeof fks - 1);
        }
        fail(ecFileRejected);
        return false;
    }
    callAccepted_ = true;
    return true;
}

FaxSession::Step FaxReceiver::onStartPage()
{
    ++pageNumber;
    if (newDocument_ || !file_.isOpen()) {
        if (!finishDocument())
            return Step::Next;
        if (int rc = openNewDocument(); rc < 0) {
            fail(rc);
            return Step::Next;
        }
    }
    if (int rc = file_.beginPage(fineResolution, widePage); rc < 0) {
        fail(rc);
        return Step::Next;
    }
    armResponse(kPageTicks);
    bytesDone = 0;
    dle_ = false;
    check_.begin(link_->ticks());
    pageDataEnded_ = false;
    if (isClass2()) {
        const uint8_t dc2 = 0x12;
        writeBytes(&dc2, 1);
    }
    setStatus(fpGetPage);
    state_ = rfGtPgDta;
    return Step::Next;
}

FaxSession::Step FaxReceiver::onGetPageData()
{
    uint8_t out[512];
    std::size_t n = 0;
    std::size_t taken = 0;
    bool pageEnd = false;
    const bool reverse = activeClass_ == fcClass2;
    auto put = [&](uint8_t b) -> int {
        out[n++] = reverse ? reverseBits(b) : b;
        if (n == sizeof out) {
            check_.feed(out, n);
            int rc = file_.write(out, n);
            n = 0;
            return rc;
        }
        return 0;
    };
    int rc = 0;
    while (rc == 0 && taken < kMaxBytesPerStep && link_->inputCount() > 0) {
        int b = readRaw();
        if (b < 0)
            break;
        ++taken;
        if (dle_) {
            dle_ = false;
            if (b == t30::ETX) {
                pageEnd = true;
                break;
            }
            rc = put(static_cast<uint8_t>(b)); // DLE DLE stores one DLE
        } else if (b == t30::DLE) {
            dle_ = true;
        } else {
            rc = put(static_cast<uint8_t>(b));
        }
    }
    if (rc == 0 && n > 0) {
        check_.feed(out, n);
        rc = file_.write(out, n);
    }
    if (rc < 0) {
        fail(rc);
        return Step::Next;
    }
    bytesDone += static_cast<long>(taken);
    if (check_.overLimit(link_->ticks())) {
        // More than a fax page can hold, or data without end: the call
        // fails rather than keeping the line and filling the disk.
        fail(ecFaxPageError);
        return Step::Next;
    }
    armResponse(kPageTicks);
    if (!pageEnd)
        return Step::Wait;
    pageDataEnded_ = true;
    if (settings.softwareFlow)
        link_->setRxFlow(false, 0, 0);
    setStatus(fpGetPage);
    state_ = isClass2() ? rf2GtPgRslt : rf1FinPage;
    return Step::Wait;
}

FaxSession::Step FaxReceiver::onComplete()
{
    switchToInitSpeed();
    link_->disarmResponseTimer();
    if (receive.oneFax)
        return endSession();
    if (!receive.constantStatus) {
        reportStatus(false, true);
        statusShowing_ = false;
    }
    state_ = rfInit;
    return Step::Next;
}

FaxSession::Step FaxReceiver::onAbort()
{
    // A page whose data arrived whole (its RTC seen, its lines usable) is
    // kept although its post-page exchange failed; any other page being
    // received is cut. A document without a page leaves no file behind.
    if (file_.pageOpen() && pageDataEnded_ && check_.whole())
        file_.keepPage();
    pageDataEnded_ = false;
    if (file_.isOpen())
        closeDocument(false);
    else if (lastError == -ecFileRejected)
        events_.faxLog(lfaxReceiveSkip);
    if (settings.softwareFlow)
        link_->setRxFlow(false, 0, 0);
    // After CSI and DIS the procedure ends with DCN before the hang-up,
    // unless the caller disconnected or the last post-page answer is out.
    if (!isClass2() && phaseB_ && !remoteDcn_ && abortedFrom_ != rf1WaitDCN && abortedFrom_ != rf1WtHngp)
        sendDisconnect(false);
    phaseB_ = false;
    hangupReceiving();
    link_->disarmResponseTimer();
    switchToInitSpeed();
    receivedFile_.clear();
    if ((statusShowing_ && !receive.constantStatus) || cancelled_) {
        reportStatus(false, true);
        statusShowing_ = false;
    }
    if (settings.exitOnError || cancelled_ || exitAfterAbort_)
        return endSession();
    state_ = rfInit;
    return Step::Next;
}

FaxSession::Step FaxReceiver::endSession()
{
    // A display kept open between calls (ConstantStatus) is closed when the
    // session ends, or it would stay open with no session behind it.
    if (statusShowing_) {
        reportStatus(false, true);
        statusShowing_ = false;
    }
    state_ = rfDone;
    finish(lastError);
    return Step::Wait;
}

} // namespace qln::fax

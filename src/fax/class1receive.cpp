// Class 1 states of the receiving machine: CSI/DIS, the frames of the
// caller, the training check with CFR or FTT, page reception and the
// post-page exchange (MPS/EOM/EOP answered with MCF) up to the DCN.
#include "fax/faxreceive.h"

#include <algorithm>

namespace qln::fax {

using namespace t30;

namespace {
// CSI and DIS go out at most three times without an answer (T.30's rule
// for every command), so two repeats follow the first.
constexpr int kMaxDisRepeats = kMaxCommandTries - 1;
constexpr int kMaxDamagedFrames = 3; // damaged commands in a row before giving up
bool isPostPage(uint8_t kind) { return kind == fcfMPS || kind == fcfEOP || kind == fcfEOM; }
}

FaxSession::Step FaxReceiver::onClass1Frame()
{
    const Frame &f = lastFrame();
    if (f.final())
        finalFrame_ = true;
    lastKind_ = f.kind();
    damagedFrames_ = 0;
    retries_ = 0;             // the caller answered
    awaitingEomRepeat_ = false;
    // The caller is sending: its next frame gets the wait afresh.
    listenDeadline_ = std::max(listenDeadline_, link_->ticks() + kMcfTicks);
    switch (f.kind()) {
    case fcfTSI:
        remoteStation = parseIdInfo(f.info);
        setStatus(fpGotRemoteID);
        break;
    case fcfDCS: {
        FrameParams p = parseDCS(f.info);
        if (p.rate < 0 || !(offeredRates_ & rateBit(p.rate))) {
            // V.33, a reserved code or a rate that was not offered.
            fail(ecFaxBadMachine);
            return Step::Next;
        }
        dcsRate_ = p.rate;
        lineSpeed = rateAt(p.rate).bps;
        fineResolution = p.fine;
        widePage = p.wide;
        setStatus(fpSessionParams);
        break;
    }
    case fcfMPS: case fcfEOM: case fcfEOP:
        postFcf_ = f.kind();
        break;
    case fcfDCN:
        remoteDcn_ = true;
        if (state_ != rf1WaitDCN) {
            fail(ecCancelRequested);
            return Step::Next;
        }
        break;
    default:
        break;
    }
    return Step::Wait;
}

// A command of the caller arrived damaged. In a command wait it is met with
// CRP (the caller repeats it), at most three times in a row. Where page data
// or the training check was awaited, V.21 instead means the caller missed
// our answer and repeats its command (DCS after a lost CFR, MPS after a
// lost MCF): the command is taken and answered again.
FaxSession::Step FaxReceiver::onDamagedFrame()
{
    if (state_ == rf1WaitDCN) {
        sendCommand("ATH");
        state_ = rf1WtHngp;
        return Step::Wait;
    }
    if (state_ == rf1StrtTrn || state_ == rf1Timeout)
        return trainingMissed(); // another carrier than the TCF's (+FCERROR)
    if (docConfirmed_ && state_ == rf1SendMCF)
        return endConfirmedCall();
    if (++damagedFrames_ > kMaxDamagedFrames) {
        fail(ecFaxBadModemResult);
        return Step::Next;
    }
    switch (state_) {
    case rf1CollFrms: case rf1WaitEOP:
        crpReturn_ = state_;
        sendModulation("AT+FTH=3");
        state_ = rf1SendCRP;
        return Step::Wait;
    case rf1WtPgCnnct:
        if (settings.softwareFlow)
            link_->setRxFlow(false, 0, 0);
        finalFrame_ = false;
        lastKind_ = 0;
        state_ = rf1CollFrms;
        listenFor(kResponseTicks);
        return Step::Wait;
    default:
        fail(ecFaxBadModemResult);
        return Step::Next;
    }
}

// No training check came at the DCS's modulation (no carrier within T2,
// another carrier, or the carrier ended without data): FTT, and the caller
// sends DCS again.
FaxSession::Step FaxReceiver::trainingMissed()
{
    if (settings.softwareFlow)
        link_->setRxFlow(false, 0, 0);
    link_->logState("No training check");
    sendModulation("AT+FTH=3");
    state_ = rf1Retrain;
    return Step::Wait;
}

// The document was confirmed (MCF to EOP sent, the file complete and
// kept): a line that drops now, without the caller's DCN, ends a call that
// received its fax.
FaxSession::Step FaxReceiver::endConfirmedCall()
{
    link_->logState("No DCN after the confirmed document");
    if (!finishDocument()) // the MCF went out, its OK did not come
        return Step::Next;
    sendCommand("ATH");
    armResponse(kHangupTicks);
    state_ = rf1WtHngp;
    return Step::Wait;
}

// No command came in phase B within its time: CSI and DIS again (at most
// three times in all), or after an EOM answered with MCF, phase B begins.
FaxSession::Step FaxReceiver::commandWaitOver()
{
    if (awaitingEomRepeat_) {
        // T2 passed with no repeated EOM: back to phase B with CSI and DIS
        // (the "AT" stops a reception still running first).
        awaitingEomRepeat_ = false;
        const uint8_t at[] = "AT\r\r";
        writeBytes(at, sizeof at - 1);
        armResponse(kResponseTicks);
        state_ = rf1CollRtry2;
        return Step::Wait;
    }
    state_ = rf1CollRtry1;
    return Step::Next;
}

FaxSession::Step FaxReceiver::answerAgain()
{
    postFcf_ = lastKind_;
    answerRtn_ = false;
    sendModulation("AT+FTH=3");
    state_ = rf1SendMCF;
    return Step::Wait;
}

FaxSession::Step FaxReceiver::class1(const Event &ev)
{
    if (ev.kind == Input::Frame)
        return onClass1Frame();
    auto wait200 = [this] { link_->pause(200); };

    if (ev.kind == Input::Timer) {
        switch (state_) {
        case rf1SendCSI:
            if (retries_ > 0) {
                state_ = rf1CollRtry1;
                return Step::Next;
            }
            fail(ecTimeout);
            return Step::Next;
        case rf1CollFrms:
            return commandWaitOver();
        case rf1SendDIS: case rf1Retrain:
            state_ = rf1CollRtry1;
            return Step::Next;
        case rf1StrtTrn: {
            // No CONNECT within T2: the reception is stopped, then FTT.
            const uint8_t blank = 0x20;
            writeBytes(&blank, 1);
            armResponse(kT4Ticks);
            state_ = rf1Timeout;
            return Step::Wait;
        }
        case rf1Timeout:
            return trainingMissed();
        case rf1SendMCF: case rf1WtHngp:
            if (docConfirmed_) {
                if (!finishDocument())
                    return Step::Next;
                if (state_ == rf1WtHngp)
                    hangupReceiving();
                setStatus(fpFinished);
                state_ = rfComplete;
                return Step::Next;
            }
            fail(ecTimeout);
            return Step::Next;
        case rf1CollTrn:
            state_ = rfAbort; // the call ends without an error code
            return Step::Next;
        case rf1WaitDCN:
            state_ = rfComplete;
            return Step::Next;
        case rf1WaitEOP:
            fail(ecTimeout);
            return Step::Next;
        default:
            fail(ecTimeout);
            return Step::Next;
        }
    }

    switch (state_) {
    case rf1Init1:
        if (ev.isResult("OK")) {
            switchToNormalSpeed();
            link_->disarmResponseTimer();
            setStatus(fpWaiting);
            state_ = rfWaiting;
        }
        break;

    case rf1SendCSI:
        if (ev.is("CONNECT")) {
            writeFrame(buildIdFrame(fcfCSI, settings.stationId, false));
            state_ = rf1SendDIS;
        } else if (ev.is("RRIER") && !phaseB_) {
            // The answer found no fax carrier (a silent or voice caller):
            // the call is over, and the station waits for the next one.
            setStatus(fpNoConnect);
            fail(ecFaxNoFaxRemote);
            return Step::Next;
        }
        break;

    case rf1SendDIS:
        if (ev.is("CONNECT")) {
            writeFrame(buildDIS(disInfo(disRateField_)));
        } else if (ev.is("OK")) {
            phaseB_ = true;
            wait200();
            wait200();
            finalFrame_ = false;
            state_ = rf1CollFrms;
            listenFor(kMcfTicks);
        }
        break;

    case rf1CollFrms:
        if (ev.is("CONNECT")) {
            // A frame is arriving: the modem's OK or ERROR ends it, not T4.
            armResponse(kResponseTicks);
            expectFrame();
        } else if (ev.is("OK")) {
            if (finalFrame_ && lastKind_ == fcfCRP) {
                sendModulation("AT+FTH=3"); // CSI and DIS again
                state_ = rf1SendCSI;
            } else if (finalFrame_ && isPostPage(lastKind_)) {
                return answerAgain();
            } else if (finalFrame_ && lastKind_ != fcfDCS) {
                finalFrame_ = false;
                listenFor(kMcfTicks);
            } else if (finalFrame_) {
                if (settings.softwareFlow)
                    link_->setRxFlow(true, kRxFlowStop, kRxFlowResume);
                sendModulation(std::string("AT+FRM=") + rateAt(dcsRate_).trainingCode);
                armResponse(kT2Ticks);
                state_ = rf1StrtTrn;
            } else if (!listenAgain()) {
                return commandWaitOver();
            }
        } else if (ev.is("RRIER") && !listenAgain()) {
            // No carrier, or one without a frame: listening again does not
            // move the time the command is waited for.
            return commandWaitOver();
        }
        break;

    case rf1CollRtry1: {
        if (++retries_ > kMaxDisRepeats) {
            fail(ecFaxNoFaxRemote);
            return Step::Next;
        }
        const uint8_t at[] = "AT\r\r";
        writeBytes(at, sizeof at - 1);
        armResponse(kResponseTicks);
        state_ = rf1CollRtry2;
        break;
    }

    case rf1CollRtry2:
        if (ev.is("OK")) {
            sendModulation("AT+FTH=3");
            state_ = rf1SendCSI;
        }
        break;

    case rf1StrtTrn:
        if (ev.is("CONNECT")) {
            tcf_.reset();
            armResponse(kResponseTicks);
            state_ = rf1CollTrn;
            return Step::Next;
        }
        if (ev.is("RRIER"))
            return trainingMissed();
        break;

    case rf1Timeout:
        // The modem's answer to the stopped reception.
        if (ev.kind == Input::Line)
            return trainingMissed();
        break;

    case rf1CollTrn:
        while (link_->inputCount() > 0) {
            int b = readRaw();
            if (b < 0)
                break;
            if (tcf_.feed(static_cast<uint8_t>(b))) {
                if (tcf_.good()) {
                    state_ = rf1FinTrn;
                } else {
                    sendModulation("AT+FTH=3");
                    state_ = rf1Retrain;
                }
                return Step::Wait;
            }
        }
        break;

    case rf1Retrain:
        if (ev.is("CONNECT")) {
            if (rateAt(dcsRate_).bps <= 2400) {
                fail(ecFaxTrainError);
                return Step::Next;
            }
            writeFrame(buildFrame(fcfFTT, {}, true));
        } else if (ev.is("OK")) {
            finalFrame_ = false;
            state_ = rf1CollFrms;
            listenFor(kMcfTicks);
        }
        break;

    case rf1FinTrn:
        if (ev.is("RRIER")) {
            if (settings.softwareFlow)
                link_->setRxFlow(false, 0, 0);
            link_->pause(20);
            sendModulation("AT+FTH=3");
            state_ = rf1SendCFR;
        }
        break;

    case rf1SendCFR:
        if (ev.is("CONNECT")) {
            if (settings.softwareFlow)
                link_->setRxFlow(true, kRxFlowStop, kRxFlowResume);
            writeFrame(buildFrame(fcfCFR, {}, true));
        } else if (ev.is("OK")) {
            sendModulation(std::string("AT+FRM=") + rateAt(dcsRate_).pageCode);
            if (!accepted())
                return Step::Next;
            state_ = rf1WtPgCnnct;
        }
        break;

    case rf1WtPgCnnct:
        if (ev.is("CONNECT")) {
            setStatus(fpSessionParams);
            state_ = rfStartPage;
            return Step::Next;
        }
        break;

    case rf1FinPage:
        if (ev.is("RRIER") || ev.is("OK")) {
            finalFrame_ = false;
            postFcf_ = 0;
            state_ = rf1WaitEOP;
            listenFor(kResponseTicks);
        }
        break;

    case rf1WaitEOP:
        if (ev.is("CONNECT")) {
            armResponse(kResponseTicks);
            expectFrame();
        } else if (ev.is("OK")) {
            if (finalFrame_ && postFcf_) {
                setStatus(fpGetPageResult);
                state_ = rf1WritePage;
                return Step::Next;
            }
            finalFrame_ = false;
            if (!listenAgain()) {
                fail(ecTimeout);
                return Step::Next;
            }
        } else if (ev.is("RRIER") && !listenAgain()) {
            fail(ecTimeout);
            return Step::Next;
        }
        break;

    case rf1WritePage:
        // Copy quality: an unusable page is cut and answered with RTN, so
        // the sender trains again and sends it once more.
        answerRtn_ = !check_.usable();
        pageDataEnded_ = false;
        if (!storePage(!answerRtn_))
            return Step::Next;
        if (answerRtn_)
            --pageNumber;
        sendModulation("AT+FTH=3");
        setStatus(fpCheckMorePages);
        state_ = rf1SendMCF;
        break;

    case rf1SendMCF:
        if (docConfirmed_ && (ev.is("RRIER") || ev.is("ERROR")))
            return endConfirmedCall(); // the line dropped before our repeated MCF
        if (ev.is("CONNECT")) {
            // MCF is always a final frame, EOM's too: a sender that gets a
            // non-final MCF with CSI and DIS in the same transmission takes
            // the MCF as unexpected and ends the call.
            writeFrame(buildFrame(answerRtn_ ? fcfRTN : fcfMCF, {}, true));
            // The page is kept and its MCF out: the document is received,
            // whatever becomes of the line now.
            if (!answerRtn_ && postFcf_ == fcfEOP)
                docConfirmed_ = true;
        } else if (ev.is("OK")) {
            if (answerRtn_) {
                // The sender retrains: DCS and the training check follow.
                answerRtn_ = false;
                finalFrame_ = false;
                state_ = rf1CollFrms;
                listenFor(kMcfTicks);
            } else if (postFcf_ == fcfEOM) {
                // EOM: back to phase B in a new transmission of CSI and DIS;
                // the next document gets a file of its own.
                if (!finishDocument())
                    return Step::Next;
                callAccepted_ = true;
                // The caller may not have heard the MCF and repeat EOM:
                // listen for T2 before phase B begins again.
                finalFrame_ = false;
                lastKind_ = 0;
                awaitingEomRepeat_ = true;
                state_ = rf1CollFrms;
                listenFor(kT2Ticks);
            } else if (postFcf_ == fcfMPS) {
                // The end of the previous page's data turned XON/XOFF off;
                // this page's data needs it as much as the first page's.
                if (settings.softwareFlow)
                    link_->setRxFlow(true, kRxFlowStop, kRxFlowResume);
                sendModulation(std::string("AT+FRM=") + rateAt(dcsRate_).pageCode);
                state_ = rf1WtPgCnnct;
            } else {
                if (!finishDocument())
                    return Step::Next;
                docConfirmed_ = true;
                wait200();
                setStatus(fpGetHangup);
                finalFrame_ = false;
                state_ = rf1WaitDCN;
                listenFor(kResponseTicks);
            }
        }
        break;

    case rf1WaitDCN:
        if (ev.is("CONNECT")) {
            expectFrame();
        } else if (ev.is("OK")) {
            if (finalFrame_ && isPostPage(lastKind_)) {
                return answerAgain(); // our MCF was lost: EOP came again
            } else if (finalFrame_) {
                sendCommand("ATH");
                state_ = rf1WtHngp;
            } else if (!listenAgain()) {
                state_ = rfComplete;
                return Step::Next;
            }
        } else if (ev.is("RRIER") || ev.is("ERROR")) {
            return endConfirmedCall();
        }
        break;

    case rf1SendCRP:
        if (ev.is("CONNECT")) {
            writeFrame(buildFrame(fcfCRP, {}, true));
        } else if (ev.is("OK")) {
            finalFrame_ = false;
            lastKind_ = 0;
            state_ = crpReturn_;
            listenFor(crpReturn_ == rf1CollFrms ? kMcfTicks : kResponseTicks);
        }
        break;

    case rf1WtHngp:
        if (ev.is("OK") || (docConfirmed_ && (ev.is("ERROR") || ev.is("RRIER")))) {
            // The call is over. "Got Class 2 FHNG code" is a Class 2 modem's
            // hang-up report and has no place in a Class 1 call.
            setStatus(fpFinished);
            state_ = rfComplete;
            return Step::Next;
        }
        break;

    default:
        break;
    }
    return Step::Wait;
}

} // namespace qln::fax

// Class 1 states of the sending machine: the T.30 negotiation (TSI, DCS,
// training check, CFR/FTT), the post-page exchange (MPS/EOM/EOP against
// MCF/RTP/RTN) and the closing DCN.
#include "fax/faxsend.h"

namespace qln::fax {

using namespace t30;

namespace {
constexpr int kMaxDamagedFrames = 3; // damaged answers or CRP in a row before giving up
}

// DCS and the training check again at the same speed after no answer, a
// damaged one or CRP: at most three tries in all, then DCN.
bool FaxSender::repeatDcs()
{
    if (trainTries_ >= kMaxCommandTries) {
        fail(ecTimeout);
        return false;
    }
    link_->pause(200);
    sendModulation("AT+FTH=3");
    state_ = tf1TSIRespns;
    return true;
}

// Frames arriving while sending: identification, capabilities, responses.
FaxSession::Step FaxSender::onClass1Frame()
{
    const Frame &f = lastFrame();
    lastFcf_ = f.kind();
    if (f.final())
        finalFrame_ = true;
    if (f.kind() == fcfCRP) {
        // The far end asks for the last command again: acted on at the OK.
        if (++damagedFrames_ > kMaxDamagedFrames) {
            fail(ecFaxBadModemResult);
            return Step::Next;
        }
        return Step::Wait;
    }
    damagedFrames_ = 0;
    switch (f.kind()) {
    case fcfCSI: case fcfTSI:
        remoteStation = parseIdInfo(f.info);
        setStatus(fpGotRemoteID);
        break;
    case fcfDIS: {
        gotDis_ = true;
        disThisPhase_ = true;
        remoteDis_ = parseDIS(f.info);
        remoteFine_ = remoteDis_.fine;
        remoteWide_ = remoteDis_.wide;
        scanCode_ = remoteDis_.scanCode;
        // A DIS without the receive bit offers nothing to send to.
        if (!remoteDis_.receiveFax) {
            fail(ecFaxBadMachine);
            return Step::Next;
        }
        rate_ = chooseRate(ownRates_, remoteDis_.rates, settings.desiredBps);
        if ((currentFine_ && !remoteFine_) || (file_.isOpen() && file_.pageCount() > 0
                                                && file_.pageHeader().wide() && !remoteWide_)) {
            fail(ecFaxBadMachine);
            return Step::Next;
        }
        if (rate_ < 0) {
            fail(ecFaxTrainError);
            return Step::Next;
        }
        setStatus(fpSessionParams);
        break;
    }
    case fcfCFR:
        cfrReceived_ = true;
        break;
    case fcfDCN:
        remoteDcn_ = true;
        fail(ecCancelRequested);
        return Step::Next;
    default:
        break; // FTT, MCF, RTN, RTP act when the modem's OK closes the frame
    }
    return Step::Wait;
}

// A frame of the far end arrived damaged. A single damaged V.21 frame is
// common on real lines: the answering machine repeats its identification
// and capabilities by itself, and a damaged answer to DCS or to a post-page
// command is met by repeating that command; three in a row end the call.
FaxSession::Step FaxSender::onDamagedFrame()
{
    if (++damagedFrames_ > kMaxDamagedFrames) {
        fail(ecFaxBadModemResult);
        return Step::Next;
    }
    switch (state_) {
    case tf1Connect:
        // Frames it cannot use before the DIS are ignored until T1.
        damagedFrames_ = 0;
        if (!listenForDis())
            return Step::Next;
        break;
    case tf1WaitCFR:
        if (!repeatDcs())
            return Step::Next;
        break;
    case tf1WaitMCF:
        // The post-page command is repeated when T4 runs out.
        receptionOver_ = true;
        armResponse(kMcfTicks);
        break;
    default:
        fail(ecFaxBadModemResult);
        return Step::Next;
    }
    return Step::Wait;
}

bool FaxSender::lowerSpeedAndRetrain()
{
    int lower = t30::lowerRate(rate_, ownRates_, remoteDis_.rates);
    if (lower < 0) {
        fail(ecFaxTrainError);
        return false;
    }
    rate_ = lower;
    trainTries_ = 0; // FTT or RTN answered: the next DCS is a new command
    sendModulation("AT+FTH=3");
    state_ = tf1TSIRespns;
    return true;
}

// Phase B: AT+FRH=3 for the next frame of the far end, the response timer
// set to what is left of T1 (counted from the answer). When T1 has run out
// the call fails with 8068 and false is returned: a modem that ends every
// reception at once is not asked for ever.
bool FaxSender::listenForDis()
{
    listenDeadline_ = t1Deadline_;
    if (!listenAgain()) {
        fail(ecFaxNoFaxRemote);
        return false;
    }
    return true;
}

FaxSession::Step FaxSender::class1(const Event &ev)
{
    if (ev.kind == Input::Frame)
        return onClass1Frame();
    if (ev.damagedFrame)
        return onDamagedFrame();
    const bool errorExempt = state_ == tf1SendEOP || state_ == tf1WaitMCF;
    if (ev.is("ERROR") && !errorExempt) {
        fail(ecFaxBadModemResult);
        return Step::Next;
    }
    auto wait200 = [this] { link_->pause(200); };

    switch (state_) {
    case tf1Init1:
        if (ev.isResult("OK")) {
            state_ = tfDial;
            return Step::Next;
        }
        break;

    case tf1Connect:
        if (busyOrFailedDial(ev))
            return Step::Next;
        if (ev.kind == Input::Timer) {
            // T1 ran out without a DIS (the abort stops the reception).
            fail(dialConnected_ ? ecFaxNoFaxRemote : ecTimeout);
            return Step::Next;
        }
        if (ev.is("CONNECT")) {
            if (!dialConnected_) {
                dialConnected_ = true;
                t1Deadline_ = link_->ticks() + kT1Ticks;
            }
            armResponse(std::min(kResponseTicks, std::max<long>(1, t1Deadline_ - link_->ticks())));
            expectFrame();
        } else if (ev.is("RRIER")) {
            // Silence or a carrier that ended without a frame: the far end
            // may still send its DIS, until T1 runs out. Before any
            // CONNECT the call itself failed.
            if (!dialConnected_) {
                fail(ecFaxNoFaxRemote);
                return Step::Next;
            }
            if (!listenForDis())
                return Step::Next;
        } else if (ev.is("OK")) {
            if (finalFrame_ && disThisPhase_) {
                wait200();
                sendModulation("AT+FTH=3");
                trainTries_ = 0;
                state_ = tf1SendTSI;
            } else {
                // A final frame that is no DIS is ignored: the next may be.
                finalFrame_ = false;
                if (!listenForDis())
                    return Step::Next;
            }
        }
        break;

    case tf1SendTSI:
        if (ev.is("CONNECT")) {
            writeFrame(buildIdFrame(withX(fcfTSI), settings.stationId, false));
            state_ = tf1TSIRespns;
        }
        break;

    case tf1TSIRespns:
        if (ev.is("CONNECT")) {
            int bps = rateAt(rate_).bps;
            lineSpeed = bps;
            fineResolution = currentFine_;
            widePage = file_.isOpen() && file_.pageCount() > 0 && file_.pageHeader().wide();
            minBytes_ = minBytesPerLine(scanCode_, currentFine_, bps);
            ++trainTries_;
            writeFrame(buildDCS(dcsInfo(rate_, currentFine_, scanCode_, widePage, remoteDis_)));
            state_ = tf1DCSRspns;
        }
        break;

    case tf1DCSRspns:
        if (ev.is("OK") || ev.is("CONNECT")) {
            sendModulation(std::string("AT+FTM=") + rateAt(rate_).trainingCode);
            state_ = tf1TrainStrt;
        }
        break;

    case tf1TrainStrt:
        if (ev.is("CONNECT") || ev.is("OK")) {
            if (settings.softwareFlow)
                link_->setTxFlow(true);
            Bytes tcf(static_cast<size_t>(tcfLength(rateAt(rate_).bps)), 0);
            tcf.push_back(DLE);
            tcf.push_back(ETX);
            writeBytes(tcf);
            state_ = tf1TrainFnsh;
        }
        break;

    case tf1TrainFnsh:
        if (ev.is("OK")) {
            if (settings.softwareFlow)
                link_->setTxFlow(false);
            wait200();
            cfrReceived_ = finalFrame_ = false;
            lastFcf_ = 0;
            state_ = tf1WaitCFR;
            listenFor(kMcfTicks);
        }
        break;

    case tf1WaitCFR:
        if (ev.kind == Input::Timer) {
            // No answer to DCS and training (T.30 T4): stop the reception
            // and send both again, at most three times in all.
            if (trainTries_ < kMaxCommandTries) {
                const uint8_t blank = 0x20;
                writeBytes(&blank, 1);
            }
            if (!repeatDcs())
                return Step::Next;
            break;
        }
        if (ev.is("CONNECT")) {
            armResponse(kResponseTicks);
            expectFrame();
        } else if (ev.is("OK")) {
            if (!finalFrame_) {
                if (!listenAgain() && !repeatDcs())
                    return Step::Next;
            } else if (lastFcf_ == fcfFTT) { // lower the speed, train again
                lowerSpeedAndRetrain();
                return Step::Next;
            } else if (cfrReceived_) {
                wait200();
                sendModulation(std::string("AT+FTM=") + rateAt(rate_).pageCode);
                afterCfr_ = true;
                state_ = tf1WaitPgCn;
            } else if (!repeatDcs()) { // CRP, or an answer that is neither
                return Step::Next;
            }
        } else if (ev.is("RRIER")) {
            // No answer yet: listen again within T4, then DCS again.
            if (!listenAgain() && !repeatDcs())
                return Step::Next;
        }
        break;

    case tf1WaitPgCn:
        if (ev.is("CONNECT")) {
            // Class 1 modems send no XON: the page follows the carrier at once,
            // before the modem's transmit buffer can run dry.
            link_->armOutputFree(kOutputRoomForPage);
            armResponse(kPageTicks);
            state_ = tfWaitFrHead;
        }
        break;

    case tf1PageEnd:
        if (ev.is("OK")) {
            eopTries_ = 0;
            setStatus(fpSendPageStatus);
            state_ = tf1PrepEOP;
            return Step::Next;
        }
        break;

    case tf1SendEOP:
        if (ev.is("CONNECT")) {
            uint8_t fcf = !morePages_ ? fcfEOP : (nextPageSameParameters() ? fcfMPS : fcfEOM);
            writeFrame(buildFrame(withX(fcf), {}, true));
            state_ = tf1WaitMPS;
        }
        break;

    case tf1WaitMPS:
        if (ev.is("OK")) {
            wait200();
            cfrReceived_ = finalFrame_ = false;
            receptionOver_ = false;
            lastFcf_ = 0;
            state_ = tf1WaitMCF;
            listenFor(kMcfTicks);
        }
        break;

    case tf1WaitMCF:
        if (ev.kind == Input::Timer) {
            if (!receptionOver_) {
                const uint8_t blank = 0x20; // stops the modem's reception
                writeBytes(&blank, 1);
            }
            state_ = tf1PrepEOP;
            return Step::Next;
        }
        if (ev.is("CONNECT")) {
            armResponse(kResponseTicks);
            expectFrame();
        } else if (ev.is("ERROR") || ev.is("RRIER")) {
            // A garbled answer: the command is repeated after T4 (about
            // 3 s), not after the 10 s a frame in progress may take.
            receptionOver_ = true;
            armResponse(kMcfTicks);
        } else if (ev.is("OK")) {
            if (finalFrame_ && lastFcf_ == fcfCRP) {
                state_ = tf1PrepEOP; // asked for the command again
                return Step::Next;
            }
            if (!finalFrame_) {
                // More frames may follow within T4; after it the command
                // goes out again.
                if (!listenAgain()) {
                    state_ = tf1PrepEOP;
                    return Step::Next;
                }
            } else if (lastFcf_ == fcfMCF) {
                setStatus(fpPageOK);
                afterCfr_ = false;
                if (morePages_ && nextPageSameParameters()) {
                    // The next page follows without a new training, so it is
                    // sent with the short-training modulation the receiver
                    // expects after MCF (the long-training code makes V.17
                    // receivers miss the page).
                    sendModulation(std::string("AT+FTM=") + rateAt(rate_).pageCode);
                    state_ = tf1WaitPgCn;
                } else if (morePages_) {
                    // EOM: the receiver announces itself again (CSI, DIS).
                    finalFrame_ = false;
                    disThisPhase_ = false;
                    t1Deadline_ = link_->ticks() + kT1Ticks;
                    dialConnected_ = true;
                    state_ = tf1Connect;
                    if (!listenForDis())
                        return Step::Next;
                } else {
                    sendModulation("AT+FTH=3");
                    state_ = tf1SendDCN;
                }
            } else if (lastFcf_ == fcfRTP) {
                setStatus(fpPageOK);
                sendModulation("AT+FTH=3");
                state_ = morePages_ ? tf1TSIRespns : tf1SendDCN;
            } else if (lastFcf_ == fcfRTN) { // retrain and send the page again
                setStatus(fpPageError);
                if (morePages_) { // the pointer had moved on: back to the rejected page
                    --pageNumber;
                    if (pageNumber < 1 && !coverFile.empty()) {
                        pageNumber = 0;
                        sendingCover_ = true;
                    }
                    currentFine_ = previousFine_;
                }
                lowerSpeedAndRetrain();
                return Step::Next;
            } else if (lastFcf_ == fcfFTT) { // at page end: taken as RTN
                lowerSpeedAndRetrain();
                return Step::Next;
            } else if (lastFcf_ == fcfPIP || lastFcf_ == fcfPIN) {
                // The far end's operator interrupts: there is none here.
                fail(ecCancelRequested);
                return Step::Next;
            } else {
                // An answer T.30 does not give to a post-page command: the
                // procedure ends with DCN rather than a guess.
                link_->logState("Unknown response to the post-page command");
                fail(ecFaxPageError);
                return Step::Next;
            }
        }
        break;

    case tf1SendDCN:
        if (ev.is("CONNECT")) {
            writeFrame(buildFrame(withX(fcfDCN), {}, true));
            state_ = tf1Hangup;
        }
        break;

    case tf1Hangup:
        if (ev.is("OK")) {
            sendCommand("ATH");
            armResponse(kHangupTicks);
            state_ = tf1WaitHngp;
        }
        break;

    case tf1WaitHngp:
        if (ev.is("OK")) {
            state_ = tfClose;
            return Step::Next;
        }
        if (ev.kind == Input::Timer) {
            hangupSending();
            state_ = tfClose;
            return Step::Next;
        }
        break;

    case tf1PrepEOP:
        if (++eopTries_ > kMaxCommandTries) {
            fail(ecTimeout);
            return Step::Next;
        }
        link_->pause(500);
        sendModulation("AT+FTH=3");
        state_ = tf1SendEOP;
        break;
    default:
        break;
    }
    return inProgress_ && state_ != tfAbort ? Step::Wait : Step::Next;
}

} // namespace qln::fax

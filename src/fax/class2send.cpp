// Class 2 and Class 2.0 states of the sending machine: the modem runs T.30
// itself; the engine sets it up, dials, reads its reports and decides the
// page-by-page flow (page-end codes, page status, resends).
#include "fax/faxsend.h"

namespace qln::fax {

using namespace class2;

bool FaxSender::class2Report(const Event &ev)
{
    if (ev.kind != Input::Line)
        return false;
    const auto &t = *table_;
    if (ev.is(t.report(t.remoteCapsReport).c_str()) && !ev.is(t.report(t.sessionParamsReport).c_str())) {
        ReportParams p = parseParams(ev.line);
        bool wide = file_.isOpen() && file_.pageCount() > 0 && file_.pageHeader().wide();
        if ((wide && !p.wide) || (currentFine_ && !p.fine)) {
            fail(ecFaxBadMachine);
            return true;
        }
        setStatus(fpSessionParams);
        return true;
    }
    if (ev.is(t.report(t.calledIdReport).c_str())) {
        remoteStation = parseRemoteId(ev.line);
        setStatus(fpGotRemoteID);
        return true;
    }
    if (ev.is(t.report(t.sessionParamsReport).c_str())) {
        ReportParams p = parseParams(ev.line);
        lineSpeed = p.bps;
        fineResolution = p.fine;
        widePage = p.wide;
        errorCorrection = p.ecm;
        scanCode_ = p.scanCode;
        minBytes_ = t30::minBytesPerLine(p.scanCode, p.fine, p.bps);
        setStatus(fpSessionParams);
        return true;
    }
    return false;
}

// The page just sent was reported bad: send it again, at most
// maxPageResends times per fax, then end the modem's session.
FaxSession::Step FaxSender::resendPage()
{
    if (++resends_ > send.maxPageResends) {
        const uint8_t fks[] = "AT+FKS\r";
        writeBytes(fks, sizeof fks - 1);
        fail(ecFaxSessionError);
        return Step::Next;
    }
    // The pointer had moved on when more pages followed.
    if (morePages_) {
        if (pageNumber == 1 && !coverFile.empty()) {
            sendingCover_ = true;
            pageNumber = 0;
        } else {
            --pageNumber;
        }
        currentFine_ = previousFine_;
    }
    morePages_ = false;
    sendCommand("AT+FDT");
    armResponse(kFdtTicks);
    state_ = tf2GetParams;
    return Step::Wait;
}

FaxSession::Step FaxSender::class2(const Event &ev)
{
    const auto &t = *table_;
    const bool hangupLine = ev.kind == Input::Line && ev.bare.find(t.hangupReport) != std::string::npos;
    const bool keepsWaitingOnHangup = state_ == tf2WaitFET || state_ == tf20ChckPg;
    if (hangupLine) {
        hangupResult = parseHangupCode(ev.line);
        if (keepsWaitingOnHangup)
            return Step::Wait;
        fail(ecFaxBadModemResult);
        return Step::Next;
    }
    if (ev.is("ERROR") && !(state_ == tf2Init1B && !isClass20())) {
        fail(ecFaxBadModemResult);
        return Step::Next;
    }
    // Commands that expect "OK" fail the fax on any other complete line.
    auto expectOk = [&](SendState next, const std::function<void()> &onOk) -> Step {
        if (ev.kind != Input::Line)
            return Step::Wait;
        if (!ev.isResult("OK")) {
            fail(ecFaxInitError);
            return Step::Next;
        }
        onOk();
        state_ = next;
        return state_ == tfDial ? Step::Next : Step::Wait;
    };
    const std::string lid = c2(t.localId) + "=\"" + settings.stationId + "\"";
    const std::string caps = c2(t.sendCapabilities) + "="
                             + sendCapabilities(currentFine_, settings.desiredBps,
                                                file_.isOpen() && file_.pageCount() > 0
                                                    && file_.pageHeader().wide(),
                                                settings.desiredEcm);

    switch (state_) {
    case tf2Init1:
        return expectOk(tf2Init1A, [&] { sendCommand(lid); });
    case tf2Init1A:
        // Class 2 sets the bit order of page data instead of assuming it:
        // with order 0 the modem takes page data as it goes on the line.
        return expectOk(tf2Init1B, [&] { sendCommand(isClass20() ? "AT+FLO=2" : kBitOrderCommand); });
    case tf2Init1B:
        if (!isClass20()) {
            // A modem without the command (ERROR) has the default order.
            if (ev.kind != Input::Line)
                return Step::Wait;
            sendCommand(caps);
            state_ = tf2Init3;
            return Step::Wait;
        }
        return expectOk(tf2Init2, [&] { sendCommand("AT+FNR=1,1,1,0"); });
    case tf2Init2:
        return expectOk(tf2Init3, [&] { sendCommand(caps); });
    case tf2Init3:
        return expectOk(tfDial, [] {});

    case tf2Connect:
        if (busyOrFailedDial(ev))
            return Step::Next;
        if (ev.is(t.report(t.connectReport).c_str())) {
            dialConnected_ = true;
            armResponse(kResponseTicks);
            state_ = tf2GetParams;
        } else if (ev.is("RRIER")) {
            fail(ecFaxNoFaxRemote);
            return Step::Next;
        }
        return Step::Wait;

    case tf2GetParams:
        if (class2Report(ev))
            return inProgress_ && state_ != tfAbort ? Step::Wait : Step::Next;
        if (ev.is("CONNECT")) {
            if (isClass20()) {
                link_->armOutputFree(kOutputRoomForPage);
                armResponse(kPageTicks);
                state_ = tfWaitFrHead;
            } else {
                xonLines_.clear();
                armResponse(kXonTicks);
                state_ = tfWaitXon;
            }
            return Step::Next;
        }
        if (ev.is("OK")) {
            sendCommand("AT+FDT");
            armResponse(kFdtTicks);
        }
        return Step::Wait;

    case tf2SendEOP:
        pageStatus_ = 0;
        armResponse(kPageTicks);
        setStatus(fpSendPageStatus);
        state_ = isClass20() ? tf20ChckPg : tf2WaitFPTS;
        return Step::Wait;

    case tf2WaitFPTS:
        if (ev.kind != Input::Line)
            return Step::Wait;
        if (!ev.is("OK")) {
            fail(ecFaxSessionError);
            return Step::Next;
        }
        sendCommand(std::string("AT+FET=")
                    + postPageClass2(morePages_, morePages_ && previousFine_ != currentFine_));
        armResponse(kPageTicks);
        state_ = tf2WaitFET;
        return Step::Wait;

    case tf2WaitFET:
        if (ev.kind != Input::Line)
            return Step::Wait;
        if (ev.is("OK")) {
            state_ = (morePages_ && previousFine_ != currentFine_) ? tf2SndNwPrm : tf2NextPage;
            return Step::Next;
        }
        if (ev.is(t.report(t.pageStatusReport).c_str())) {
            int ps = parseHangupCode(ev.line);
            hangupResult = ps;
            if (ps == 1 || ps == 3) {
                setStatus(fpPageOK);
            } else if (ps == 2) {
                setStatus(fpPageError);
                state_ = tf2WaitPgOK;
            } else if (ps == 4 || ps == 5) {
                fail(ecCancelRequested);
                return Step::Next;
            } else {
                fail(ecFaxPageError);
                return Step::Next;
            }
            return Step::Wait;
        }
        fail(ecFaxPageError);
        return Step::Next;

    case tf20ChckPg:
        if (ev.kind != Input::Line)
            return Step::Wait;
        if (ev.is(t.report(t.pageStatusReport).c_str())) {
            // The OK that follows closes the report; the status decides.
            pageStatus_ = parseHangupCode(ev.line);
            hangupResult = pageStatus_;
            if (pageStatus_ == 4 || pageStatus_ == 5) {
                fail(ecCancelRequested);
                return Step::Next;
            }
            if (pageStatus_ < 1 || pageStatus_ > 5) {
                fail(ecFaxPageError);
                return Step::Next;
            }
            setStatus(pageStatus_ == 2 ? fpPageError : fpPageOK);
            return Step::Wait;
        }
        if (ev.is("OK")) {
            if (pageStatus_ == 2)
                return resendPage();
            setStatus(fpPageOK);
            state_ = (morePages_ && previousFine_ != currentFine_) ? tf2SndNwPrm : tf2NextPage;
            return Step::Next;
        }
        fail(ecFaxPageError);
        return Step::Next;

    case tf2WaitPgOK:
        if (ev.kind != Input::Line)
            return Step::Wait;
        if (!ev.is("OK")) {
            fail(ecFaxSessionError);
            return Step::Next;
        }
        return resendPage();

    case tf2SndNwPrm:
        if (!morePages_) {
            state_ = tfClose;
            return Step::Next;
        }
        sendCommand(std::string("AT+F") + (isClass20() ? "IS=" : "DIS=") + (currentFine_ ? "1" : "0"));
        state_ = tf2GetParams;
        return Step::Wait;

    case tf2NextPage:
        if (!morePages_) {
            state_ = tfClose;
            return Step::Next;
        }
        link_->pause(5 * 55);
        sendCommand("AT+FDT");
        armResponse(kFdtTicks);
        state_ = tf2GetParams;
        return Step::Wait;

    default:
        return Step::Wait;
    }
}

} // namespace qln::fax

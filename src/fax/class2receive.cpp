// Class 2 and Class 2.0 states of the receiving machine: set-up, answer,
// the modem's reports, page data with "AT+FDR", page status and
// end-of-document codes, and the hang-up report.
#include "fax/faxreceive.h"

namespace qln::fax {

using namespace class2;

FaxSession::Step FaxReceiver::class2(const Event &ev)
{
    const auto &t = *table_;
    if (ev.kind == Input::Timer) {
        fail(ecTimeout);
        return Step::Next;
    }
    if (ev.kind != Input::Line)
        return Step::Wait;
    if (ev.bare.find(t.hangupReport) != std::string::npos) {
        hangupResult = parseHangupCode(ev.line);
        if (state_ == rf2GetFHNG) {
            setStatus(fpGotHangup);
            return Step::Wait;
        }
        // A page whose data ended before the report is kept by the abort
        // when it arrived whole.
        fail(ecFaxSessionError);
        return Step::Next;
    }
    const bool sessionParams = ev.is(t.report(t.sessionParamsReport).c_str());
    if (sessionParams && (state_ == rf2GtSndID || state_ == rf2GtCnnct)) {
        ReportParams p = parseParams(ev.line);
        lineSpeed = p.bps;
        fineResolution = p.fine;
        widePage = p.wide;
        errorCorrection = p.ecm;
        setStatus(fpSessionParams);
        return Step::Wait;
    }

    switch (state_) {
    case rf2Init1:
        if (ev.is("RING")) {
            ++rings_;
        } else if (ev.isResult("OK")) {
            switchToNormalSpeed();
            sendCommand(c2(t.receiveCapabilities) + "="
                        + receiveCapabilities(settings.desiredBps, settings.desiredEcm));
            state_ = rf2Init1A;
        }
        break;
    case rf2Init1A:
        if (ev.isResult("OK")) {
            // Class 2 sets the bit order of page data (see the sender).
            sendCommand(isClass20() ? "AT+FLO=2" : kBitOrderCommand);
            state_ = isClass20() ? rf2Init1B : rf2Init3;
        }
        break;
    case rf2Init1B:
        if (ev.isResult("OK")) {
            sendCommand("AT+FNR=1,1,1,0");
            state_ = rf2Init3;
        }
        break;
    case rf2Init3:
        // A Class 2 modem without the bit-order command answers ERROR.
        if (ev.isResult("OK") || (!isClass20() && ev.is("ERROR"))) {
            link_->disarmResponseTimer();
            setStatus(fpWaiting);
            state_ = rfWaiting;
        }
        break;

    case rf2ValCnnct:
        if (ev.is(t.report(t.connectReport).c_str())) {
            armResponse(kResponseTicks);
            setStatus(fpIncoming);
            state_ = rf2GtSndID;
        } else if (ev.is("RRIER")) {
            fail(ecFaxNoFaxRemote);
            return Step::Next;
        }
        break;

    case rf2GtSndID:
        if (ev.is(t.report(t.callingIdReport).c_str())) {
            remoteStation = parseRemoteId(ev.line);
            if (!accepted())
                return Step::Next;
            setStatus(fpGotRemoteID);
            if (!file_.isOpen()) {
                if (int rc = openNewDocument(); rc < 0) {
                    fail(rc);
                    return Step::Next;
                }
            }
        } else if (ev.is("OK")) {
            sendCommand("AT+FDR");
            armResponse(kPageTicks);
            state_ = rf2GtCnnct;
        }
        break;

    case rf2GtCnnct:
        if (ev.is("CONNECT")) {
            if (!accepted())
                return Step::Next;
            if (settings.softwareFlow)
                link_->setRxFlow(true, kRxFlowStop, kRxFlowResume);
            state_ = rfStartPage;
            return Step::Next;
        }
        break;

    case rf2GtPgRslt:
        if (ev.is(t.report(t.pageStatusReport).c_str())) {
            setStatus(fpGetPageResult);
            int ps = parseHangupCode(ev.line);
            hangupResult = ps;
            if (!storePage(ps == 1 || ps == 3 || ps == 5))
                return Step::Next;
        } else if (ev.is("+FET")) {
            setStatus(fpCheckMorePages);
            std::string v = ev.line.substr(ev.line.find(':') == std::string::npos
                                               ? ev.line.size()
                                               : ev.line.find(':') + 1);
            size_t d = v.find_first_of("0123456789");
            // Procedure-interrupt variants (3..5) count as their plain codes.
            postPage_ = d == std::string::npos ? '0' : static_cast<char>('0' + (v[d] - '0') % 3);
        } else if (ev.is("OK")) {
            // A page without a status report is kept; after the end of a
            // document (1) or of the call (2) its file is complete.
            if (!storePage(true) || (postPage_ != '0' && postPage_ != 0 && !finishDocument()))
                return Step::Next;
            sendCommand("AT+FDR");
            if (postPage_ == '2') {
                setStatus(fpGetHangup);
                state_ = rf2GetFHNG;
            } else {
                armResponse(kPageTicks);
                state_ = rf2GtCnnct;
            }
            postPage_ = 0;
        }
        break;

    case rf2GetFHNG:
        if (ev.is("+FET")) {
            setStatus(fpGetHangup);
        } else if (ev.is("OK")) {
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

// FaxReceiver: the receiving fax machine of Class 1, Class 2 and Class 2.0.
//
// It waits for calls, answers after AnswerOnRing rings, negotiates (Class 1:
// CSI/DIS, training check, CFR/FTT; Class 2/2.0: the modem's reports), asks
// the component to accept the call and to name the file, and stores each
// received document as an APF file. After a call it waits for the next one
// unless OneFax is set, an error occurs with ExitOnError, or it is cancelled.
//
// prepare() runs on the user-interface thread; every later step on the
// dispatcher thread (see FaxSession).
#pragma once

#include "fax/class2commands.h"
#include "fax/faxreceivefile.h"
#include "fax/faxsession.h"
#include "fax/faxstates.h"
#include "fax/pagecheck.h"

namespace qln::fax {

struct ReceiveSettings {
    int answerOnRing = 1;
    bool faxAndData = false;
    bool oneFax = false;
    bool constantStatus = false;
};

class FaxReceiver : public FaxSession {
public:
    FaxReceiver(FaxLink &link, FaxEvents &events);

    ReceiveSettings receive;
    bool modemInitialised = false;
    std::string destinationDir;
    int faxNameMode = 1; // 1 by counter, 2 by month and day

    int prepare(bool initialiseModem = true);
    void start();

    int state() const override { return state_; }
    // File of the document being received (empty between calls).
    const std::string &receivedFile() const { return receivedFile_; }

protected:
    const char *stateName() const override { return receiveStateName(state_); }
    int stateLogCode() const override { return kReceiveStateLogBase + state_; }
    Mode inputMode() const override;
    Step handle(const Event &ev) override;
    void enterAbort() override
    {
        abortedFrom_ = state_;
        state_ = rfAbort;
    }

private:
    Step onInit();
    Step onWaiting(const Event &ev);
    Step onAnswer();
    Step onStartPage();
    Step onGetPageData();
    Step onComplete();
    Step onAbort();
    Step endSession();    // last status when one is showing, then finish
    Step class1(const Event &ev);
    Step onClass1Frame();
    Step onDamagedFrame(); // Class 1: a command arrived damaged (ERROR, +FCERROR)
    Step answerAgain();    // Class 1: a repeated post-page command gets MCF again
    Step trainingMissed(); // Class 1: no training check at the DCS's modulation: FTT
    Step endConfirmedCall(); // Class 1: the line ends after the document was confirmed
    Step commandWaitOver();     // Class 1: phase B got no command in time
    Step class2(const Event &ev);
    // Asks OnFaxAccept once per call; on refusal (Class 2/2.0: after
    // "AT+FKS") the call fails with 6011 and false is returned.
    bool accepted();
    int openNewDocument();    // names and creates the file, logs receive started
    int checkDestination() const; // 0 when the receive directory is there
    // Closes the open file, logging receive finished (or failed when it
    // could not be completed); 0 or a negative code.
    int closeDocument(bool ok);
    // The document received so far is complete; false after failing the
    // call when its file could not be closed.
    bool finishDocument();
    // Keeps the page just received, or cuts it when it is bad; false after
    // failing the call on a write error.
    bool storePage(bool good);
    bool isClass2() const { return activeClass_ == fcClass2 || activeClass_ == fcClass2_0; }
    bool isClass20() const { return activeClass_ == fcClass2_0; }
    std::string c2(const char *suffix) const { return table_->command(suffix); }

    ReceiveState state_ = rfNone;
    ReceiveState abortedFrom_ = rfNone;
    ReceiveState crpReturn_ = rfNone; // where a CRP's answer is awaited
    TFaxClass activeClass_ = fcUnknown;
    const class2::CommandTable *table_ = nullptr;
    FaxReceiveFile file_;
    std::string receivedFile_;
    bool statusShowing_ = false;
    bool newDocument_ = true;
    bool callAccepted_ = false;
    int rings_ = 0;
    int retries_ = 0;
    char postPage_ = 0;   // Class 2: '0' more pages, '1' end of document, '2' end
    uint8_t postFcf_ = 0; // Class 1: MPS, EOM or EOP with the X bit cleared
    bool dle_ = false;
    t30::TcfChecker tcf_;
    PageCheck check_;          // lines, copy quality and limits of the page
    bool pageDataEnded_ = false; // the page's data closed with DLE ETX
    bool answerRtn_ = false;   // Class 1: the page is answered with RTN

    // Class 1 negotiation
    t30::RateMask ownRates_ = t30::baseRates();
    uint8_t disRateField_ = t30::kDisV27terFallback; // offered in the DIS
    t30::RateMask offeredRates_ = t30::baseRates();  // the rates that field covers
    int dcsRate_ = -1;  // rate of the last DCS (t30::rateAt)
    bool finalFrame_ = false;
    uint8_t lastKind_ = 0;     // the last frame received, X bit cleared
    int damagedFrames_ = 0;    // damaged commands since the last good frame
    bool phaseB_ = false;      // CSI and DIS went out: a failure ends with DCN
    bool remoteDcn_ = false;   // the caller disconnected: no DCN of ours
    bool awaitingEomRepeat_ = false; // MCF answered EOM: a repeat may come within T2
    bool docConfirmed_ = false; // MCF to EOP went out: the fax is received
};

} // namespace qln::fax

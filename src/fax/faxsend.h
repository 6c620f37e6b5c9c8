// FaxSender: the sending fax machine of Class 1, Class 2 and Class 2.0.
//
// It takes faxes one after another through FaxEvents::faxNext, dials, runs
// the class's negotiation, streams the pages (preamble, header line, cover,
// page data with DLE doubling) and hangs up; after each fax it asks for the
// next one, and finishes when there is none (or at once after an error with
// ExitOnError/AbortNoConnect, or after a cancel).
//
// prepare() runs on the user-interface thread before the first step; every
// later step runs on the dispatcher thread (see FaxSession).
#pragma once

#include "fax/class2commands.h"
#include "fax/faxheader.h"
#include "fax/faxsession.h"
#include "fax/faxstates.h"
#include "faximage/apfreader.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace qln::fax {

// Renders one line of text into coded scan lines (T.4, without length
// words) in the given resolution; large selects the cover-page font.
// Returns 0 or a negative error code (-8052 when the font is missing).
using TextLineRenderer = std::function<int(const std::string &text, bool fine, bool large,
                                           std::vector<t30::Bytes> &codedLines)>;

struct SendSettings {
    bool blindDial = false;
    bool detectBusy = true;
    bool toneDial = true;
    std::string dialPrefix;
    int dialWait = 60;       // seconds for the remote to answer
    int dialAttempts = 3;    // 0 = unlimited
    int dialRetryWait = 60;  // seconds
    int maxSendCount = 50;   // blocks per output trigger
    int bufferMinimum = 1000;
    std::string headerLine;
    std::string headerSender;
    std::string headerRecipient;
    std::string headerTitle;
    int maxPageResends = 2;
    // Class 1: MPS between pages of the same resolution (no new training)
    // when set, EOM (the receiver announces itself again and the speed is
    // negotiated anew) when cleared.
    bool sameParameters = true;
    // Class 1: pages of the fax file (1-based) that begin a new document:
    // the page before them ends with EOM (phase B again, the receiver files
    // the next document apart), the pages within a document with MPS.
    std::vector<int> documentStarts;
};

class FaxSender : public FaxSession {
public:
    FaxSender(FaxLink &link, FaxEvents &events);
    ~FaxSender() override;

    SendSettings send;
    TextLineRenderer renderer;
    // Date and time texts for the header line; defaults to the local clock.
    std::function<void(std::string &date, std::string &time)> headerClock;

    // Preparation on the calling thread: class detection, initialisation,
    // speed query. Returns 0 or a negative error code.
    int prepare(bool initialiseModem = true);
    // Takes the first step; the session then runs on triggers.
    void start();

    int dialAttempt = 0;            // current attempt, 1-based
    bool modemInitialised = false;  // ModemInit and defaults sent once per component

    int state() const override { return state_; }

protected:
    const char *stateName() const override { return sendStateName(state_); }
    int stateLogCode() const override { return state_; }
    Mode inputMode() const override;
    Step handle(const Event &ev) override;
    void enterAbort() override
    {
        abortedFrom_ = state_;
        state_ = tfAbort;
    }

private:
    // common states
    Step onGetEntry();
    Step onInit();
    Step onDial();
    Step onRetryWait(const Event &ev);
    Step onClose();
    Step onAbort();
    bool busyOrFailedDial(const Event &ev); // true when the line was handled
    // Class 1
    Step class1(const Event &ev);
    Step onClass1Frame();
    bool lowerSpeedAndRetrain();
    bool repeatDcs();      // DCS again after no usable answer; false after failing
    bool listenForDis();   // phase B: the next frame, within T1; false after failing
    Step onDamagedFrame(); // a response arrived damaged (ERROR, +FCERROR)
    // Class 2 / 2.0
    Step class2(const Event &ev);
    bool class2Report(const Event &ev); // parameter and identification reports
    Step resendPage();                  // after a page reported bad
    // page transmission
    Step onWaitXon(const Event &ev);
    Step onWaitFrHead(const Event &ev);
    Step onSndPgeHdr();
    Step onOpenCover();
    Step onSendCover(const Event &ev);
    Step onPrepPage();
    Step onSendPage(const Event &ev);
    Step onDrainPage(const Event &ev);

    int openPageSource();          // for the page pageNumber/cover points at
    bool morePagesAfterCurrent() const;
    void advancePage();
    bool pageFine(int page);       // resolution of a file page
    void writeDataDoubled(const uint8_t *data, std::size_t len);
    void flushStaging();
    void padZerosUntilQueued(std::size_t level);
    void writeCodedLine(const t30::Bytes &line);
    HeaderValues headerValues();
    bool isClass2() const { return activeClass_ == fcClass2 || activeClass_ == fcClass2_0; }
    bool isClass20() const { return activeClass_ == fcClass2_0; }
    std::string c2(const char *suffix) const { return table_->command(suffix); }

    SendState state_ = tfNone;
    SendState abortedFrom_ = tfNone; // the state a failure or cancel left
    TFaxClass activeClass_ = fcUnknown;
    const class2::CommandTable *table_ = nullptr;

    ApfReader file_;
    ApfReader coverApf_;
    bool coverIsApf_ = false;
    bool sendingCover_ = false;
    std::vector<std::string> coverLines_;
    size_t coverLine_ = 0;
    bool currentFine_ = false;
    bool previousFine_ = false;
    bool morePages_ = false;
    // Class 1: the next page follows with MPS (no new negotiation).
    // The page now current (the next one, after a page end) follows without
    // renegotiation: same resolution, same document, and MPS wanted.
    bool nextPageSameParameters() const
    {
        return send.sameParameters && previousFine_ == currentFine_
               && std::find(send.documentStarts.begin(), send.documentStarts.end(), pageNumber)
                      == send.documentStarts.end();
    }
    bool dialConnected_ = false;
    int resends_ = 0;
    int pageStatus_ = 0;          // Class 2.0: the last page-status report
    ResponseAssembler xonLines_;  // modem lines while XON is awaited
    int eopTries_ = 0;
    int trainTries_ = 0; // DCS and training sent without an answer
    std::vector<uint8_t> staging_;
    std::vector<uint8_t> line_;

    // Class 1 negotiation
    t30::RateMask ownRates_ = t30::baseRates();
    t30::FrameParams remoteDis_;
    int rate_ = -1; // index of t30::rateAt
    int scanCode_ = 0;
    int minBytes_ = 0;
    bool finalFrame_ = false;
    bool cfrReceived_ = false;
    uint8_t lastFcf_ = 0;
    int damagedFrames_ = 0;      // damaged or CRP answers since the last good one
    bool gotDis_ = false;        // phase B reached: a failure ends with DCN
    bool disThisPhase_ = false;  // a DIS arrived in this phase B (the call's, or after EOM)
    long t1Deadline_ = 0;        // tick at which T1 runs out in phase B
    bool remoteDcn_ = false;     // the far end disconnected: no DCN of ours
    bool receptionOver_ = false; // the post-page answer ended without a frame
    bool afterCfr_ = false;
    bool remoteFine_ = true;
    bool remoteWide_ = false;
};

} // namespace qln::fax

// FaxSession: the session record and the step driver shared by the sending
// and receiving fax machines of every class.
//
// A session is stepped by triggers (bytes waiting, response timer, status
// timer, output levels, cancel). Each step logs the state by name, runs the
// state's handler and either steps on at once or returns to wait. Modem
// responses are assembled into lines (and, in Class 1, HDLC frames) before
// they reach a handler; states that take raw bytes (training check, page
// data) read the link themselves.
//
// Threading: step() runs on the dispatcher thread; cancel() runs on the
// user-interface thread. Both take the session's step lock, so a cancel never
// overlaps a step: the cancel waits for a running step to end (letting
// bridged user-interface calls of that step run meanwhile) and then runs the
// abort path itself. The record is read by the component's event handlers
// only while the session thread waits for them.
#pragma once

#include "fax/faxclass.h"
#include "fax/faxcodes.h"
#include "fax/faxlink.h"
#include "fax/t30frames.h"

#include <functional>
#include <mutex>
#include <string>

namespace qln::fax {

// The component side of a session: the messages 0x7EA1..0x7EA7. Called on
// the session's thread; the component turns them into events on the
// user-interface thread within their time limits.
class FaxEvents {
public:
    virtual ~FaxEvents() = default;
    virtual void faxStatus(bool first, bool last) = 0;      // 0x7EA2
    virtual void faxLog(int logCode) = 0;                    // 0x7EA3
    virtual void faxError(int code) = 0;                     // 0x7EA6
    virtual void faxFinish(int code) = 0;                    // 0x7EA7, posted
    // 0x7EA1: true when a phone number was given.
    virtual bool faxNext(std::string &phone, std::string &file, std::string &cover) = 0;
    virtual void faxName(std::string &name) = 0;             // 0x7EA4
    virtual bool faxAccept() = 0;                            // 0x7EA5
};

// Settings a session copies from its component when it starts.
struct FaxSettings {
    int initBaud = 0;
    int normalBaud = 0;
    TFaxClass faxClass = fcDetect;
    std::string modemInit;
    std::string stationId;
    bool abortNoConnect = false;
    bool exitOnError = false;
    bool softwareFlow = false;
    int statusInterval = 1; // seconds
    int desiredBps = 9600;
    bool desiredEcm = false;
    std::string faxFileExt = "APF";
    std::string class1Command = "AT+FCLASS=1";
};

// Timer lengths in ticks of 55 ms.
inline constexpr long kResponseTicks = 182;      // 10 s: a modem command's reply
inline constexpr long kAnswerTicks = 1092;       // 60 s: answering a call
inline constexpr long kPageTicks = 1092;         // 60 s: page data and page end
inline constexpr long kFdtTicks = 546;           // 30 s: "AT+FDT" to CONNECT
inline constexpr long kXonTicks = 18;            // 1 s: XON before Class 2 data
// T.30 timers.
inline constexpr long kT1Ticks = 636;            // T1, 35 s ±5: phase B, waiting for the far end's DIS
inline constexpr long kT2Ticks = 109;            // T2, 6 s ±1: a command, the TCF or a page after our answer
inline constexpr long kT4Ticks = 54;             // T4, 3 s ±15 %: the response to a command of ours
inline constexpr long kMcfTicks = kT4Ticks;      // the response to a post-page frame
// T.30: a command answered with CRP or not at all is sent at most three
// times; then the station sends DCN and hangs up.
inline constexpr int kMaxCommandTries = 3;
inline constexpr long kHangupTicks = 26;         // 1.4 s: "ATH" reply
inline constexpr long kHangupOkTicks = 54;       // 3 s: "ATH0" reply in a hang-up after a failure
inline constexpr long kSpeedQueryExtraTicks = 36;
inline constexpr long kSpeedSwitchTicks = 9;     // 0.5 s settle before a speed change
inline constexpr int kOutputRoomForPage = 4096;  // free space wanted before page data
inline constexpr int kOutputRoomWaitMs = 20000;  // a write waits this long for room
// Receive XON/XOFF while page data arrives: XOFF when this many bytes wait
// in the input ring, XON again when they have drained to the second level.
inline constexpr int kRxFlowStop = 6144;
inline constexpr int kRxFlowResume = 2048;

class FaxSession {
public:
    FaxSession(FaxLink &link, FaxEvents &events);
    virtual ~FaxSession() = default;
    FaxSession(const FaxSession &) = delete;
    FaxSession &operator=(const FaxSession &) = delete;

    // One trigger; steps until the machine must wait. Thread-safe against
    // cancel().
    void step(FaxTrigger t);
    // Stops a running session: status 4842, error 6005, abort path.
    void cancel();
    // Class detection with the default initialisation string (blocking;
    // only while no session runs). Sets classesSupported.
    int detectClass(const std::string &init, TFaxClass &found);
    // The port's device is gone: the session fails (3005) and finishes.
    void lineLost();

    bool inProgress() const { return inProgress_; }
    // Rebinds the session to another link while it is idle.
    void setLink(FaxLink &link) { link_ = &link; }

    // Run by cancel() while it waits for a step of the session thread to
    // end; the component lets pending user-interface calls run here.
    std::function<void()> whileWaitingForStep;

    // --- the record, read by the component ---
    FaxSettings settings;
    int statusCode = 0;
    int lastError = 0;
    int hangupResult = 0;
    int lineSpeed = 0;
    bool fineResolution = false;
    bool widePage = false;
    bool errorCorrection = false;
    int pageNumber = 0;
    int pageCount = 0;
    long bytesDone = 0;
    long pageBytes = 0;
    std::string remoteStation;
    std::string faxFile;
    std::string coverFile;
    std::string phoneNumber;
    int finishCode = 0;
    int classesSupported = 0;

protected:
    enum class Input { None, Line, Frame, Timer, OutFree, OutUsed };
    struct Event {
        Input kind = Input::None;
        std::string line;
        std::string bare; // the line without its double-quoted texts
        // Class 1: "ERROR" (or "+FCERROR") closing a frame that arrived
        // damaged; the frame itself is dropped.
        bool damagedFrame = false;
        // Whether the line holds text outside quotes: an identification in
        // a report never reads as a result code or another report.
        bool is(const char *text) const
        {
            return kind == Input::Line && bare.find(text) != std::string::npos;
        }
        // The whole line is the result code (blanks around it aside), as
        // set-up commands are answered: "BOOK" is no "OK".
        bool isResult(const char *code) const { return kind == Input::Line && isResultLine(line, code); }
    };
    enum class Step { Wait, Next };
    // Lines: responses are assembled for the handler. Raw: the handler reads
    // the input itself. Trigger: input is read and dropped. Hold: input is
    // left waiting for a later state.
    enum class Mode { Lines, Raw, Trigger, Hold };

    virtual int state() const = 0;
    virtual const char *stateName() const = 0;
    virtual int stateLogCode() const = 0;
    virtual Mode inputMode() const = 0;
    virtual Step handle(const Event &ev) = 0;
    // Enter the abort state after an error or cancel.
    virtual void enterAbort() = 0;

    // Command output: pause, the command and a carriage return, response
    // line cleared, response timer armed.
    void sendCommand(const std::string &cmd, int pauseMs = 100);
    void sendModulation(const std::string &cmd) { sendCommand(cmd, 40); }
    void writeBytes(const uint8_t *data, std::size_t len);
    void writeBytes(const t30::Bytes &b) { writeBytes(b.data(), b.size()); }
    void writeFrame(const t30::Bytes &frame);
    void armResponse(long ticks) { link_->armResponseTimer(ticks); }

    void setStatus(int code) { statusCode = code; }
    void reportStatus(bool first, bool last);
    // Records the error, reports it and moves to the abort state.
    void fail(int code);
    void finish(int code);
    void drainInput();
    // Raw input for the byte-reading states; the line feed that follows a
    // modem response's carriage return is skipped.
    int readRaw();
    // Command with reply during preparation (blocking, pumping the
    // user-interface): 0 on "OK" (or an information line and one more),
    // -8063 on "ERROR" or when the time runs out.
    int sendAndWait(const std::string &cmd, std::string *info, long ticks = kResponseTicks);


    // Frame reception after a CONNECT to "AT+FRH=3": the next bytes form a
    // frame, delivered as an Input::Frame event.
    void expectFrame() { collectingFrame_ = true; frames_.reset(); }
    const t30::Frame &lastFrame() const { return frames_.frame(); }

    // Class 1: ends the procedure with DCN before a hang-up after a failure
    // or cancel: any reception the modem still runs is stopped, DCN goes out
    // in a transmission of its own after the modem's CONNECT, and the
    // modem's OK is awaited (T4 each). The calling machine's frames carry
    // the X bit. False when the modem did not confirm: it may still be in
    // its transmission, which only DTR ends.
    bool sendDisconnect(bool caller);
    // Class 1: AT+FRH=3 for the far end's next frame, awaited `ticks` from
    // now. listenAgain() repeats the reception (after NO CARRIER, or an OK
    // without a frame) within the same time, which repeats never extend, so
    // a modem that ends every reception at once is not asked for ever:
    // false once the time is over.
    void listenFor(long ticks)
    {
        listenDeadline_ = link_->ticks() + ticks;
        listenAgain();
    }
    bool listenAgain();
    long listenDeadline_ = 0; // tick by which the awaited frame must have come
    // Waits within the step for a response line holding `text`; false on
    // ERROR, NO CARRIER or when `ticks` pass. Other lines are skipped.
    bool waitForLine(const char *text, long ticks);
    // Hang-up sequences.
    void hangupSending();
    void hangupReceiving();
    void resetModem();
    // Speed switching. Without InitBaud the port runs at 19200 bps
    // throughout. With it, preparation begins at the initialisation speed
    // (taking the port's current speed as the normal one when NormalBaud is
    // 0); after preparation and before each fax or call the port moves to
    // the normal speed, and at the end of each fax or call back to the
    // initialisation speed. A switch waits 9 ticks for the modem to settle;
    // a port already at the wanted speed is left alone.
    void beginAtInitSpeed();
    void switchToNormalSpeed();
    void switchToInitSpeed();

    FaxLink *link_;
    FaxEvents &events_;
    bool inProgress_ = false;
    bool cancelled_ = false;
    bool exitAfterAbort_ = false; // the abort state finishes the session
    bool runningAtInitBaud_ = false;
    int writeError_ = 0; // a refused output write, failing the fax after the step
    int normalBaud_ = 19200; // NormalBaud, or the port's speed when that is 0
    long responseTicks_ = kResponseTicks;

private:
    long secsToTicksForStatus() const;
    bool pullInput(Event &ev);
    void runSteps(Event ev);

    std::recursive_mutex stepLock_;
    ResponseAssembler lines_;
    t30::FrameCollector frames_;
    bool collectingFrame_ = false;
    bool frameStarted_ = false;
    // A frame is handed on only once the modem's "OK" confirms its check
    // sequence; that line follows as an event of its own.
    bool frameHeld_ = false;
    bool lineHeld_ = false;
    Event heldLine_;
    bool skipLf_ = false;
};

} // namespace qln::fax

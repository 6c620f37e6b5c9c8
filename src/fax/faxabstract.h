// TApdAbstractFax: what the sending and receiving fax components share: the
// published settings, the events, the run-time properties read from the
// session record, starting on a port and cancelling.
//
// The session's messages (status, log, error, next fax, name, accept) are
// carried to the user-interface thread through the UI bridge with their time
// limits (2000 ms for the next-fax query, 1000 ms for the others; no answer
// means "no more faxes" or "call refused"); the finish message is posted.
//
// Threading: the component lives on the user-interface thread; its events
// are raised there. CancelSession waits for a running session step to end,
// so a cancel never overlaps a step on the dispatcher thread.
#pragma once

#include "fax/faxclass.h"
#include "fax/faxdispatchlink.h"
#include "fax/faxlog.h"
#include "fax/faxsession.h"
#include "fax/faxstatus.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace qln {
class TApdComPort;
}

namespace qln::fax {

class TApdAbstractFax : protected FaxEvents {
public:
    TApdAbstractFax() = default;
    ~TApdAbstractFax() override;
    TApdAbstractFax(const TApdAbstractFax &) = delete;
    TApdAbstractFax &operator=(const TApdAbstractFax &) = delete;

    // --- published properties ---
    int InitBaud = 0;
    int NormalBaud = 0;
    TFaxClass FaxClass = fcDetect;
    std::string StationID; // at most 20 characters are used
    TApdAbstractFaxStatus *StatusDisplay = nullptr;
    TApdFaxLog *FaxLog = nullptr;
    bool AbortNoConnect = false;
    bool ExitOnError = false;
    bool SoftwareFlow = false;
    int StatusInterval = 1;
    int DesiredBPS = 9600;
    bool DesiredECM = false;
    std::string FaxFileExt = "APF";

    const std::string &ModemInit() const { return modemInit_; }
    void SetModemInit(const std::string &text) { modemInit_ = normalizeModemInit(text); }
    TApdComPort *ComPort() const { return port_; }
    // Sets the port up for fax work: 19200 bps 8N1, 8192-byte buffers,
    // RTS/CTS flow control.
    void SetComPort(TApdComPort *port);
    std::string FaxFile() const;
    void SetFaxFile(const std::string &f) { faxFile_ = f; }

    // --- events ---
    std::function<void(TApdAbstractFax &, bool first, bool last)> OnFaxStatus;
    std::function<void(TApdAbstractFax &, int logCode)> OnFaxLog;
    std::function<void(TApdAbstractFax &, int errorCode)> OnFaxError;
    std::function<void(TApdAbstractFax &, int errorCode)> OnFaxFinish;

    // --- run-time properties ---
    int StatusCode() const { return rec().statusCode; }
    static std::string StatusText(int code) { return faxStatusText(code); }
    std::string RemoteStation() const { return rec().remoteStation; }
    int LastError() const { return rec().lastError; }
    int HangupResult() const { return rec().hangupResult; }
    int LineSpeed() const { return rec().lineSpeed; }
    bool FineResolution() const { return rec().fineResolution; }
    bool WidePage() const { return rec().widePage; }
    bool ErrorCorrection() const { return rec().errorCorrection; }
    int PageNumber() const { return rec().pageNumber; }
    int PageCount() const { return rec().pageCount; }
    long BytesDone() const { return rec().bytesDone; }
    long PageBytes() const { return rec().pageBytes; }
    bool InProgress() const { return rec().inProgress(); }
    // The facts of the log event being handled (file names, remote
    // identification, error), taken on the session's thread when the event
    // was raised. A log event may reach the user-interface thread late,
    // when the session has moved on to its next call: a handler reads these
    // instead of FaxFile() and RemoteStation(). Null outside OnFaxLog.
    const FaxLogFacts *LogFacts() const { return logFacts_; }
    // Time the remote identification arrived in the current session.
    std::chrono::system_clock::time_point RemoteIdTime() const { return remoteIdTime_; }

    void CancelSession();

protected:
    virtual FaxSession &rec() = 0;
    virtual const FaxSession &rec() const = 0;
    // Checks the port, opens it when needed and binds the link. 0 or a
    // negative code (-1005 no port, -3006 output buffer too small).
    int bindPort();
    void copySettings(FaxSettings &s) const;
    virtual void finished(int /*code*/) {}

    // FaxEvents, called on the session's thread.
    void faxStatus(bool first, bool last) override;
    void faxLog(int logCode) override;
    void faxError(int code) override;
    void faxFinish(int code) override;
    virtual FaxLogFacts logFacts() const;

    TApdComPort *port_ = nullptr;
    std::string modemInit_;
    std::string faxFile_;
    std::unique_ptr<FaxDispatchLink> link_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::chrono::system_clock::time_point remoteIdTime_{};
    const FaxLogFacts *logFacts_ = nullptr;
};

} // namespace qln::fax

// SendFaxJob: everything the send window does, without the window. It owns
// the serial port, the fax sender and (optionally) a telephony device, runs
// an attempt step by step ("&Send Fax Now"): open the port or the
// telephony device, check and reset the modem, set the fax sender up from
// the settings and start it; it handles the sender's finish event, keeps
// the log of the attempt and writes it to "Lastsend.log", and knows the
// outcome the send command writes into the record.
//
// The window (TSendFaxForm) and `qlnfax fax send` both drive this object;
// what the user must see goes through SendFaxView and the program's message
// interface (messages()).
//
// Threading: user-interface thread only. An attempt blocks that thread
// while it opens and checks the modem; the call itself runs on the port's
// dispatch thread and ends with the finish event, raised on the
// user-interface thread.
#pragma once

#include "comms/comport.h"
#include "fax/faxsendfax.h"
#include "telephony/modemdevice.h"

#include <QDateTime>

#include <functional>
#include <string>
#include <vector>

namespace qln {

struct Settings;
class ITelephonyDevice;

// What the attempt shows in its window; every member has a harmless default.
class SendFaxView {
public:
    virtual ~SendFaxView() = default;
    // The window's status line; an empty text clears it.
    virtual void setStatusLine(const std::string &) {}
    virtual void hideStatusLine() {}
    virtual void setBusyCursor(bool) {}
    // "Phone number is blank": focus back to the number.
    virtual void focusPhoneNumber() {}
    // Lets pending window events run.
    virtual void processMessages();
    // The attempt is over (failed before the call, or finished).
    virtual void attemptEnded() {}
};

// The send window's edits at the moment "&Send Fax Now" is pressed.
struct SendFaxInputs {
    std::string phoneNumber;   // as typed
    std::string dialPrefix;
    std::string dialSuffix;
    bool disablePrefix = false;
    bool disableSuffix = false;
};

class SendFaxJob {
public:
    static constexpr const char *kLogFileName = "Lastsend.log";
    static constexpr int kFinishCodeTreatedAsSuccess = -8076;
    static constexpr int kDefaultDialWait = 75;

    // Last results of an attempt that failed before the call.
    static constexpr const char *kErrorOpeningPort = "Error opening communications port";
    static constexpr const char *kNoResponse = "No response from modem";
    static constexpr const char *kNoResponseReset = "No response from modem reset";
    static constexpr const char *kUnknownError = "Unknown error";
    static constexpr const char *kSent = "Sent";

    // `settings` is read at each attempt; the reset and after-reset strings
    // keep the "AT" put in front of them. `faxFile` is the APF file to send;
    // the log goes to `dataDir` (ending with '/').
    SendFaxJob(Settings &settings, std::string faxFile, std::string dataDir);
    ~SendFaxJob();
    SendFaxJob(const SendFaxJob &) = delete;
    SendFaxJob &operator=(const SendFaxJob &) = delete;

    TApdComPort ApdComPort1;
    fax::TApdSendFax ApdSendFax1;
    // The program's telephony device component: the named modem devices,
    // the virtual modem among them.
    TModemDevice ModemDevice1;
    // The telephony device used when the settings ask for it (not owned;
    // ModemDevice1 unless another is put in; without one, opening through
    // telephony fails).
    ITelephonyDevice *ApdTapiDevice1 = &ModemDevice1;

    void setView(SendFaxView *view) { view_ = view ? view : &noView_; }
    // The clock of time stamps and the header line (tests fix it).
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    // "&Send Fax Now": one attempt. Returns once the call has started or the
    // attempt has failed; a started call ends with ApdSendFax1FaxFinish.
    void SendFaxButtonClick(const SendFaxInputs &inputs);
    // The sender's finish event.
    void ApdSendFax1FaxFinish(int code);
    // "C&lose": false (with a beep) while an attempt runs; otherwise closes
    // the port when open and returns true.
    bool CloseRequested();

    bool busy() const { return busy_; }
    bool attempted() const { return attempted_; }
    const std::string &lastResult() const { return lastResult_; }
    // When the last call that sent the fax ended (the time of the send
    // log's "Finish:" line); invalid until a fax was sent.
    const QDateTime &sentAt() const { return sentAt_; }
    const std::string &faxFile() const { return faxFile_; }
    const std::string &headerLine() const { return headerLine_; }
    const std::vector<std::string> &logLines() const { return log_; }
    // Port number n of the texts (ComPort + 1).
    int portNumber() const;

    // Adds a line unless it equals the line added just before it.
    void addLog(const std::string &line);
    // Adds "Finish: " and the time stamp (of `at`, else now) and replaces
    // "Lastsend.log" with the lines; a failure is ignored.
    void saveLog(const QDateTime &at = QDateTime());

    // Seconds the remote may take to answer, from the user's init string:
    // the number after "S7=" (at least 75), else 75.
    static int DialWait(const std::string &initString);
    // The header line printed on every page ($I, $P, $N are the sender's).
    static std::string HeaderLine(const std::string &userName, const std::string &userFax,
                                  const std::string &shortDate, const std::string &shortTime);
    // The fax sender's class for the setting 0..3.
    static fax::TFaxClass FaxClassFor(int setting);
    // Whether a last result marks the fax sent ("SENT" or "OK", any case).
    static bool IsSentResult(const std::string &lastResult);

private:
    std::string timeStamp(const QDateTime &at = QDateTime()) const;
    void processMessages() { view_->processMessages(); }
    void cleanUp();
    void closePort();
    void releaseTelephony();
    bool openThroughTelephony();
    bool openSerialPort();
    bool checkModem();
    bool sendResetString();
    void logSettings(const SendFaxInputs &in);
    void configureSender(const SendFaxInputs &in);
    void startFailed();

    Settings &settings_;
    std::string faxFile_;
    std::string dataDir_;
    SendFaxView noView_;
    SendFaxView *view_ = &noView_;
    bool busy_ = false;
    bool attempted_ = false;
    bool errorReported_ = false;
    std::string lastResult_;
    QDateTime sentAt_;
    std::string headerLine_;
    std::vector<std::string> log_;
    std::string lastLogLine_;
};

}  // namespace qln

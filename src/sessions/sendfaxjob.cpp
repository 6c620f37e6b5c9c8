#include "sessions/sendfaxjob.h"

#include "common/atomicfile.h"
#include "common/datadir.h"
#include "common/localeformats.h"
#include "common/messages.h"
#include "common/settings.h"
#include "common/textutil.h"
#include "fax/faxcodes.h"
#include "comms/uibridge.h"
#include "sessions/modemhelpers.h"

#include <algorithm>
#include <cctype>

namespace qln {

using namespace fax;

namespace {

constexpr const char *kBreak = "\r\n";
constexpr int kPortBuffer = 8192;
constexpr int kLargerSendBuffer = 16384;

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

}  // namespace

void SendFaxView::processMessages() { UiBridge::ProcessMessages(); }

SendFaxJob::SendFaxJob(Settings &settings, std::string faxFile, std::string dataDir)
    : settings_(settings), faxFile_(std::move(faxFile)), dataDir_(std::move(dataDir))
{
    ApdSendFax1.SetComPort(&ApdComPort1);
    ApdComPort1.SetComNumber(1);
    ApdComPort1.SetInSize(kPortBuffer);
    ApdComPort1.SetOutSize(kPortBuffer);
    ApdComPort1.SetAutoOpen(false);
    ApdComPort1.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    ApdComPort1.SetBufferFull(7372);
    ApdComPort1.SetBufferResume(819);
    ApdComPort1.TapiMode = tmOff;
    ApdSendFax1.FaxClass = fcUnknown;
    ApdSendFax1.FaxFileExt = "APF";
    ApdSendFax1.EnhTextEnabled = true;
    ApdSendFax1.OnFaxError = [this](TApdAbstractFax &, int) { errorReported_ = true; };
    ApdSendFax1.OnFaxFinish = [this](TApdAbstractFax &, int code) { ApdSendFax1FaxFinish(code); };
}

SendFaxJob::~SendFaxJob()
{
    if (ApdSendFax1.InProgress())
        ApdSendFax1.CancelSession();
    ApdSendFax1.OnFaxFinish = nullptr;
    ApdSendFax1.OnFaxError = nullptr;
    try {
        ApdComPort1.SetOpen(false);
    } catch (...) {
        // Closing a port that went away is not an error here.
    }
}

int SendFaxJob::portNumber() const { return settings_.comPort + 1; }

std::string SendFaxJob::timeStamp(const QDateTime &at) const
{
    const QDateTime now = at.isValid() ? at : Now();
    return formatDate(localeFormats().longDateFormat, now.date()) + " " +
           formatTime(localeFormats().longTimeFormat, now.time());
}

void SendFaxJob::addLog(const std::string &line)
{
    if (!log_.empty() && line == lastLogLine_)
        return;
    log_.push_back(line);
    lastLogLine_ = line;
}

void SendFaxJob::saveLog(const QDateTime &at)
{
    addLog("Finish: " + timeStamp(at));
    std::string text;
    for (const std::string &l : log_)
        text += l + kBreak;
    const std::string path = resolveNameNoCase(dataDir_, kLogFileName);
    if (!path.empty())
        writeFileAtomically(path, text);
}

// ---- pure helpers ------------------------------------------------------------

int SendFaxJob::DialWait(const std::string &initString)
{
    const std::string up = upper(initString);
    const std::size_t at = up.find("S7=");
    if (at == std::string::npos)
        return kDefaultDialWait;
    std::string six = up.substr(at, 6);
    while (!six.empty() && !std::isdigit(static_cast<unsigned char>(six.back())))
        six.pop_back();
    if (six.size() < 4)
        return kDefaultDialWait;
    const std::string digits = six.substr(3);
    if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return kDefaultDialWait;
    return std::max(std::stoi(digits), kDefaultDialWait);
}

std::string SendFaxJob::HeaderLine(const std::string &userName, const std::string &userFax,
                                   const std::string &shortDate, const std::string &shortTime)
{
    std::string line = "Sent";
    if (!trim(userName + userFax).empty())
        line += " by";
    if (!userName.empty())
        line += ": " + userName + "    ";
    if (!userFax.empty())
        line += "         $I          ";
    line += std::string(11, ' ') + shortDate + "    " + shortTime + "              Page $P of $N";
    return line;
}

TFaxClass SendFaxJob::FaxClassFor(int setting)
{
    switch (setting) {
    case 0: return fcDetect;
    case 1: return fcClass1;
    case 2: return fcClass2;
    case 3: return fcClass2_0;
    default: return fcUnknown;
    }
}

bool SendFaxJob::IsSentResult(const std::string &lastResult)
{
    const std::string up = upper(lastResult);
    return up == "SENT" || up == "OK";
}

// ---- the attempt -------------------------------------------------------------

void SendFaxJob::closePort()
{
    try {
        if (ApdComPort1.Open())
            ApdComPort1.SetOpen(false);
    } catch (...) {
        // A port whose device vanished is closed all the same.
    }
}

void SendFaxJob::releaseTelephony()
{
    if (settings_.useTAPI && ApdTapiDevice1)
        ReleaseTelephony(*ApdTapiDevice1);
}

void SendFaxJob::cleanUp()
{
    releaseTelephony();
    view_->setBusyCursor(false);
    closePort();
    busy_ = false;
    view_->setStatusLine("");
}

bool SendFaxJob::openThroughTelephony()
{
    const std::string &device = settings_.tapiDevice;
    ApdComPort1.TapiMode = tmAuto;
    view_->setStatusLine("Opening communications port using:" + device);
    processMessages();
    addLog("Opening modem device: " + device);
    std::string message = "Unable to select the modem device";
    if (ApdTapiDevice1 && OpenThroughTelephony(*ApdTapiDevice1, device, ApdComPort1, message)) {
        view_->setBusyCursor(true);
        addLog("Opened modem device: " + device);
        return true;
    }
    view_->setBusyCursor(false);
    addLog("Error opening : " + device);
    addLog("Message:" + message);
    closePort();
    messages().showError("Error Opening " + device,
                         message + kBreak + kBreak + "Is the Communications Port used by " + device +
                             " in use? Please" + kBreak + "click use the Preferences screen item #1 to check.",
                         false);
    lastResult_ = kErrorOpeningPort;
    busy_ = false;
    view_->hideStatusLine();
    saveLog();
    return false;
}

bool SendFaxJob::openSerialPort()
{
    view_->setStatusLine("Opening communications port...");
    processMessages();
    ApdComPort1.SetComNumber(portNumber());
    const std::string n = std::to_string(portNumber());
    addLog("Start:" + timeStamp());
    addLog("Opening com port: COM" + n);
    std::string message;
    if (OpenPort(ApdComPort1, message)) {
        view_->setBusyCursor(true);
        addLog("Opened com port OK");
        return true;
    }
    addLog("Error opening com port: COM" + n);
    addLog("Message:" + message);
    cleanUp();
    messages().showError("Error Opening Communications Port",
                         message + kBreak + kBreak + "Is the serial port " + PortText(ApdComPort1) +
                             " correct? Please" + kBreak +
                             "click on the Find Modem button on the Preferences screen to be sure.",
                         false);
    lastResult_ = kErrorOpeningPort;
    saveLog();
    return false;
}

bool SendFaxJob::checkModem()
{
    addLog("Checking for modem");
    if (CheckForModem(ApdComPort1, settings_.resetString))
        return true;
    const std::string n = std::to_string(portNumber());
    view_->setBusyCursor(false);
    addLog("Error checking for modem");
    const bool goOn = messages().askError(
        "No Response From Modem",
        "We did not receive a modem response from " + PortText(ApdComPort1) + "." + kBreak + kBreak +
            "To verify the communications port, please click on the Find Modem button on the "
            "Preferences screen." + kBreak + kBreak + "If you are sure there is a modem on COM" + n +
            ", press CONTINUE" + kBreak + "to continue, otherwise press OK to stop the fax session.",
        false);
    if (goOn) {
        view_->setBusyCursor(true);
        return true;
    }
    lastResult_ = kNoResponse;
    cleanUp();
    addLog("Exit");
    saveLog();
    return false;
}

bool SendFaxJob::sendResetString()
{
    if (settings_.resetString.empty())
        return true;
    view_->setStatusLine("Sending reset string...");
    addLog("Sending reset string: " + settings_.resetString);
    if (SendModemCommand(ApdComPort1, settings_.resetString))
        return true;
    addLog("Failure sending reset string: " + settings_.resetString);
    cleanUp();
    messages().showError("Unable to Continue",
                         std::string("We are unable to continue the fax session. ") + kBreak + kBreak +
                             "The modem did not respond to the reset string:   (" + settings_.resetString +
                             ")" + kBreak + kBreak + "Is the serial port " + PortText(ApdComPort1) +
                             " correct? Please" + kBreak +
                             "click on the Find Modem button on the Preferences screen to be sure.",
                         false);
    lastResult_ = kNoResponseReset;
    addLog("Exiting...");
    saveLog();
    return false;
}

void SendFaxJob::logSettings(const SendFaxInputs &in)
{
    const Settings &s = settings_;
    addLog("Desired BPS: " + std::to_string(s.maximumBPS));
    if (s.ecm)
        addLog("Desired ECM: ON");
    if (s.blindDial)
        addLog("Blind Dial: ON");
    if (s.ignoreBusy)
        addLog("Ignore Busy: ON");
    addLog(s.renegotiateBetween ? "Negotiate between pages: ON" : "Negotiate between pages: OFF");
    addLog("Fax#: " + in.phoneNumber);
    if (!in.disablePrefix)
        addLog("Dial Prefix: " + in.dialPrefix);
    if (!in.disableSuffix)
        addLog("Dial Suffix: " + in.dialSuffix);
    if (s.toneOrPulse != 0)
        addLog("Using Pulse Dialing ***");
    addLog("Fax Class: " + FaxClassName(s.faxClass));
    addLog("StationID: " + s.fax);
    addLog("User INIT String: " + s.initString);
}

void SendFaxJob::configureSender(const SendFaxInputs &in)
{
    const Settings &s = settings_;
    TApdSendFax &f = ApdSendFax1;
    f.DesiredBPS = s.maximumBPS;
    f.DesiredECM = s.ecm;
    f.BlindDial = s.blindDial;
    f.DetectBusy = !s.ignoreBusy;
    f.SetFaxFile(faxFile_);
    f.FaxFileList = {faxFile_};
    f.CoverFile.clear();
    f.PhoneNumber = in.phoneNumber;
    f.SameParameters = !s.renegotiateBetween;
    if (!in.disableSuffix)
        f.PhoneNumber += in.dialSuffix;
    f.ToneDial = s.toneOrPulse == 0;
    f.FaxClass = FaxClassFor(s.faxClass);
    f.DialAttempts = s.dialAttempts;
    f.DialRetryWait = s.retryWait;
    f.DialWait = DialWait(s.initString);
    f.StationID = s.fax;
    f.DialPrefix = in.disablePrefix ? std::string() : in.dialPrefix;
    if (!s.initString.empty())
        f.SetModemInit(upper(s.initString).find("AT") != std::string::npos ? s.initString
                                                                            : "AT" + s.initString);
    const QDateTime now = Now();
    headerLine_ = HeaderLine(s.userName, s.fax, formatDate(localeFormats().shortDateFormat, now.date()),
                             formatTime(localeFormats().shortTimeFormat, now.time()));
    f.HeaderLine = headerLine_;
    f.EnhTextEnabled = !s.useAlternateHeaderFont;
}

// Anything that stops the call from starting without a finish event.
void SendFaxJob::startFailed()
{
    lastResult_ = kUnknownError;
    view_->setBusyCursor(false);
    busy_ = false;
    releaseTelephony();
    closePort();
    view_->setStatusLine("");
    addLog("Error...");
    saveLog();
    view_->attemptEnded();
}

void SendFaxJob::SendFaxButtonClick(const SendFaxInputs &in)
{
    if (trim(in.phoneNumber).empty()) {
        messages().information("Phone number is blank");
        view_->focusPhoneNumber();
        return;
    }
    if (busy_) {
        messages().beep();
        return;
    }
    attempted_ = true;
    busy_ = true;
    view_->setBusyCursor(true);
    log_.clear();
    lastLogLine_.clear();
    ApdComPort1.SetOutSize(settings_.globalLargerSendBuffer ? kLargerSendBuffer : kPortBuffer);

    const bool opened = settings_.useTAPI ? openThroughTelephony() : openSerialPort();
    if (!opened || !checkModem() || !sendResetString()) {
        view_->attemptEnded();
        return;
    }
    int rc = 0;
    errorReported_ = false;
    try {
        logSettings(in);
        configureSender(in);
        view_->setStatusLine("");
        view_->setBusyCursor(false);
        rc = ApdSendFax1.StartSending();
    } catch (const std::exception &) {
        startFailed();
        return;
    }
    // A failure the sender reported through its error event ends with the
    // finish event (which may already have run); any other refusal to start
    // (no port, a file that is not APF, ...) comes without one.
    if (rc != 0 && !errorReported_ && busy_)
        startFailed();
}

void SendFaxJob::ApdSendFax1FaxFinish(int code)
{
    // The call has ended now; the boxes below may stay open for a while.
    const QDateTime ended = Now();
    addLog("Faxfinish Code: " + std::to_string(code));
    const std::string errorText = faxErrorText(code);
    if (code == kFinishCodeTreatedAsSuccess)
        code = 0;
    lastResult_ = code == 0 ? std::string(kSent) : errorText;
    if (code == 0)
        sentAt_ = ended;
    addLog("Result: " + lastResult_);
    processMessages();
    if (!settings_.afterString.empty()) {
        view_->setStatusLine("Sending AFTER reset string...");
        processMessages();
        SendModemCommand(ApdComPort1, settings_.afterString);
        view_->setStatusLine("");
    }
    releaseTelephony();
    closePort();
    processMessages();
    busy_ = false;
    if (lastResult_ != kSent) {
        messages().showError("Fax Failure",
                             std::string("We have received an error message while trying to send the fax") +
                                 kBreak + kBreak + "Error message: " + errorText + kBreak + kBreak,
                             false);
    } else {
        messages().information("Fax sent successfully");
    }
    saveLog(ended);
    view_->attemptEnded();
}

bool SendFaxJob::CloseRequested()
{
    if (busy_) {
        messages().beep();
        return false;
    }
    if (ApdComPort1.Open()) {
        view_->setBusyCursor(true);
        closePort();
        view_->setBusyCursor(false);
    }
    return true;
}

}  // namespace qln

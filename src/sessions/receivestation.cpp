#include "sessions/receivestation.h"

#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "common/textutil.h"
#include "fax/faxcodes.h"
#include "comms/uibridge.h"
#include "faximage/apfreader.h"
#include "sessions/modemhelpers.h"
#include "sessions/receivedfaxstore.h"
#include "sessions/receivedpdf.h"

#include <QDateTime>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace qln {

namespace {

constexpr const char *kAfterReceiveCaption = "Failed To Receive Incoming Fax";
constexpr std::size_t kNotesWidth = 60;

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

std::string baseName(const std::string &path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isRegularFile(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Complete pages in a received file; -1 when it cannot be read as APF.
int pagesInFile(const std::string &path)
{
    fax::ApfReader reader;
    if (reader.open(path) != 0)
        return -1;
    return reader.pageCount();
}

} // namespace

void ReceiveStationHost::letEventsRun() { UiBridge::ProcessMessages(); }

ReceiveStation::ReceiveStation(Settings &settings, std::string dataDir, ReceiveStationHost &host)
    : settings_(settings), dataDir_(std::move(dataDir)), host_(host)
{
    if (!dataDir_.empty() && dataDir_.back() != '/')
        dataDir_ += '/';
    fax_.OnFaxStatus = [this](fax::TApdAbstractFax &, bool first, bool last) { onStatus(first, last); };
    fax_.OnFaxAccept = [this](fax::TApdReceiveFax &, bool &accept) {
        setReceiving(true);
        errorCode_ = 0;
        accept = true;
    };
    fax_.OnFaxError = [this](fax::TApdAbstractFax &, int code) {
        errorCode_ = code;
        host_.stationEvent("error: " + std::to_string(-code) + " " + fax::faxErrorText(code));
    };
    fax_.OnFaxLog = [this](fax::TApdAbstractFax &, int code) { onLog(code); };
    fax_.OnFaxFinish = [this](fax::TApdAbstractFax &, int code) { onFinish(code); };
}

ReceiveStation::~ReceiveStation()
{
    *alive_ = false;
    fax_.OnFaxStatus = nullptr;
    fax_.OnFaxLog = nullptr;
    fax_.OnFaxFinish = nullptr;
    fax_.OnFaxError = nullptr;
    fax_.OnFaxAccept = nullptr;
    if (fax_.InProgress())
        fax_.CancelSession();
    try {
        if (port_.Open())
            port_.SetOpen(false);
    } catch (const std::exception &) {
        // Closing at destruction: nothing left to report to.
    }
}

std::string ReceiveStation::receiveDir() const
{
    std::string dir = findNameNoCase(dataDir_, "receive");
    if (dir.empty())
        dir = dataDir_ + "receive";
    return dir + "/";
}

std::string ReceiveStation::comText() const { return std::to_string(setup_.comNumber); }

void ReceiveStation::addToLog(const std::string &line)
{
    if (log_.add(line))
        host_.stationEvent("log: " + line);
}

void ReceiveStation::saveLog()
{
    std::string error;
    if (!log_.save(logPath(), &error))
        messages().information("Unable to write to " + logPath() + ": " + error);
}

void ReceiveStation::setStatus(const std::string &text)
{
    host_.setStatusText(text);
    if (!text.empty() && text != lastStatusEvent_)
        host_.stationEvent("status: " + text);
    lastStatusEvent_ = text;
}

void ReceiveStation::hideNotice()
{
    if (notice_)
        notice_->hideNotice();
}

void ReceiveStation::setReceiving(bool on)
{
    if (receiving_ == on)
        return;
    receiving_ = on;
    host_.receivingChanged(on);
}

void ReceiveStation::toggle()
{
    if (on_)
        switchOff();
    else
        switchOn();
}

// ---- Switching on --------------------------------------------------------------

bool ReceiveStation::switchOn()
{
    if (on_ || starting_)
        return on_;
    if (settings_.noModem && !host_.runQuickSetup())
        return false;
    starting_ = true;
    stopRequested_ = false;
    setup_ = receiverSetupFromSettings(settings_, receiveDir());
    fax_.SetDestinationDir(setup_.destinationDir);
    fax_.FaxNameMode = setup_.faxNameMode;
    errorCode_ = 0;
    host_.setBusyCursor(true);

    log_.clear();
    addToLog("Start:" + ReceiveLog::dateTimeNow());
    host_.showIncomingList();
    listUnlistedFiles();
    if (notice_)
        notice_->setStartingLook();
    host_.letEventsRun();

    on_ = true;
    bool started = false;
    try {
        started = startSteps();
    } catch (const std::exception &e) {
        addToLog("Message:" + std::string(e.what()));
    }
    if (stopRequested_) {
        // STOP was pressed while the steps ran: receive mode ends as if it
        // had been switched off once on, whether the steps got there or not.
        stopSteps();
    } else if (!started) {
        recover();
    }
    starting_ = false;
    stopRequested_ = false;
    host_.receiveModeChanged(on_);
    host_.setBusyCursor(false);
    return on_;
}

bool ReceiveStation::stopPending()
{
    if (stopRequested_)
        addToLog("Stop requested during start-up");
    return stopRequested_;
}

// Steps 5 to 15 of switching on; false on any failure or abort.
bool ReceiveStation::startSteps()
{
    host_.receiveModeChanged(true);
    host_.letEventsRun();
    if (stopPending())
        return false;
    setStatus("Starting receive mode...");

    // Receiver and port set-up; COM numbers name the devices of [Ports].
    InstallPortMapping(settings_);
    fax_.SetComPort(&port_);
    port_.SetAutoOpen(false);
    if (!devicePath_.empty())
        port_.SetDevicePath(devicePath_);
    else
        port_.SetComNumber(setup_.comNumber);
    port_.SetInSize(setup_.inSize);
    port_.SetBufferFull(setup_.bufferFull);
    port_.SetBufferResume(setup_.bufferResume);
    port_.TapiMode = setup_.telephony ? tmAuto : tmOff;
    fax_.FaxClass = static_cast<fax::TFaxClass>(setup_.faxClass);
    fax_.StationID = setup_.stationId;
    fax_.AnswerOnRing = setup_.answerOnRing;
    fax_.DesiredBPS = setup_.desiredBps;
    fax_.DesiredECM = setup_.desiredEcm;
    fax_.SetModemInit(setup_.modemInit);
    fax_.FaxFileExt = "APF";
    fax_.ConstantStatus = true;

    const std::string n = comText();
    std::string message;
    if (setup_.telephony) {
        const std::string &device = settings_.tapiDevice;
        setStatus("Opening communications port using:" + device);
        addToLog("Opening modem device: " + device);
        const bool opened = telephony_ ? OpenThroughTelephony(*telephony_, device, port_, message)
                                       : (message = "Unable to select the modem device", false);
        if (!opened) {
            host_.setBusyCursor(false);
            addToLog("Error opening : " + device);
            addToLog("Message:" + message);
            hideNotice();
            messages().showError("Error Opening " + device,
                                 message + "\r\n\r\nIs the Communications Port used by " + device +
                                     " in use? Please\r\nclick use the Preferences screen item #1 to check.",
                                 false);
            saveLog();
            return false;
        }
        addToLog("Opened modem device: " + device);
    } else {
        addToLog("Opening com port: COM" + n);
        if (!OpenPort(port_, message)) {
            hideNotice();
            setStatus({});
            addToLog("Error opening com port: COM" + n);
            addToLog("Message:" + message);
            messages().showError("Error Opening Communications Port",
                                 message + "\r\n\r\nIs the serial port " + PortText(port_) +
                                     " correct? Please\r\nclick on the Find Modem button in Preferences to be sure.",
                                 true);
            saveLog();
            return false;
        }
        addToLog("Opened com port OK");
    }
    if (stopPending())
        return false;

    addToLog("Checking for modem");
    if (!CheckForModem(port_, settings_.resetString)) {
        addToLog("Error checking for modem");
        hideNotice();
        host_.setBusyCursor(false);
        const bool goOn = messages().askError(
            "No Response From Modem",
            "We did not receive a modem response from " + PortText(port_) +
                ".\r\n\r\nTo verify the communications port, please click on the Find Modem button in "
                "Preferences to be sure.\r\n\r\nIf you are sure there is a modem on COM" + n +
                ", press CONTINUE\r\nto continue, otherwise press OK to stop the fax session.",
            true);
        if (!goOn) {
            closePort();
            setStatus({});
            addToLog("Exit");
            saveLog();
            return false;
        }
        host_.setBusyCursor(true);
    }
    if (stopPending())
        return false;

    if (!settings_.resetString.empty()) {
        addToLog("Sending reset string: " + settings_.resetString);
        setStatus("Sending reset string...");
        if (!SendModemCommand(port_, settings_.resetString)) {
            addToLog("Failure sending reset string: " + settings_.resetString);
            hideNotice();
            setStatus({});
            host_.setBusyCursor(false);
            closePort();
            messages().showError("Unable to Continue",
                                 "We are unable to continue the fax session. \r\n\r\nThe modem did not respond "
                                 "to the reset string:   (" + settings_.resetString +
                                     ")\r\n\r\nIs the serial port " + PortText(port_) +
                                     " correct? Please\r\nclick on the Find Modem button in Preferences to be sure.",
                                 true);
            setStatus({});
            addToLog("Exiting...");
            saveLog();
            return false;
        }
    }

    addToLog("Desired BPS: " + std::to_string(settings_.maximumBPSReceive));
    if (settings_.ecmReceive)
        addToLog("Desired ECM: ON");
    if (settings_.toneOrPulse != 0)
        addToLog("Using Pulse Dialing ***");
    addToLog("Fax Class: " + FaxClassName(settings_.faxClassReceive));
    addToLog("User INIT String: " + settings_.initStringReceive);

    if (stopPending())
        return false;
    if (notice_ && !settings_.disableReceivingFaxesNotification)
        notice_->showNotice();

    addToLog("StartReceive");
    if (const int rc = fax_.StartReceiving(); rc != 0) {
        // The receiver could not start (the modem refused its set-up, ...):
        // said in the log and on the screen rather than only "Error...".
        const std::string text = fax::faxErrorText(rc);
        addToLog("Message:" + text);
        hideNotice();
        host_.setBusyCursor(false);
        messages().showError("Unable to Start Receive Mode",
                             "Quillon could not start receive mode.\r\n\r\nThe error message was:   " + text,
                             true);
        return false;
    }
    host_.receiveModeChanged(true);
    if (notice_)
        notice_->setReadyLook();
    return true;
}

void ReceiveStation::closePort()
{
    if (setup_.telephony && telephony_)
        ReleaseTelephony(*telephony_);
    try {
        if (port_.Open())
            port_.SetOpen(false);
    } catch (const std::exception &) {
        // A port that fails to close is closed as far as receive mode goes.
    }
}

void ReceiveStation::recover()
{
    if (fax_.InProgress())
        fax_.CancelSession();
    closePort();
    hideNotice();
    setStatus({});
    host_.setBusyCursor(false);
    on_ = false;
    host_.receiveModeChanged(false);
    addToLog("Error...");
    saveLog();
}

// ---- Switching off ---------------------------------------------------------------

void ReceiveStation::switchOff()
{
    // A STOP while the start-up steps run (they let events run) is kept:
    // the steps stop at their next step and receive mode ends.
    if (starting_) {
        stopRequested_ = true;
        return;
    }
    if (!on_ || stopping_)
        return;
    if (settings_.noModem)
        host_.runQuickSetup();  // receive mode stops whatever the answer
    stopSteps();
}

void ReceiveStation::stopSteps()
{
    stopping_ = true;
    hideNotice();
    host_.setBusyCursor(true);
    try {
        fax_.CancelSession();
        host_.letEventsRun();
        if (port_.Open() && !settings_.afterString.empty()) {
            setStatus("Sending AFTER reset string...");
            host_.letEventsRun();
            SendModemCommand(port_, settings_.afterString);
        }
        closePort();
        host_.letEventsRun();
    } catch (const std::exception &) {
        // Errors while switching off are not reported; receive mode ends anyway.
    }
    on_ = false;
    setReceiving(false);
    host_.setBusyCursor(false);
    host_.receiveModeChanged(false);
    setStatus({});
    addToLog("Stopped receive mode:" + ReceiveLog::dateTimeNow());
    saveLog();
    stopping_ = false;
}

// ---- Receiver events -------------------------------------------------------------

void ReceiveStation::updateValues()
{
    pageCount_ = fax_.PageNumber();
    const std::string text = receiveStatusLine(fax::TApdAbstractFax::StatusText(fax_.StatusCode()),
                                               fax_.PageNumber(), fax_.BytesDone(), fax_.RemoteStation());
    setStatus(text);
    if (notice_ && notice_->noticeVisible() && upper(text).find("ANSWERING") != std::string::npos)
        notice_->hideNotice();
}

void ReceiveStation::onStatus(bool first, bool last)
{
    updateValues();
    if (first)
        pageCount_ = 0;
    if (last)
        setReceiving(false);
}

void ReceiveStation::onLog(int code)
{
    ++inEvent_;
    // The event may arrive after the receiver has moved on to the next
    // call: the file and sender are the ones taken when it was raised.
    const fax::FaxLogFacts *facts = fax_.LogFacts();
    const std::string file = facts ? facts->receivedFile : fax_.FaxFile();
    const std::string remote = facts ? facts->remoteStation : fax_.RemoteStation();
    switch (code) {
    case fax::lfaxReceiveStart:
        faxFile_ = file;
        break;
    case fax::lfaxReceiveOk: {
        const std::string path = file.empty() ? faxFile_ : file;
        setReceiving(false);
        faxStored(path, remote);
        break;
    }
    case fax::lfaxReceiveFail: {
        const std::string path = file.empty() ? faxFile_ : file;
        setReceiving(false);
        faxFailed(path, remote);
        break;
    }
    default:
        break;
    }
    --inEvent_;
    if (inEvent_ == 0 && !printQueue_.empty())
        postPrint();
}

// Appends the row of a received file; pages are the complete pages the file
// holds (the receiver's page number counts every page of the call).
bool ReceiveStation::storeRow(const std::string &path, const std::string &remoteStation,
                              const std::string &notes, std::time_t when)
{
    records::ReceivedFax row;
    if (when != 0) {
        const QDateTime at = QDateTime::fromSecsSinceEpoch(qint64(when));
        row.dateRec = at.date().toString(QStringLiteral("yyyyMMdd")).toStdString();
        row.timeRec = at.time().toString(QStringLiteral("HH:mm")).toStdString();
    } else {
        row.dateRec = todayYyyymmdd();
        row.timeRec = nowHhmm();
    }
    row.from = storableStationId(remoteStation);
    const int pages = pagesInFile(path);
    row.pages = pages >= 0 ? pages : pageCount_;
    row.faxFile = baseName(path);
    row.notes = notes.substr(0, kNotesWidth);
    if (!host_.storeReceivedFax(row)) {
        messages().showError("Unable to Store Received Fax",
                             "Quillon received the fax " + row.faxFile +
                                 " but could not add it to the list of received faxes.\r\n\r\n"
                                 "The file is kept in the receive directory.",
                             true);
        return false;
    }
    host_.stationEvent("received: " + row.faxFile + " pages " + std::to_string(row.pages) + " from \"" +
                       row.from + "\"" + (notes.empty() ? "" : " (" + row.notes + ")"));
    if (!settings_.receivedPdfDirectory.empty())
        keepAsPdf(path, row.from);
    host_.letEventsRun();
    auto alive = alive_;
    UiBridge::Post([this, alive, row] {
        if (*alive)
            host_.faxReceived(row);
    });
    return true;
}

// The PDF copy of a stored fax; a failure is logged, the fax stays listed.
void ReceiveStation::keepAsPdf(const std::string &path, const std::string &from)
{
    std::string error;
    const std::string pdf =
        writeReceivedPdf(path, settings_.receivedPdfDirectory, QDateTime::currentDateTime(), from, error);
    if (pdf.empty())
        addToLog("PDF copy failed: " + error);
    else
        host_.stationEvent("pdf: " + pdf);
}

void ReceiveStation::faxStored(const std::string &path, const std::string &remoteStation)
{
    ++inEvent_;
    if (storeRow(path, remoteStation, {}) && settings_.printOnReceipt)
        printQueue_.push_back(path);
    --inEvent_;
    if (inEvent_ == 0 && !printQueue_.empty())
        postPrint();
}

// Received files that no row names: a station killed during a call (or a
// machine that went down) leaves the file of the pages it had confirmed.
// Each becomes a row, dated when the file was last written and marked
// "Incomplete fax" when a page it had begun follows the whole ones; a file
// without a whole page is removed, as after a failed call. Files that are
// not fax files are left alone and named in the log.
void ReceiveStation::listUnlistedFiles()
{
    std::set<std::string> listed;
    if (!host_.listedFaxFiles(listed))
        return;
    const std::string dir = receiveDir();
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir, ec)) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError))
            continue;
        const std::string name = entry.path().filename().string();
        const std::string key = upper(name);
        if (key.size() > 4 && key.compare(key.size() - 4, 4, ".APF") == 0 && !listed.count(key))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        const std::string path = dir + name;
        const ReceivedFileFacts facts = inspectReceivedFile(path);
        if (facts.pages < 0) {
            addToLog("Not a fax file, left alone: " + name);
        } else if (facts.pages == 0) {
            addToLog("Removed a received file without a whole page: " + name);
            ::unlink(path.c_str());
        } else if (storeRow(path, facts.stationId, facts.partialPage ? "Incomplete fax" : "", facts.modified)) {
            addToLog("Listed a received file that had no row: " + name);
        }
    }
}

// A failed call. The complete pages of a fax cut off in mid-call are kept and
// listed as an incomplete fax; a file without a complete page is removed.
void ReceiveStation::faxFailed(const std::string &path, const std::string &remoteStation)
{
    const int code = errorCode_;
    const std::string text = code != 0 ? fax::faxErrorText(code) : "Unknown error";
    errorCode_ = 0;
    host_.stationEvent("failed: " + std::to_string(code < 0 ? -code : code) + " " + text);
    if (isRegularFile(path)) {
        if (pagesInFile(path) > 0)
            storeRow(path, remoteStation, "Incomplete fax: " + text);
        else
            ::unlink(path.c_str());
    }
    messages().showError(kAfterReceiveCaption,
                         "Quillon failed to receive an incoming fax.\r\n\r\nThe error message was:   " + text,
                         true);
}

// The receiver's session ended on its own while receive mode is on (its port
// went away, ...): receive mode is switched off and the user told, instead of
// leaving a station that no longer answers.
void ReceiveStation::onFinish(int code)
{
    if (!on_ || stopping_ || starting_)
        return;  // a receiver that fails to start is reported by switchOn
    const std::string text = code != 0 ? fax::faxErrorText(code) : "Unknown error";
    addToLog("Receive mode ended: " + text);
    host_.stationEvent("ended: " + std::to_string(code < 0 ? -code : code) + " " + text);
    switchOff();
    messages().showError("Receive Mode Ended",
                         "Receive mode has ended.\r\n\r\nThe error message was:   " + text, true);
}

// Print on receipt runs after the event that delivered the fax has returned
// (events let pending events run, so the print is held back while one is
// being handled), one fax after another: a long print job never holds up
// the receiver and no fax is skipped while another one prints.
void ReceiveStation::postPrint()
{
    auto alive = alive_;
    UiBridge::Post([this, alive] {
        if (*alive)
            printQueued();
    });
}

void ReceiveStation::printQueued()
{
    if (printing_ || inEvent_ > 0)
        return;
    printing_ = true;
    while (!printQueue_.empty()) {
        const std::string path = printQueue_.front();
        printQueue_.erase(printQueue_.begin());
        host_.printReceivedFax(path);
    }
    printing_ = false;
}

} // namespace qln

// ReceiveStation: receive mode, the answering station. Switching it on opens
// the port (or the telephony device), checks and resets the modem, sets the
// fax receiver up from the settings and starts it; while it is on, each fax
// received becomes a row of the received-fax table (through the host), the
// list is refreshed, the sound plays and, when asked, the fax is printed.
// Switching off cancels the receiver, sends the after-reset string and
// closes the port. The run is recorded in "Lastrec.log".
//
// The station holds every decision; the main window and `qlnfax station`
// drive the same object through ReceiveStationHost (status line, cursor,
// buttons, the table, printing) and IReceiveNotice (the notice window).
// Error windows and questions go through messages().
//
// Threading: user-interface thread only. The receiver's events arrive there
// through the UI bridge.
#pragma once

#include "records/faxrows.h"
#include "sessions/receivelog.h"
#include "sessions/receivesetup.h"

#include "comms/comport.h"
#include "fax/faxreceivefax.h"
#include "telephony/modemdevice.h"

#include <ctime>
#include <memory>
#include <set>
#include <string>

namespace qln {

struct Settings;
class ITelephonyDevice;

// What receive mode needs from the window or command around it.
class ReceiveStationHost {
public:
    virtual ~ReceiveStationHost() = default;
    // The main window's status line ("" clears it).
    virtual void setStatusText(const std::string &text) = 0;
    virtual void setBusyCursor(bool /*busy*/) {}
    // Receive mode went on or off (the Receive button reads STOP or Receive).
    virtual void receiveModeChanged(bool /*on*/) {}
    // A call was accepted (true) or has ended (false).
    virtual void receivingChanged(bool /*receiving*/) {}
    virtual void showIncomingList() {}
    // Quick set-up while no modem is configured; true when finished.
    virtual bool runQuickSetup() { return false; }
    // Appends the row of a received fax; false when it could not be stored.
    virtual bool storeReceivedFax(const records::ReceivedFax &row) = 0;
    // Adds the FAXFILE names of the received-fax rows (deleted ones too), in
    // capitals; false when the table cannot tell (then no file is taken for
    // one without a row).
    virtual bool listedFaxFiles(std::set<std::string> & /*names*/) { return false; }
    // Posted after a row was stored: reopen and show the list, play the sound.
    virtual void faxReceived(const records::ReceivedFax & /*row*/) {}
    // Prints a received fax (print on receipt).
    virtual void printReceivedFax(const std::string & /*path*/) {}
    // Lets pending events run.
    virtual void letEventsRun();
    // One line per event, for the command line.
    virtual void stationEvent(const std::string & /*line*/) {}
};

// The receive-mode notice window as the station drives it.
class IReceiveNotice {
public:
    virtual ~IReceiveNotice() = default;
    virtual void setStartingLook() = 0;  // "Please wait ..." only
    virtual void setReadyLook() = 0;     // the ready texts, "Ok" and the check box
    virtual void showNotice() = 0;       // without waiting; starts its timer
    virtual void hideNotice() = 0;
    virtual bool noticeVisible() const = 0;
};

class ReceiveStation {
public:
    // `dataDir` ends with a separator; settings are read when switching on
    // (and the reset strings may gain "AT").
    ReceiveStation(Settings &settings, std::string dataDir, ReceiveStationHost &host);
    ~ReceiveStation();
    ReceiveStation(const ReceiveStation &) = delete;
    ReceiveStation &operator=(const ReceiveStation &) = delete;

    void setNotice(IReceiveNotice *notice) { notice_ = notice; }
    void setTelephonyDevice(ITelephonyDevice *device) { telephony_ = device; }
    // Opens this device instead of the COM port of the settings (command line).
    void setDevicePath(const std::string &path) { devicePath_ = path; }

    // The Receive button: on when off, off when on.
    void toggle();
    // Returns whether receive mode is on afterwards. Files in the receive
    // directory that no row names (left by a station that was killed in a
    // call) are listed first.
    bool switchOn();
    // While the start-up steps run (they let events run), STOP is kept and
    // honoured when the running step returns: receive mode then ends as a
    // switch-off does, and receiveModeChanged(false) tells the window.
    void switchOff();
    bool starting() const { return starting_; }

    bool receiveMode() const { return on_; }
    bool receivingFax() const { return receiving_; }
    int errorCode() const { return errorCode_; }
    int pageCount() const { return pageCount_; }
    const std::string &faxFileBeingReceived() const { return faxFile_; }
    const ReceiveLog &log() const { return log_; }
    ReceiveLog &log() { return log_; }
    std::string logPath() const { return dataDir_ + kReceiveLogFile; }
    std::string receiveDir() const;

    fax::TApdReceiveFax &receiver() { return fax_; }
    TApdComPort &port() { return port_; }

    // Status-line update from the receiver's current status (UpdateValues).
    void updateValues();

    // What the receiver's "receive finished" and "receive failed" events do
    // with the file of the call (path as the receiver named it) and the
    // remote station's identifier.
    void faxStored(const std::string &path, const std::string &remoteStation);
    void keepAsPdf(const std::string &path, const std::string &from);
    void faxFailed(const std::string &path, const std::string &remoteStation);

    // Adds a log line (a repeat of the last line is dropped).
    void addToLog(const std::string &line);
    // Saves "Lastrec.log"; a failure is reported in an information box.
    void saveLog();

private:
    bool startSteps();
    bool stopPending();
    void stopSteps();
    void recover();
    void listUnlistedFiles();
    void closePort();
    void setReceiving(bool on);
    void setStatus(const std::string &text);
    void hideNotice();
    void onStatus(bool first, bool last);
    void onLog(int code);
    void onFinish(int code);
    bool storeRow(const std::string &path, const std::string &remoteStation, const std::string &notes,
                  std::time_t when = 0);
    void postPrint();
    void printQueued();
    std::string comText() const;

    Settings &settings_;
    std::string dataDir_;
    ReceiveStationHost &host_;
    IReceiveNotice *notice_ = nullptr;
    TModemDevice modemDevice_;  // the named modem devices, the virtual modem among them
    ITelephonyDevice *telephony_ = &modemDevice_;
    std::string devicePath_;

    TApdComPort port_;
    fax::TApdReceiveFax fax_;
    ReceiveLog log_;
    ReceiverSetup setup_;

    bool on_ = false;
    bool stopping_ = false;
    bool starting_ = false;
    bool stopRequested_ = false;
    bool receiving_ = false;
    int errorCode_ = 0;
    int pageCount_ = 0;
    std::string faxFile_;
    std::string lastStatusEvent_;
    std::vector<std::string> printQueue_;
    bool printing_ = false;
    int inEvent_ = 0;  // nesting of receiver events being handled
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace qln

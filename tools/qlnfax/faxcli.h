// Pieces shared by qlnfax send and qlnfax receive: class names, port
// opening, console reporting of a session and waiting for its end.
#pragma once

#include "commands.h"

#include "comms/comport.h"
#include "fax/faxabstract.h"

#include <functional>
#include <memory>
#include <string>

namespace qlnfaxcli {

// Whether bps is a fax transfer speed: 2400, 4800, 7200, 9600, 12000, 14400.
bool faxSpeed(int bps);
// "1", "2", "2.0" or "auto"; false for anything else.
bool parseFaxClass(const std::string &s, qln::fax::TFaxClass &c);
// Whether a --device value is a device file: it starts with '/' or '.'.
// Anything else names a modem device ("qlnfax modem devices").
bool isDeviceFile(const std::string &value);
// The device file for a --device value: a file as it is; a modem device's
// file, starting the virtual modem's line when that is the device. Throws
// std::runtime_error naming a device that is not present.
std::string devicePath(const std::string &value);
// Takes exactly one of --device PATH|NAME or --com N from args, and the line
// options of that port: --init-baud N (speed while the modem is
// initialised), --normal-baud N (speed of the calls; default the port's
// 19200) and --software-flow (XON/XOFF while page data flows). False when
// the port is not named exactly once or a speed is not a standard one.
// The line options are kept with the port and given to the fax component
// that watchSession() is called for.
bool setUpPort(qln::TApdComPort &port, QlnArgs &args);
// Pumps bridged calls until done() or an interrupt; an interrupt cancels.
void waitForSession(const std::function<bool()> &done, const std::function<void()> &cancel);
// Runs a session watched with watchSession(): start() starts it; returns
// start()'s error when the session did not start, else waits for its end
// (an interrupt cancels) and returns its result code.
int runSession(qln::fax::TApdAbstractFax &fax, const std::function<int()> &start, bool &done, int &result);
// Prints "failed: CODE TEXT" for a negative session code.
void printFailure(int code);
// Prints each new status text of the fax component as it changes.
void printStatusChanges(qln::fax::TApdAbstractFax &fax);
// Applies the line options taken by setUpPort() for the fax's port (call
// it after SetComPort and before starting), prints each new status text and
// every error; on finish stores the result code in |result| and sets
// |done|. Both must outlive the session.
void watchSession(qln::fax::TApdAbstractFax &fax, bool &done, int &result);

// The line options on their own (used by setUpPort): takes them from args
// into |opts|; false when a speed is not one of 1200 ... 115200.
struct LineOptions {
    int initBaud = 0;
    int normalBaud = 0;
    bool softwareFlow = false;
};
bool takeLineOptions(QlnArgs &args, LineOptions &opts);
void applyLineOptions(qln::fax::TApdAbstractFax &fax, const LineOptions &opts);

} // namespace qlnfaxcli

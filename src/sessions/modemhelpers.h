// Modem command helpers: small routines that talk to the modem through a
// port component before a fax call starts: open the port with a readable
// error text, reset the modem, check that a modem answers, send a configured
// command, name a fax class, and open or release the modem through a
// telephony device. None of them raises: every failure is a false result.
//
// Threading: user-interface thread only. The waits block it; only the waits
// that say so let pending UI events run.
#pragma once

#include "telephony/telephonydevice.h"

#include <functional>
#include <string>

namespace qln {

class TApdComPort;
struct Settings;

// Waits of the helpers, in ticks of 55 ms (tests shorten them).
struct ModemHelperTiming {
    int replyTicks = 109;           // wait for "OK": 6 seconds
    int checkPauseTicks = 12;       // pause before checking for a modem
    int telephonyOpenMs = 6000;     // wait for a telephony device to open the port
    int telephonySettleTicks = 18;  // after "AT" on a port opened by telephony
};
ModemHelperTiming &modemHelperTiming();

// Sends "ATZ" and waits for OK.
bool ResetModem(TApdComPort &port);

// Opens the port; on failure returns false with the message to show.
bool OpenPort(TApdComPort &port, std::string &message);

// After a short pause, sends "AT" and waits for OK; when that fails and the
// reset string (blanks trimmed) is not empty, sends the reset string as
// stored and waits for OK.
bool CheckForModem(TApdComPort &port, const std::string &resetString);
// The same with the reset string of the program's settings.
bool CheckForModem(TApdComPort &port);

// Puts "AT" in front of a command without "AT" (any case, anywhere) and
// keeps it there (pass the setting itself), sends it and waits for OK.
bool SendModemCommand(TApdComPort &port, std::string &command);

// "AutoDetect", "Class 1", "Class 2", "Class 2.0" for 0..3, else "unknown".
std::string FaxClassName(int code);

// Opens the port through the named telephony device; false with a message.
// The wait for the port ends early when the device reports why it cannot
// open; that reason then follows the message on a line of its own.
bool OpenThroughTelephony(ITelephonyDevice &device, const std::string &deviceName,
                          TApdComPort &port, std::string &message);
// Closes the attached port when open, then drops the call and releases the line.
void ReleaseTelephony(ITelephonyDevice &device);

// Opens help at the fax problem solver (topic 10000) through the opener the
// application installed; returns whether it opened.
constexpr int kFaxProblemSolverTopic = 10000;
void SetHelpOpener(std::function<bool(int topic)> opener);
bool TechnicalHelp();
// Opens help at any topic through the same opener.
bool OpenHelpTopic(int topic);

// Makes COM numbers name the devices of the [Ports] section of the settings.
void InstallPortMapping(const Settings &settings);

// A serial port as messages name it: "COM3 (/dev/ttyS2)", with the device
// the port opens (its own device path, else the one of its COM number).
std::string PortText(const TApdComPort &port);
// The same for a COM number, through the installed mapping.
std::string PortText(int comNumber);

// Lets pending UI events run for about the given number of ticks.
void WaitTicksProcessingMessages(int ticks);

} // namespace qln

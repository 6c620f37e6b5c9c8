// "Test Modem": opens the chosen telephony device, checks that a modem
// answers, drops the call and releases the line, and reports the outcome in
// an information box. The preferences wizard and the quick set-up word the
// outcome differently. User-interface thread only; the caller shows the
// hourglass cursor around it.
#pragma once

#include <string>

namespace qln {

class ITelephonyDevice;
class TApdComPort;

enum class ModemTestWording { Preferences, QuickSetup };

// The text of the information box for an outcome; the quick set-up names
// the modem device it opened.
std::string ModemTestReport(ModemTestWording wording, bool opened, bool answered, const std::string &error,
                            const std::string &deviceName);

// Runs the test and shows the report; returns the report.
std::string TestTelephonyModem(ITelephonyDevice &device, const std::string &deviceName, TApdComPort &port,
                               ModemTestWording wording);

} // namespace qln

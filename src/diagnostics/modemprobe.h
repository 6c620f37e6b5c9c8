// Modem probe for the configuration report: opens a device file, sends a
// few identification commands ("ATI0", "ATI3", "AT+FCLASS=?") and collects
// each reply up to its final result code, with short time-outs so that a
// silent device costs about a second per command. A device that does not
// open is reported with the reason; nothing raises.
//
// User-interface thread (or a thread of its own without a UI).
#pragma once

#include <string>
#include <vector>

namespace qln {

struct ModemReply {
    std::string command;    // as sent, without the carriage return
    std::string reply;      // lines between the echo and the result code, joined by "; "
    std::string result;     // "OK", "ERROR" or empty on time-out
};

struct ModemProbeResult {
    bool opened = false;
    std::string error;      // why the device did not open
    std::vector<ModemReply> replies;
    bool answered() const;  // any command got a result code
};

struct ModemProbeTiming {
    int replyMs = 1500;     // per command
};

// Commands sent by default, in order.
std::vector<std::string> DefaultProbeCommands();

ModemProbeResult ProbeModem(const std::string &devicePath, const std::vector<std::string> &commands,
                            ModemProbeTiming timing = {});

// Splits what a modem sent after a command into its text lines and result
// code: drops the echo of the command and empty lines; "OK", "ERROR",
// "NO CARRIER" ... end the reply. Returns false when no result code came.
bool ParseModemReply(const std::string &command, const std::string &raw, ModemReply &out);

} // namespace qln

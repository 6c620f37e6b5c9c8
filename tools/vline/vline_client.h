// Client side of the virtual line's control socket: makes the remote fax
// machine of a running line call one of its modems and send a TIFF file.
// Blocking; for the command line.
#pragma once

#include <string>

namespace qln::vline {

struct CallResult {
    bool reached = false;  // the line was running and took the request
    std::string error;     // why not, when !reached
    int code = -1;         // completion code, 0 = success
    int pages = 0;
    std::string text;      // completion text
    int bitRate = 0;
    std::string remoteId;  // the answering host's identification
};

// Calls modem `modem` of the line in dir, sending tiff (made absolute here)
// with identification ident (empty: the line's default). progress gets each
// intermediate message ("RING", "ANSWERED").
CallResult callModem(const std::string &dir, int modem, const std::string &tiff, const std::string &ident,
                     void (*progress)(const std::string &) = nullptr);

} // namespace qln::vline

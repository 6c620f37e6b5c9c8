// Client side of the virtual line's control socket: makes the remote fax
// machine of a running line call one of its modems and send a TIFF file, or
// the line's calling terminal dial the remote machine. Blocking; for the
// command line.
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

// Makes the line's calling terminal (a second spandsp fax machine, highest
// speed 14400 bit/s, ECM only when ecm is set) dial number and send tiff with
// identification ident. The result is the terminal's; the remote machine's
// own outcome goes into DIR/remote/rx-NNNN.txt as for any call it answers.
CallResult dialNumber(const std::string &dir, const std::string &number, const std::string &tiff,
                      const std::string &ident, bool ecm, void (*progress)(const std::string &) = nullptr);

} // namespace qln::vline

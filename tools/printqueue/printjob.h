// What a print job sent to the Quillon queue asks for, apart from CUPS and
// from the fax tables: the job options Quillon reads (phone=, to=, send=),
// the subject made from the job title, and the data directory of the user
// whose job it is.
//
// Plain functions; any thread.
#pragma once

#include <map>
#include <string>

namespace qln::printqueue {

// CUPS's option text ("name=value name2='a b' flag noflag") as name to value,
// names in lower case. A bare "name" is "true", "noname" is "false"; values
// may be quoted with ' or " and may escape a character with '\'.
std::map<std::string, std::string> parseJobOptions(const std::string &text);

struct PrintJobRequest {
    std::string phone;     // "" when the job gave no number
    std::string recipient; // "" when the job gave no name
    bool sendNow = false;  // send=now (or send=yes / send=true)
};

// The request of a job's options. Throws std::runtime_error with a text for
// the print queue when phone= holds a character that is not part of a dial
// string (digits, blank, + - ( ) . , * # and the dial letters P T W) or is
// longer than the fax number field, or when send= is not "now", "yes",
// "true", "no", "false" or "later".
PrintJobRequest requestFromOptions(const std::string &optionsText);

// The fax's subject: the job title without control characters, blanks
// folded, trimmed and cut to the 50 characters of the subject field; a
// title that leaves nothing gives "Printed document".
std::string subjectFromTitle(const std::string &title);

// The user's Quillon data directory as the program finds it without
// --data-dir or QLN_DATA_DIR: HOME/.local/share/Quillon/.
std::string userDataDirectory(const std::string &home);

} // namespace qln::printqueue

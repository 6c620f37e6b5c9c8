// TApdFaxLog: the fax history file.
//
// Every log event of a fax component appends its line(s) to FaxHistoryName,
// creating the file when it is missing; an empty name disables the log.
// Lines use the local date and time text.
//
// Threading: used on the user-interface thread, where fax events are raised.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qln::fax {

// What a log event knows about the session.
struct FaxLogFacts {
    std::vector<std::string> files; // sending: the files of the fax
    std::string phoneNumber;
    std::string remoteStation;
    std::string receivedFile;
    int hangupCode = 0;
    int lastError = 0;
};

class TApdFaxLog {
public:
    static constexpr const char *kDefaultHistoryName = "ROZUVIZ.HIS";

    std::string FaxHistoryName = kDefaultHistoryName;

    // The lines a log code writes (each without its line end). Empty for an
    // unknown code.
    static std::vector<std::string> linesFor(int logCode, const FaxLogFacts &facts,
                                             const std::string &dateTime);

    // Appends the lines of logCode. Returns 0, or a negative system error
    // code when the file cannot be written.
    int UpdateLog(int logCode, const FaxLogFacts &facts);

    // Clock text source; defaults to the local date and time.
    std::function<std::string()> dateTimeText;
};

// Local date and time as the history file writes it ("%x %X").
std::string localDateTimeText();

} // namespace qln::fax

// The receive log of a receive-mode run: lines kept in memory and written
// as a whole to "Lastrec.log" in the data directory.
//
// A line equal to the last one added is not added again. Saving appends
// "Finish: " with the date and time (long date format, a blank, long time
// format), then replaces the file with every line, each ended by CR LF,
// through a temporary file and a rename.
//
// Plain value; user-interface thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qln {

inline constexpr const char *kReceiveLogFile = "Lastrec.log";

class ReceiveLog {
public:
    void clear() { lines_.clear(); }
    // False when the line equals the last one added (then nothing is added).
    bool add(const std::string &line);
    const std::vector<std::string> &lines() const { return lines_; }

    // Adds the "Finish: " line and writes the file; false (with the reason in
    // |error| when given) when it cannot be written.
    bool save(const std::string &path, std::string *error = nullptr);

    // "<long date> <long time>" of the current moment.
    static std::string dateTimeNow();
    // Replaces dateTimeNow() (tests).
    std::function<std::string()> clock;

private:
    std::string now() const { return clock ? clock() : dateTimeNow(); }

    std::vector<std::string> lines_;
};

} // namespace qln

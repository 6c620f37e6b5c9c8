// The virtual line's log file (DIR/vline.log).
//
// One process-wide log: every line carries the wall-clock time and the line
// clock (seconds of simulated line time). The server runs on one thread; the
// log is not meant to be written from others.
#pragma once

#include <cstdint>
#include <string>

namespace qln::vline {

class VlineLog {
public:
    // Opens (appends to) the log file; returns false when it cannot be opened.
    static bool open(const std::string &path);
    static void close();
    // Line time in samples at 8000 Hz, shown on every log line.
    static void setLineClock(int64_t samples);
    // Writes one line (printf-style); silently ignored before open().
    static void write(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
    // Routes spandsp's protocol log of one context into this log.
    static void attachSpandsp(void *loggingState, const char *tag);
};

} // namespace qln::vline

// The port's byte trace and event log: bounded rings that keep the newest
// entries, and the text dumps written to the trace file ("RIZI.TRC") and the
// log file ("RIZI.LOG"). The dump formats are described in
// docs/dispatcher-logs.md.
//
// Not thread-safe: the dispatcher holds its main lock around every call.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qln {

// Longest trace (entries) and log (bytes) accepted.
constexpr uint32_t kMaxTraceSize = 4000000;
constexpr uint32_t kMaxLogSize = 16000000;

class DispatchTrace {
public:
    void start(uint32_t entries); // allocates or clears
    void stop();                  // frees
    void clear();
    void setPaused(bool paused) { paused_ = paused; }
    bool on() const { return on_; }
    bool paused() const { return paused_; }
    // kind 'T' (transmitted) or 'R' (read), or any other character.
    void add(char kind, const uint8_t *bytes, size_t len);
    size_t size() const { return entries_.size(); }

    // The dump text, oldest entry first.
    std::string format(bool hex, bool allHex) const;

private:
    std::deque<std::pair<char, uint8_t>> entries_;
    uint32_t capacity_ = 0;
    bool on_ = false;
    bool paused_ = false;
};

class DispatchLog {
public:
    struct Entry {
        uint8_t kind;
        uint8_t subKind;
        uint32_t timeMs;
        uint32_t data;
        std::vector<uint8_t> bytes;
    };

    void start(uint32_t bytes);
    void stop();
    void clear();
    void setPaused(bool paused) { paused_ = paused; }
    bool on() const { return on_; }
    bool paused() const { return paused_; }
    // Entries take 16 bytes plus their data; the oldest make room.
    void add(uint8_t kind, uint8_t subKind, uint32_t timeMs, uint32_t data, const uint8_t *bytes,
             size_t len);
    const std::deque<Entry> &entries() const { return entries_; }

    // The dump text: header naming the device, then one line per entry.
    std::string format(const std::string &deviceName, bool hex, bool allHex) const;

    // Name of a kind (0..19) and of a sub-kind of that kind.
    static std::string kindName(uint8_t kind);
    static std::string subKindName(uint8_t kind, uint8_t subKind);
    // The fax engine registers the names of its states (sub-kinds of kind
    // "Fax"); an unregistered state prints as its number.
    static void setFaxStateNamer(std::string (*namer)(int state));

private:
    std::deque<Entry> entries_;
    size_t used_ = 0;
    uint32_t capacity_ = 0;
    bool on_ = false;
    bool paused_ = false;
};

// Formats one byte by the trace rules; returns its text.
std::string formatTraceByte(uint8_t b, bool hex, bool allHex);

// Writes text to a file (replacing it through a temporary file, or appending
// in one write). Returns 0 or the negated errno.
int writeDumpFile(const std::string &file, const std::string &text, bool append);

} // namespace qln

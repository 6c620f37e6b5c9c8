// One pseudo-terminal standing in for a modem's serial port.
//
// The master side belongs to the emulated modem; the slave side is what a
// host opens (through the symlink DIR/modemN). The port keeps its own slave
// descriptor open for its whole life, so hosts can open and close the device
// at will without the master seeing a hang-up, and so that the host's line
// settings can be watched: a pty has no modem-control lines, and a host that
// drops DTR shows up only as an output speed of B0.
//
// Not thread-safe; used by the server's single thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace qln::vline {

class PtyPort {
public:
    PtyPort() = default;
    ~PtyPort();
    PtyPort(const PtyPort &) = delete;
    PtyPort &operator=(const PtyPort &) = delete;

    // Creates the pty and the symlink linkPath -> slave device. Returns an
    // empty string on success, else the reason.
    std::string open(const std::string &linkPath);
    void close();

    int masterFd() const { return master_; }
    const std::string &slaveName() const { return slaveName_; }

    // Bytes the host wrote that are still waiting in the pty.
    size_t queuedInput() const;
    // Reads at most max bytes the host wrote; 0 when nothing is waiting.
    size_t read(uint8_t *buf, size_t max);

    // Queues bytes for the host and writes what the pty takes now.
    void write(const uint8_t *buf, size_t len);
    // Puts one byte ahead of everything queued (XON/XOFF).
    void writeUrgent(uint8_t byte);
    // Writes queued bytes; call when the master is writable.
    void flush();
    bool hasPendingOutput() const { return !out_.empty(); }
    size_t pendingOutput() const { return out_.size(); }

    // True while the host has the line at speed B0 (DTR dropped).
    bool dtrDropped() const;
    // True when the host asked for XON/XOFF output flow control (IXON).
    bool hostUsesSoftwareFlow() const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
    std::string linkPath_;
    std::deque<uint8_t> out_;
};

} // namespace qln::vline

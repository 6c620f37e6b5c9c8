// TApdPosixDispatcher: the dispatcher's device primitives on a POSIX serial
// device (termios file descriptor, poll(), modem lines by TIOCMGET).
//
// The device is opened non-blocking and exclusive (flock and TIOCEXCL), so
// a second opener, in this process or another, gets "in use". The output
// thread writes through a second, blocking descriptor of the same device:
// terminals wake blocked writers much sooner than they report POLLOUT. A
// write is abandoned (flush, close) by a signal sent to the output thread. A hang-up
// (the far end of a pseudo-terminal closed, a USB modem unplugged) ends the
// com thread's wait with evHangup; reads and writes then fail.
//
// Threading: as TApdBaseDispatcher.
#pragma once

#include "comms/dispatcher.h"

#include <atomic>
#include <pthread.h>
#include <termios.h>

namespace qln {

class TApdPosixDispatcher : public TApdBaseDispatcher {
public:
    TApdPosixDispatcher();
    ~TApdPosixDispatcher() override;

    // Maps an errno of open() to a library code (negative).
    static int MapOpenError(int err);

protected:
    int OpenDevice(const std::string &device) override;
    void CloseDevice() override;
    int ApplyLine(int baud, int parity, int stopBits, int dataBits, uint8_t hw, int sw,
                  uint8_t xon, uint8_t xoff) override;
    int ApplyModemLine(bool dtrLine, bool on) override;
    int ReadModemLines(uint8_t &highNibble) override;
    long ReadDevice(uint8_t *dst, size_t len) override;
    size_t DeviceInputWaiting() override;
    long WriteDevice(const uint8_t *src, size_t len) override;
    void CancelWrite() override;
    void PurgeDevice(bool input, bool output) override;
    uint32_t WaitDeviceEvent() override;
    void WakeEventWait() override;

private:
    int fd_ = -1;
    int wakeFd_ = -1;   // eventfd: ends the com thread's poll
    int writeFd_ = -1;  // blocking descriptor used by the output thread
    std::atomic<bool> cancel_{false};
    std::atomic<bool> inWrite_{false};
    std::atomic<pthread_t> writer_{};
    std::atomic<bool> modemLinesWork_{true}; // false on pseudo-terminals
    uint8_t lastLines_ = 0;                  // com thread only
    std::atomic<bool> hungUp_{false};
    speed_t speedBeforeDtrDrop_ = 0;         // pseudo-terminals: speed to restore

    // Devices without modem lines: DTR off is the POSIX hang-up (output
    // speed B0), DTR on restores the speed the line had.
    int EmulateDtr(bool on);
};

} // namespace qln

// Find modem: probes the serial ports COM1 to COM6 for a modem, in order,
// and remembers the first that answers. For each port the label reads
// "Com <n>: TESTING" while it is probed and then "Com <n>: " followed by
// "MODEM", "Unknown", "Port is already open (could be modem)", "Port does
// not exist", the library text of another open error, or "ERROR: " and the
// message of any other failure.
//
// A port with a device costs one modem check (about 0.7 seconds with a
// modem, up to 6.7 without; 12.7 with a reset string). The window
// (findmodemwindow.h) and `qlnfax modem find` drive this object.
// User-interface thread only.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace qln {

class TApdComPort;

namespace findmodem {
inline constexpr const char *kCaptionBusy = "Finding Modem...Please wait";
inline constexpr const char *kCaptionDone = "Find Modem";
inline constexpr const char *kPortsTitle = "Communications Ports:";
inline constexpr const char *kTesting = "Testing Communications ports...please wait.";
inline constexpr int kPorts = 6;
} // namespace findmodem

class FindModem {
public:
    // Probes with the caller's port; its number is changed on the way.
    explicit FindModem(TApdComPort &port);

    // Told each time a port's label changes (port 1..6).
    std::function<void(int port, const std::string &label)> onLabel;

    // Probes the six ports; returns the port of the first modem or -1. Beeps
    // at the end, as the window does.
    int run();

    int result() const { return result_; }
    bool portInUse() const { return portInUse_; }
    // The label of port 1..6 (empty before it was probed).
    const std::string &label(int port) const { return labels_[size_t(port - 1)]; }
    // The message line for the result.
    const std::string &message() const { return message_; }

    // The message line: the modem's port, or why none was found.
    static std::string messageFor(int found, bool portInUse);

private:
    std::string probe(int n);
    void setLabel(int n, const std::string &text);

    TApdComPort &port_;
    std::array<std::string, findmodem::kPorts> labels_;
    std::string message_;
    int result_ = -1;
    bool portInUse_ = false;
};

} // namespace qln
